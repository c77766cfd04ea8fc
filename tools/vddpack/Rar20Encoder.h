#pragma once
// The RAR 2.0 compressor: turns entry bytes into the packed stream the RAR 2.0 decoder reads,
// either as LZ77 (hash-chain matches over the 1 MiB window, remembered distances, per-block
// Huffman tables) or in audio mode (per-channel predictors, one delta table per channel).
//
// One encoder is one decoder state as the reader will rebuild it: window contents, the four
// remembered distances, the last match, the current tables, the audio predictors. A solid
// archive feeds all its entries through one encoder; a non-solid entry starts afresh.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "AudioPredictor.h"
#include "HuffmanEncoder.h"
#include "LzMatcher.h"

class BitWriter;

class Rar20Encoder {
 public:
  static constexpr int kMainSymbols = 298;
  static constexpr int kDistanceSymbols = 48;
  static constexpr int kRepeatLengthSymbols = 28;
  static constexpr int kLzTableSize = kMainSymbols + kDistanceSymbols + kRepeatLengthSymbols;  // 374
  static constexpr int kAudioSymbols = 257;
  static constexpr int kMaxChannels = AudioPredictor::kMaxChannels;

  // Levels for Settings::forLevel: 1 fastest ... 5 smallest.
  static constexpr int kMinLevel = 1;
  static constexpr int kMaxLevel = 5;
  static constexpr int kDefaultLevel = 4;

  struct Settings {
    int maxChain = 1024;                             // hash-chain candidates per search
    uint32_t niceLength = 258;                       // a match this long is taken at once
    uint32_t lazyLength = 258;                       // a match shorter than this tries the next byte too (0: never)
    uint32_t maxDistance = LzMatcher::kMaxDistance;  // farthest match source searched
    uint32_t blockSymbols = 0x8000;                  // LZ symbols per Huffman block
    uint32_t audioBlockBytes = 0x10000;              // audio bytes per set of tables

    // The search bounds of a level (clamped to kMinLevel..kMaxLevel).
    static Settings forLevel(int level);
  };

  // Earlier entries kept for matches in a solid stream before the oldest are dropped, bytes.
  static constexpr size_t kHistoryLimit = size_t{64} << 20;
  // The largest entry one call takes (positions in the matcher are 32-bit), bytes.
  static constexpr size_t kMaxEntrySize = 0xffffffffu - kHistoryLimit - 2 * LzMatcher::kWindowSize;

  Rar20Encoder();
  explicit Rar20Encoder(const Settings& settings);

  // Forgets the stream: the next entry starts with the decoder state of a non-solid entry.
  void reset();
  // True once an entry has been encoded, so a following entry may continue this state (and
  // must then carry the solid flag).
  bool hasState() const { return _tablesWritten; }

  // Packs size bytes as the next entry. continueStream: the entry continues the decoder state
  // of the previous one (solid flag set); otherwise the state is reset first. audioChannels:
  // 0 for LZ coding, 1 to 4 for audio mode with that many interleaved byte channels.
  // cipherPadding: the stream ends with a harmless symbol, because the cipher pads the stream
  // to 16 bytes and a reader decodes one more symbol when 5 or more bytes are left over (a
  // table switch there would change the state a following solid entry starts with).
  std::vector<uint8_t> encode(const uint8_t* data, size_t size, bool continueStream, int audioChannels,
                              bool cipherPadding);

  // Called now and then during encode() with the bytes of the current entry done so far
  // (for progress displays); may be empty.
  void setProgress(std::function<void(size_t)> progress) { _progress = std::move(progress); }

  // The audio channel count (1 to 4) whose deltas look cheapest on a prefix of data: 1 for
  // mono 8-bit, 2 for stereo 8-bit, 4 for stereo 16-bit samples, typically.
  static int chooseAudioChannels(const uint8_t* data, size_t size);

 private:
  struct Token {
    uint16_t main;       // main-table symbol
    uint16_t second;     // distance symbol (270..297) or repeat-length symbol (257..260)
    uint8_t extra1Bits;  // bits after the main symbol
    uint8_t extra2Bits;  // bits after the second symbol
    uint32_t extra1;
    uint32_t extra2;
  };
  enum class MatchKind { Literal, LastMatch, Remembered, Short, Long };
  struct Choice {
    MatchKind kind = MatchKind::Literal;
    uint32_t length = 1;
    uint32_t distance = 0;
    int remembered = 0;  // 1 to 4 for MatchKind::Remembered
    int saving = 0;      // estimated bits saved against coding the bytes as literals
  };

  void resetCosts();
  // Literal costs from the byte frequencies of data[start, end), for a stream without tables yet
  // (a flat guess would favour matches in data of few distinct bytes).
  void estimateLiteralCosts(size_t start, size_t end);
  // Takes the symbol costs of the tables just built as estimates for the next block.
  void learnCosts();
  void encodeLz(BitWriter& out, size_t start, size_t end);
  void encodeAudio(BitWriter& out, size_t start, size_t end, int channels);
  Choice choose(size_t pos, size_t end);
  void emit(const Choice& choice, size_t pos);
  void flushLzBlock(BitWriter& out);
  // Writes the table-switch symbol with the current tables if a table set is in use.
  void writeSwitch(BitWriter& out);
  // Writes a table read: the 2 header bits (+ channel bits), the pre-table and the lengths.
  void writeTables(BitWriter& out, bool audio, int channels, const std::vector<uint8_t>& lengths);
  void writePadding(BitWriter& out);

  Settings _settings;
  LzMatcher _matcher;
  std::vector<uint8_t> _history;  // every byte of the stream so far (the decoder's window and more)
  std::vector<Token> _tokens;     // LZ symbols of the block being built

  uint32_t _oldDistance[4] = {};  // remembered distances, as the decoder keeps them
  uint32_t _oldDistancePtr = 0;   // next slot, used modulo 4
  uint32_t _lastDistance = 0;
  uint32_t _lastLength = 0;
  std::vector<uint8_t> _oldLengths;  // the decoder's previous code lengths (1028)

  bool _tablesWritten = false;  // a table set is current in the stream
  bool _audioMode = false;      // the current table set is an audio one
  int _channels = 1;            // audio channels of the current table set
  int _currentChannel = 0;      // channel of the next audio byte
  HuffmanEncoder _mainTable;
  HuffmanEncoder _distanceTable;
  HuffmanEncoder _repeatLengthTable;
  HuffmanEncoder _audioTables[kMaxChannels];
  AudioPredictor _predictor;
  // Estimated bits per symbol, from the last LZ tables: for choosing between literals and
  // the match forms.
  uint8_t _mainBits[kMainSymbols];
  uint8_t _distanceBits[kDistanceSymbols];
  uint8_t _repeatLengthBits[kRepeatLengthSymbols];
  std::function<void(size_t)> _progress;
};
