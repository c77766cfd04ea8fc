#include "Rar20Unpacker.h"

#include <cstdlib>
#include <cstring>

namespace {
constexpr uint32_t kWindowMask = Rar20Unpacker::kWindowSize - 1;

constexpr int kMainSymbols = 298;
constexpr int kDistanceSymbols = 48;
constexpr int kRepeatSymbols = 28;
constexpr int kLzTableSize = kMainSymbols + kDistanceSymbols + kRepeatSymbols;  // 374
constexpr int kAudioSymbols = 257;
constexpr int kPreSymbols = 19;

constexpr int kSymbolRepeatMatch = 256;
constexpr int kSymbolNewTables = 269;
constexpr int kSymbolAudioNewTables = 256;

// Flush when the unflushed bytes come this close to the flushed position: more than the longest
// match (260 bytes), so a match never overwrites bytes not yet handed out.
constexpr uint32_t kFlushGap = 270;

constexpr uint8_t kLengthBase[28] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  10,  12,  14,  16,  20,
                                     24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224};
constexpr uint8_t kLengthBits[28] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                     2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
constexpr uint32_t kDistanceBase[48] = {0,      1,      2,      3,      4,      6,      8,      12,     16,     24,
                                        32,     48,     64,     96,     128,    192,    256,    384,    512,    768,
                                        1024,   1536,   2048,   3072,   4096,   6144,   8192,   12288,  16384,  24576,
                                        32768,  49152,  65536,  98304,  131072, 196608, 262144, 327680, 393216, 458752,
                                        524288, 589824, 655360, 720896, 786432, 851968, 917504, 983040};
constexpr uint8_t kDistanceBits[48] = {0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
                                       7,  7,  8,  8,  9,  9,  10, 10, 11, 11, 12, 12, 13, 13, 14, 14,
                                       15, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16};
constexpr uint8_t kShortBase[8] = {0, 4, 8, 16, 32, 64, 128, 192};
constexpr uint8_t kShortBits[8] = {2, 2, 3, 4, 5, 6, 6, 6};
}  // namespace

Rar20Unpacker::Rar20Unpacker() {
  std::memset(_lengths, 0, sizeof(_lengths));
  std::memset(_oldDistances, 0, sizeof(_oldDistances));
}

namespace {
// One spare window per thread, handed from one unpacker to the next: every extraction needs a
// window, and a fresh 1 MiB allocation per call pays page faults on all of it. Unpackers alive at
// the same time (nested use) each get their own.
struct SpareWindow {
  uint8_t* window = nullptr;
  uint64_t dirtyBytes = 0;  // bytes written since it was last zeroed, from its start
  ~SpareWindow() { std::free(window); }
};
thread_local SpareWindow tSpare;
}  // namespace

Rar20Unpacker::~Rar20Unpacker() {
  if (!_window) return;
  if (!tSpare.window) {
    tSpare.window = _window;
    tSpare.dirtyBytes = _dirtyBytes;
  } else {
    std::free(_window);
  }
}

bool Rar20Unpacker::allocate() {
  if (_window) return true;
  if (tSpare.window) {
    _window = tSpare.window;
    tSpare.window = nullptr;
    // Stale bytes of another call must not show through a solid entry decoded first. Only the
    // part written before needs clearing: small entries leave most of the window zero.
    _dirtyBytes = tSpare.dirtyBytes;
    clearWindow();
    return true;
  }
  _window = static_cast<uint8_t*>(std::calloc(kWindowSize, 1));
  _dirtyBytes = 0;
  return _window != nullptr;
}

void Rar20Unpacker::clearWindow() {
  // Writing always starts at position 0 after a clear, so the written bytes lie at the front
  // until they wrap.
  std::memset(_window, 0, _dirtyBytes < kWindowSize ? size_t(_dirtyBytes) : size_t(kWindowSize));
  _dirtyBytes = 0;
}

void Rar20Unpacker::resetState() {
  clearWindow();
  _writePos = 0;
  _flushPos = 0;
  std::memset(_lengths, 0, sizeof(_lengths));
  _audioMode = false;
  _channelCount = 1;
  _currentChannel = 0;
  _channelDelta = 0;
  for (Rar20AudioChannel& channel : _channels) channel.reset();
  std::memset(_oldDistances, 0, sizeof(_oldDistances));
  _oldDistanceIndex = 0;
  _lastDistance = 0;
  _lastLength = 0;
}

