// The progress dialog on the offscreen platform, opened from the main dialog on a real scratch
// directory and run by the real worker: a clean write-and-verify run to its end, the same on a
// memory file system whose reads no medium answers, a verify run on damaged files, a stop while
// writing, Escape and Enter during and after a run, and the copy of the result box to the
// clipboard.
#include "ui/progress_dialog.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QtTest>

#include "engine/test_session.h"
#include "resources/resource_ids.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/session.h"
#include "tests/support/test_data.h"
#include "tests/ui/dialog_probe.h"
#include "tests/ui/fake_desktop.h"
#include "tests/ui/modal_driver.h"

namespace {

constexpr uint64_t MB = 1048576;
const QColor kErrorBar(218, 38, 38);

QString Note(uint64_t requestedMB, uint64_t totalMB) {
  return QStringLiteral(
             "注意: 只测试 %1 MByte,而总容量为 %2 MByte,所以此测试将无法找到所有错误.为了得到最"
             "佳结果,请在测试前格式化媒介.(NTFS卷上保留了少量容量,因此看到此信息是正常的)")
      .arg(requestedMB)
      .arg(totalMB);
}

// Chooses `dir` in the main dialog, types `sizeMB` unless it is empty and clicks `button`;
// `interact` runs with the progress dialog that opens. Returns whether one opened.
bool StartRun(FakeDesktop& desktop, QDialog* main, const ScratchDir& dir, const char* sizeMB,
              const char* button, const std::function<void(QDialog*)>& interact) {
  ChooseFolder(desktop, main, dir.path());
  if (*sizeMB != '\0') QTest::keyClicks(Find<QLineEdit>(main, "IDC_SIZE_MB"), sizeMB);
  return DriveModalDialogs([&] { Click(main, button); }, {interact}) == 1;
}

// The end of a finished write-and-verify run's text: both speed lines and the version line.
QString WriteRunSummary() {
  const TestProgress p = CopyProgress();
  return QStringLiteral("写入速度: %1\r\n读取速度: %2\r\nKestrum  V1.4\r\n")
      .arg(SpeedText(p.writtenMB, p.writeStartTime, p.writeNowTime, p.perfFrequency),
           SpeedText(p.verifiedMB, p.verifyStartTime, p.verifyNowTime, p.perfFrequency));
}

bool WriteHasBegun() {
  return WaitFor([] { return CopyProgress().writtenMB >= 1; });
}

// A write test of 100000 MByte on a stand-in volume, started from the main dialog: `during`
// runs with the progress dialog once writing has begun (a dialog it leaves open gets Escape),
// `after` with the main dialog once the progress dialog has closed.
void DuringALongWrite(const std::function<void(QDialog* run, FakeDesktop& desktop)>& during,
                      const std::function<void(QDialog* main, const ScratchDir& dir)>& after) {
  ScratchDir dir;
  FakeDesktop desktop;
  StandInVolume(200000, 300000);
  WithMainDialog([&](QDialog* main) {
    const bool opened =
        StartRun(desktop, main, dir, "100000", "IDC_WRITE_VERIFY", [&](QDialog* run) {
          QVERIFY(WriteHasBegun());
          during(run, desktop);
        });
    QVERIFY(opened);
    QCOMPARE(QApplication::activeModalWidget(), main);
    after(main, dir);
  });
}

// Gives the result box the focus, as a click into it would, and returns it.
QWidget* FocusResultBox(QDialog* run) {
  auto* box = Find<QPlainTextEdit>(run, "IDC_RESULT_TEXT");
  box->setFocus(Qt::MouseFocusReason);
  if (!WaitFor([box] { return QApplication::focusWidget() == box; }, 5000)) {
    qWarning("the result box did not take the focus");
  }
  return box;
}

}  // namespace

class ProgressDialogTest : public DialogTestCase {
  Q_OBJECT

