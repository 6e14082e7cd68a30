// kestrum-cli on a fake medium (tests/support/fake_medium.h) that carries the file systems such
// media come with. exFAT and NTFS are mounted by FUSE drivers that read the device through the
// system's cache, so a verify pass may be answered from memory: run as root, kestrum-cli has to
// find what the medium itself holds; run by a user who cannot read the device, it must never
// give the clean result alone. xfs and btrfs keep records of their own all over the medium and
// must not pass a medium that wraps around either.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/cli_json.h"
#include "tests/support/fake_medium.h"
#include "tests/support/predicted_counts.h"
#include "tests/support/sector_counts.h"

namespace {

using FileSystem = FakeMedium::FileSystem;
using Storage = FakeMedium::Storage;

constexpr int kExitNoError = 0;
constexpr int kExitDamaged = 1;
constexpr int kExitError = 2;
constexpr int kExitUnproven = 4;
const UserIds kNobody{65534, 65534};

// The result lines of a run that found nothing wrong.
std::string Completion(bool verifyOnly) {
  return verifyOnly ? "\n测试已完成,没有发现错误\n"
                    : "\n测试已完成,没有发现错误.\n现在可以删除测试用文件 *.kst 或再次进行测试\n";
}
const std::string kReportHeading = "\n媒介可能有问题\n";

// The note before a run whose reads may come from the system's memory, and the result line of
// such a run that found nothing wrong, for a write-and-verify run and for a verify-only run.
std::string UnprovenNote(bool verifyOnly) {
  return std::string(
             "注意: 在此文件系统 (fuseblk) 上, 读取的数据可能来自系统的内存而不是媒介, "
             "本程序无法排除这一点.") +
         (verifyOnly ? "只有在写入测试用文件后拔出并重新插入过媒介, 测试结果才可靠, "
                       "或以有权读取该设备的用户运行本程序.\n"
                     : "所以写入期间不会抽查媒介是否丢失了数据."
                       "为了得到可靠的结果, 请在写入后拔出并重新插入媒介, 然后只进行测试, "
                       "或以有权读取该设备的用户运行本程序.\n");
}

std::string UnprovenResult(bool verifyOnly) {
  return verifyOnly ? "\n测试已完成,没有发现错误, 但读取的数据可能来自系统的内存而不是媒介.\n"
                      "只有在写入测试用文件后拔出并重新插入过媒介, 此结果才可靠\n"
                    : "\n测试已完成,没有发现错误, 但读取的数据可能来自系统的内存而不是媒介, "
                      "所以此结果不能证明媒介完好.\n"
                      "请保留测试用文件 *.kst, 拔出并重新插入媒介, 然后再只进行一次测试\n";
}

// A fake medium and the test data a run writes on it: more than it really holds, unless it is
// healthy.
struct Fake {
  const char* name;
  uint64_t claimedMB, realMB;  // realMB 0: healthy
  Storage storage;
  uint64_t sizeMB;
};

// The media for each FUSE driver. exFAT keeps its tables in the first 3 MiB, so any real size
// above that leaves them whole. NTFS keeps the MFT's mirror and its log in the middle of the
// medium and checks them when it mounts: a medium that dropped them, or stored them on top of the
// tables at its start, could not be mounted at all.
std::vector<Fake> FakesFor(FileSystem fileSystem) {
  if (fileSystem == FileSystem::kExfat) {
    return {{"healthy", 48, 0, Storage::kWrap, 32},
            {"wrapping around", 48, 16, Storage::kWrap, 32},
            {"dropping writes, reading zeros", 48, 16, Storage::kDropReadZeros, 32},
            {"dropping writes, reading ones", 48, 16, Storage::kDropReadOnes, 32}};
  }
  return {{"healthy", 64, 0, Storage::kWrap, 56},
          {"wrapping around", 64, 40, Storage::kWrap, 56},
          {"dropping writes, reading zeros", 64, 40, Storage::kDropReadZeros, 56},
          {"dropping writes, reading ones", 64, 40, Storage::kDropReadOnes, 56}};
}

using CliRun = CliJsonRun;

CliRun RunCli(const FakeMedium& medium, const std::vector<std::string>& options,
              const std::optional<UserIds>& user = std::nullopt) {
  return RunCliWithJson(KESTRUM_CLI, medium.root(), options, user);
}

SectorCounts CountsOf(const nlohmann::json& r) {
  return {r.value("okSectors", uint64_t{0}), r.value("overwrittenSectors", uint64_t{0}),
          r.value("slightlyChangedSectors", uint64_t{0}), r.value("corruptedSectors", uint64_t{0}),
          r.value("aliasedOffsets", uint64_t{0})};
}

// A run whose reads came from the medium: it found what the medium holds, sector by sector.
// Exactly: mounted without access times, neither driver writes while a test file is read, so the
// medium holds after the run what the verify pass read. (With access times, ntfs-3g writes the
// file's MFT record back after the verify pass has read it; on a medium that wraps around, that
// changes 8 sectors of test data which the pass had found intact.)
void ExpectTheMediumFound(const FakeMedium& medium, const Fake& fake, const CliRun& run,
                          bool verifyOnly) {
  const std::optional<TestProgress> predicted = PredictVerify(medium, fake.sizeMB);
  ASSERT_TRUE(predicted);
  const bool damaged = predicted->okSectors < fake.sizeMB * kSectorsPerBlock;
  EXPECT_EQ(damaged, fake.realMB != 0);
  EXPECT_EQ(run.status, damaged ? kExitDamaged : kExitNoError) << run.text;
  EXPECT_EQ(run.result["outcome"], damaged ? "damaged" : "completed");
  EXPECT_EQ(run.result["readsFromMedium"], true);
  EXPECT_EQ(run.result["verifiedMB"], fake.sizeMB);
  EXPECT_EQ(CountsOf(run.result), CountsOf(*predicted));
  if (predicted->firstErrorSeen) {
    const FirstError& first = predicted->firstError;
    EXPECT_EQ(run.result["firstError"], nlohmann::json({{"offset", first.offset},
                                                        {"expected", first.expected},
                                                        {"found", first.found}}));
  } else {
    EXPECT_EQ(run.result["firstError"], nullptr);
  }
  EXPECT_EQ(Contains(run.text, kReportHeading), damaged) << run.text;
  EXPECT_EQ(Contains(run.text, Completion(verifyOnly)), !damaged) << run.text;
}

// A run as a user who cannot read the device: nothing found, and it says that proves nothing.
// Unless the system dropped some of the cached data (memory runs short while other tests run):
// then a damaged medium answers a read of it, and the damage is reported as such.
void ExpectUnproven(const Fake& fake, const CliRun& run, bool verifyOnly) {
  EXPECT_EQ(run.result["readsFromMedium"], false);
  EXPECT_TRUE(Contains(run.text, UnprovenNote(verifyOnly))) << run.text;
  EXPECT_FALSE(Contains(run.text, Completion(verifyOnly))) << run.text;
  if (fake.realMB != 0 && run.status == kExitDamaged) {
    EXPECT_EQ(run.result["outcome"], "damaged");
    EXPECT_TRUE(Contains(run.text, kReportHeading)) << run.text;
    return;
  }
  EXPECT_EQ(run.status, kExitUnproven) << run.text;
  EXPECT_EQ(run.result["outcome"], "unproven");
  EXPECT_TRUE(Contains(run.text, UnprovenResult(verifyOnly))) << run.text;
}

class FuseDriverMedium : public testing::TestWithParam<FileSystem> {
 protected:
  void SetUp() override {
    if (std::string why = FakeMedium::WhyUnavailable(GetParam()); !why.empty()) {
      GTEST_SKIP() << why;
    }
  }

