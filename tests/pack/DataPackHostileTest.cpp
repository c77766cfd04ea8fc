#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "DataPack.h"
#include "PackFixtures.h"
#include "TempPackFile.h"

namespace {
// Extracts name; a success must give exactly the expected bytes (a damaged pack may still hold an
// intact entry, but never yields wrong bytes with result 1).
void expectFailureOrExact(const char* pack, const std::string& password, const std::string& name,
                          const std::vector<uint8_t>& expected, const std::string& context) {
  uint8_t* data = nullptr;
  uint32_t size = 0;
  int result = DataPack::extract(pack, password.c_str(), name.c_str(), &data, &size);
  if (result == 1) {
    ASSERT_NE(nullptr, data) << context;
    EXPECT_TRUE(std::vector<uint8_t>(data, data + size) == expected) << context << " " << name;
  } else {
    EXPECT_EQ(0, result) << context;
    EXPECT_EQ(nullptr, data) << context;
    EXPECT_EQ(0u, size) << context;
  }
  std::free(data);
}

// Lists and extracts everything; only the absence of faults is checked (AddressSanitizer and
// UndefinedBehaviorSanitizer do the checking in a sanitizer build).
void listAndExtractAll(const char* pack, const std::string& password) {
  std::vector<DataPackEntry> entries;
  DataPack::list(pack, &entries);
  DataPack::extractAll(pack, password.c_str(), [](const DataPackEntry& entry, const uint8_t* data, bool) {
    if (data && entry.unpackedSize > 0) {
      volatile uint8_t last = data[entry.unpackedSize - 1];
      (void)last;
    }
    return true;
  });
}

class Truncation : public ::testing::TestWithParam<PackFixture> {};

TEST_P(Truncation, AtEveryFewOffsetsNeverGivesWrongBytes) {
  const PackFixture& fixture = GetParam();
  const std::vector<uint8_t> whole = PackFixture::readWhole(fixture.archive);
  ASSERT_FALSE(whole.empty());
  // Every offset of small packs; for large ones a stride plus every offset near both ends.
  const size_t stride = whole.size() > 8000 ? 97 : 1;
  TempPackFile file({});
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    if (cut % stride != 0 && cut > 64 && cut + 64 < whole.size()) continue;
    file.rewrite(std::vector<uint8_t>(whole.begin(), whole.begin() + long(cut)));
    for (size_t i = 0; i < fixture.entries.size(); ++i) {
      expectFailureOrExact(file.path(), fixture.password, fixture.entries[i], fixture.expected[i],
                           "cut at " + std::to_string(cut));
    }
    if (cut % (stride * 7) == 0) listAndExtractAll(file.path(), fixture.password);
  }
}

// Seeded random damage: bit flips, random bytes, overwritten runs, inserted and removed bytes.
std::vector<uint8_t> mutate(std::vector<uint8_t> bytes, std::mt19937& random) {
  const int edits = 1 + int(random() % 4);
  for (int e = 0; e < edits && !bytes.empty(); ++e) {
    const size_t at = random() % bytes.size();
    switch (random() % 6) {
      case 0:
        bytes[at] ^= uint8_t(1u << (random() % 8));
        break;
      case 1:
        bytes[at] = uint8_t(random());
        break;
      case 2: {
        const size_t run = std::min<size_t>(1 + random() % 16, bytes.size() - at);
        for (size_t i = 0; i < run; ++i) bytes[at + i] = uint8_t(random());
        break;
      }
      case 3:
        bytes.insert(bytes.begin() + long(at), uint8_t(random()));
        break;
      case 4:
        bytes.erase(bytes.begin() + long(at));
        break;
      default: {
        // Forged sizes: a header-like 16- or 32-bit field set to an extreme.
        static const uint32_t kExtremes[] = {0, 1, 0x7F, 0xFF, 0xFFFF, 0x10000, 0x7FFFFFFF, 0xFFFFFFFF};
        const uint32_t value = kExtremes[random() % 8];
        for (size_t i = 0; i < 4 && at + i < bytes.size(); ++i) bytes[at + i] = uint8_t(value >> (8 * i));
        break;
      }
    }
  }
  return bytes;
}

// Variants per archive; RK17_PACK_FUZZ_ROUNDS raises it for a longer run by hand.
int mutationRounds() {
  const char* env = std::getenv("RK17_PACK_FUZZ_ROUNDS");
  return env ? std::atoi(env) : 250;
}

class RandomCorruption : public ::testing::TestWithParam<PackFixture> {};

TEST_P(RandomCorruption, NeverCrashesNorGivesWrongBytes) {
  const PackFixture& fixture = GetParam();
  const std::vector<uint8_t> whole = PackFixture::readWhole(fixture.archive);
  std::mt19937 random(uint32_t(whole.size()) * 2654435761u);
  TempPackFile file({});
  const int rounds = mutationRounds();
  for (int round = 0; round < rounds; ++round) {
    file.rewrite(mutate(whole, random));
    for (size_t i = 0; i < fixture.entries.size(); ++i) {
      expectFailureOrExact(file.path(), fixture.password, fixture.entries[i], fixture.expected[i],
                           "round " + std::to_string(round));
    }
    if (round % 4 == 0) listAndExtractAll(file.path(), fixture.password);
    if (::testing::Test::HasFailure()) break;
  }
}

std::string fixtureName(const ::testing::TestParamInfo<PackFixture>& info) {
  std::string name = info.param.archive.substr(info.param.archive.rfind('/') + 1);
  name.resize(name.size() - 4);
  for (char& c : name) {
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Rar20, Truncation, ::testing::ValuesIn(PackFixture::all()), fixtureName);
INSTANTIATE_TEST_SUITE_P(Rar20, RandomCorruption, ::testing::ValuesIn(PackFixture::all()), fixtureName);
}  // namespace
