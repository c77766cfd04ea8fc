// Prints how well and how fast the data pack works:
//   bench_packing [DATA_DIR...]   (default: the source tree's data/)
// For the given trees packed together (as the build packs data/ and the drawn pictures), and for a synthetic show-like
// tree (script text, mesh floats, samples, already-compressed image bytes) so that the figures mean something while
// data/ is small:
//  - sizes: vddpack (non-solid encrypted, as the build makes data.vdd; solid) against gzip -9
//    and xz -9, per file (comparable to a non-solid pack) and over the whole tree (tar, like
//    a solid pack);
//  - extraction: every entry by name through DataPack::extract (as the program opens files),
//    against unar extracting the same pack (one process, wall clock, includes its start-up).
//  - levels: each of -m1..-m5 against gzip -9 (size, CPU time) on 8 MiB of 3-bit bytes, 8 MiB of
//    random bytes, the synthetic tree and the given trees.
// MB = 10^6 bytes. One run each; figures vary with machine load.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "DataPack.h"
#include "InputCollector.h"
#include "PackWriter.h"

namespace fs = std::filesystem;

namespace {

const char* const kPassword = "falco31";

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string quote(const std::string& s) { return "'" + s + "'"; }

// Output of a shell command parsed as a number (-1 when it fails).
long long commandNumber(const std::string& command) {
  std::FILE* p = popen(command.c_str(), "r");
  if (!p) {
    return -1;
  }
  long long value = -1;
  if (std::fscanf(p, "%lld", &value) != 1) {
    value = -1;
  }
  return pclose(p) == 0 ? value : -1;
}

bool readWhole(const std::string& path, std::vector<uint8_t>& data) {
  std::ifstream in(path, std::ios::binary);
  data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return static_cast<bool>(in) || in.eof();
}

void writeWhole(const fs::path& path, const std::vector<uint8_t>& data) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

// A tree shaped like the show's data: scripts and shaders (text), scene geometry (floats),
// morph data, sound samples, and images that are already compressed (random bytes).
void makeSyntheticTree(const fs::path& root) {
  uint32_t state = 1;
  auto next = [&state]() {
    state = state * 1664525u + 1013904223u;
    return state >> 24;
  };
  static const char* const kWords[] = {
      "INSERT_EFFECT", "Fade", "Blur",  "1000",       "2500",         "b",   "e",  "TRIGGER", "Scene3",
      "0.5",           "1.0",  "Speed", "ClearColor", "data/images/", "png", "\n", "DEFINE",  "Flower"};
  std::string script;
  while (script.size() < 400000) {
    script += kWords[next() % 18];
    script += ' ';
  }
  writeWhole(root / "data/scripts/demo.scr", std::vector<uint8_t>(script.begin(), script.end()));
  for (int scene = 0; scene < 4; ++scene) {
    std::vector<uint8_t> mesh;
    for (int i = 0; i < 60000; ++i) {
      float v = static_cast<float>(std::sin(i * 0.01 + scene) * 10.0 + (i % 3));
      const uint8_t* b = reinterpret_cast<const uint8_t*>(&v);
      mesh.insert(mesh.end(), b, b + 4);
    }
    writeWhole(root / ("data/scenes/scene" + std::to_string(scene) + ".vdg"), mesh);
  }
  std::vector<uint8_t> samples;
  for (int i = 0; i < 200000; ++i) {
    int l = static_cast<int>(std::sin(i * 0.031) * 12000) + static_cast<int>(next() % 64) - 32;
    int r = static_cast<int>(std::sin(i * 0.027 + 1) * 9000);
    for (int s : {l, r}) {
      samples.push_back(static_cast<uint8_t>(s));
      samples.push_back(static_cast<uint8_t>(s >> 8));
    }
  }
  writeWhole(root / "data/sound/loop.raw", samples);
  for (int image = 0; image < 6; ++image) {
    std::vector<uint8_t> jpeg(150000 + static_cast<size_t>(image) * 20000);
    for (uint8_t& b : jpeg) {
      b = static_cast<uint8_t>(next());
    }
    writeWhole(root / ("data/images/pic" + std::to_string(image) + ".jpg"), jpeg);
  }
}

// Packs the inputs; packedSizes (if given) receives each entry's packed bytes.
bool pack(const std::string& archive, const InputCollector& inputs, bool solid, bool audio, double& seconds,
          std::vector<uint32_t>* packedSizes = nullptr) {
  PackWriter::Options options;
  options.password = kPassword;
  options.solid = solid;
  options.audio = audio;
  PackWriter writer(options);
  std::string error;
  auto start = std::chrono::steady_clock::now();
  if (!writer.begin(archive, error)) {
    return false;
  }
  for (const InputCollector::File& f : inputs.files()) {
    std::vector<uint8_t> data;
    PackWriter::EntryResult result;
    if (!readWhole(f.path, data) || !writer.add(f.storedName, data, f.dosTime, result, error)) {
      std::fprintf(stderr, "bench_packing: %s\n", error.c_str());
      return false;
    }
    if (packedSizes) {
      packedSizes->push_back(result.packedSize);
    }
  }
  bool ok = writer.finish(error);
  seconds = secondsSince(start);
  return ok;
}

void row(const char* what, long long bytes, uint64_t total) {
  if (bytes < 0) {
    std::printf("  %-34s %12s\n", what, "(failed)");
    return;
  }
  std::printf("  %-34s %12lld  %6.2f%%\n", what, bytes,
              100.0 * static_cast<double>(bytes) / static_cast<double>(total));
}

void benchTree(const std::string& title, const std::vector<fs::path>& dirs, const fs::path& scratch) {
  InputCollector inputs;
  std::vector<std::string> errors;
  std::string names;
  std::string tar = "tar -cf -";
  for (const fs::path& dir : dirs) {
    names += " " + dir.string();
    fs::path absolute = fs::absolute(dir).lexically_normal();
    if (!absolute.has_filename()) {
      absolute = absolute.parent_path();
    }
    tar += " -C " + quote(absolute.parent_path().string()) + " " + quote(absolute.filename().string());
    if (!inputs.add(dir.string(), errors)) {
      break;
    }
  }
  if (!errors.empty() || !inputs.finish(errors)) {
    std::printf("%s: cannot collect (%s)\n", title.c_str(), errors.empty() ? "?" : errors[0].c_str());
    return;
  }
  uint64_t total = inputs.totalSize();
  std::printf("\n%s:%s, %zu files, %llu bytes\n", title.c_str(), names.c_str(), inputs.files().size(),
              static_cast<unsigned long long>(total));
  if (total == 0) {
    std::printf("  (no bytes to pack)\n");
    return;
  }
  std::string plainPack = (scratch / "plain.vdd").string();
  std::string solidPack = (scratch / "solid.vdd").string();
  double plainSeconds = 0;
  double solidSeconds = 0;
  std::vector<uint32_t> entrySizes;
  bool plainOk = pack(plainPack, inputs, false, false, plainSeconds, &entrySizes);
  bool solidOk = pack(solidPack, inputs, true, false, solidSeconds);
  std::printf("  %-34s %12s  %7s\n", "size of", "bytes", "of input");
  row("vddpack, non-solid (data.vdd)", plainOk ? static_cast<long long>(fs::file_size(plainPack)) : -1, total);
  row("vddpack -s (solid)", solidOk ? static_cast<long long>(fs::file_size(solidPack)) : -1, total);
  long long gzipFiles = 0;
  long long xzFiles = 0;
  for (const InputCollector::File& f : inputs.files()) {
    long long g = commandNumber("gzip -9 -c " + quote(f.path) + " | wc -c");
    long long x = commandNumber("xz -9 -c " + quote(f.path) + " | wc -c");
    gzipFiles = (g < 0 || gzipFiles < 0) ? -1 : gzipFiles + g;
    xzFiles = (x < 0 || xzFiles < 0) ? -1 : xzFiles + x;
  }
  if (plainOk && inputs.files().size() <= 16) {
    std::printf("  per file (bytes: input, vddpack, gzip -9, xz -9):\n");
    for (size_t i = 0; i < inputs.files().size(); ++i) {
      const InputCollector::File& f = inputs.files()[i];
      std::printf("    %-32s %9llu %9u %9lld %9lld\n", f.storedName.c_str(), static_cast<unsigned long long>(f.size),
                  entrySizes[i], commandNumber("gzip -9 -c " + quote(f.path) + " | wc -c"),
                  commandNumber("xz -9 -c " + quote(f.path) + " | wc -c"));
    }
  }
  row("gzip -9, each file", gzipFiles, total);
  row("xz -9, each file", xzFiles, total);
  row("tar | gzip -9 (whole tree)", commandNumber(tar + " | gzip -9 | wc -c"), total);
  row("tar | xz -9 (whole tree)", commandNumber(tar + " | xz -9 | wc -c"), total);
  std::printf("  packing speed: non-solid %.2f MB/s, solid %.2f MB/s\n",
              static_cast<double>(total) / 1e6 / plainSeconds, static_cast<double>(total) / 1e6 / solidSeconds);
  if (!plainOk) {
    return;
  }

  // Extraction of the non-solid pack, every entry by name as the program opens its files.
  auto start = std::chrono::steady_clock::now();
  uint64_t extracted = 0;
  for (const InputCollector::File& f : inputs.files()) {
    uint8_t* data = nullptr;
    uint32_t size = 0;
    if (DataPack::extract(plainPack.c_str(), kPassword, f.storedName.c_str(), &data, &size) != 1) {
      std::printf("  DataPack::extract failed on %s\n", f.storedName.c_str());
      return;
    }
    extracted += size;
    std::free(data);
  }
  double ours = secondsSince(start);
  std::string out = (scratch / "unar-out").string();
  start = std::chrono::steady_clock::now();
  int unarCode = std::system(
      ("unar -q -f -D -p " + std::string(kPassword) + " -o " + quote(out) + " " + quote(plainPack) + " >/dev/null 2>&1")
          .c_str());
  double unar = secondsSince(start);
  fs::remove_all(out);
  std::printf("  extract all (non-solid pack):  DataPack::extract %.3f s = %.1f MB/s", ours,
              static_cast<double>(extracted) / 1e6 / ours);
  if (unarCode == 0) {
    std::printf(";  unar %.3f s = %.1f MB/s;  ours / unar time %.2f\n", unar, static_cast<double>(total) / 1e6 / unar,
                ours / unar);
  } else {
    std::printf(";  unar unavailable or failed\n");
  }
}

// CPU seconds of a child command (user + system), -1 when it fails.
double childCpuSeconds(const std::string& command) {
  pid_t pid = fork();
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return -1;
  }
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Every level against gzip -9 on one input (a file or a folder): packed size and CPU time (CPU
// time is steadier than wall time on a shared machine). Non-solid and encrypted, as the build
// packs; withoutPassword adds the CPU time of the same packing without encryption.
void benchLevels(const std::string& title, const fs::path& input, const fs::path& scratch, bool withoutPassword) {
  const std::string gz = (scratch / "levels.tar.gz").string();
  const std::string gzipCommand = "tar -C " + quote(input.parent_path().string()) + " -cf - " +
                                  quote(input.filename().string()) + " | gzip -9 > " + quote(gz);
  const double gzipSeconds = childCpuSeconds(gzipCommand);
  std::error_code ec;
  const long long gzipBytes = static_cast<long long>(fs::file_size(gz, ec));
  InputCollector inputs;
  std::vector<std::string> errors;
  if (!inputs.add(input.string(), errors) || !inputs.finish(errors)) {
    std::printf("%s: cannot collect the input\n", title.c_str());
    return;
  }
  const double mib = static_cast<double>(inputs.totalSize()) / (1024.0 * 1024.0);
  std::printf("\n%s: %.1f MiB; gzip -9 (tar): %lld bytes, cpu %.2f s (%.1f MiB/s)\n", title.c_str(), mib, gzipBytes,
              gzipSeconds, mib / gzipSeconds);
  // Packs every input at level; false on failure. CPU seconds of this process.
  auto packAt = [&](int level, const std::string& password, double& seconds, long long& bytes) {
    PackWriter::Options options;
    options.password = password;
    options.encoder = Rar20Encoder::Settings::forLevel(level);
    PackWriter writer(options);
    const std::string archive = (scratch / "levels.vdd").string();
    std::string error;
    std::clock_t start = std::clock();
    bool ok = writer.begin(archive, error);
    for (const InputCollector::File& f : inputs.files()) {
      std::vector<uint8_t> data;
      PackWriter::EntryResult result;
      ok = ok && readWhole(f.path, data) && writer.add(f.storedName, data, f.dosTime, result, error);
    }
    ok = ok && writer.finish(error);
    seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    bytes = static_cast<long long>(fs::file_size(archive, ec));
    return ok;
  };
  for (int level = Rar20Encoder::kMinLevel; level <= Rar20Encoder::kMaxLevel; ++level) {
    double seconds = 0;
    long long bytes = 0;
    const bool ok = packAt(level, kPassword, seconds, bytes);
    std::printf("  -m%d%s %10lld bytes (%.3f of gzip)  cpu %7.2f s (%.1f MiB/s, %.2f of gzip's speed)", level,
                level == Rar20Encoder::kDefaultLevel ? "*" : " ", bytes,
                static_cast<double>(bytes) / static_cast<double>(gzipBytes), seconds, mib / seconds,
                gzipSeconds / seconds);
    if (withoutPassword) {
      // The cipher is serial (each block's keys follow from the one before): its share alone.
      double plainSeconds = 0;
      long long plainBytes = 0;
      if (packAt(level, "", plainSeconds, plainBytes)) {
        std::printf("; no password: cpu %.2f s (%.2f of gzip's speed)", plainSeconds, gzipSeconds / plainSeconds);
      }
    }
    std::printf("%s\n", ok ? "" : "  FAILED");
  }
}

// Bytes each holding `bits` random low bits (bits = 8: random bytes).
void writeRandomBits(const fs::path& path, size_t size, int bits) {
  std::vector<uint8_t> data(size);
  uint32_t state = 12345;
  for (uint8_t& b : data) {
    state = state * 1664525u + 1013904223u;
    b = static_cast<uint8_t>((state >> 24) & ((1u << bits) - 1));
  }
  writeWhole(path, data);
}
}  // namespace

int main(int argc, char** argv) {
  std::vector<fs::path> data;
  for (int i = 1; i < argc; ++i) {
    data.push_back(argv[i]);
  }
  if (data.empty()) {
    data.push_back(fs::path(RK17_SOURCE_DIR) / "data");
  }
  std::string pattern = (fs::temp_directory_path() / "bench-packing-XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) {
    std::perror("bench_packing: mkdtemp");
    return 1;
  }
  fs::path scratch = buffer.data();
  benchTree("data tree", data, scratch);
  makeSyntheticTree(scratch / "synthetic");
  benchTree("synthetic show-like tree", {scratch / "synthetic" / "data"}, scratch);
  // Levels against gzip -9, with the inputs that bound the match search: bytes of 3 random bits
  // (every hash chain full, matches short) and random bytes (no matches at all).
  std::printf("\nLevels (-mN, * default; non-solid, password) against gzip -9:\n");
  writeRandomBits(scratch / "low" / "low-entropy.bin", 8u << 20, 3);
  writeRandomBits(scratch / "random" / "random.bin", 8u << 20, 8);
  benchLevels("8 MiB of 3-bit bytes", scratch / "low", scratch, true);
  benchLevels("8 MiB of random bytes", scratch / "random", scratch, true);
  benchLevels("synthetic show-like tree", scratch / "synthetic" / "data", scratch, false);
  for (const fs::path& d : data) {
    benchLevels(d.string(), d, scratch, false);
  }
  std::error_code ec;
  fs::remove_all(scratch, ec);
  return 0;
}