  static FakeMedium::Options OptionsFor(const Fake& fake, std::optional<UserIds> owner = {}) {
    return {.claimedMB = fake.claimedMB,
            .realMB = fake.realMB,
            .storage = fake.storage,
            .fileSystem = GetParam(),
            .owner = owner};
  }
};

// A medium that wraps around, under a kernel file system, and how kestrum-cli ends on it.
struct KernelCase {
  FileSystem fileSystem;
  uint64_t claimedMB, realMB, sizeMB;
  int status;
  const char* error;      // how the error text begins: this, the test file's name, ...
  const char* afterFile;  // ... and this
  nlohmann::json readsFromMedium;
};

// How GoogleTest shows and names a parameter.
void PrintTo(const KernelCase& c, std::ostream* out) { *out << FakeMedium::Name(c.fileSystem); }

class KernelFileSystemMedium : public testing::TestWithParam<KernelCase> {
 protected:
  void SetUp() override {
    if (std::string why = FakeMedium::WhyUnavailable(GetParam().fileSystem); !why.empty()) {
      GTEST_SKIP() << why;
    }
  }
};

}  // namespace

// How GoogleTest shows and names a parameter (found beside FakeMedium, so outside the namespace
// above).
void PrintTo(FakeMedium::FileSystem fileSystem, std::ostream* out) {
  *out << FakeMedium::Name(fileSystem);
}

