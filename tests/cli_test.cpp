// kestrum-cli run as a user or a script runs it, on real files in a scratch directory.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/space.h"
#include "tests/support/child_process.h"
#include "tests/support/scratch_target.h"
#include "tests/support/test_data.h"

namespace {

constexpr uint64_t MB = 1048576;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

std::string LastLine(const std::string& text) {
  const std::vector<std::string> lines = Lines(text);
  return lines.empty() ? std::string() : lines.back();
}

bool HasControlCharacters(const std::string& text) {
  for (unsigned char c : text) {
    if (c < 0x20 && c != '\n') return true;
  }
  return false;
}

class Cli : public ScratchTargetTest {
 protected:
  ChildResult Run(const std::vector<std::string>& arguments, bool terminal = false) {
    return RunChild(KESTRUM_CLI, arguments, terminal);
  }

  // The partial-capacity warning for `sizeMB` on the scratch directory's volume.
  std::string Warning(uint64_t sizeMB) {
    return "警告: 只测试了 " + std::to_string(sizeMB) + " MByte(共 " +
           std::to_string(TotalSpaceMB()) + " MByte)";
  }

  std::string Note(uint64_t sizeMB) {
    return "注意: 只测试 " + std::to_string(sizeMB) + " MByte,而总容量为 " +
           std::to_string(TotalSpaceMB()) +
           " MByte,所以此测试将无法找到所有错误.为了得到最佳结果,请在测试前格式化媒介."
           "(NTFS卷上保留了少量容量,因此看到此信息是正常的)";
  }
};

}  // namespace

TEST_F(Cli, ACleanRunPrintsTheResultBoxTextAndExitsWithZero) {
  const ChildResult result = Run({"--size", "4", dir.path()});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_FALSE(HasControlCharacters(result.out)) << result.out;
  const std::vector<std::string> lines = Lines(result.out);
  ASSERT_EQ(lines.size(), 7u) << result.out;
  EXPECT_EQ(lines[0], Note(4));
  EXPECT_EQ(lines[1], Warning(4));
  EXPECT_EQ(lines[2], "测试已完成,没有发现错误.");
  EXPECT_EQ(lines[3], "现在可以删除测试用文件 *.kst 或再次进行测试");
  EXPECT_EQ(lines[4].rfind("写入速度: ", 0), 0u) << lines[4];
  EXPECT_EQ(lines[5].rfind("读取速度: ", 0), 0u) << lines[5];
  EXPECT_EQ(lines[6], "Kestrum  V1.4");
  EXPECT_EQ(FileSize(dir.File("1.kst")), 4 * MB);
}

TEST_F(Cli, DamagedTestFilesGiveTheReportAndExitOne) {
  WritePatternFile(dir.File("1.kst"), 0, 2);
  FlipBits(dir.File("1.kst"), MB + 8, 0x01);
  const ChildResult result = Run({"--verify-only", "--lang", "1", dir.path()});
  EXPECT_EQ(result.status, 1) << result.err;
  const std::vector<std::string> lines = Lines(result.out);
  ASSERT_EQ(lines.size(), 14u) << result.out;
  const std::vector<std::string> report = {
      "警告: 只測試了 2 MByte(共 " + std::to_string(TotalSpaceMB()) + " MByte)",
      "媒介可能有問題",
      "1.9 MByte OK (4095 扇區s)",
      "0.5 KByte 資料丟失 (1 扇區)",
      "詳情:0 KByte 覆蓋 (0 扇區s)",
      "0.5 KByte 略有變化 (< 8 位/扇區, 1 扇區)",
      "0 KByte 已損壞 (0 扇區s)",
      "0 KByte 別名内存 (0 扇區s)",
      "第一個錯誤位於偏移: 0x0000000000100008",
      "預期: 0x0010000000f00011",
      "找到: 0x0010000000f00010",
      "Kestrum  V1.4"};
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 12), report);
  EXPECT_EQ(lines[12].rfind("讀取速度: ", 0), 0u) << lines[12];
  EXPECT_EQ(lines[13], "Kestrum  V1.4");
}

TEST_F(Cli, RefusalsPrintTheirTextAndExitThree) {
  const struct {
    const char* name;
    std::function<void(const ScratchDir&)> make;
    std::vector<std::string> options;
    const char* text;
  } cases[] = {
      {"test files in the way",
       [](const ScratchDir& d) { WritePatternFile(d.File("1.kst"), 0, 1); },
       {},
       "由于此路径存在测试用文件，无法写入"},
      {"a damaged set",
       [](const ScratchDir& d) { MakeSparseFile(d.File("1.kst"), MB + 1); },
       {"--verify-only"},
       "无法进行测试，因为一个或多个测试用文件的大小不正确"},
      {"nothing to verify",
       [](const ScratchDir&) {},
       {"--verify-only"},
       "此路径没有测试用文件存在"},
      {"a stray test file",
       [](const ScratchDir& d) { MakeSparseFile(d.File("x.kst"), 0); },
       {},
       "请删除 *.kst 文件"},
      {"a size of zero", [](const ScratchDir&) {}, {"--size", "0"}, "数据量不能为0!"},
      {"a size that is no number", [](const ScratchDir&) {}, {"--size", "12a"}, "数据量不能为0!"},
      {"more than the free space",
       [](const ScratchDir&) {},
       {"--size", "1234567890123456789012345"},
       "可用空间不足!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir d;
    c.make(d);
    std::vector<std::string> arguments = c.options;
    arguments.push_back(d.path());
    const ChildResult result = Run(arguments);
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.err, std::string(c.text) + "\n");
    EXPECT_EQ(result.out, "");
  }
  const ChildResult gone = Run({dir.path() + "/gone"});
  EXPECT_EQ(gone.status, 3);
  EXPECT_EQ(gone.err, "访问路径时出错\n");
}

