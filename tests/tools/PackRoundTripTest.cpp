// Round trips: archives written by PackWriter, read back entry by entry with DataPack::extract.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>

#include "PackTestFiles.h"

using packtest::Entry;

namespace {

const char* const kPassword = "falco31";

// The sample entries every mode packs; each catches a different family of encoder faults.
const std::vector<Entry>& samples() {
  static const std::vector<Entry> entries = [] {
    std::vector<Entry> e;
    e.push_back({"data\\samples\\empty.bin", {}});
    e.push_back({"data\\samples\\one.bin", {0x5a}});
    e.push_back({"data\\samples\\two.bin", {0x00, 0x00}});
    e.push_back({"data\\samples\\text.txt", packtest::text(60000, 1)});
    e.push_back({"data\\samples\\random.bin", packtest::randomBytes(70000, 2)});
    e.push_back({"data\\samples\\text-again.txt", packtest::text(20000, 1)});  // repeats entry 3
    e.push_back({"data\\samples\\runs.bin", packtest::runs(400000)});
    e.push_back({"data\\samples\\beyond-window.bin", packtest::beyondWindow()});
    return e;
  }();
  return entries;
}

// The name the program would ask for: slashes, another letter case.
std::string programName(const std::string& stored) {
  std::string name = stored;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\') {
      name[i] = '/';
    } else if (i % 2 == 0) {
      name[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
    }
  }
  return name;
}

struct Mode {
  const char* name;
  bool solid;
  bool encrypted;
  bool uniqueMarker;
  bool smallBlocks;  // forces many table switches and changed-lengths tables
};

PackWriter::Options optionsFor(const Mode& m) {
  PackWriter::Options o;
  o.solid = m.solid;
  o.password = m.encrypted ? kPassword : "";
  o.uniqueMarker = m.uniqueMarker;
  if (m.smallBlocks) {
    o.encoder.blockSymbols = 300;
    o.encoder.audioBlockBytes = 700;
  }
  return o;
}

class PackRoundTrip : public ::testing::TestWithParam<Mode> {};

TEST_P(PackRoundTrip, EveryEntryComesBackByItsProgramName) {
  const Mode& mode = GetParam();
  packtest::ScratchDir dir;
  std::string pack = dir / "pack.vdd";
  std::vector<PackWriter::EntryResult> results;
  ASSERT_TRUE(packtest::writePack(pack, optionsFor(mode), samples(), &results));
  for (const Entry& e : samples()) {
    std::vector<uint8_t> out;
    ASSERT_TRUE(packtest::extractEntry(pack, mode.encrypted ? kPassword : "", programName(e.first), out))
        << e.first;
    EXPECT_EQ(out.size(), e.second.size()) << e.first;
    EXPECT_TRUE(out == e.second) << e.first;
  }
}

TEST_P(PackRoundTrip, CompressesWhatCompressesAndStoresWhatDoesNot) {
  const Mode& mode = GetParam();
  packtest::ScratchDir dir;
  std::vector<PackWriter::EntryResult> r;
  ASSERT_TRUE(packtest::writePack(dir / "pack.vdd", optionsFor(mode), samples(), &r));
  ASSERT_EQ(r.size(), samples().size());
  EXPECT_TRUE(r[0].stored);                         // empty
  EXPECT_LT(r[3].packedSize, 60000u / 3);           // text
  EXPECT_LT(r[5].packedSize, mode.solid ? 200u : 20000u / 3);  // solid: all matches into entry 3
  EXPECT_LT(r[6].packedSize, 400000u / 100);                   // runs: long matches and repeats
  // Random bytes: stored in a plain archive; a solid stream codes everything (at a small
  // cost, unless tiny blocks make it pay for many tables).
  EXPECT_EQ(r[4].stored, !mode.solid);
  if (!mode.smallBlocks) {
    EXPECT_LT(r[4].packedSize, 70000u + 70000u / 50);
  }
}

class EncryptedPack : public ::testing::TestWithParam<Mode> {};

