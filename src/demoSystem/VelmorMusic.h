#pragma once
// The show's soundtrack: free functions over one program-wide music state, played through the
// current sound library (SoundSystem::instance() unless a test installs another).
//
// Order used by the show: pauseMusic (at a restart) -> initSound -> openMusic("rk17.mp3") ->
// seekMusic(start time) -> playMusic. There is no stop: a restart pauses the old channel and
// plays the stream again on a new one.
#include <cstdint>

class SoundLibrary;

struct MusicState {
  bool initialised = false;  // the sound library was initialised
  int32_t stream = 0;        // the open soundtrack stream, 0 = none; opened once and kept
  int32_t channel = -1;      // channel of the last play, -1 = never played
  bool playing = false;      // true after playMusic, false after pauseMusic
};

// Soundtrack file, opened from the working directory.
constexpr const char* kMusicFile = "rk17.mp3";

// Initialises the library (44100 Hz, 8 channels) unless already done; returns the initialised
// state. A failure (no audio device) is silent: the show then runs without music.
bool initSound();
bool isSoundInitialised();
bool isMusicPlaying();
// Opens the stream once. Not initialised: non-fatal report "Soundsystem not inited", false.
// A file that does not open (missing, not decodable) gives false without a report. Later calls
// keep the first stream, whatever the name. Returns whether a stream is open.
bool openMusic(const char* fileName);
// Positions the open stream at ms of the soundtrack; nothing when no stream is open.
void seekMusic(int32_t ms);
// Plays the open stream on a new channel, started paused and then resumed; fatal report
// "Could not play soundstream" when the library gives no channel. Nothing when no stream is open.
void playMusic();
// Pauses the last channel, if one was ever obtained.
void pauseMusic();
// Closes the stream and the library (for atexit); the state returns to its initial values.
void shutdownMusic();

// The start step's music: when the library initialises and the soundtrack opens, seek it to
// startMs and play it. Used at a (re)start with the music flag set and when M switches music on.
void startMusicAt(int32_t startMs);

// The library the functions use; the spectrum and oscilloscope effects use it too.
SoundLibrary& soundLibrary();
// Installs library (null restores SoundSystem::instance()). Tests only; the state is not reset.
void setSoundLibrary(SoundLibrary* library);
const MusicState& musicState();