void Rar20Unpacker::readTables() {
  _input.refillIfPast(Rar20BitInput::kRefillBeforeTables);
  uint32_t header = _input.peek16();
  bool audio = (header & 0x8000) != 0;
  if ((header & 0x4000) == 0) std::memset(_lengths, 0, sizeof(_lengths));
  _input.advance(2);

  int count = kLzTableSize;
  if (audio) {
    _channelCount = int((header >> 12) & 3) + 1;
    if (_currentChannel >= _channelCount) _currentChannel = 0;
    _input.advance(2);
    count = kAudioSymbols * _channelCount;
  }

  uint8_t preLengths[kPreSymbols];
  for (uint8_t& length : preLengths) length = uint8_t(_input.readBits(4));
  HuffmanTable preTable;
  preTable.build(preLengths, kPreSymbols);

  // Updated in place: a symbol's new length depends only on its own previous length, and a repeat
  // copies the length just decoded.
  for (int i = 0; i < count;) {
    _input.refillIfPast(Rar20BitInput::kRefillInsideTables);
    int symbol = preTable.decode(_input);
    if (symbol < 16) {
      _lengths[i] = uint8_t((_lengths[i] + symbol) & 0x0F);
      ++i;
    } else if (symbol == 16) {
      int repeat = int(_input.readBits(2)) + 3;
      // A repeat before any length has nothing to copy: corrupt data, taken as length 0.
      uint8_t previous = i > 0 ? _lengths[i - 1] : 0;
      for (; repeat > 0 && i < count; --repeat) _lengths[i++] = previous;
    } else {
      int zeros = symbol == 17 ? int(_input.readBits(3)) + 3 : int(_input.readBits(7)) + 11;
      for (; zeros > 0 && i < count; --zeros) _lengths[i++] = 0;
    }
  }

  _audioMode = audio;
  if (audio) {
    for (int channel = 0; channel < _channelCount; ++channel) {
      _audioTables[channel].build(_lengths + channel * kAudioSymbols, kAudioSymbols);
    }
  } else {
    _mainTable.build(_lengths, kMainSymbols);
    _distanceTable.build(_lengths + kMainSymbols, kDistanceSymbols);
    _repeatTable.build(_lengths + kMainSymbols + kDistanceSymbols, kRepeatSymbols);
  }
}

void Rar20Unpacker::flush() {
  uint32_t count = (_writePos - _flushPos) & kWindowMask;
  if (count == 0) return;
  if (uint64_t(_produced) + count > _outputCapacity) {
    _stopped = true;
    return;
  }
  if (_output) {
    uint32_t first = kWindowSize - _flushPos;
    if (first > count) first = count;
    std::memcpy(_output + _produced, _window + _flushPos, first);
    std::memcpy(_output + _produced + first, _window, count - first);
  } else if (_sink) {
    uint32_t first = kWindowSize - _flushPos;
    if (first > count) first = count;
    (*_sink)(_window + _flushPos, first);
    if (count > first) (*_sink)(_window, count - first);
  }
  _produced += count;
  _flushPos = _writePos;
}

void Rar20Unpacker::copyMatch(uint32_t length, uint32_t distance) {
  _oldDistances[_oldDistanceIndex] = distance;
  _oldDistanceIndex = (_oldDistanceIndex + 1) & 3;
  _lastDistance = distance;
  _lastLength = length;
  _remaining -= length;

  uint32_t source = (_writePos - distance) & kWindowMask;
  if (_writePos + length <= kWindowSize && source + length <= kWindowSize) {
    // No wrap on either side: a forward copy, byte by byte when source and destination overlap so
    // that a match shorter than its length repeats.
    uint8_t* to = _window + _writePos;
    const uint8_t* from = _window + source;
    if (source + length <= _writePos || _writePos + length <= source) {
      std::memcpy(to, from, length);
    } else {
      for (uint32_t i = 0; i < length; ++i) to[i] = from[i];
    }
    _writePos = (_writePos + length) & kWindowMask;
    return;
  }
  for (uint32_t i = 0; i < length; ++i) {
    _window[_writePos] = _window[source];
    _writePos = (_writePos + 1) & kWindowMask;
    source = (source + 1) & kWindowMask;
  }
}

