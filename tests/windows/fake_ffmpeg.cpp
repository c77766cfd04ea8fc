// A stand-in for ffmpeg.exe in the Windows tests: opens the two inputs given with -i (rk17's named
// pipes), reads both to their end side by side, and writes "video BYTES" and "audio BYTES" lines
// to the output file (the last argument). With FAKE_FFMPEG_FAIL=1 it opens nothing, says why on
// stderr and exits with code 1, as ffmpeg does with an unknown encoder.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {
unsigned long long drain(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    std::fprintf(stderr, "%s: cannot open\n", path.c_str());
    std::exit(1);
  }
  std::vector<char> buffer(1 << 16);
  unsigned long long total = 0;
  for (size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), file)) > 0;) total += n;
  std::fclose(file);
  return total;
}
}  // namespace

int main(int argc, char** argv) {
  const char* fail = std::getenv("FAKE_FFMPEG_FAIL");
  if (fail && std::string(fail) == "1") {
    std::fprintf(stderr, "Unknown encoder 'libx264'\n");
    return 1;
  }
  std::vector<std::string> inputs;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::string(argv[i]) == "-i") inputs.push_back(argv[i + 1]);
  if (inputs.size() != 2 || argc < 2) {
    std::fprintf(stderr, "expected two inputs\n");
    return 1;
  }
  unsigned long long video = 0, audio = 0;
  std::thread audioReader([&] { audio = drain(inputs[1]); });
  video = drain(inputs[0]);
  audioReader.join();
  std::FILE* out = std::fopen(argv[argc - 1], "wb");
  if (!out) return 1;
  std::fprintf(out, "video %llu\naudio %llu\n", video, audio);
  return std::fclose(out) == 0 ? 0 : 1;
}