TEST_P(EncryptedPack, WrongOrMissingPasswordFailsEveryEntry) {
  const Mode& mode = GetParam();
  packtest::ScratchDir dir;
  std::string pack = dir / "pack.vdd";
  std::vector<Entry> entries = {{"a.txt", packtest::text(5000, 7)}, {"b.bin", packtest::randomBytes(300, 8)}};
  ASSERT_TRUE(packtest::writePack(pack, optionsFor(mode), entries));
  for (const Entry& e : entries) {
    std::vector<uint8_t> out;
    EXPECT_FALSE(packtest::extractEntry(pack, "falco32", e.first, out)) << e.first;
    EXPECT_FALSE(packtest::extractEntry(pack, "", e.first, out)) << e.first;
    EXPECT_TRUE(packtest::extractEntry(pack, kPassword, e.first, out)) << e.first;
  }
  // No plaintext in the file.
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(packtest::readFile(pack, bytes));
  std::string file(bytes.begin(), bytes.end());
  EXPECT_EQ(file.find("demo"), std::string::npos);
}

const Mode kModes[] = {
    {"Plain", false, false, false, false},
    {"Solid", true, false, false, false},
    {"Encrypted", false, true, false, false},
    {"SolidEncrypted", true, true, false, false},
    {"UniqueMarker", false, false, true, false},
    {"UniqueMarkerSolidEncrypted", true, true, true, false},
    {"SmallBlocks", false, false, false, true},
    {"SmallBlocksSolidEncrypted", true, true, false, true},
};

const Mode kEncryptedModes[] = {
    {"Encrypted", false, true, false, false},
    {"SolidEncrypted", true, true, false, false},
    {"SmallBlocksSolidEncrypted", true, true, false, true},
};

INSTANTIATE_TEST_SUITE_P(Modes, PackRoundTrip, ::testing::ValuesIn(kModes),
                         [](const ::testing::TestParamInfo<Mode>& info) { return std::string(info.param.name); });
INSTANTIATE_TEST_SUITE_P(Modes, EncryptedPack, ::testing::ValuesIn(kEncryptedModes),
                         [](const ::testing::TestParamInfo<Mode>& info) { return std::string(info.param.name); });

TEST(PackWindow, MatchesReachExactlyToTheWindowEdge) {
  // A random block repeated so that its copy starts window - 1 bytes back (usable) or window
  // bytes back (not: the writer keeps distances below 1 MiB). Random bytes are stored unless
  // the repeat is found.
  for (uint32_t distance : {0xfffffu, 0x100000u}) {
    std::vector<uint8_t> data = packtest::randomBytes(100000, 21);
    std::vector<uint8_t> filler = packtest::randomBytes(distance - data.size(), 22);
    std::vector<uint8_t> block(data);
    data.insert(data.end(), filler.begin(), filler.end());
    data.insert(data.end(), block.begin(), block.end());
    packtest::ScratchDir dir;
    std::string pack = dir / "edge.vdd";
    std::vector<PackWriter::EntryResult> r;
    ASSERT_TRUE(packtest::writePack(pack, PackWriter::Options(), {{"edge.bin", data}}, &r));
    if (distance < 0x100000u) {
      EXPECT_FALSE(r[0].stored);
      EXPECT_LT(r[0].packedSize, distance + 10000);  // stored would be distance + 100000
    } else {
      EXPECT_TRUE(r[0].stored);
    }
    std::vector<uint8_t> out;
    ASSERT_TRUE(packtest::extractEntry(pack, "", "EDGE.BIN", out));
    EXPECT_TRUE(out == data);
  }
}

