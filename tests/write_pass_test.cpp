#include "engine/write_pass.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <functional>

#include "engine/test_session.h"
#include "tests/support/scratch_target.h"
#include "tests/support/session.h"
#include "tests/support/test_data.h"

namespace {

constexpr uint64_t MB = 1048576;

class WritePassTest : public ScratchTargetTest {
 protected:
  std::optional<std::wstring> Write(uint64_t sizeMB) {
    TestSession.sizeMB = sizeMB;
    return RunPass(WritePass);
  }

  std::wstring CreateError(const std::wstring& name, unsigned code) {
    return L"无法创建文件 '" + name + L"'\r\n(" + SystemText(code) + L" Code " +
           std::to_wstring(code) + L")\r\n";
  }
};

}  // namespace

TEST_F(WritePassTest, SizeZeroCreatesNoFile) {
  EXPECT_EQ(Write(0), std::nullopt);
  const TestProgress p = CopyProgress();
  EXPECT_TRUE(p.writeStarted);
  EXPECT_FALSE(p.writing);
  EXPECT_EQ(p.writtenMB, 0u);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(WritePassTest, WritesThePatternOfEachOffsetAndCountsEveryMByte) {
  EXPECT_EQ(Write(3), std::nullopt);
  const TestProgress p = CopyProgress();
  EXPECT_EQ(p.writtenMB, 3u);
  EXPECT_FALSE(p.writing);
  EXPECT_LE(p.writeStartTime, p.writeNowTime);
  EXPECT_EQ(FileSize(dir.File("1.kst")), 3 * MB);
  EXPECT_FALSE(std::filesystem::exists(dir.File("2.kst")));
  for (uint64_t sector : {uint64_t{0}, MB - 512, MB, 3 * MB - 512}) {
    EXPECT_EQ(ReadWord(dir.File("1.kst"), sector), sector);
    EXPECT_EQ(ReadWord(dir.File("1.kst"), sector + 63 * 8), PatternWordAt(sector, 63));
  }
}

TEST_F(WritePassTest, NeverOverwritesAnExistingTestFile) {
  MakeSparseFile(dir.File("1.kst"), 0);
  EXPECT_EQ(Write(2), CreateError(dir.widePath() + L"/1.kst", EEXIST));
  const TestProgress p = CopyProgress();
  EXPECT_TRUE(p.writeStarted);
  EXPECT_FALSE(p.writing);
  EXPECT_EQ(p.writtenMB, 0u);
  EXPECT_EQ(FileSize(dir.File("1.kst")), 0u);
}

TEST_F(WritePassTest, CreateErrorsNameTheFileInEitherLanguage) {
  ResetSession(dir.widePath() + L"/gone");
  EXPECT_EQ(Write(1), CreateError(dir.widePath() + L"/gone/1.kst", ENOENT));

  Language = 1;
  EXPECT_EQ(Write(1), L"無法創建檔案 '" + dir.widePath() + L"/gone/1.kst'\r\n(" +
                          SystemText(ENOENT) + L" Code 2)\r\n");
}

TEST_F(WritePassTest, NeverFollowsOrOpensAnEntryThatIsNotAPlainNewFile) {
  const struct {
    const char* name;
    std::function<void(const ScratchDir&)> make;
  } cases[] = {
      {"a directory",
       [](const ScratchDir& d) { std::filesystem::create_directory(d.File("1.kst")); }},
      {"a symbolic link to a file",
       [](const ScratchDir& d) {
         MakeSparseFile(d.File("victim"), 0);
         std::filesystem::create_symlink(d.File("victim"), d.File("1.kst"));
       }},
      {"a dangling symbolic link",
       [](const ScratchDir& d) {
         std::filesystem::create_symlink(d.File("nowhere"), d.File("1.kst"));
       }},
      {"a pipe", [](const ScratchDir& d) { ASSERT_EQ(mkfifo(d.File("1.kst").c_str(), 0644), 0); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir d;
    c.make(d);
    ResetSession(d.widePath());
    EXPECT_EQ(Write(2), CreateError(d.widePath() + L"/1.kst", EEXIST));
    EXPECT_FALSE(std::filesystem::exists(d.File("nowhere")));
    if (std::filesystem::exists(d.File("victim"))) {
      EXPECT_EQ(FileSize(d.File("victim")), 0u);
    }
  }
}
