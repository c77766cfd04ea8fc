#include "VelmorMusic.h"

#include "ErrorReport.h"
#include "SoundLibrary.h"
#include "SoundSystem.h"

namespace {
constexpr int32_t kMixRate = 44100;      // Hz
constexpr int32_t kSoftwareChannels = 8;

MusicState gState;
SoundLibrary* gLibrary = nullptr;  // null = SoundSystem::instance()
}  // namespace

SoundLibrary& soundLibrary() { return gLibrary ? *gLibrary : SoundSystem::instance(); }

void setSoundLibrary(SoundLibrary* library) { gLibrary = library; }

const MusicState& musicState() { return gState; }

bool initSound() {
  if (!gState.initialised && soundLibrary().init(kMixRate, kSoftwareChannels)) gState.initialised = true;
  return gState.initialised;
}

bool isSoundInitialised() { return gState.initialised; }

bool isMusicPlaying() { return gState.playing; }

bool openMusic(const char* fileName) {
  if (!gState.initialised) {
    reportError(__FILE__, __LINE__, "Soundsystem not inited", false);
    return false;
  }
  if (gState.stream == 0) gState.stream = soundLibrary().openStream(fileName);
  return gState.stream != 0;
}

void seekMusic(int32_t ms) {
  if (gState.stream != 0) soundLibrary().setStreamTime(gState.stream, ms);
}

void playMusic() {
  if (gState.stream == 0) return;
  gState.channel = soundLibrary().playStream(gState.stream, true);
  if (gState.channel == -1) reportError(__FILE__, __LINE__, "Could not play soundstream", true);
  soundLibrary().setPaused(gState.channel, false);
  gState.playing = true;
}

void pauseMusic() {
  if (gState.channel == -1) return;
  soundLibrary().setPaused(gState.channel, true);
  gState.playing = false;
}

void shutdownMusic() {
  if (gState.stream != 0) {
    soundLibrary().closeStream(gState.stream);
    gState.stream = 0;
  }
  if (gState.initialised) {
    soundLibrary().close();
    gState.initialised = false;
  }
  // The closed library's channels are gone.
  gState.channel = -1;
  gState.playing = false;
}

void startMusicAt(int32_t startMs) {
  if (initSound() && openMusic(kMusicFile)) {
    seekMusic(startMs);
    playMusic();
  }
}