void Rar20Unpacker::decodeMainSymbol(int symbol) {
  if (symbol < 256) {
    _window[_writePos] = uint8_t(symbol);
    _writePos = (_writePos + 1) & kWindowMask;
    --_remaining;
  } else if (symbol > kSymbolNewTables) {
    int lengthSymbol = symbol - 270;
    uint32_t length = kLengthBase[lengthSymbol] + 3 + _input.readBits(kLengthBits[lengthSymbol]);
    int distanceSymbol = _distanceTable.decode(_input);
    uint32_t distance = kDistanceBase[distanceSymbol] + 1 + _input.readBits(kDistanceBits[distanceSymbol]);
    if (distance >= 0x2000) ++length;
    if (distance >= 0x40000) ++length;
    copyMatch(length, distance);
  } else if (symbol == kSymbolNewTables) {
    readTables();
  } else if (symbol == kSymbolRepeatMatch) {
    copyMatch(_lastLength, _lastDistance);
  } else if (symbol < 261) {
    uint32_t distance = _oldDistances[(_oldDistanceIndex - uint32_t(symbol - 256)) & 3];
    int lengthSymbol = _repeatTable.decode(_input);
    uint32_t length = kLengthBase[lengthSymbol] + 2 + _input.readBits(kLengthBits[lengthSymbol]);
    if (distance >= 0x101) ++length;
    if (distance >= 0x2000) ++length;
    if (distance >= 0x40000) ++length;
    copyMatch(length, distance);
  } else {
    int shortSymbol = symbol - 261;
    uint32_t distance = kShortBase[shortSymbol] + 1 + _input.readBits(kShortBits[shortSymbol]);
    copyMatch(2, distance);
  }
}

bool Rar20Unpacker::decodeFast() {
  // The general loop's checks before a symbol, as bounds on local counters: symbols may start up to
  // limit (no refill due, input not exhausted), while fewer than room bytes have been written (no
  // flush due: every symbol writes at most 260 < kFlushGap bytes) and while bytes are left.
  const uint8_t* const buffer = _input.buffer();
  uint32_t position = _input.bitPosition();
  const uint64_t limit = uint64_t(position) + uint64_t(_input.bitsBefore(Rar20BitInput::kRefillBeforeSymbol));
  const uint32_t ahead = (_flushPos - _writePos) & kWindowMask;
  const uint32_t room = (ahead == 0 ? kWindowSize : ahead) - kFlushGap;
  if (position >= limit || ahead - 1 < kFlushGap - 1 || _remaining < 0) return false;

  uint8_t* const window = _window;
  uint32_t writePos = _writePos;
  uint32_t written = 0;
  int64_t remaining = _remaining;
  auto readBits = [buffer, &position](int count) {
    const uint32_t value = Rar20BitInput::peek16At(buffer, position) >> (16 - count);
    position += uint32_t(count);
    return value;
  };
  auto decode = [buffer, &position](const HuffmanTable& table) {
    int length = 0;
    const int symbol = table.decodeBits(Rar20BitInput::peek16At(buffer, position), &length);
    position += uint32_t(length);
    return symbol;
  };
  auto copy = [&](uint32_t length, uint32_t distance) {
    _oldDistances[_oldDistanceIndex] = distance;
    _oldDistanceIndex = (_oldDistanceIndex + 1) & 3;
    _lastDistance = distance;
    _lastLength = length;
    remaining -= length;
    written += length;
    uint32_t source = (writePos - distance) & kWindowMask;
    if (writePos + length <= kWindowSize && source + length <= kWindowSize) {
      uint8_t* to = window + writePos;
      const uint8_t* from = window + source;
      uint32_t i = 0;
      // Eight bytes at a time give the bytes of a byte-by-byte forward copy when the source lies
      // at least eight bytes behind the destination or anywhere ahead of it (then the distance is
      // close to the window size). A nearer source repeats with the distance as its period: once
      // the first bytes are out byte by byte, the chunks copy from a whole number of periods back,
      // at least eight bytes. Nothing past the match is written: those window bytes are still
      // sources for far matches.
      const uint8_t* chunkFrom = from;
      if (distance < 8) {
        // Distance 0 (remembered distances of corrupt data) copies every byte onto itself.
        const uint32_t step = distance == 0 ? 0 : distance * ((8 + distance - 1) / distance);
        for (; i < step && i < length; ++i) to[i] = from[i];
        chunkFrom = to - step;
      }
      for (; i + 8 <= length; i += 8) {
        uint64_t chunk;
        std::memcpy(&chunk, chunkFrom + i, 8);
        std::memcpy(to + i, &chunk, 8);
      }
      for (; i < length; ++i) to[i] = from[i];
      writePos = (writePos + length) & kWindowMask;
      return;
    }
    for (uint32_t i = 0; i < length; ++i) {
      window[writePos] = window[source];
      writePos = (writePos + 1) & kWindowMask;
      source = (source + 1) & kWindowMask;
    }
  };

  const uint32_t start = position;
  while (position <= limit && written <= room && remaining >= 0) {
    int length = 0;
    const int symbol = _mainTable.decodeBits(Rar20BitInput::peek16At(buffer, position), &length);
    if (symbol < 256) {
      position += uint32_t(length);
      window[writePos] = uint8_t(symbol);
      writePos = (writePos + 1) & kWindowMask;
      ++written;
      --remaining;
      continue;
    }
    if (symbol == kSymbolNewTables) break;  // left to the general loop, not consumed
    position += uint32_t(length);
    if (symbol > kSymbolNewTables) {
      const int lengthSymbol = symbol - 270;
      uint32_t matchLength = kLengthBase[lengthSymbol] + 3 + readBits(kLengthBits[lengthSymbol]);
      const int distanceSymbol = decode(_distanceTable);
      const uint32_t distance = kDistanceBase[distanceSymbol] + 1 + readBits(kDistanceBits[distanceSymbol]);
      if (distance >= 0x2000) ++matchLength;
      if (distance >= 0x40000) ++matchLength;
      copy(matchLength, distance);
    } else if (symbol == kSymbolRepeatMatch) {
      copy(_lastLength, _lastDistance);
    } else if (symbol < 261) {
      const uint32_t distance = _oldDistances[(_oldDistanceIndex - uint32_t(symbol - 256)) & 3];
      const int lengthSymbol = decode(_repeatTable);
      uint32_t matchLength = kLengthBase[lengthSymbol] + 2 + readBits(kLengthBits[lengthSymbol]);
      if (distance >= 0x101) ++matchLength;
      if (distance >= 0x2000) ++matchLength;
      if (distance >= 0x40000) ++matchLength;
      copy(matchLength, distance);
    } else {
      const int shortSymbol = symbol - 261;
      copy(2, kShortBase[shortSymbol] + 1 + readBits(kShortBits[shortSymbol]));
    }
  }
  _input.setBitPosition(position);
  _writePos = writePos;
  _remaining = remaining;
  return position != start;
}

