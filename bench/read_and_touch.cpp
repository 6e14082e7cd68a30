// A yardstick for the verify pass: reads FILE with O_DIRECT in 1 MiB blocks into one
// page-aligned buffer, as dd does, but also reads every byte of each block once (a sum), as any
// check must. Prints bytes per second. Usage: read_and_touch FILE
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
    return 2;
  }
  const size_t block = 1048576;
  const int fd = open(argv[1], O_RDONLY | O_DIRECT);
  void* buffer = mmap(nullptr, block, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (fd < 0 || buffer == MAP_FAILED) {
    std::perror(argv[1]);
    return 1;
  }
  const auto* words = static_cast<const uint64_t*>(buffer);
  uint64_t sum = 0, bytes = 0;
  const auto start = std::chrono::steady_clock::now();
  for (ssize_t got; (got = read(fd, buffer, block)) > 0; bytes += static_cast<uint64_t>(got)) {
    for (size_t i = 0; i < static_cast<size_t>(got) / 8; ++i) sum += words[i];
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%.0f\n", double(bytes) / seconds);
  close(fd);
  return sum == 42 ? 3 : 0;  // keeps the sum from being optimised away
}
