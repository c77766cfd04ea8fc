// fuzz_smoke_NAME CORPUS_DIR [MUTATIONS_PER_SEED]: runs the fuzz target's entry over every file in
// CORPUS_DIR (the committed, minimised corpus with the inputs of past findings: all of them, every
// run), then over a fixed, seeded set of mutations of each (bit flips, boundary values, inserted
// and removed bytes, truncation, repeated blocks) until the mutations are done or the time budget
// is spent, so the normal test run exercises every target for a few seconds. The same inputs on
// every run. Exit code 1 when the folder holds no file; a fault ends the process like any crash
// (the sanitizer build reports it).
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

constexpr int kDefaultMutations = 2000;
constexpr double kTimeBudgetSeconds = 10.0;  // a slow (sanitizer) build stops early, not late
constexpr size_t kMaxInputSize = 1 << 16;

const uint32_t kBoundaryValues[] = {0,      1,      0x7F,    0x80,       0xFF,        0x100,      0x7FFF,
                                    0x8000, 0xFFFF, 0x10000, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};

void mutate(std::vector<uint8_t>& bytes, std::mt19937& random) {
  const auto below = [&](size_t n) { return n == 0 ? size_t(0) : size_t(random() % n); };
  const int steps = 1 + int(random() % 4);
  for (int step = 0; step < steps; ++step) {
    switch (random() % 7) {
      case 0:  // flip one bit
        if (!bytes.empty()) bytes[below(bytes.size())] ^= uint8_t(1u << (random() % 8));
        break;
      case 1:  // a boundary value in one byte
        if (!bytes.empty()) bytes[below(bytes.size())] = uint8_t(kBoundaryValues[below(std::size(kBoundaryValues))]);
        break;
      case 2: {  // a boundary value in four bytes, either byte order
        if (bytes.size() < 4) break;
        const size_t at = below(bytes.size() - 3);
        const uint32_t value = kBoundaryValues[below(std::size(kBoundaryValues))];
        const bool bigEndian = random() % 2;
        for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(value >> (8 * (bigEndian ? 3 - i : i)));
        break;
      }
      case 3:  // insert a few random bytes
        if (bytes.size() < kMaxInputSize) {
          const size_t at = below(bytes.size() + 1);
          const size_t count = 1 + below(8);
          std::vector<uint8_t> extra(count);
          for (uint8_t& b : extra) b = uint8_t(random());
          bytes.insert(bytes.begin() + long(at), extra.begin(), extra.end());
        }
        break;
      case 4: {  // remove a range
        if (bytes.empty()) break;
        const size_t at = below(bytes.size());
        const size_t count = 1 + below(std::min<size_t>(bytes.size() - at, 16));
        bytes.erase(bytes.begin() + long(at), bytes.begin() + long(at + count));
        break;
      }
      case 5:  // truncate
        bytes.resize(below(bytes.size() + 1));
        break;
      default: {  // repeat a block
        if (bytes.empty() || bytes.size() >= kMaxInputSize) break;
        const size_t at = below(bytes.size());
        const size_t count = 1 + below(std::min<size_t>(bytes.size() - at, 64));
        const std::vector<uint8_t> block(bytes.begin() + long(at), bytes.begin() + long(at + count));
        bytes.insert(bytes.begin() + long(below(bytes.size() + 1)), block.begin(), block.end());
        break;
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR [MUTATIONS_PER_SEED]\n", argv[0]);
    return 2;
  }
  const int mutations = argc > 2 ? std::max(0, std::atoi(argv[2])) : kDefaultMutations;
  std::vector<std::filesystem::path> seeds;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(argv[1], error))
    if (entry.is_regular_file()) seeds.push_back(entry.path());
  std::sort(seeds.begin(), seeds.end());
  if (seeds.empty()) {
    std::fprintf(stderr, "%s: no seed files in %s\n", argv[0], argv[1]);
    return 1;
  }
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::vector<uint8_t>> inputs;
  for (const auto& path : seeds) {
    std::ifstream in(path, std::ios::binary);
    inputs.emplace_back((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(inputs.back().data(), inputs.back().size());
  }
  const double replaySeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  long runs = long(inputs.size());
  bool stoppedEarly = false;
  // Mutations: each file's own in turn, so a spent budget leaves the later files unmutated only.
  for (size_t s = 0; s < inputs.size() && !stoppedEarly; ++s) {
    std::mt19937 random(uint32_t(0x5EED0000u + s));
    for (int m = 0; m < mutations; ++m) {
      std::vector<uint8_t> input = inputs[s];
      mutate(input, random);
      LLVMFuzzerTestOneInput(input.data(), input.size());
      ++runs;
      if (m % 16 == 15 &&
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() > kTimeBudgetSeconds) {
        stoppedEarly = true;
        break;
      }
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%zu files replayed in %.2f s; %ld inputs in all in %.2f s%s\n", seeds.size(), replaySeconds, runs,
              seconds, stoppedEarly ? " (time budget reached)" : "");
  return 0;
}