TEST(PackMatches, CopiesAtEveryLengthAndDistanceEdgeComeBack) {
  std::vector<uint8_t> data = packtest::matchBoundaries();
  for (bool solid : {false, true}) {
    packtest::ScratchDir dir;
    std::string pack = dir / "edges.vdd";
    PackWriter::Options options;
    options.solid = solid;
    std::vector<PackWriter::EntryResult> r;
    ASSERT_TRUE(packtest::writePack(pack, options, {{"head.txt", packtest::text(3000, 5)}, {"edges.bin", data}}, &r));
    EXPECT_FALSE(r[1].stored);
    EXPECT_LT(r[1].packedSize, data.size() - 100000);  // the copies were found
    std::vector<uint8_t> out;
    ASSERT_TRUE(packtest::extractEntry(pack, "", "edges.bin", out));
    EXPECT_TRUE(out == data);
  }
}

// Seeded random mixtures of the shapes a data tree holds (literal noise, runs, copies from
// anywhere in the window, text), of random sizes: whatever the parser chooses must decode.
std::vector<uint8_t> mixture(uint32_t seed) {
  packtest::SampleRandom r(seed);
  size_t size = (r.next() << 10 | r.next() << 2) % 300000;
  std::vector<uint8_t> out;
  while (out.size() < size) {
    uint32_t kind = r.next() % 4;
    size_t length = 1 + (r.next() << 4 | r.next() >> 4) % (kind == 2 ? 600 : 3000);
    if (kind == 0 || out.empty()) {
      std::vector<uint8_t> noise = packtest::randomBytes(length, r.next());
      out.insert(out.end(), noise.begin(), noise.end());
    } else if (kind == 1) {
      out.insert(out.end(), length, static_cast<uint8_t>(r.next()));
    } else if (kind == 2) {
      size_t distance = 1 + (r.next() << 8 | r.next()) % out.size();
      for (size_t i = 0; i < length; ++i) {
        out.push_back(out[out.size() - distance]);
      }
    } else {
      std::vector<uint8_t> words = packtest::text(length, r.next() % 4);
      out.insert(out.end(), words.begin(), words.end());
    }
  }
  out.resize(size);
  return out;
}

class PackMixtures : public ::testing::TestWithParam<Mode> {};

