// What the fake medium stores and how it misbehaves: a device of a claimed size whose data is
// kept in memory of a real size, with the faults a test arms. Positions are byte positions on
// the claimed device. It also remembers where each write went, so that a test can tell what a
// run should find. One thread at a time (the helper serves one request after another).
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "tests/fake_medium/data_store.h"
#include "tests/fake_medium/zeroed_array.h"

// How the medium keeps data in less room than it claims.
enum class Storage {
  kWrap,         // position X is stored at X modulo the real size
  kDropAsZeros,  // writes at or past the real size are dropped; reads there give 0x00
  kDropAsOnes,   // writes at or past the real size are dropped; reads there give 0xFF
  // Log-structured (SectorRing): the sectors written last, up to the real size, read back
  // wherever they lie; one written before those reads zeros, or what its place holds now.
  kLogLostAsZeros,
  kLogLostAsNewer,
};

class MediumModel {
 public:
  // What keeps a medium of these sizes from being made, or an empty string.
  static std::string SizeProblem(uint64_t claimedBytes, uint64_t realBytes, Storage storage);
  // REQUIRES: SizeProblem(claimedBytes, realBytes, storage) is empty.
  MediumModel(uint64_t claimedBytes, uint64_t realBytes, Storage storage);

  // The record of writes: for each 512-byte sector of the claimed device, the first 16 bytes
  // of the last write that reached it (zeros where none did), whatever the medium kept of it.
  static constexpr size_t kRecordSectorBytes = 512;
  static constexpr size_t kRecordHeadBytes = 16;

  uint64_t claimedBytes() const { return claimedBytes_; }
  const ZeroedArray<uint8_t>& lastWrites() const { return lastWrites_; }

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
  // The state for the control file: bytes transferred, of them read and written, and whether it
  // is disconnected.
  std::string Status() const;

  static const char* Usage();

 private:
  struct Range {
    uint64_t start, end;  // [start, end)
    bool Meets(uint64_t position, size_t size) const {
      return position < end && position + size > start;
    }
  };
  // Counts a transfer of `size` bytes in *direction, or disconnects the medium if it would pass
  // the limit.
  bool Transfer(size_t size, uint64_t* direction);
  void RecordWrite(uint64_t position, size_t size, const uint8_t* data);

  const uint64_t claimedBytes_;
  const std::unique_ptr<DataStore> store_;
  ZeroedArray<uint8_t> lastWrites_;    // kRecordHeadBytes for each sector of the claimed device
  std::map<uint64_t, uint8_t> flips_;  // position -> bits inverted on every read
  std::optional<Range> readError_, writeError_;
  std::optional<uint64_t> disconnectAt_;  // the transfer count at which it disconnects
  bool disconnected_ = false;
  uint64_t transferred_ = 0;         // bytes read and written by requests that succeeded
  uint64_t read_ = 0, written_ = 0;  // of them, read and written
};
