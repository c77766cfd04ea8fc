#pragma once
// Finds earlier occurrences of the bytes at a position of a growing buffer, through hash chains
// of 3-byte prefixes over a sliding window, plus a table of the last place of each 2-byte pair
// for the short matches RAR 2.0 codes cheaply.
//
// The caller owns the buffer; positions are offsets into it. Positions must be indexed in order
// (indexUpTo) before they can be found as sources; a search at pos sees only positions < pos.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

class LzMatcher {
 public:
  static constexpr uint32_t kWindowSize = 0x100000;          // the RAR 2.0 window, bytes
  static constexpr uint32_t kMaxDistance = kWindowSize - 1;  // farthest source a match may use

  struct Match {
    uint32_t length = 0;    // bytes; 0 = no match
    uint32_t distance = 0;  // bytes back from the position, 1 to kMaxDistance
  };

  // maxChain: candidates examined per search (speed against ratio). niceLength: a match this
  // long ends the search early. maxDistance: farthest source searched (a nearer bound keeps the
  // chain walk inside the caches).
  explicit LzMatcher(int maxChain = 1024, uint32_t niceLength = 258, uint32_t maxDistance = kMaxDistance);

  // Forgets every indexed position (a new independent stream).
  void reset();
  // Indexes every position below end that has three bytes in data[0, size).
  void indexUpTo(const uint8_t* data, size_t size, size_t end);
  // Leaves the positions below end out of the index (they are never found as sources): for
  // stretches the caller codes without searching.
  void skipTo(size_t end) { _indexed = std::max(_indexed, end); }
  // The longest match at pos of at most maxLength bytes, considering only matches for which
  // acceptable(length, distance) holds; nearer sources win ties.
  template <typename Acceptable>
  Match findLongest(const uint8_t* data, size_t pos, uint32_t maxLength, Acceptable acceptable) const;
  // Distance to the nearest earlier occurrence of the two bytes at pos within maxDistance
  // (indexed positions only); 0 when there is none.
  uint32_t findPair(const uint8_t* data, size_t pos, uint32_t maxDistance) const;

  // Bytes at a and b that agree, at most maxLength.
  static uint32_t matchLength(const uint8_t* data, size_t a, size_t b, uint32_t maxLength);

 private:
  // Wide enough that chains over the 1 MiB window hold few prefixes that merely share a hash
  // (random data otherwise walks many false candidates, each a cache miss).
  static constexpr int kHashBits = 18;
  static constexpr uint32_t kGoodLength = 32;  // a match this long shortens the rest of the search
  static constexpr uint32_t kNone = 0xffffffffu;
  static uint32_t hash3(const uint8_t* p) {
    return ((static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2]) * 2654435761u) >>
           (32 - kHashBits);
  }

  int _maxChain;
  uint32_t _niceLength;
  uint32_t _maxDistance;
  size_t _indexed = 0;              // positions below this are in the chains
  std::vector<uint32_t> _head;      // per hash: last position, or kNone
  std::vector<uint32_t> _previous;  // per position modulo the window: previous with the same hash
  std::vector<uint32_t> _lastPair;  // per 2-byte value: last position, or kNone
};

template <typename Acceptable>
LzMatcher::Match LzMatcher::findLongest(const uint8_t* data, size_t pos, uint32_t maxLength,
                                        Acceptable acceptable) const {
  Match best;
  if (maxLength < 3 || _indexed < pos) {
    return best;
  }
  uint32_t candidate = _head[hash3(data + pos)];
  int chainLimit = _maxChain;
  for (int chain = 0; chain < chainLimit && candidate != kNone; ++chain) {
    size_t distance = pos - candidate;
    if (candidate >= pos || distance > _maxDistance) {
      break;
    }
    // Read before the compare so that the two cache misses of a far candidate overlap.
    const uint32_t next = _previous[candidate & (kWindowSize - 1)];
    // Only a candidate that beats the best so far at its last byte needs the full compare.
    if (data[candidate + best.length] == data[pos + best.length] || best.length == 0) {
      uint32_t length = matchLength(data, candidate, pos, maxLength);
      if (length > best.length && acceptable(length, static_cast<uint32_t>(distance))) {
        best.length = length;
        best.distance = static_cast<uint32_t>(distance);
        if (length >= _niceLength || length >= maxLength) {
          break;
        }
        if (length >= kGoodLength) {
          chainLimit = std::min(chainLimit, chain + _maxChain / 8);  // good enough: look less further
        }
      }
    }
    if (next == kNone || next >= candidate) {
      break;
    }
    candidate = next;
  }
  return best;
}