TEST_P(PackMixtures, SeededMixturesComeBack) {
  const Mode& mode = GetParam();
  {
    std::vector<Entry> entries;
    for (uint32_t seed = 1; seed <= 6; ++seed) {
      entries.push_back({"m" + std::to_string(seed), mixture(seed * 7919u + (mode.solid ? 1u : 0u))});
    }
    packtest::ScratchDir dir;
    std::string pack = dir / "mix.vdd";
    ASSERT_TRUE(packtest::writePack(pack, optionsFor(mode), entries)) << mode.name;
    for (const Entry& e : entries) {
      std::vector<uint8_t> out;
      ASSERT_TRUE(packtest::extractEntry(pack, mode.encrypted ? kPassword : "", e.first, out))
          << mode.name << " " << e.first << " (" << e.second.size() << " bytes)";
      EXPECT_TRUE(out == e.second) << mode.name << " " << e.first;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, PackMixtures, ::testing::ValuesIn(kModes),
                         [](const ::testing::TestParamInfo<Mode>& info) { return std::string(info.param.name); });

// ---- many files

class ManyFiles : public ::testing::TestWithParam<Mode> {};

TEST_P(ManyFiles, AllComeBackInOnePassAndByName) {
  const Mode& mode = GetParam();
  std::vector<Entry> entries;
  for (int i = 0; i < 300; ++i) {
    std::string name = "data\\many\\d" + std::to_string(i % 7) + "\\file" + std::to_string(i) + ".txt";
    // Sizes 0 to a few KiB; every third shares text with the others.
    std::vector<uint8_t> data = (i % 3 == 0) ? packtest::text(static_cast<size_t>(i * 13), 99)
                                             : packtest::randomBytes(static_cast<size_t>(i % 50), static_cast<uint32_t>(i));
    entries.push_back({name, data});
  }
  packtest::ScratchDir dir;
  std::string pack = dir / "many.vdd";
  ASSERT_TRUE(packtest::writePack(pack, optionsFor(mode), entries));
  const std::string password = mode.encrypted ? kPassword : "";
  size_t index = 0;
  int mismatches = 0;
  ASSERT_TRUE(DataPack::extractAll(pack.c_str(), password.c_str(),
                                   [&](const DataPackEntry& e, const uint8_t* data, bool crcMatches) {
                                     if (index >= entries.size() || e.name != entries[index].first || !crcMatches ||
                                         (e.unpackedSize > 0 && !data) ||
                                         (e.unpackedSize > 0 &&
                                          std::memcmp(data, entries[index].second.data(), e.unpackedSize) != 0)) {
                                       ++mismatches;
                                     }
                                     ++index;
                                     return true;
                                   }));
  EXPECT_EQ(index, entries.size());
  EXPECT_EQ(mismatches, 0);
  for (size_t i : {size_t{0}, size_t{1}, size_t{150}, size_t{299}}) {
    std::vector<uint8_t> out;
    ASSERT_TRUE(packtest::extractEntry(pack, password, programName(entries[i].first), out)) << entries[i].first;
    EXPECT_TRUE(out == entries[i].second) << entries[i].first;
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, ManyFiles, ::testing::ValuesIn(kModes),
                         [](const ::testing::TestParamInfo<Mode>& info) { return std::string(info.param.name); });

// ---- audio mode

struct AudioCase {
  const char* name;
  int bits;            // 8 or 16 per sample, stereo
  int forcedChannels;  // 0: chosen from the data
  int expectChannels;
  bool solid;
  bool encrypted;
};

class AudioRoundTrip : public ::testing::TestWithParam<AudioCase> {};

TEST_P(AudioRoundTrip, SamplesComeBackAndBeatLzCoding) {
  const AudioCase& c = GetParam();
  std::vector<Entry> entries = {
      {"data\\sound\\first.raw", packtest::stereoSamples(30000, c.bits, 1)},
      {"data\\sound\\second.raw", packtest::stereoSamples(20001, c.bits, 2)},  // odd length ends mid-frame
  };
  PackWriter::Options options;
  options.audio = true;
  options.audioChannels = c.forcedChannels;
  options.solid = c.solid;
  options.password = c.encrypted ? kPassword : "";
  options.encoder.audioBlockBytes = 16384;  // several table sets per entry
  packtest::ScratchDir dir;
  std::string pack = dir / "audio.vdd";
  std::vector<PackWriter::EntryResult> audio;
  ASSERT_TRUE(packtest::writePack(pack, options, entries, &audio));
  for (const Entry& e : entries) {
    std::vector<uint8_t> out;
    ASSERT_TRUE(packtest::extractEntry(pack, options.password, e.first, out)) << e.first;
    EXPECT_TRUE(out == e.second) << e.first;
  }
  for (const PackWriter::EntryResult& r : audio) {
    EXPECT_FALSE(r.stored);
    EXPECT_EQ(r.audioChannels, c.expectChannels);
  }
  if (c.forcedChannels != 0) {
    return;  // a forced count that does not fit the data need not beat LZ
  }
  PackWriter::Options lzOptions = options;
  lzOptions.audio = false;
  std::vector<PackWriter::EntryResult> lz;
  ASSERT_TRUE(packtest::writePack(dir / "lz.vdd", lzOptions, entries, &lz));
  EXPECT_LT(audio[0].packedSize, lz[0].packedSize);
}

const AudioCase kAudioCases[] = {
    {"Stereo8", 8, 0, 2, false, false},
    {"Stereo8Solid", 8, 0, 2, true, false},
    {"Stereo8Encrypted", 8, 0, 2, false, true},
    {"Stereo16", 16, 0, 4, false, false},
    {"Stereo16SolidEncrypted", 16, 0, 4, true, true},
    {"Stereo16ForcedThreeChannels", 16, 3, 3, false, false},
    {"Stereo8ForcedOneChannel", 8, 1, 1, true, false},
};

INSTANTIATE_TEST_SUITE_P(Samples, AudioRoundTrip, ::testing::ValuesIn(kAudioCases),
                         [](const ::testing::TestParamInfo<AudioCase>& info) { return std::string(info.param.name); });

TEST(AudioRoundTrip, SolidStreamSwitchesBetweenAudioAndLzEntries) {
  // Audio entries between LZ entries of one solid stream: each switch goes through the
  // table-switch symbol of the other mode's tables.
  std::vector<Entry> entries = {{"a.txt", packtest::text(9000, 3)},
                                {"b.raw", packtest::stereoSamples(5000, 16, 4)},
                                {"c.txt", packtest::text(9000, 3)}};
  for (bool encrypted : {false, true}) {
    packtest::ScratchDir dir;
    std::string pack = dir / "mixed.vdd";
    PackWriter::Options options;
    options.solid = true;
    options.password = encrypted ? kPassword : "";
    PackWriter writer(options);
    std::string error;
    ASSERT_TRUE(writer.begin(pack, error));
    PackWriter::EntryResult result;
    ASSERT_TRUE(writer.add(entries[0].first, entries[0].second, 0, result, error));
    writer.setAudio(true, 0);
    ASSERT_TRUE(writer.add(entries[1].first, entries[1].second, 0, result, error));
    EXPECT_EQ(result.audioChannels, 4);
    writer.setAudio(false, 0);
    ASSERT_TRUE(writer.add(entries[2].first, entries[2].second, 0, result, error));
    EXPECT_LT(result.packedSize, 200u);  // matches reach back over the audio entry
    ASSERT_TRUE(writer.finish(error));
    for (const Entry& e : entries) {
      std::vector<uint8_t> out;
      ASSERT_TRUE(packtest::extractEntry(pack, options.password, e.first, out)) << e.first;
      EXPECT_TRUE(out == e.second) << e.first;
    }
  }
}

// Streaming: an entry several windows long comes out in window-sized pieces, in order, for each
// kind of stream (the cipher and a solid continuation change where the bytes come from).
class PackStreaming : public ::testing::TestWithParam<Mode> {};

TEST_P(PackStreaming, LargeEntryComesOutInBoundedPieces) {
  std::vector<uint8_t> large = packtest::text(1800000, 11);
  const std::vector<uint8_t> noise = packtest::randomBytes(1500000, 12);
  large.insert(large.end(), noise.begin(), noise.end());
  const std::vector<Entry> entries = {{"first.txt", packtest::text(5000, 3)}, {"large.bin", large}};
  packtest::ScratchDir dir;
  const std::string pack = dir / "p.vdd";
  ASSERT_TRUE(packtest::writePack(pack, optionsFor(GetParam()), entries));

  std::vector<std::vector<uint8_t>> got;
  std::vector<size_t> pieces;
  std::vector<bool> complete;
  DataPack::EntryStream stream;
  stream.begin = [&](const DataPackEntry&) {
    got.emplace_back();
    pieces.push_back(0);
    return true;
  };
  stream.write = [&](const uint8_t* bytes, size_t size) {
    EXPECT_LE(size, size_t{1} << 20);
    got.back().insert(got.back().end(), bytes, bytes + size);
    ++pieces.back();
  };
  stream.end = [&](const DataPackEntry&, bool ok) {
    complete.push_back(ok);
    return true;
  };
  ASSERT_TRUE(DataPack::extractAllStreaming(pack.c_str(), GetParam().encrypted ? kPassword : "", stream));
  ASSERT_EQ(2u, got.size());
  EXPECT_EQ((std::vector<bool>{true, true}), complete);
  EXPECT_TRUE(got[0] == entries[0].second);
  EXPECT_TRUE(got[1] == large);
  EXPECT_GE(pieces[1], 4u);
}

const Mode kStreamingModes[] = {
    {"Plain", false, false, false, false},
    {"SolidEncrypted", true, true, false, false},
};

INSTANTIATE_TEST_SUITE_P(Modes, PackStreaming, ::testing::ValuesIn(kStreamingModes),
                         [](const ::testing::TestParamInfo<Mode>& info) { return std::string(info.param.name); });

}  // namespace