bool Rar20Unpacker::decodeTrailingSymbol() {
  _input.refillIfPast(Rar20BitInput::kRefillBeforeSymbol);
  if (_audioMode) return _audioTables[_currentChannel].decode(_input) == kSymbolAudioNewTables;
  return _mainTable.decode(_input) == kSymbolNewTables;
}

uint32_t Rar20Unpacker::unpack(PackedDataSource* source, uint32_t unpackedSize, bool continueSolid, uint8_t* output,
                               const Sink* sink) {
  if (!_window) return 0;
  _output = output;
  _sink = output ? nullptr : sink;
  _outputCapacity = unpackedSize;
  _produced = 0;
  _stopped = false;
  _input.start(source);
  if (!continueSolid) {
    resetState();
    readTables();
  }

  _remaining = int64_t(unpackedSize) - 1;
  while (_remaining >= 0 && !_stopped) {
    _input.refillIfPast(Rar20BitInput::kRefillBeforeSymbol);
    uint32_t ahead = (_flushPos - _writePos) & kWindowMask;
    if (ahead < kFlushGap && ahead != 0) {
      flush();
      if (_stopped) break;
    }
    // Past the end of the packed bytes only stale buffer bytes are left: stop rather than decode
    // them (table symbols produce nothing, so they could otherwise repeat without end).
    if (_input.exhausted()) break;

    if (_audioMode) {
      int symbol = _audioTables[_currentChannel].decode(_input);
      if (symbol == kSymbolAudioNewTables) {
        readTables();
        continue;
      }
      _window[_writePos] = _channels[_currentChannel].decode(symbol, &_channelDelta);
      _writePos = (_writePos + 1) & kWindowMask;
      --_remaining;
      if (++_currentChannel >= _channelCount) _currentChannel = 0;
      continue;
    }
    if (_fastPath && decodeFast()) continue;
    decodeMainSymbol(_mainTable.decode(_input));
  }
  // Every byte written took its share off _remaining.
  _dirtyBytes += uint64_t(int64_t(unpackedSize) - 1 - _remaining);

  // Tables that end this entry's data belong to the next entry of a solid stream.
  if (!_stopped && !_input.exhausted() && _input.bytesLeft() >= 5) {
    if (decodeTrailingSymbol()) readTables();
  }
  if (!_stopped) flush();
  _output = nullptr;
  _sink = nullptr;
  return _produced;
}
