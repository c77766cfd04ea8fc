// Prints the extraction throughput of the data pack reader on one pack:
//   bench_pack_extract PACK [PASSWORD] [REPEATS]
// (1) every entry by name through DataPack::extract, as the program's memory files do (each call
// parses the pack from its start), and (2) every entry in one pass through DataPack::extractAll.
// MB/s counts unpacked bytes (10^6 bytes per MB); the best of REPEATS runs (default 3) is shown,
// by wall time and by process CPU time (the latter is steadier on a shared machine).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "DataPack.h"

namespace {
struct Stopwatch {
  std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
  std::clock_t cpu = std::clock();
  double wallSeconds() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count(); }
  double cpuSeconds() const { return double(std::clock() - cpu) / CLOCKS_PER_SEC; }
};
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_pack_extract PACK [PASSWORD] [REPEATS]\n");
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
