#pragma once
// The RAR 2.0 decompressor: LZ77 over a 1 MiB window with per-block prefix-code tables, and an
// audio mode of per-channel adaptive predictors. Its state (window, tables, remembered distances,
// audio predictors) carries from one entry to the next of a solid stream.
#include <cstddef>
#include <cstdint>
#include <functional>

#include "HuffmanTable.h"
#include "Rar20AudioChannel.h"
#include "Rar20BitInput.h"

class PackedDataSource;

class Rar20Unpacker {
 public:
  static constexpr uint32_t kWindowSize = 0x100000;  // bytes
  static constexpr int kMaxChannels = 4;

  // Receives decoded bytes in stream order, in pieces of at most kWindowSize.
  using Sink = std::function<void(const uint8_t* bytes, size_t size)>;

  // No window yet: call allocate before unpack.
  Rar20Unpacker();
  ~Rar20Unpacker();
  Rar20Unpacker(const Rar20Unpacker&) = delete;
  Rar20Unpacker& operator=(const Rar20Unpacker&) = delete;

  // Provides the zeroed window (reusing the thread's spare one when there is one); false when
  // memory is short.
  bool allocate();

  // Decodes one entry's packed bytes from source into unpackedSize bytes. Unless continueSolid is
  // set, all state is reset first and the entry starts by reading tables; with it, the entry
  // continues the previous entry's state. output (may be null: the bytes only feed the solid
  // stream) must hold unpackedSize bytes; nothing beyond that is ever written. With sink given
  // (output null), the bytes go to it instead as they leave the window. Returns the count of bytes
  // produced, which is below unpackedSize when the input ran out or the data was corrupt.
  uint32_t unpack(PackedDataSource* source, uint32_t unpackedSize, bool continueSolid, uint8_t* output,
                  const Sink* sink = nullptr);

  // Stretches of LZ symbols between refills, flushes and table reads are decoded by a tighter loop
  // than the general one (on by default); off, every symbol takes the general path. Both give the
  // same bytes.
  void setFastPath(bool enabled) { _fastPath = enabled; }

 private:
  void resetState();
  // Zeroes the bytes written since the last clear.
  void clearWindow();
  void readTables();
  // Appends the window bytes from the last flushed position up to the write position to the
  // output; stops decoding instead when they would pass the unpacked size.
  void flush();
  void copyMatch(uint32_t length, uint32_t distance);
  void decodeMainSymbol(int symbol);
  // True when the symbol read next (from the current mode's table) asks for new tables.
  bool decodeTrailingSymbol();
  // Decodes LZ symbols while none of the general loop's checks (refill, flush, input end, bytes
  // left) would act and the next symbol is not a table read; false when none was decoded.
  bool decodeFast();

  uint8_t* _window = nullptr;  // kWindowSize bytes, owned (C heap); goes to the thread's spare when done
  uint64_t _dirtyBytes = 0;    // bytes written since the window was last zeroed (from position 0 on)
  bool _fastPath = true;
  uint32_t _writePos = 0;  // window position of the next byte, masked to the window
  uint32_t _flushPos = 0;  // window position up to which bytes have been handed out

  // Per-entry output.
  uint8_t* _output = nullptr;    // null: bytes are not kept
  const Sink* _sink = nullptr;   // receives the bytes when there is no output buffer
  uint32_t _outputCapacity = 0;  // unpacked size of the entry, bytes
  uint32_t _produced = 0;        // bytes handed out for this entry
  int64_t _remaining = 0;        // bytes still to produce, minus one (decoding runs while >= 0)
  bool _stopped = false;         // corrupt data asked for more bytes than the entry holds

  // Code lengths of the last table read: 298 main + 48 distance + 28 repeat-length, or 257 per
  // audio channel.
  uint8_t _lengths[257 * kMaxChannels];
  HuffmanTable _mainTable;
  HuffmanTable _distanceTable;
  HuffmanTable _repeatTable;
  HuffmanTable _audioTables[kMaxChannels];

  bool _audioMode = false;
  int _channelCount = 1;    // 1..4
  int _currentChannel = 0;  // 0..channelCount-1
  int _channelDelta = 0;    // last delta of any channel, a signed byte
  Rar20AudioChannel _channels[kMaxChannels];

  uint32_t _oldDistances[4];       // remembered match distances, bytes
  uint32_t _oldDistanceIndex = 0;  // 0..3, where the next distance is remembered
  uint32_t _lastDistance = 0;      // bytes
  uint32_t _lastLength = 0;        // bytes

  Rar20BitInput _input;
};
