// Prints the extraction throughput of the data pack reader on one pack:
//   bench_pack_extract PACK [PASSWORD] [REPEATS]
// or, with --tree, `vddpack x` against unar in the same run:
//   bench_pack_extract --tree WORKDIR
// builds a mixed tree in WORKDIR (16 MB of header text, 24 MB of a large shared library, an MP3
// made with lame from 6 MB of noise, 10 MB of compressed documentation: about 50 MB), packs it
// non-solid with a password, extracts it with both (wall time, CPU time, peak resident memory,
// best of two), then does the same for a pack holding one 40 MiB entry. WORKDIR is left in place
// (delete it afterwards).
// (1) every entry by name through DataPack::extract, as the program's memory files do (each call
// parses the pack from its start), and (2) every entry in one pass through DataPack::extractAll.
// MB/s counts unpacked bytes (10^6 bytes per MB); the best of REPEATS runs (default 3) is shown,
// by wall time and by process CPU time (the latter is steadier on a shared machine).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "DataPack.h"
#include "Rar20Cipher.h"

#ifndef RK17_VDDPACK
#define RK17_VDDPACK "vddpack"
#endif

namespace {
struct Stopwatch {
  std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
  std::clock_t cpu = std::clock();
  double wallSeconds() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count(); }
  double cpuSeconds() const { return double(std::clock() - cpu) / CLOCKS_PER_SEC; }
};
struct RunFigures {
  bool ok = false;
  double wallSeconds = 0;
  double cpuSeconds = 0;  // user + system of the child
  long peakKiB = 0;       // peak resident memory of the child
};

// Runs a shell command as a child and measures it.
RunFigures run(const std::string& command) {
  RunFigures f;
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  if (pid < 0) return f;
  int status = 0;
  struct rusage usage {};
  if (wait4(pid, &status, 0, &usage) != pid) return f;
  f.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  f.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  f.peakKiB = usage.ru_maxrss;
  f.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return f;
}

RunFigures bestOf(int runs, const std::string& command) {
  RunFigures best;
  for (int i = 0; i < runs; ++i) {
    RunFigures f = run(command);
    if (!f.ok) return f;
    if (!best.ok || f.wallSeconds < best.wallSeconds) best = f;
  }
  return best;
}

void printFigures(const char* what, const RunFigures& f) {
  std::printf("  %-12s %s wall %7.2f s  cpu %7.2f s  peak %7.1f MiB\n", what, f.ok ? "  " : "FAILED", f.wallSeconds,
              f.cpuSeconds, f.peakKiB / 1024.0);
}

// Extracts pack with vddpack and unar into fresh folders and prints both, unar's wall time as 1.
bool compare(const std::string& work, const std::string& pack, const char* password) {
  const std::string vddpack =
      std::string(RK17_VDDPACK) + " x -q -p " + password + " " + pack + " " + work + "/x-vddpack";
  const std::string unar =
      std::string("unar -q -f -D -p ") + password + " -o " + work + "/x-unar " + pack + " >/dev/null";
  run("rm -rf " + work + "/x-vddpack " + work + "/x-unar");
  RunFigures ours = bestOf(2, "rm -rf " + work + "/x-vddpack && " + vddpack);
  RunFigures theirs = bestOf(2, "rm -rf " + work + "/x-unar && " + unar);
  printFigures("vddpack x", ours);
  printFigures("unar", theirs);
  if (ours.ok && theirs.ok) {
    std::printf("  vddpack x / unar: wall %.2f, cpu %.2f\n", ours.wallSeconds / theirs.wallSeconds,
                ours.cpuSeconds / theirs.cpuSeconds);
  }
  const bool same = run("diff -r -q " + work + "/x-vddpack " + work + "/x-unar >/dev/null").ok;
  std::printf("  trees %s\n", same ? "identical" : "DIFFER");
  return ours.ok && theirs.ok && same;
}