TEST_P(FuseDriverMedium, AsRootTheVerifyPassFindsWhatTheMediumHolds) {
  for (const Fake& fake : FakesFor(GetParam())) {
    SCOPED_TRACE(fake.name);
    FakeMedium medium;
    ASSERT_TRUE(medium.Attach(OptionsFor(fake)));
    const CliRun run = RunCli(medium, {"--size", std::to_string(fake.sizeMB)});
    ExpectTheMediumFound(medium, fake, run, false);
  }
}

TEST_P(FuseDriverMedium, AUserWhoCannotReadTheDeviceIsNeverToldTheMediumIsFine) {
  // A build below a directory closed to others (a home directory, say) cannot serve this test.
  if (const ChildResult version = RunChild(KESTRUM_CLI, {"--version"}, false, {}, kNobody);
      version.status != 0) {
    GTEST_SKIP() << "user " << kNobody.uid << " cannot run " << KESTRUM_CLI << " (status "
                 << version.status << ") " << version.err;
  }
  for (const Fake& fake : FakesFor(GetParam())) {
    SCOPED_TRACE(fake.name);
    FakeMedium medium;
    ASSERT_TRUE(medium.Attach(OptionsFor(fake, kNobody)));
    ExpectUnproven(fake, RunCli(medium, {"--size", std::to_string(fake.sizeMB)}, kNobody),
                   false);
    ExpectUnproven(fake, RunCli(medium, {"--verify-only"}, kNobody), true);
    // The system's cache still holds what was written; root reads past it.
    ExpectTheMediumFound(medium, fake, RunCli(medium, {"--verify-only"}), true);
  }
}

INSTANTIATE_TEST_SUITE_P(Drivers, FuseDriverMedium,
                         testing::Values(FileSystem::kExfat, FileSystem::kNtfs),
                         testing::PrintToStringParamName());

TEST_P(KernelFileSystemMedium, AMediumThatWrapsAroundNeverPasses) {
  const KernelCase& c = GetParam();
  FakeMedium medium;
  ASSERT_TRUE(
      medium.Attach({.claimedMB = c.claimedMB, .realMB = c.realMB, .fileSystem = c.fileSystem}));
  const CliRun run = RunCli(medium, {"--size", std::to_string(c.sizeMB)});
  EXPECT_EQ(run.status, c.status) << run.text;
  EXPECT_EQ(run.result["outcome"], "error");
  EXPECT_EQ(run.result["readsFromMedium"], c.readsFromMedium);
  ASSERT_TRUE(run.result["errorText"].is_string()) << run.text;
  const std::string start = c.error + medium.TestFile(1) + c.afterFile;
  EXPECT_EQ(run.result["errorText"].get<std::string>().rfind(start, 0), 0u)
      << run.result["errorText"];
  EXPECT_FALSE(Contains(run.text, "没有发现错误")) << run.text;
}

INSTANTIATE_TEST_SUITE_P(
    WrapAround, KernelFileSystemMedium,
    testing::Values(
        // An error in the write pass. Its allocation groups begin at each quarter of the
        // medium, the third at 160 MiB, stored at 64 MiB; test data written there overwrote
        // that group's records, and when the file reaches the group the file system refuses to
        // allocate from it (EUCLEAN). No verify pass begins.
        KernelCase{FileSystem::kXfs, 320, 96, 200, kExitError, "无法写入文件 '", "', 偏移 0x",
                   nullptr},
        // An error at the first read of the verify pass. It checksums file data, and the first
        // blocks of the file were overwritten by test data that wrapped around (EIO).
        KernelCase{FileSystem::kBtrfs, 128, 32, 40, kExitError, "无法读取文件 '", "', 偏移 0x0\r\n",
                   true}),
    testing::PrintToStringParamName());
