// The pack writer's compressor: the LZ match choice with its learnt costs, the audio (delta)
// mode, and the code tables they write. Kept together because all of them share the block's
// symbol buffers, the costs and the format's length and distance tables.
#include "Rar20Encoder.h"

#include <algorithm>
#include <cmath>

#include "BitWriter.h"

namespace {

// Length bases and extra bits of the 28 length symbols (main 270..297, repeat-length table).
const uint32_t kLengthBase[28] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  10,  12,  14,  16,  20,
                                  24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224};
const uint8_t kLengthBits[28] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};

// Distance bases (distance - 1) and extra bits of the 48 distance symbols.
const uint32_t kDistanceBase[48] = {0,      1,      2,      3,      4,      6,      8,      12,     16,     24,
                                    32,     48,     64,     96,     128,    192,    256,    384,    512,    768,
                                    1024,   1536,   2048,   3072,   4096,   6144,   8192,   12288,  16384,  24576,
                                    32768,  49152,  65536,  98304,  131072, 196608, 262144, 327680, 393216, 458752,
                                    524288, 589824, 655360, 720896, 786432, 851968, 917504, 983040};
const uint8_t kDistanceBits[48] = {0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
                                   7,  7,  8,  8,  9,  9,  10, 10, 11, 11, 12, 12, 13, 13, 14, 14,
                                   15, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16};

// Short matches (main 261..268): length 2, distance - 1 from these bases.
const uint32_t kShortBase[8] = {0, 4, 8, 16, 32, 64, 128, 192};
const uint8_t kShortBits[8] = {2, 2, 3, 4, 5, 6, 6, 6};

constexpr int kSwitchSymbol = 269;       // main-table symbol: new tables follow
constexpr int kAudioSwitchSymbol = 256;  // audio-table symbol: new tables follow
constexpr int kPreTableSize = 19;
constexpr int kOldLengthsSize = Rar20Encoder::kAudioSymbols * Rar20Encoder::kMaxChannels;  // 1028

constexpr uint32_t kMaxLongLength = 258;    // coded length of symbols 270..297 (before the bonus)
constexpr uint32_t kMaxRepeatLength = 257;  // coded length of symbols 257..260

// Symbol of a value among sorted bases (largest base not above value).
int symbolFor(const uint32_t* base, int count, uint32_t value) {
  return static_cast<int>(std::upper_bound(base, base + count, value) - base) - 1;
}

// Lengths the decoder adds to a long match (symbols 270..297) for far distances.
uint32_t longBonus(uint32_t distance) { return (distance >= 0x2000 ? 1u : 0u) + (distance >= 0x40000 ? 1u : 0u); }
// Lengths the decoder adds to a remembered-distance match (257..260).
uint32_t rememberedBonus(uint32_t distance) { return (distance >= 257 ? 1u : 0u) + longBonus(distance); }

// Symbol costs in bits before a stream has tables of its own, and for symbols a table left
// without a code (they may be worth using in the next block all the same).
constexpr uint8_t kDefaultLiteralBits = 8;
constexpr uint8_t kDefaultMatchBits = 7;
constexpr uint8_t kDefaultDistanceBits = 5;
constexpr uint8_t kDefaultRepeatLengthBits = 4;
constexpr uint8_t kUncodedBits = 14;

// Stretches where matches do not pay (random or compressed data, bytes of few random bits):
// after kSparseCheckBytes bytes whose matches saved less than 1 bit in kSparseGainBytes bytes, the
// encoder codes literals without searching and searches only every kProbeStride bytes; a
// probe that saves kProbeBits bits or more ends the stretch.
constexpr size_t kSparseGainBytes = 8;
constexpr size_t kSparseCheckBytes = 4096;
constexpr size_t kProbeStride = 1024;
constexpr size_t kProbeWidth = 8;
constexpr size_t kIndexStride = kProbeWidth;
constexpr int kProbeBits = 16;
// Bytes of a stream's start whose frequencies give the first literal costs.
constexpr size_t kCostSampleBytes = 0x10000;

struct PreSymbol {
  uint8_t symbol;
  uint8_t extraBits;
  uint8_t extra;
};

