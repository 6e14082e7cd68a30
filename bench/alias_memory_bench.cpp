// The alias set on a fake medium whose every sector holds foreign data: inserts N distinct
// sector offsets (64 million unless given), each twice, and prints the bytes the set takes per
// distinct key at its largest and at the end, the time per insertion, and the peak resident
// memory of the process. Usage: alias_memory_bench [KEYS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "engine/alias_map.h"

namespace {

// The process's peak resident memory in KiB (VmHWM).
long PeakResidentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

}  // namespace

int main(int argc, char* argv[]) {
  const uint64_t keys = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 64000000;
  AliasMap map;
  double worstBytesPerKey = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int round = 0; round < 2; ++round) {
    for (uint64_t k = 0; k < keys; ++k) {
      // The sectors of a medium that repeats itself every few GiB, spread over 2^40 bytes.
      const uint64_t offset = (k * 0x9E3779B1ull % (uint64_t{1} << 31)) * 512;
      if (!map.Insert(offset)) {
        std::printf("out of memory after %llu keys\n", static_cast<unsigned long long>(k));
        return 1;
      }
      if (round == 0 && k >= 1000000 && k % 1024 == 0) {
        const double bytesPerKey = double(map.MemoryBytes()) / double(map.Count());
        if (bytesPerKey > worstBytesPerKey) worstBytesPerKey = bytesPerKey;
      }
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("distinct keys:              %llu (counted %llu)\n",
              static_cast<unsigned long long>(keys), static_cast<unsigned long long>(map.Count()));
  std::printf("table bytes per key, end:   %.2f\n", double(map.MemoryBytes()) / double(keys));
  std::printf("table bytes per key, worst: %.2f (from 1 million keys on)\n", worstBytesPerKey);
  std::printf("time per insertion:         %.1f ns\n", seconds * 1e9 / double(2 * keys));
  std::printf("peak resident memory:       %.1f MiB (%.2f bytes per key)\n",
              PeakResidentKiB() / 1024.0, PeakResidentKiB() * 1024.0 / double(keys));
  return map.Count() == keys ? 0 : 1;
}