 private slots:
  void aWriteAndVerifyRunEndsCleanAndLeavesItsFiles() {
    ScratchDir dir;
    FakeDesktop desktop;
    StandInVolume(5000, 7629);
    WithMainDialog([&](QDialog* main) {
      const bool opened = StartRun(desktop, main, dir, "4", "IDC_WRITE_VERIFY", [&](QDialog* run) {
        QCOMPARE(run->windowTitle(), QStringLiteral("Kestrum | 执行中"));
        QVERIFY(WaitUntilFinished(run));
        const QString expected = QStringLiteral(
                                     "警告: 只测试了 4 MByte(共 7629 MByte)\r\n"
                                     "测试已完成,没有发现错误.\r\n"
                                     "现在可以删除测试用文件 *.kst 或再次进行测试\r\n") +
                                 WriteRunSummary();
        QCOMPARE(Text(run, "IDC_RESULT_TEXT"), AsShown(expected));
        QCOMPARE(Text(run, "IDC_WRITE_AMOUNT"), QStringLiteral("4 MByte"));
        QCOMPARE(Text(run, "IDC_VERIFY_AMOUNT"), QStringLiteral("4 MByte"));
        QCOMPARE(Find<QProgressBar>(run, "IDC_PROGRESS_BAR")->value(), 100);
        QCOMPARE(BarColor(run, "IDC_PROGRESS_BAR"), run->palette().color(QPalette::Highlight));
        QVERIFY(BarColor(run, "IDC_PROGRESS_BAR") != kErrorBar);
        QCOMPARE(TextBackgrounds(run, "IDC_RESULT_TEXT"), QStringList{"none"});

        Click(run, "IDC_COPY");
        QCOMPARE(desktop.clipboard, expected);
        Click(run, "IDCANCEL");
        QVERIFY(!run->isVisible());
      });
      QVERIFY(opened);
      QCOMPARE(desktop.messages.size(), size_t{1});
      QCOMPARE(desktop.messages[0].text, Note(4, 7629));
      QVERIFY(desktop.messages[0].kind == MessageKind::kNote);

      QCOMPARE(QApplication::activeModalWidget(), main);
      QCOMPARE(Text(main, "IDC_FILE_STATUS"), QStringLiteral("存在测试用文件: 4 MByte"));
      QVERIFY(Enabled(main, "IDC_VERIFY"));
      QVERIFY(!Enabled(main, "IDC_WRITE_VERIFY"));
      QCOMPARE(FileSize(dir.File("1.kst")), 4 * MB);
    });
  }

  // Where memory may answer the reads, the note says so before the run and the result after it.
  void aCleanRunWhereMemoryMayAnswerTheReadsSaysSoBeforeAndAfter() {
    if (std::string why = WhyNoMemoryFileSystem(); !why.empty()) QSKIP(why.c_str());
    ScratchDir dir(kMemoryFileSystem);
    FakeDesktop desktop;
    StandInVolume(5000, 7629);
    WithMainDialog([&](QDialog* main) {
      const bool opened = StartRun(desktop, main, dir, "4", "IDC_WRITE_VERIFY", [&](QDialog* run) {
        QVERIFY(WaitUntilFinished(run));
        const QString expected =
            QStringLiteral(
                "警告: 只测试了 4 MByte(共 7629 MByte)\r\n"
                "测试已完成,没有发现错误, 但读取的数据可能来自系统的内存而不是媒介, "
                "所以此结果不能证明媒介完好.\r\n"
                "请保留测试用文件 *.kst, 拔出并重新插入媒介, 然后再只进行一次测试\r\n") +
            WriteRunSummary();
        QCOMPARE(Text(run, "IDC_RESULT_TEXT"), AsShown(expected));
        Click(run, "IDCANCEL");
      });
      QVERIFY(opened);
      QCOMPARE(desktop.messages.size(), size_t{2});
      QCOMPARE(desktop.messages[0].text, Note(4, 7629));
      QCOMPARE(desktop.messages[1].text,
               QStringLiteral("注意: 在此文件系统 (tmpfs) 上, 读取的数据可能来自系统的内存而不是"
                              "媒介, 本程序无法排除这一点.所以写入期间不会抽查媒介是否丢失了数据."
                              "为了得到可靠的结果, 请在写入后拔出并重"
                              "新插入媒介, 然后只进行测试, 或以有权读取该设备的用户运行本程序."));
      QVERIFY(desktop.messages[1].kind == MessageKind::kNote);
    });
  }

  void aVerifyRunOnDamagedFilesShowsTheReportInRed() {
    ScratchDir dir;
    WritePatternFile(dir.File("1.kst"), 0, 2);
    FlipBits(dir.File("1.kst"), MB + 8, 0x01);
    FakeDesktop desktop;
    StandInVolume(5000, 7629);
    WithMainDialog([&](QDialog* main) {
      const bool opened = StartRun(desktop, main, dir, "", "IDC_VERIFY", [&](QDialog* run) {
        QVERIFY(WaitUntilFinished(run));
        const TestProgress p = CopyProgress();
        const QString expected =
            QStringLiteral(
                "警告: 只测试了 2 MByte(共 7629 MByte)\r\n"
                "媒介可能有问题\r\n"
                "1,9 MByte OK (4095 扇区en)\r\n"
                "0,5 KByte 数据丢失 (1 扇区)\r\n"
                "详情:0 KByte 覆盖 (0 扇区en)\r\n"
                "0,5 KByte 略有变化 (< 8 位/扇区, 1 扇区)\r\n"
                "0 KByte 已损坏 (0 扇区en)\r\n"
                "0 KByte 别名内存 (0 扇区en)\r\n"
                "第一个错误位于偏移: 0x0000000000100008\r\n"
                "预期: 0x0010000000f00011\r\n"
                "找到: 0x0010000000f00010\r\n"
                "Kestrum  V1.4\r\n"
                "读取速度: %1\r\n"
                "Kestrum  V1.4\r\n")
                .arg(SpeedText(p.verifiedMB, p.verifyStartTime, p.verifyNowTime, p.perfFrequency));
        QCOMPARE(Text(run, "IDC_RESULT_TEXT"), AsShown(expected));
        QCOMPARE(Text(run, "IDC_WRITE_AMOUNT"), QString());  // no write pass
        QCOMPARE(Text(run, "IDC_VERIFY_AMOUNT"), QStringLiteral("2 MByte"));
        QCOMPARE(BarColor(run, "IDC_PROGRESS_BAR"), kErrorBar);
        QCOMPARE(TextBackgrounds(run, "IDC_RESULT_TEXT"), QStringList{"#ffcdcd"});

        Click(run, "IDC_COPY");
        QCOMPARE(desktop.clipboard, expected);
        Click(run, "IDCANCEL");
        QVERIFY(!run->isVisible());
      });
      QVERIFY(opened);
      QVERIFY(desktop.messages.empty());  // a verify run has no note
      QCOMPARE(Text(main, "IDC_FILE_STATUS"), QStringLiteral("存在测试用文件: 2 MByte"));
      QVERIFY(Enabled(main, "IDC_VERIFY"));
    });
  }