// Run-length codes of lengths against the previous lengths old (as the pre-table carries them).
std::vector<PreSymbol> preSymbols(const std::vector<uint8_t>& lengths, const std::vector<uint8_t>& old) {
  std::vector<PreSymbol> out;
  size_t n = lengths.size();
  size_t i = 0;
  while (i < n) {
    uint8_t v = lengths[i];
    size_t run = 1;
    while (i + run < n && lengths[i + run] == v) {
      ++run;
    }
    if (v == 0 && run >= 3) {
      while (run >= 11) {
        size_t c = std::min<size_t>(run, 138);
        out.push_back({18, 7, static_cast<uint8_t>(c - 11)});
        i += c;
        run -= c;
      }
      if (run >= 3) {
        out.push_back({17, 3, static_cast<uint8_t>(run - 3)});
        i += run;
      }
      continue;
    }
    out.push_back({static_cast<uint8_t>((v - old[i]) & 15), 0, 0});
    ++i;
    --run;
    while (run >= 3) {
      size_t c = std::min<size_t>(run, 6);
      out.push_back({16, 2, static_cast<uint8_t>(c - 3)});
      i += c;
      run -= c;
    }
  }
  return out;
}

}  // namespace

Rar20Encoder::Settings Rar20Encoder::Settings::forLevel(int level) {
  struct Bounds {
    int maxChain;
    uint32_t niceLength;
    uint32_t lazyLength;
    uint32_t maxDistance;
  };
  // Candidates per search, the length that ends a search, the length below which the next byte
  // is tried too, the farthest source searched. The chain walk costs a cache miss or two per
  // candidate once sources lie far back: the two fastest levels search near sources only; from
  // -m3 on the whole window is searched (far sources give much of the ratio) with short chains,
  // which also bound data of few distinct bytes, where every chain is full.
  static constexpr Bounds kLevels[kMaxLevel] = {
      {4, 16, 0, 0x7FFF},
      {8, 32, 0, 0xFFFF},
      {40, 128, 16, LzMatcher::kMaxDistance},
      {64, 258, 64, LzMatcher::kMaxDistance},
      {1024, 258, 258, LzMatcher::kMaxDistance},
  };
  const Bounds& b = kLevels[std::min(std::max(level, kMinLevel), kMaxLevel) - 1];
  Settings settings;
  settings.maxChain = b.maxChain;
  settings.niceLength = b.niceLength;
  settings.lazyLength = b.lazyLength;
  settings.maxDistance = b.maxDistance;
  return settings;
}

Rar20Encoder::Rar20Encoder() : Rar20Encoder(Settings()) {}

Rar20Encoder::Rar20Encoder(const Settings& settings)
    : _settings(settings), _matcher(settings.maxChain, settings.niceLength, settings.maxDistance) {
  reset();
}

void Rar20Encoder::reset() {
  _matcher.reset();
  _history.clear();
  _tokens.clear();
  std::fill(std::begin(_oldDistance), std::end(_oldDistance), 0u);
  _oldDistancePtr = 0;
  _lastDistance = 0;
  _lastLength = 0;
  _oldLengths.assign(kOldLengthsSize, 0);
  _tablesWritten = false;
  _audioMode = false;
  _channels = 1;
  _currentChannel = 0;
  _predictor.reset();
  resetCosts();
}

std::vector<uint8_t> Rar20Encoder::encode(const uint8_t* data, size_t size, bool continueStream, int audioChannels,
                                          bool cipherPadding) {
  if (!continueStream || !_tablesWritten) {
    reset();
  }
  if (_history.size() > kHistoryLimit) {
    // Only the last window of earlier entries can be referred to: drop the rest, so memory and
    // positions (32-bit in the matcher) stay bounded in long solid streams. The matcher
    // indexes the kept bytes again on demand.
    _history.erase(_history.begin(), _history.end() - LzMatcher::kWindowSize);
    _matcher.reset();
  }
  size_t start = _history.size();
  _history.insert(_history.end(), data, data + size);
  BitWriter out;
  if (audioChannels > 0) {
    encodeAudio(out, start, _history.size(), std::min(audioChannels, kMaxChannels));
  } else {
    encodeLz(out, start, _history.size());
  }
  if (cipherPadding) {
    writePadding(out);
  }
  std::vector<uint8_t> packed = out.take();
  // One zero byte after the last symbol: some readers (unar) fetch input a byte beyond the last
  // symbol and fail without it. Fewer than 5 bytes are then left over, so no reader decodes an
  // extra symbol from it.
  packed.push_back(0);
  return packed;
}

void Rar20Encoder::writeSwitch(BitWriter& out) {
  if (!_tablesWritten) {
    return;
  }
  if (_audioMode) {
    _audioTables[_currentChannel].write(out, kAudioSwitchSymbol);
  } else {
    _mainTable.write(out, kSwitchSymbol);
  }
}

