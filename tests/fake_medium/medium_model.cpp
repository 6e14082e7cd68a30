#include "tests/fake_medium/medium_model.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

#include "tests/fake_medium/flat_store.h"
#include "tests/fake_medium/sector_ring.h"

namespace {

// A number in decimal or, with 0x, hexadecimal; nothing else may follow it.
bool ParseNumber(const std::string& text, uint64_t* value) {
  if (text.empty() || text[0] == '-') return false;
  char* end = nullptr;
  errno = 0;
  const unsigned long long parsed = strtoull(text.c_str(), &end, 0);
  if (errno != 0 || *end != '\0') return false;
  *value = parsed;
  return true;
}

std::unique_ptr<DataStore> StoreFor(uint64_t claimedBytes, uint64_t realBytes, Storage storage) {
  switch (storage) {
    case Storage::kWrap:
      return std::make_unique<FlatStore>(realBytes, std::nullopt);
    case Storage::kDropAsZeros:
      return std::make_unique<FlatStore>(realBytes, 0x00);
    case Storage::kDropAsOnes:
      return std::make_unique<FlatStore>(realBytes, 0xFF);
    case Storage::kLogLostAsZeros:
      return std::make_unique<SectorRing>(claimedBytes, realBytes, SectorRing::Lost::kZeros);
    case Storage::kLogLostAsNewer:
      return std::make_unique<SectorRing>(claimedBytes, realBytes, SectorRing::Lost::kNewer);
  }
  return nullptr;
}

}  // namespace

std::string MediumModel::SizeProblem(uint64_t claimedBytes, uint64_t realBytes, Storage storage) {
  if (realBytes == 0 || realBytes > claimedBytes) {
    return "the real size must be more than 0 and at most the claimed size";
  }
  const bool log = storage == Storage::kLogLostAsZeros || storage == Storage::kLogLostAsNewer;
  if (log && !SectorRing::Fits(claimedBytes, realBytes)) {
    return "a log needs a real size of a sector at least and a claimed size below 2 TiB";
  }
  return "";
}

MediumModel::MediumModel(uint64_t claimedBytes, uint64_t realBytes, Storage storage)
    : claimedBytes_(claimedBytes),
      store_(StoreFor(claimedBytes, realBytes, storage)),
      lastWrites_((claimedBytes + kRecordSectorBytes - 1) / kRecordSectorBytes * kRecordHeadBytes) {
}

const char* MediumModel::Usage() {
  return "  flip POSITION MASK        invert the bits of MASK in the byte at POSITION on every "
         "read\n"
         "  read-error START END      reads that touch [START, END) fail with EIO\n"
         "  write-error START END     writes that touch [START, END) fail with EIO\n"
         "  disconnect-after BYTES    once BYTES more bytes are read or written, every request\n"
         "                            (and the one that would pass the limit) fails with EIO\n"
         "  disconnect                every request fails with EIO from now on\n"
         "  clear                     forget the flips, the error ranges and a pending disconnect\n"
         "                            (a medium that disconnected stays disconnected)\n";
}

bool MediumModel::Transfer(size_t size, uint64_t* direction) {
  if (disconnectAt_ && transferred_ + size > *disconnectAt_) disconnected_ = true;
  if (disconnected_) return false;
  transferred_ += size;
  *direction += size;
  return true;
}

int MediumModel::Read(uint64_t position, size_t size, uint8_t* data, size_t* done) {
  *done = 0;
  if (disconnected_) return EIO;
  if (position >= claimedBytes_) return 0;
  size = static_cast<size_t>(std::min<uint64_t>(size, claimedBytes_ - position));
  if (readError_ && readError_->Meets(position, size)) return EIO;
  if (!Transfer(size, &read_)) return EIO;
  store_->Read(position, size, data);
  for (auto flip = flips_.lower_bound(position);
       flip != flips_.end() && flip->first < position + size; ++flip) {
    data[flip->first - position] ^= flip->second;
  }
  *done = size;
  return 0;
}

int MediumModel::Write(uint64_t position, size_t size, const uint8_t* data, size_t* done) {
  *done = 0;
  if (disconnected_) return EIO;
  if (position >= claimedBytes_) return ENOSPC;
  size = static_cast<size_t>(std::min<uint64_t>(size, claimedBytes_ - position));
  if (writeError_ && writeError_->Meets(position, size)) return EIO;
  if (!Transfer(size, &written_)) return EIO;
  store_->Write(position, size, data);
  RecordWrite(position, size, data);
  *done = size;
  return 0;
}

void MediumModel::RecordWrite(uint64_t position, size_t size, const uint8_t* data) {
  const uint64_t end = position + size;
  for (uint64_t sector = position / kRecordSectorBytes; sector * kRecordSectorBytes < end;
       ++sector) {
    const uint64_t head = sector * kRecordSectorBytes;
    const uint64_t from = std::max(position, head);
    const uint64_t to = std::min(end, head + kRecordHeadBytes);
    if (from < to) {
      memcpy(&lastWrites_[sector * kRecordHeadBytes + (from - head)], data + (from - position),
             to - from);
    }
  }
}

std::string MediumModel::Command(const std::string& line) {
  std::istringstream words(line);
  std::string verb;
  std::vector<std::string> operands;
  words >> verb;
  for (std::string word; words >> word;) operands.push_back(word);
  std::vector<uint64_t> numbers(operands.size());
  for (size_t i = 0; i < operands.size(); ++i) {
    if (!ParseNumber(operands[i], &numbers[i])) return "not a number: '" + operands[i] + "'";
  }
  auto expect = [&](size_t count) { return operands.size() == count; };

  if (verb == "flip" && expect(2)) {
    if (numbers[0] >= claimedBytes_ || numbers[1] == 0 || numbers[1] > 0xFF) {
      return "flip needs a position on the medium and a mask of 1 to 0xff";
    }
    flips_[numbers[0]] ^= static_cast<uint8_t>(numbers[1]);
  } else if ((verb == "read-error" || verb == "write-error") && expect(2)) {
    if (numbers[0] >= numbers[1]) return verb + " needs START < END";
    (verb == "read-error" ? readError_ : writeError_) = Range{numbers[0], numbers[1]};
  } else if (verb == "disconnect-after" && expect(1)) {
    disconnectAt_ = transferred_ + numbers[0];
  } else if (verb == "disconnect" && expect(0)) {
    disconnected_ = true;
  } else if (verb == "clear" && expect(0)) {
    flips_.clear();
    readError_.reset();
    writeError_.reset();
    disconnectAt_.reset();
  } else {
    return "unknown command: '" + line + "'";
  }
  return "";
}

std::string MediumModel::Status() const {
  return "transferred " + std::to_string(transferred_) + "\nread " + std::to_string(read_) +
         "\nwritten " + std::to_string(written_) + "\ndisconnected " + (disconnected_ ? "1" : "0") +
         "\n";
}
