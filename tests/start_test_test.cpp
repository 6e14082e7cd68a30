#include "target/start_test.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/test_session.h"
#include "platform/memory_dialog.h"
#include "platform/volume.h"
#include "resources/resource_ids.h"
#include "target/test_files.h"
#include "tests/support/scratch_target.h"
#include "tests/support/test_data.h"

namespace {

constexpr uint64_t MB = 1048576;

struct Message {
  std::wstring text;
  MessageKind kind;
  bool operator==(const Message&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Message& m) {
  return out << (m.kind == MessageKind::kRefusal ? "refusal " : "note ")
             << testing::PrintToString(m.text);
}

// What the progress dialog would find when it opens.
struct StartedRun {
  uint64_t sizeMB;
  bool doWrite, doVerify, endless;
  std::wstring warning;
};

class RecordingHost : public StartTestHost {
 public:
  void ShowMessage(const wchar_t* text, MessageKind kind) override {
    messages.push_back({text, kind});
  }
  void RunProgressDialog() override {
    const FixedText<kWarningChars> warning = CopyWarningText();
    runs.push_back({TestSession.sizeMB, TestSession.doWrite, TestSession.doVerify,
                    TestSession.endless, warning.Get() ? warning.Get() : L""});
  }
  std::vector<Message> messages;
  std::vector<StartedRun> runs;
};

const Message kFilesPresent = {L"由于此路径存在测试用文件，无法写入", MessageKind::kRefusal};
const Message kFilesDamaged = {L"无法进行测试，因为一个或多个测试用文件的大小不正确",
                               MessageKind::kRefusal};
const Message kSizeZero = {L"数据量不能为0!", MessageKind::kRefusal};
const Message kNotEnoughSpace = {L"可用空间不足!", MessageKind::kRefusal};

Message Note(uint64_t requestedMB, uint64_t totalMB) {
  return {L"注意: 只测试 " + std::to_wstring(requestedMB) + L" MByte,而总容量为 " +
              std::to_wstring(totalMB) +
              L" MByte,所以此测试将无法找到所有错误.为了得到最佳结果,请在测试前格式化媒介."
              L"(NTFS卷上保留了少量容量,因此看到此信息是正常的)",
          MessageKind::kNote};
}

// The note before a run on a file system whose reads memory may answer.
Message ReadsNote(const wchar_t* type, bool write) {
  return {std::wstring(L"注意: 在此文件系统 (") + type +
              L") 上, 读取的数据可能来自系统的内存而不是媒介, 本程序无法排除这一点." +
              (write ? L"所以写入期间不会抽查媒介是否丢失了数据."
                       L"为了得到可靠的结果, 请在写入后拔出并重新插入媒介, 然后只进行测试, "
                     : L"只有在写入测试用文件后拔出并重新插入过媒介, 测试结果才可靠, ") +
              L"或以有权读取该设备的用户运行本程序.",
          MessageKind::kNote};
}

class StartTestTest : public ScratchTargetTest {
 protected:
  void SetUp() override {
    ScratchTargetTest::SetUp();
    StandInVolume(5000, 7629);
    dialog.controls[IDC_ALL_SPACE].checked = true;
  }

  static void StandInVolume(uint64_t freeMB, uint64_t totalMB) {
    SetVolumeSpaceQueryForTesting([=](const wchar_t*, VolumeSpace* space) {
      *space = {freeMB * MB, totalMB * MB};
      return true;
    });
  }

  void TypeSize(const wchar_t* text) {
    dialog.controls[IDC_ALL_SPACE].checked = false;
    dialog.controls[IDC_ONLY_SIZE].checked = true;
    dialog.controls[IDC_SIZE_MB].text = text;
  }