void Rar20Encoder::writePadding(BitWriter& out) {
  // Any symbol except the table switch: the reader decodes it and drops it.
  const HuffmanEncoder& table = _audioMode ? _audioTables[_currentChannel] : _mainTable;
  int avoid = _audioMode ? kAudioSwitchSymbol : kSwitchSymbol;
  for (int s = 0; s < table.symbolCount(); ++s) {
    if (s != avoid && table.length(s) > 0) {
      table.write(out, s);
      return;
    }
  }
}

void Rar20Encoder::writeTables(BitWriter& out, bool audio, int channels, const std::vector<uint8_t>& lengths) {
  // Either against zeros (flag clear) or as changes to the previous lengths (flag set);
  // the cheaper one is sent.
  std::vector<uint8_t> zeros(lengths.size(), 0);
  std::vector<uint8_t> previous(_oldLengths.begin(), _oldLengths.begin() + static_cast<long>(lengths.size()));
  std::vector<PreSymbol> fresh = preSymbols(lengths, zeros);
  std::vector<PreSymbol> delta = preSymbols(lengths, previous);
  auto plan = [](const std::vector<PreSymbol>& symbols, HuffmanEncoder& pre) {
    std::vector<uint32_t> freq(kPreTableSize, 0);
    for (const PreSymbol& p : symbols) {
      ++freq[p.symbol];
    }
    pre.build(freq);
    uint64_t bits = 0;
    for (const PreSymbol& p : symbols) {
      bits += static_cast<uint64_t>(pre.length(p.symbol)) + p.extraBits;
    }
    return bits;
  };
  HuffmanEncoder freshPre;
  HuffmanEncoder deltaPre;
  bool keep = plan(delta, deltaPre) < plan(fresh, freshPre);
  const std::vector<PreSymbol>& symbols = keep ? delta : fresh;
  const HuffmanEncoder& pre = keep ? deltaPre : freshPre;

  out.write((audio ? 2u : 0u) | (keep ? 1u : 0u), 2);
  if (audio) {
    out.write(static_cast<uint32_t>(channels - 1), 2);
  }
  for (int s = 0; s < kPreTableSize; ++s) {
    out.write(static_cast<uint32_t>(pre.length(s)), 4);
  }
  for (const PreSymbol& p : symbols) {
    pre.write(out, p.symbol);
    out.write(p.extra, p.extraBits);
  }
  if (!keep) {
    std::fill(_oldLengths.begin(), _oldLengths.end(), 0);
  }
  std::copy(lengths.begin(), lengths.end(), _oldLengths.begin());
  _tablesWritten = true;
  _audioMode = audio;
  if (audio) {
    _channels = channels;
    if (_currentChannel >= channels) {
      _currentChannel = 0;
    }
  }
}

void Rar20Encoder::resetCosts() {
  std::fill(_mainBits, _mainBits + 256, kDefaultLiteralBits);
  std::fill(_mainBits + 256, _mainBits + kMainSymbols, kDefaultMatchBits);
  std::fill(std::begin(_distanceBits), std::end(_distanceBits), kDefaultDistanceBits);
  std::fill(std::begin(_repeatLengthBits), std::end(_repeatLengthBits), kDefaultRepeatLengthBits);
}

void Rar20Encoder::estimateLiteralCosts(size_t start, size_t end) {
  uint32_t count[256] = {};
  for (size_t i = start; i < end; ++i) {
    ++count[_history[i]];
  }
  const double total = static_cast<double>(end - start);
  for (int b = 0; b < 256; ++b) {
    double bits = count[b] > 0 ? std::ceil(-std::log2(count[b] / total)) : kUncodedBits;
    _mainBits[b] = static_cast<uint8_t>(std::min<double>(std::max(bits, 1.0), kUncodedBits));
  }
}

void Rar20Encoder::learnCosts() {
  auto learn = [](const HuffmanEncoder& table, uint8_t* bits) {
    for (int s = 0; s < table.symbolCount(); ++s) {
      bits[s] = table.length(s) > 0 ? static_cast<uint8_t>(table.length(s)) : kUncodedBits;
    }
  };
  learn(_mainTable, _mainBits);
  learn(_distanceTable, _distanceBits);
  learn(_repeatLengthTable, _repeatLengthBits);
}

