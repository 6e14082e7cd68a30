// What the fake medium stores and how it misbehaves: a device of a claimed size whose data is
// kept in memory of a real size, with the faults a test arms. Positions are byte positions on
// the claimed device. It also remembers where each write went, so that a test can tell what a
// run should find. One thread at a time (the helper serves one request after another).
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// What happens to positions at or past the real size.
enum class PastEnd {
  kWrap,         // position X is stored at X modulo the real size
  kDropAsZeros,  // writes are dropped; reads give 0x00
  kDropAsOnes,   // writes are dropped; reads give 0xFF
};

class MediumModel {
 public:
  // REQUIRES: 0 < realBytes <= claimedBytes.
  MediumModel(uint64_t claimedBytes, uint64_t realBytes, PastEnd pastEnd);

  // The record of writes: for each 512-byte sector of the claimed device, the first 16 bytes
  // of the last write that reached it (zeros where none did), whatever the medium kept of it.
  static constexpr size_t kRecordSectorBytes = 512;
  static constexpr size_t kRecordHeadBytes = 16;

  uint64_t claimedBytes() const { return claimedBytes_; }
  const std::vector<uint8_t>& lastWrites() const { return lastWrites_; }

  // Reads `size` bytes at `position` into `data`; past the claimed size, fewer. Returns 0 and
  // the bytes read in *done, or EIO.
  int Read(uint64_t position, size_t size, uint8_t* data, size_t* done);
  // Writes `size` bytes; past the claimed size, fewer (none at or past it: ENOSPC). Returns 0 and
  // the bytes written in *done, or an errno.
  int Write(uint64_t position, size_t size, const uint8_t* data, size_t* done);
  // A request to make the data durable: EIO once disconnected, else 0.
  int Sync() const { return disconnected_ ? EIO : 0; }

  // Carries out one command (see Usage()); returns an empty string or what was wrong with it.
  std::string Command(const std::string& line);
  // The state for the control file: bytes transferred and whether it is disconnected.
  std::string Status() const;

  static const char* Usage();

 private:
  struct Range {
    uint64_t start, end;  // [start, end)
    bool Meets(uint64_t position, size_t size) const {
      return position < end && position + size > start;
    }
  };
  // Counts a transfer of `size` bytes, or disconnects the medium if it would pass the limit.
  bool Transfer(size_t size);
  // Where the first of `size` bytes from `position` on are stored and how many follow it there
  // in one piece; or null and `size` when the medium drops them all.
  std::pair<uint8_t*, size_t> Span(uint64_t position, size_t size);
  void RecordWrite(uint64_t position, size_t size, const uint8_t* data);

  const uint64_t claimedBytes_;
  const uint64_t realBytes_;
  const PastEnd pastEnd_;
  std::vector<uint8_t> store_;
  std::vector<uint8_t> lastWrites_;    // kRecordHeadBytes for each sector of the claimed device
  std::map<uint64_t, uint8_t> flips_;  // position -> bits inverted on every read
  std::optional<Range> readError_, writeError_;
  std::optional<uint64_t> disconnectAt_;  // the transfer count at which it disconnects
  bool disconnected_ = false;
  uint64_t transferred_ = 0;  // bytes read and written by requests that succeeded
};
