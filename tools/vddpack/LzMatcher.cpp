#include "LzMatcher.h"

LzMatcher::LzMatcher(int maxChain, uint32_t niceLength, uint32_t maxDistance)
    : _maxChain(maxChain), _niceLength(niceLength), _maxDistance(std::min(maxDistance, kMaxDistance)) {
  reset();
}

void LzMatcher::reset() {
  _indexed = 0;
  _head.assign(size_t{1} << kHashBits, kNone);
  _previous.assign(kWindowSize, kNone);
  _lastPair.assign(65536, kNone);
}

void LzMatcher::indexUpTo(const uint8_t* data, size_t size, size_t end) {
  for (; _indexed < end; ++_indexed) {
    size_t p = _indexed;
    if (p + 1 < size) {
      _lastPair[static_cast<uint32_t>(data[p]) << 8 | data[p + 1]] = static_cast<uint32_t>(p);
    }
    if (p + 2 >= size) {
      break;  // resumed once more bytes are appended
    }
    uint32_t& head = _head[hash3(data + p)];
    _previous[p & (kWindowSize - 1)] = head;
    head = static_cast<uint32_t>(p);
  }
}

uint32_t LzMatcher::findPair(const uint8_t* data, size_t pos, uint32_t maxDistance) const {
  uint32_t last = _lastPair[static_cast<uint32_t>(data[pos]) << 8 | data[pos + 1]];
  if (last == kNone || last >= pos || pos - last > maxDistance) {
    return 0;
  }
  return static_cast<uint32_t>(pos - last);
}

uint32_t LzMatcher::matchLength(const uint8_t* data, size_t a, size_t b, uint32_t maxLength) {
  uint32_t length = 0;
  while (length < maxLength && data[a + length] == data[b + length]) {
    ++length;
  }
  return length;
}