Rar20Encoder::Choice Rar20Encoder::choose(size_t pos, size_t end) {
  Choice best;
  const uint8_t* data = _history.data();
  uint32_t maxLength = static_cast<uint32_t>(std::min<size_t>(end - pos, kMaxLongLength + 2));
  if (maxLength < 2) {
    return best;
  }
  _matcher.indexUpTo(data, _history.size(), pos);
  // Bits the bytes from pos on would cost as literals, summed as far as a candidate needs.
  uint32_t literalSum[kMaxLongLength + 3];
  uint32_t summed = 0;
  literalSum[0] = 0;
  auto literalBits = [&](uint32_t length) {
    for (; summed < length; ++summed) {
      literalSum[summed + 1] = literalSum[summed] + _mainBits[data[pos + summed]];
    }
    return static_cast<int>(literalSum[length]);
  };
  auto consider = [&best, &literalBits](Choice c, int cost) {
    c.saving = literalBits(c.length) - cost;
    if (c.saving > best.saving) {
      best = c;
    }
  };
  // The last match once more.
  if (_lastLength > 0 && _lastLength <= maxLength && _lastDistance <= pos &&
      LzMatcher::matchLength(data, pos - _lastDistance, pos, _lastLength) == _lastLength) {
    consider({MatchKind::LastMatch, _lastLength, _lastDistance, 0, 0}, _mainBits[256]);
  }
  // The four remembered distances.
  for (int k = 1; k <= 4; ++k) {
    uint32_t distance = _oldDistance[(_oldDistancePtr - static_cast<uint32_t>(k)) & 3];
    if (distance == 0 || distance > pos) {
      continue;
    }
    uint32_t bonus = rememberedBonus(distance);
    uint32_t length = LzMatcher::matchLength(data, pos - distance, pos, std::min(maxLength, kMaxRepeatLength + bonus));
    if (length >= 2 + bonus) {
      int ls = symbolFor(kLengthBase, 28, length - bonus - 2);
      consider({MatchKind::Remembered, length, distance, k, 0},
               _mainBits[256 + k] + _repeatLengthBits[ls] + kLengthBits[ls]);
    }
  }
  // The longest match through the hash chains.
  LzMatcher::Match m = _matcher.findLongest(
      data, pos, maxLength, [](uint32_t length, uint32_t distance) { return length >= 3 + longBonus(distance); });
  if (m.length > 0) {
    uint32_t bonus = longBonus(m.distance);
    uint32_t length = std::min(m.length, kMaxLongLength + bonus);
    int ls = symbolFor(kLengthBase, 28, length - bonus - 3);
    int ds = symbolFor(kDistanceBase, 48, m.distance - 1);
    consider({MatchKind::Long, length, m.distance, 0, 0},
             _mainBits[270 + ls] + kLengthBits[ls] + _distanceBits[ds] + kDistanceBits[ds]);
  }
  // A pair close by.
  if (best.length < 3) {
    uint32_t distance = _matcher.findPair(data, pos, 256);
    if (distance > 0) {
      int ss = symbolFor(kShortBase, 8, distance - 1);
      consider({MatchKind::Short, 2, distance, 0, 0}, _mainBits[261 + ss] + kShortBits[ss]);
    }
  }
  return best;
}

void Rar20Encoder::emit(const Choice& c, size_t pos) {
  Token t{};
  switch (c.kind) {
    case MatchKind::Literal:
      t.main = _history[pos];
      _tokens.push_back(t);
      return;
    case MatchKind::LastMatch:
      t.main = 256;
      break;
    case MatchKind::Remembered: {
      uint32_t coded = c.length - rememberedBonus(c.distance) - 2;
      int ls = symbolFor(kLengthBase, 28, coded);
      t.main = static_cast<uint16_t>(256 + c.remembered);
      t.second = static_cast<uint16_t>(ls);
      t.extra2Bits = kLengthBits[ls];
      t.extra2 = coded - kLengthBase[ls];
      break;
    }
    case MatchKind::Short: {
      int s = symbolFor(kShortBase, 8, c.distance - 1);
      t.main = static_cast<uint16_t>(261 + s);
      t.extra1Bits = kShortBits[s];
      t.extra1 = c.distance - 1 - kShortBase[s];
      break;
    }
    case MatchKind::Long: {
      uint32_t coded = c.length - longBonus(c.distance) - 3;
      int ls = symbolFor(kLengthBase, 28, coded);
      int ds = symbolFor(kDistanceBase, 48, c.distance - 1);
      t.main = static_cast<uint16_t>(270 + ls);
      t.extra1Bits = kLengthBits[ls];
      t.extra1 = coded - kLengthBase[ls];
      t.second = static_cast<uint16_t>(ds);
      t.extra2Bits = kDistanceBits[ds];
      t.extra2 = c.distance - 1 - kDistanceBase[ds];
      break;
    }
  }
  _tokens.push_back(t);
  // Every match form updates the remembered distances the way the decoder does.
  _oldDistance[_oldDistancePtr++ & 3] = c.distance;
  _lastDistance = c.distance;
  _lastLength = c.length;
}