  // Copied while the run goes on, the result box holds the warning only.
  void stopWhileWritingClosesTheDialogAndKeepsTheFilesWritten() {
    DuringALongWrite(
        [](QDialog* run, FakeDesktop& desktop) {
          Click(run, "IDC_COPY");
          QCOMPARE(desktop.clipboard,
                   QStringLiteral("警告: 只测试了 100000 MByte(共 300000 MByte)\r\n"));
          QCOMPARE(AsShown(desktop.clipboard), Text(run, "IDC_RESULT_TEXT"));
          Click(run, "IDCANCEL");
          QVERIFY(WaitFor([run] { return !run->isVisible(); }));
          QCOMPARE(run->result(), IDCANCEL);
        },
        [](QDialog* main, const ScratchDir& dir) {
          const uint64_t writtenMB = CopyProgress().writtenMB;
          QVERIFY(writtenMB >= 1 && writtenMB < 100000);
          QCOMPARE(FileSize(dir.File("1.kst")), writtenMB * MB);
          QCOMPARE(Text(main, "IDC_FILE_STATUS"),
                   QStringLiteral("存在测试用文件: %1 MByte").arg(writtenMB));
          QVERIFY(Enabled(main, "IDC_VERIFY"));
        });
  }

  void duringARunEscapeAsksForAStopAndTheDialogClosesWhenTheWorkerEnds() {
    DuringALongWrite(
        [](QDialog* run, FakeDesktop&) {
          QTest::keyClick(FocusResultBox(run), Qt::Key_Escape);
          QVERIFY(TestSession.progress.stopRequested);
          QVERIFY(run->isVisible());  // until the worker's notification
          QVERIFY(WaitFor([run] { return !run->isVisible(); }));
          QCOMPARE(run->result(), IDCANCEL);
        },
        [](QDialog*, const ScratchDir&) { QVERIFY(CopyProgress().writtenMB < 100000); });
  }

  void duringARunEnterInTheResultBoxDoesNothing() {
    DuringALongWrite(
        [](QDialog* run, FakeDesktop& desktop) {
          QTest::keyClick(FocusResultBox(run), Qt::Key_Return);
          QVERIFY(run->isVisible());
          QVERIFY(!TestSession.progress.stopRequested);
          QCOMPARE(Text(run, "IDCANCEL"), QStringLiteral("停止"));
          QVERIFY(desktop.clipboard.isEmpty());
        },  // the driver stops the run and closes the dialog
        [](QDialog*, const ScratchDir&) {});
  }

  void afterARunEscapeOrEnterInTheResultBoxCloses_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Escape") << int(Qt::Key_Escape);
    QTest::newRow("Enter") << int(Qt::Key_Return);
  }

  void afterARunEscapeOrEnterInTheResultBoxCloses() {
    QFETCH(int, key);
    ScratchDir dir;
    FakeDesktop desktop;
    StandInVolume(1, 1);
    WithMainDialog([&](QDialog* main) {
      const bool opened = StartRun(desktop, main, dir, "", "IDC_WRITE_VERIFY", [&](QDialog* run) {
        QVERIFY(WaitUntilFinished(run));
        QTest::keyClick(FocusResultBox(run), Qt::Key(key));
        QVERIFY(!run->isVisible());
      });
      QVERIFY(opened);
      QVERIFY(desktop.messages.empty());  // all of a 1 MByte volume: no note
    });
  }
};

QTEST_MAIN(ProgressDialogTest)
#include "progress_dialog_test.moc"
