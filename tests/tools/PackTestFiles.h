#pragma once
// Helpers of the pack writer tests: a temporary folder, file access, deterministic sample
// data, and running external readers.
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "DataPack.h"
#include "PackWriter.h"

namespace packtest {

// A fresh folder below the system's temporary folder, removed with everything in it.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vddpack-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data())) {
      _path = buffer.data();
    }
  }
  ~ScratchDir() {
    std::error_code ec;
    if (!_path.empty()) {
      std::filesystem::remove_all(_path, ec);
    }
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return _path; }
  std::string operator/(const std::string& name) const { return _path + "/" + name; }

 private:
  std::string _path;
};

inline bool writeFile(const std::string& path, const std::vector<uint8_t>& data) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(out);
}

// False when the file cannot be read.
inline bool readFile(const std::string& path, std::vector<uint8_t>& data) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return false;
  }
  data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

// A small linear congruential generator: the same bytes on every run and machine. Only the top
// byte is used: the low bits of such a generator repeat after short periods.
class SampleRandom {
 public:
  explicit SampleRandom(uint32_t seed) : _state(seed) {}
  uint32_t next() {
    _state = _state * 1664525u + 1013904223u;
    return _state >> 24;
  }

 private:
  uint32_t _state;
};

inline std::vector<uint8_t> randomBytes(size_t size, uint32_t seed) {
  SampleRandom r(seed);
  std::vector<uint8_t> out(size);
  for (uint8_t& b : out) {
    b = static_cast<uint8_t>(r.next());
  }
  return out;
}

// English-like text from a small vocabulary: compresses well with long and short matches.
inline std::vector<uint8_t> text(size_t size, uint32_t seed) {
  static const char* const kWords[] = {"the",    "demo",   "scene",  "light", "camera", "effect", "blur",
                                       "spline", "texture", "morph", "flower", "cloud", "grid",   "fade",
                                       "pulse",  "beat",   "of",     "and",   "with",   "drift\n"};
  SampleRandom r(seed);
  std::string s;
  while (s.size() < size) {
    s += kWords[r.next() % 20];
    s += (r.next() % 7 == 0) ? ", " : " ";
  }
  s.resize(size);
  return std::vector<uint8_t>(s.begin(), s.end());
}

// Long runs of single bytes and of short patterns: needs matches far longer than 255 bytes.
inline std::vector<uint8_t> runs(size_t size) {
  std::vector<uint8_t> out;
  int step = 0;
  while (out.size() < size) {
    size_t run = 300 + static_cast<size_t>(step) * 997 % 40000;
    for (size_t i = 0; i < run && out.size() < size; ++i) {
      out.push_back(step % 3 == 0 ? static_cast<uint8_t>(step) : static_cast<uint8_t>("abcab"[i % 5] + step));
    }
    ++step;
  }
  return out;
}

// Larger than the 1 MiB window: a random block, fresh random bytes, the block again at a
// distance just inside the window, and the block once more only beyond it.
inline std::vector<uint8_t> beyondWindow() {
  std::vector<uint8_t> block = randomBytes(200000, 11);
  std::vector<uint8_t> out = block;
  std::vector<uint8_t> filler = randomBytes(0x100000 - 200000 - 5, 12);
  out.insert(out.end(), filler.begin(), filler.end());
  out.insert(out.end(), block.begin(), block.end());  // source 0xFFFFB bytes back
  std::vector<uint8_t> more = text(1300000, 13);
  out.insert(out.end(), more.begin(), more.end());
  out.insert(out.end(), block.begin(), block.end());  // nearest copy now beyond the window
  return out;
}