  // A refused start leaves the run's parameters as they were.
  void ExpectRefusedWith(const Message& message, bool refreshed) {
    EXPECT_EQ(host.messages, std::vector<Message>{message});
    EXPECT_TRUE(host.runs.empty());
    EXPECT_EQ(TestSession.sizeMB, 77u);
    EXPECT_FALSE(TestSession.doWrite || TestSession.doVerify || TestSession.endless);
    EXPECT_EQ(dialog.controls.count(IDC_FILE_STATUS), refreshed ? 1u : 0u);
  }

  MemoryDialog dialog;
  RecordingHost host;
};

}  // namespace

TEST_F(StartTestTest, RefusesWhatTheDirectoryHolds) {
  const struct {
    const char* name;
    const char* file;
    uint64_t bytes;
    bool write;
    Message message;
  } cases[] = {
      {"writing over a complete set", "1.kst", MB, true, kFilesPresent},
      {"writing over a damaged set", "1.kst", MB + 1, true, kFilesPresent},
      {"verifying a damaged set", "1.kst", MB + 1, false, kFilesDamaged},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir d;
    ResetSession(d.widePath());
    StandInVolume(5000, 7629);
    TestSession.sizeMB = 77;
    MakeSparseFile(d.File(c.file), c.bytes);
    dialog = MemoryDialog();
    host = RecordingHost();
    StartTest(dialog, host, c.write);
    ExpectRefusedWith(c.message, true);
  }
}

TEST_F(StartTestTest, RefusesASizeOfZeroOrNone) {
  for (const wchar_t* typed : {L"0", L"", L"00"}) {
    TestSession.sizeMB = 77;
    host = RecordingHost();
    TypeSize(typed);
    StartTest(dialog, host, true);
    ExpectRefusedWith(kSizeZero, false);
  }
}

TEST_F(StartTestTest, RefusesMoreThanTheFreeSpaceAndOffersTheFreeSpace) {
  TestSession.sizeMB = 77;
  TypeSize(L"5001");
  StartTest(dialog, host, true);
  ExpectRefusedWith(kNotEnoughSpace, false);
  EXPECT_EQ(dialog.controls[IDC_SIZE_MB].text, L"5000");

  host = RecordingHost();  // the second click asks for exactly the free space
  StartTest(dialog, host, true);
  EXPECT_EQ(host.messages, std::vector<Message>{Note(5000, 7629)});
  ASSERT_EQ(host.runs.size(), 1u);
  EXPECT_EQ(host.runs[0].sizeMB, 5000u);
}

TEST_F(StartTestTest, ANumberBeyond64BitsIsNeverWrappedIntoASize) {
  TestSession.sizeMB = 77;
  TypeSize(L"1234567890123456789012345");
  StartTest(dialog, host, true);
  ExpectRefusedWith(kNotEnoughSpace, false);
}

TEST_F(StartTestTest, StoresTheRunAndNotesAPartialTest) {
  const struct {
    const char* name;
    uint64_t freeMB, totalMB;
    bool allSpace;
    const wchar_t* typed;
    bool endless;
    uint64_t storedMB;
    std::vector<Message> messages;
  } cases[] = {
      {"all space on a volume in use", 5000, 7629, true, L"", false, 0, {Note(5000, 7629)}},
      {"all space on an empty volume", 7629, 7629, true, L"", true, 0, {}},
      {"a size equal to the free space",
       5000,
       7629,
       false,
       L"5000",
       false,
       5000,
       {Note(5000, 7629)}},
      {"a size equal to the whole volume", 7629, 7629, false, L"7629", false, 7629, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StandInVolume(c.freeMB, c.totalMB);
    dialog = MemoryDialog();
    host = RecordingHost();
    dialog.controls[IDC_ALL_SPACE].checked = c.allSpace;
    dialog.controls[IDC_SIZE_MB].text = c.typed;
    dialog.controls[IDC_ENDLESS].checked = c.endless;
    StartTest(dialog, host, true);
    EXPECT_EQ(host.messages, c.messages);
    ASSERT_EQ(host.runs.size(), 1u);
    EXPECT_EQ(host.runs[0].sizeMB, c.storedMB);
    EXPECT_TRUE(host.runs[0].doWrite && host.runs[0].doVerify);
    EXPECT_EQ(host.runs[0].endless, c.endless);
    // The status is refreshed after the run.
    EXPECT_EQ(dialog.controls[IDC_FILE_STATUS].text, L"此路径没有测试用文件存在");
  }
}

TEST_F(StartTestTest, AnUnknownTotalGivesNoNote) {
  SetVolumeSpaceQueryForTesting([](const wchar_t*, VolumeSpace*) { return false; });
  TypeSize(L"100");
  StartTest(dialog, host, true);
  EXPECT_TRUE(host.messages.empty());
  ASSERT_EQ(host.runs.size(), 1u);
  EXPECT_EQ(host.runs[0].sizeMB, 100u);  // an unknown free space lets every size pass
}

TEST_F(StartTestTest, VerifyingTakesTheSizeOfTheSetFound) {
  MakeSparseFile(dir.File("1.kst"), 1024 * MB);
  MakeSparseFile(dir.File("2.kst"), 5 * MB);
  dialog.controls[IDC_ENDLESS].checked = true;
  StartTest(dialog, host, false);
  EXPECT_TRUE(host.messages.empty());
  ASSERT_EQ(host.runs.size(), 1u);
  EXPECT_EQ(host.runs[0].sizeMB, 1029u);
  EXPECT_FALSE(host.runs[0].doWrite);
  EXPECT_TRUE(host.runs[0].doVerify && host.runs[0].endless);
  EXPECT_EQ(host.runs[0].warning, L"警告: 只测试了 1029 MByte(共 7629 MByte)\r\n");
}

TEST_F(StartTestTest, VerifyingAnEmptyDirectoryStartsWithSizeZero) {
  StartTest(dialog, host, false);
  ASSERT_EQ(host.runs.size(), 1u);
  EXPECT_EQ(host.runs[0].sizeMB, 0u);  // resolved to the free space when the run is prepared
}

TEST_F(StartTestTest, NotesAFileSystemWhereMemoryMayAnswerTheReads) {
  if (std::string why = WhyNoMemoryFileSystem(); !why.empty()) GTEST_SKIP() << why;
  ScratchDir memory(kMemoryFileSystem);
  SetTargetPath(memory.widePath().c_str());
  StartTest(dialog, host, true);
  EXPECT_EQ(host.messages, (std::vector<Message>{Note(5000, 7629), ReadsNote(L"tmpfs", true)}));
  EXPECT_EQ(host.runs.size(), 1u);

  host = RecordingHost();
  Language = 1;
  StartTest(dialog, host, false);
  EXPECT_EQ(host.messages,
            (std::vector<Message>{
                {L"注意: 在此檔案系統 (tmpfs) 上, 讀取的數據可能來自系統的記憶體而不是媒介, "
                 L"本程式無法排除這一點.只有在寫入測試用檔案後拔出並重新插入過媒介, "
                 L"測試結果才可靠, 或以有權讀取該裝置的使用者執行本程式.",
                 MessageKind::kNote}}));
  EXPECT_EQ(host.runs.size(), 1u);
}

TEST(ParseSizeMB, AcceptsPlainDecimalNumbersOnly) {
  const struct {
    const wchar_t* text;
    std::optional<uint64_t> sizeMB;
  } cases[] = {
      {L"", std::nullopt},
      {L"0", 0},
      {L"123", 123},
      {L"0012", 12},
      {L"18446744073709551615", 18446744073709551615ull},
      {L"18446744073709551616", 18446744073709551615ull},
      {L"1234567890123456789012345", 18446744073709551615ull},
      {L"12a", std::nullopt},
      {L" 12", std::nullopt},
      {L"-5", std::nullopt},
      {L"+5", std::nullopt},
      {L"１２", std::nullopt},  // full-width digits
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseSizeMB(c.text), c.sizeMB) << testing::PrintToString(std::wstring(c.text));
  }
}