int versusUnar(const std::string& work) {
  const char* password = "falco31";
  const std::string tree = work + "/tree";
  // Text, a large library, an MP3 and compressed documents; the sizes are capped so the tree is
  // the same on machines with more files.
  const std::string make =
      "set -e; rm -rf " + tree + "; mkdir -p " + tree + "/text " + tree + "/lib " + tree + "/audio " + tree +
      "/docs; find /usr/include -name '*.h' | sort | head -4000 | xargs cat | head -c 16000000 > " + tree +
      "/text/headers.txt; lib=$(ls -S /usr/lib/x86_64-linux-gnu/*.so* | head -1); head -c 24000000 \"$lib\" > " + tree +
      "/lib/large.so; head -c 6000000 /dev/urandom | lame --quiet -r -s 44.1 --bitwidth 16 - " + tree +
      "/audio/noise.mp3; total=0; find /usr/share/doc -name '*.gz' | sort | while read f; do size=$(stat -c %s "
      "\"$f\"); "
      "total=$((total + size)); [ $total -le 10000000 ] || break; cp \"$f\" " +
      tree + "/docs/$(echo \"$f\" | md5sum | cut -c1-12).gz; done";
  if (!run(make).ok) {
    std::fprintf(stderr, "bench_pack_extract: cannot build the tree in %s\n", tree.c_str());
    return 1;
  }
  run("du -sm " + tree + " | cut -f1 | sed 's/^/tree MiB: /'");
  const std::string pack = work + "/tree.vdd";
  RunFigures packing = run(std::string(RK17_VDDPACK) + " a -q -p " + password + " " + pack + " " + tree);
  std::printf("packed (non-solid, password, default level): wall %.1f s, cpu %.1f s\n", packing.wallSeconds,
              packing.cpuSeconds);
  run("ls -l " + pack + " | awk '{print \"pack bytes: \" $5}'");
  std::printf("mixed tree:\n");
  bool ok = compare(work, pack, password);

  // One 40 MiB entry: memory stays bounded while writing it out.
  const std::string one = work + "/one";
  const std::string large = "set -e; rm -rf " + one + "; mkdir -p " + one + "; (cat " + tree + "/text/headers.txt " +
                            tree + "/lib/large.so " + tree + "/text/headers.txt) | head -c 41943040 > " + one +
                            "/large.bin";
  if (!run(large).ok || !run(std::string(RK17_VDDPACK) + " a -q -p " + password + " " + work + "/one.vdd " + one).ok) {
    std::fprintf(stderr, "bench_pack_extract: cannot make the one-entry pack\n");
    return 1;
  }
  std::printf("one 40 MiB entry:\n");
  ok = compare(work, work + "/one.vdd", password) && ok;
  return ok ? 0 : 1;
}
}  // namespace

int main(int argc, char** argv) {
  std::printf("decryption: %s\n", Rar20Cipher::hasVectorPath() ? "eight blocks per step (AVX2)" : "portable");
  if (argc == 3 && std::string(argv[1]) == "--tree") return versusUnar(argv[2]);
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: bench_pack_extract PACK [PASSWORD] [REPEATS]\n       bench_pack_extract --tree WORKDIR\n");
    return 2;
  }
  const char* pack = argv[1];
  const char* password = argc > 2 ? argv[2] : "";
  const int repeats = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;

  std::vector<DataPackEntry> entries;
  if (!DataPack::list(pack, &entries)) {
    std::fprintf(stderr, "bench_pack_extract: cannot list %s\n", pack);
    return 1;
  }
  uint64_t unpacked = 0, packed = 0;
  for (const DataPackEntry& e : entries) {
    unpacked += e.unpackedSize;
    packed += e.packedSize;
  }
  std::printf("%s: %zu entries, %.3f MB unpacked, %.3f MB packed\n", pack, entries.size(), unpacked / 1e6,
              packed / 1e6);

  double wallByName = 1e30, cpuByName = 1e30, wallAll = 1e30, cpuAll = 1e30;
  int failures = 0;
  for (int run = 0; run < repeats; ++run) {
    Stopwatch byName;
    for (const DataPackEntry& e : entries) {
      if (e.isDirectory()) continue;
      uint8_t* data = nullptr;
      uint32_t size = 0;
      if (DataPack::extract(pack, password, e.name.c_str(), &data, &size) != 1) ++failures;
      std::free(data);
    }
    wallByName = std::min(wallByName, byName.wallSeconds());
    cpuByName = std::min(cpuByName, byName.cpuSeconds());

    Stopwatch all;
    DataPack::extractAll(pack, password, [&](const DataPackEntry& e, const uint8_t*, bool ok) {
      if (!ok && !e.isDirectory()) ++failures;
      return true;
    });
    wallAll = std::min(wallAll, all.wallSeconds());
    cpuAll = std::min(cpuAll, all.cpuSeconds());
  }
  const double mb = unpacked / 1e6;
  std::printf("extract by name: wall %.3f s, %.1f MB/s; cpu %.3f s, %.1f MB/s\n", wallByName, mb / wallByName,
              cpuByName, mb / cpuByName);
  std::printf("extract all:     wall %.3f s, %.1f MB/s; cpu %.3f s, %.1f MB/s\n", wallAll, mb / wallAll, cpuAll,
              mb / cpuAll);
  if (failures) std::printf("failures: %d\n", failures);
  return failures ? 1 : 0;
}