TEST_F(Cli, BadArgumentsGiveOneLineAndExitThree) {
  const struct {
    std::vector<std::string> arguments;
    const char* error;
  } cases[] = {
      {{}, "kestrum-cli: no directory given (see --help)\n"},
      {{"--bogus", "/tmp"}, "kestrum-cli: unknown option '--bogus'\n"},
      {{"--lang", "2", "/tmp"}, "kestrum-cli: option '--lang' takes 0 or 1, not '2'\n"},
      {{"/tmp", "--size"}, "kestrum-cli: option '--size' needs a value (MBYTE)\n"},
      {{"--endless=yes", "/tmp"}, "kestrum-cli: option '--endless' takes no value\n"},
      {{"/tmp", "/var"}, "kestrum-cli: more than one directory given: '/var'\n"},
  };
  for (const auto& c : cases) {
    const ChildResult result = Run(c.arguments);
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.err, c.error);
    EXPECT_EQ(result.out, "");
  }
}

TEST_F(Cli, HelpAndVersion) {
  const ChildResult help = Run({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* part : {"Usage: kestrum-cli [OPTIONS] DIR", "--verify-only", "--size MBYTE",
                           "--endless", "--write-all", "--lang 0|1", "--json FILE",
                           "130  stopped"}) {
    EXPECT_NE(help.out.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(Run({"--version"}).out, "kestrum-cli 1.4\n");
}

TEST_F(Cli, AnInterruptStopsTheRunLikeTheStopButton) {
  // All free space: the run could go on for long, were it not stopped.
  const ChildResult result = RunChild(KESTRUM_CLI, {dir.path()}, false, [&](pid_t child) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (!std::filesystem::exists(dir.File("1.kst")) || FileSize(dir.File("1.kst")) == 0) {
      if (std::chrono::steady_clock::now() > deadline) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill(child, SIGINT);
  });
  EXPECT_EQ(result.status, 130) << result.err;
  EXPECT_EQ(LastLine(result.out), "测试已停止, 结果不完整");
  // Every file left holds whole MBytes, and the writing ended long before the medium was full.
  uint64_t totalMB = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    EXPECT_EQ(entry.file_size() % MB, 0u) << entry.path();
    totalMB += entry.file_size() / MB;
  }
  EXPECT_GT(totalMB, 0u);
  EXPECT_LT(totalMB, FreeSpaceMB());
}

TEST_F(Cli, TheJsonResultCarriesEveryFigure) {
  WritePatternFile(dir.File("1.kst"), 0, 3);
  WritePatternFile(dir.File("data"), 0, 1);  // an intact copy of the first MByte
  std::ifstream copy(dir.File("data"), std::ios::binary);
  std::string firstMB(MB, '\0');
  copy.read(firstMB.data(), MB);
  PatchFile(dir.File("1.kst"), 2 * MB, firstMB.data(), 512);  // one sector aliased
  std::filesystem::remove(dir.File("data"));
  const std::string json = dir.File("result.json");

  const ChildResult result = Run({"--verify-only", "--json", json, dir.path()});
  EXPECT_EQ(result.status, 1) << result.err;
  std::ifstream file(json);
  const nlohmann::json r = nlohmann::json::parse(file);
  EXPECT_EQ(r["outcome"], "damaged");
  EXPECT_EQ(r["target"], dir.path());
  EXPECT_EQ(r["sizeMB"], 3);
  EXPECT_EQ(r["writeStarted"], false);
  EXPECT_EQ(r["verifyStarted"], true);
  EXPECT_EQ(r["verifiedMB"], 3);
  EXPECT_EQ(r["okSectors"], 3 * 2048 - 1);
  EXPECT_EQ(r["overwrittenSectors"], 1);
  EXPECT_EQ(r["slightlyChangedSectors"], 0);
  EXPECT_EQ(r["corruptedSectors"], 0);
  EXPECT_EQ(r["aliasedOffsets"], 1);
  EXPECT_EQ(r["firstError"]["offset"], 2 * MB);
  EXPECT_EQ(r["firstError"]["expected"], 2 * MB);
  EXPECT_EQ(r["firstError"]["found"], 0);
  EXPECT_GT(r["readBytesPerSecond"].get<uint64_t>(), 0u);
  EXPECT_GE(r["verifySeconds"].get<double>(), 0.0);
  EXPECT_EQ(r["writeBytesPerSecond"], 0);
  EXPECT_EQ(r["errorText"], nullptr);
  EXPECT_EQ(r["warningText"], Warning(3) + "\r\n");
  EXPECT_EQ(r["readsFromMedium"], true);
}

TEST_F(Cli, JsonOnStandardOutputLeavesTheTextToStandardError) {
  const ChildResult result = Run({"--size", "2", "--json", "-", dir.path()});
  EXPECT_EQ(result.status, 0) << result.err;
  const nlohmann::json r = nlohmann::json::parse(result.out);
  EXPECT_EQ(r["outcome"], "completed");
  EXPECT_EQ(r["writtenMB"], 2);
  EXPECT_EQ(r["okSectors"], 2 * 2048);
  EXPECT_EQ(r["firstError"], nullptr);
  EXPECT_GT(r["writeBytesPerSecond"].get<uint64_t>(), 0u);
  EXPECT_EQ(r["writeSampleSeconds"], 0.0);  // one test file: nothing written before it to check
  EXPECT_EQ(r["lossFoundAtMB"], nullptr);
  EXPECT_EQ(LastLine(result.err), "Kestrum  V1.4");

  // A refused start says why in the JSON too.
  const ChildResult refused = Run({"--json", "-", dir.path()});
  EXPECT_EQ(refused.status, 3);
  const nlohmann::json why = nlohmann::json::parse(refused.out);
  EXPECT_EQ(why["outcome"], "refused");
  EXPECT_EQ(why["errorText"], "由于此路径存在测试用文件，无法写入");
  EXPECT_EQ(why["readsFromMedium"], nullptr);
}

// Linux names may hold any bytes; a JSON reader accepts only UTF-8. The path is shown with
// U+FFFD for what is not UTF-8 (in the texts as well), and its exact bytes travel beside it.
TEST_F(Cli, TheJsonResultIsValidUtf8WhateverBytesThePathHolds) {
  const std::string target = dir.File("m\xff%e\xc3\xa9 \"\\");
  ASSERT_TRUE(std::filesystem::create_directory(target));
  const ChildResult result = Run({"--size", "1", "--json", "-", target});
  EXPECT_EQ(result.status, 0) << result.err;
  const nlohmann::json r = nlohmann::json::parse(result.out, nullptr, false);  // strict
  ASSERT_FALSE(r.is_discarded()) << result.out;
  EXPECT_EQ(r["target"], dir.File("m\uFFFD%e\u00e9 \"\\"));
  std::string bytes;  // the percent-encoded path decoded
  const std::string encoded = r["targetBytes"];
  for (size_t i = 0; i < encoded.size(); ++i) {
    if (encoded[i] == '%') {
      bytes += static_cast<char>(std::stoi(encoded.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      bytes += encoded[i];
    }
  }
  EXPECT_EQ(bytes, target) << encoded;
}

TEST_F(Cli, WhereMemoryMayAnswerTheReadsACleanRunSaysSoAndExitsWithFour) {
  if (std::string why = WhyNoMemoryFileSystem(); !why.empty()) GTEST_SKIP() << why;
  ScratchDir memory(kMemoryFileSystem);
  const ChildResult result = Run({"--size", "2", "--json", "-", memory.path()});
  EXPECT_EQ(result.status, 4) << result.err;
  const nlohmann::json r = nlohmann::json::parse(result.out);
  EXPECT_EQ(r["outcome"], "unproven");
  EXPECT_EQ(r["readsFromMedium"], false);
  EXPECT_EQ(r["okSectors"], 2 * 2048);

  const std::vector<std::string> lines = Lines(result.err);
  const auto has = [&lines](const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  };
  EXPECT_TRUE(
      has("注意: 在此文件系统 (tmpfs) 上, 读取的数据可能来自系统的内存而不是媒介, "
          "本程序无法排除这一点.所以写入期间不会抽查媒介是否丢失了数据."
          "为了得到可靠的结果, 请在写入后拔出并重新插入媒介, "
          "然后只进行测试, 或以有权读取该设备的用户运行本程序."))
      << result.err;
  EXPECT_TRUE(
      has("测试已完成,没有发现错误, 但读取的数据可能来自系统的内存而不是媒介, "
          "所以此结果不能证明媒介完好."))
      << result.err;
  EXPECT_TRUE(has("请保留测试用文件 *.kst, 拔出并重新插入媒介, 然后再只进行一次测试"));
  EXPECT_FALSE(has("测试已完成,没有发现错误."));
}

TEST_F(Cli, OnATerminalTheLiveLineIsRedrawnInPlace) {
  const ChildResult result = Run({"--size", "1200", dir.path()}, true);
  EXPECT_EQ(result.status, 0);
  // At least one live line was drawn and ended before the final text.
  EXPECT_NE(result.out.find("\r写入: "), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("\x1b[K"), std::string::npos);
  const size_t finalText = result.out.find("\n" + Warning(1200) + "\n");
  ASSERT_NE(finalText, std::string::npos) << result.out;
  EXPECT_EQ(result.out.find('\r', finalText), std::string::npos) << "LF line ends only";
  EXPECT_EQ(LastLine(result.out), "Kestrum  V1.4");
}