// Random bytes with copies placed at the edges of the format's length and distance classes
// (distances 256/257, 8191/8192, 0x3ffff/0x40000 change the coded length; lengths near 255 and
// the longest codes), each copy followed by a byte that ends it, and repeats of recent copies
// so that remembered distances come into play. About 1.2 MiB.
inline std::vector<uint8_t> matchBoundaries() {
  static const uint32_t kDistances[] = {1,    2,    3,    4,     5,      8,      9,       16,      17,
                                        32,   33,   64,   65,    128,    129,    192,     193,     256,
                                        257,  258,  8191, 8192,  8193,   0x3ffff, 0x40000, 0x40001, 0xffffe,
                                        0xfffff};
  static const uint32_t kLengths[] = {2, 3, 4, 5, 6, 7, 255, 256, 257, 258, 259, 260, 261, 300};
  std::vector<uint8_t> out = randomBytes(0x100000, 31);  // history for the far distances
  SampleRandom r(32);
  for (uint32_t distance : kDistances) {
    for (uint32_t length : kLengths) {
      for (int again = 0; again < 2; ++again) {  // the second copy can use a remembered distance
        size_t from = out.size() - distance;
        for (uint32_t i = 0; i < length; ++i) {
          out.push_back(out[from + i]);
        }
        out.push_back(static_cast<uint8_t>(out[from + length] ^ 0x55));  // ends the match
        for (int i = 0; i < 3; ++i) {
          out.push_back(static_cast<uint8_t>(r.next()));
        }
      }
    }
  }
  return out;
}

// Interleaved stereo samples of two tones with a little noise: 8-bit unsigned or 16-bit
// little-endian signed.
inline std::vector<uint8_t> stereoSamples(size_t frames, int bits, uint32_t seed) {
  SampleRandom r(seed);
  std::vector<uint8_t> out;
  for (size_t i = 0; i < frames; ++i) {
    double t = static_cast<double>(i);
    double left = 0.6 * std::sin(t * 0.031) + 0.2 * std::sin(t * 0.173);
    double right = 0.5 * std::sin(t * 0.027 + 1.0) + 0.25 * std::sin(t * 0.101);
    int noise = static_cast<int>(r.next() % 5) - 2;
    if (bits == 8) {
      out.push_back(static_cast<uint8_t>(128 + static_cast<int>(left * 100) + noise));
      out.push_back(static_cast<uint8_t>(128 + static_cast<int>(right * 100)));
    } else {
      int l = static_cast<int>(left * 20000) + noise * 8;
      int rr = static_cast<int>(right * 20000) - noise * 8;
      out.push_back(static_cast<uint8_t>(l));
      out.push_back(static_cast<uint8_t>(l >> 8));
      out.push_back(static_cast<uint8_t>(rr));
      out.push_back(static_cast<uint8_t>(rr >> 8));
    }
  }
  return out;
}

// Runs a shell command line; returns its exit code (-1 when it could not run or was killed).
inline int runCommand(const std::string& commandLine) {
  int status = std::system(commandLine.c_str());
  if (status == -1 || !WIFEXITED(status)) {
    return -1;
  }
  return WEXITSTATUS(status);
}

inline bool haveProgram(const std::string& name) {
  return runCommand("command -v " + name + " >/dev/null 2>&1") == 0;
}

using Entry = std::pair<std::string, std::vector<uint8_t>>;  // stored name, bytes

// Writes entries into a new archive at path with PackWriter; results (if given) receive what
// the writer did per entry. False on any failure.
inline bool writePack(const std::string& path, const PackWriter::Options& options, const std::vector<Entry>& entries,
                      std::vector<PackWriter::EntryResult>* results = nullptr) {
  PackWriter writer(options);
  std::string error;
  if (!writer.begin(path, error)) {
    return false;
  }
  for (const Entry& e : entries) {
    PackWriter::EntryResult result;
    if (!writer.add(e.first, e.second, 0x5a8f5000u, result, error)) {
      return false;
    }
    if (results) {
      results->push_back(result);
    }
  }
  return writer.finish(error);
}

// Extracts one entry with the program's reader; false when DataPack::extract fails.
inline bool extractEntry(const std::string& pack, const std::string& password, const std::string& name,
                         std::vector<uint8_t>& out) {
  uint8_t* data = nullptr;
  uint32_t size = 0;
  int result = DataPack::extract(pack.c_str(), password.c_str(), name.c_str(), &data, &size);
  if (result != 1) {
    return false;
  }
  out.assign(data, data + size);
  std::free(data);
  return true;
}

}  // namespace packtest