void Rar20Encoder::encodeLz(BitWriter& out, size_t start, size_t end) {
  _tokens.clear();
  if (!_tablesWritten) {
    estimateLiteralCosts(start, std::min(end, start + kCostSampleBytes));
  }
  size_t pos = start;
  size_t checkStart = start;
  int64_t checkSaving = 0;  // bits the matches since checkStart save against literals
  // In a stretch where matches do not pay: literals, every kIndexStride-th position indexed,
  // and a search at kProbeWidth positions in a row every kProbeStride bytes (consecutive, so
  // that one of them lines up with an indexed position of any earlier occurrence).
  bool sparse = false;
  size_t nextProbe = 0;
  size_t probeEnd = 0;
  Choice pending;
  bool havePending = false;
  while (pos < end) {
    if (sparse && pos >= probeEnd && pos >= nextProbe) {
      probeEnd = pos + kProbeWidth;
      nextProbe = pos + kProbeStride;
    }
    if (sparse && pos >= probeEnd) {
      // Literals up to the next probe (pos < nextProbe here), the end or the block's last symbol,
      // every kIndexStride-th position indexed.
      const size_t runEnd = std::min({end, nextProbe, pos + (_settings.blockSymbols - _tokens.size())});
      for (size_t p = (pos + kIndexStride - 1) / kIndexStride * kIndexStride; p < runEnd; p += kIndexStride) {
        _matcher.skipTo(p);
        _matcher.indexUpTo(_history.data(), _history.size(), p + 1);
      }
      const size_t first = _tokens.size();
      _tokens.resize(first + (runEnd - pos));
      for (size_t i = first; pos < runEnd; ++i, ++pos) {
        _tokens[i].main = _history[pos];
      }
    } else {
      Choice current = havePending ? pending : choose(pos, end);
      havePending = false;
      if (sparse && current.saving >= kProbeBits) {
        sparse = false;  // matches pay again: judged afresh from here
        checkStart = pos;
        checkSaving = 0;
      }
      if (!sparse && current.kind != MatchKind::Literal && current.length < _settings.lazyLength && pos + 1 < end) {
        // One step of lazy matching: a literal now may allow a better match from the next byte.
        Choice next = choose(pos + 1, end);
        if (next.saving > current.saving) {
          current = Choice();
          pending = next;
          havePending = true;
        }
      }
      emit(current, pos);
      checkSaving += current.saving;
      pos += current.length;
      const size_t bytes = pos - checkStart;
      if (bytes >= kSparseCheckBytes) {
        if (!sparse && !havePending &&
            checkSaving * static_cast<int64_t>(kSparseGainBytes) < static_cast<int64_t>(bytes)) {
          sparse = true;
          nextProbe = pos;
          probeEnd = pos;
        }
        checkStart = pos;
        checkSaving = 0;
      }
    }
    if (_tokens.size() >= _settings.blockSymbols) {
      flushLzBlock(out);
      if (_progress) {
        _progress(pos - start);
      }
    }
  }
  if (!_tokens.empty() || !_tablesWritten || _audioMode) {
    flushLzBlock(out);
  }
}

void Rar20Encoder::flushLzBlock(BitWriter& out) {
  std::vector<uint32_t> mainFreq(kMainSymbols, 0);
  std::vector<uint32_t> distanceFreq(kDistanceSymbols, 0);
  std::vector<uint32_t> repeatFreq(kRepeatLengthSymbols, 0);
  for (const Token& t : _tokens) {
    ++mainFreq[t.main];
    if (t.main >= 270) {
      ++distanceFreq[t.second];
    } else if (t.main >= 257 && t.main <= 260) {
      ++repeatFreq[t.second];
    }
  }
  // The switch symbol always gets a code: the next block or solid entry starts with it.
  mainFreq[kSwitchSymbol] = std::max<uint32_t>(mainFreq[kSwitchSymbol], 1);
  writeSwitch(out);
  _mainTable.build(mainFreq);
  _distanceTable.build(distanceFreq);
  _repeatLengthTable.build(repeatFreq);
  std::vector<uint8_t> lengths;
  lengths.reserve(kLzTableSize);
  lengths.insert(lengths.end(), _mainTable.lengths().begin(), _mainTable.lengths().end());
  lengths.insert(lengths.end(), _distanceTable.lengths().begin(), _distanceTable.lengths().end());
  lengths.insert(lengths.end(), _repeatLengthTable.lengths().begin(), _repeatLengthTable.lengths().end());
  writeTables(out, false, 1, lengths);
  learnCosts();
  for (const Token& t : _tokens) {
    _mainTable.write(out, t.main);
    if (t.main < 256) {
      continue;  // a literal: nothing follows its code
    }
    out.write(t.extra1, t.extra1Bits);
    if (t.main >= 270) {
      _distanceTable.write(out, t.second);
    } else if (t.main >= 257 && t.main <= 260) {
      _repeatLengthTable.write(out, t.second);
    }
    out.write(t.extra2, t.extra2Bits);
  }
  _tokens.clear();
}

void Rar20Encoder::encodeAudio(BitWriter& out, size_t start, size_t end, int channels) {
  if (_progress) {
    _progress(0);
  }
  std::vector<uint8_t> deltas;
  std::vector<uint8_t> channelOf;
  size_t pos = start;
  do {
    size_t blockEnd = std::min<size_t>(end, pos + _settings.audioBlockBytes);
    writeSwitch(out);
    // The table read sets the channel count (and may reset the current channel) before the
    // block's first byte, so the deltas are computed after it.
    int channel = (_currentChannel < channels) ? _currentChannel : 0;
    deltas.clear();
    channelOf.clear();
    std::vector<std::vector<uint32_t>> freq(static_cast<size_t>(channels), std::vector<uint32_t>(kAudioSymbols, 0));
    for (size_t i = pos; i < blockEnd; ++i) {
      uint8_t delta = _predictor.deltaFor(channel, _history[i]);
      _predictor.decode(channel, delta);
      deltas.push_back(delta);
      channelOf.push_back(static_cast<uint8_t>(channel));
      ++freq[static_cast<size_t>(channel)][delta];
      channel = (channel + 1) % channels;
    }
    std::vector<uint8_t> lengths;
    for (int c = 0; c < channels; ++c) {
      freq[static_cast<size_t>(c)][kAudioSwitchSymbol] = 1;  // next block or solid entry
      _audioTables[c].build(freq[static_cast<size_t>(c)]);
      lengths.insert(lengths.end(), _audioTables[c].lengths().begin(), _audioTables[c].lengths().end());
    }
    writeTables(out, true, channels, lengths);
    for (size_t i = 0; i < deltas.size(); ++i) {
      _audioTables[channelOf[i]].write(out, deltas[i]);
    }
    _currentChannel = channel;
    pos = blockEnd;
    if (_progress) {
      _progress(pos - start);
    }
  } while (pos < end);
}

int Rar20Encoder::chooseAudioChannels(const uint8_t* data, size_t size) {
  size_t sample = std::min<size_t>(size, 0x40000);
  int bestChannels = 1;
  double bestBits = 0;
  for (int channels = 1; channels <= kMaxChannels; ++channels) {
    AudioPredictor predictor;
    std::vector<uint32_t> histogram(static_cast<size_t>(channels) * 256, 0);
    for (size_t i = 0; i < sample; ++i) {
      int channel = static_cast<int>(i % static_cast<size_t>(channels));
      uint8_t delta = predictor.deltaFor(channel, data[i]);
      predictor.decode(channel, delta);
      ++histogram[static_cast<size_t>(channel) * 256 + delta];
    }
    // Zeroth-order entropy of the deltas per channel, in bits.
    double bits = 0;
    for (int c = 0; c < channels; ++c) {
      double total = 0;
      for (int s = 0; s < 256; ++s) {
        total += histogram[static_cast<size_t>(c) * 256 + static_cast<size_t>(s)];
      }
      for (int s = 0; s < 256 && total > 0; ++s) {
        double n = histogram[static_cast<size_t>(c) * 256 + static_cast<size_t>(s)];
        if (n > 0) {
          bits -= n * std::log2(n / total);
        }
      }
    }
    if (channels == 1 || bits < bestBits * 0.98) {  // more channels must pay for their tables
      bestBits = bits;
      bestChannels = channels;
    }
  }
  return bestChannels;
}
