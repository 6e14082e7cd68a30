// The main dialog on the offscreen platform: its state at program start, the folder choice and
// refresh, the language switch there and back, the size field, every refusal of a start, the
// message boxes themselves, and the About box of the context menu.
#include "ui/main_dialog.h"

#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QtTest>
#include <filesystem>

#include "engine/test_session.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/session.h"
#include "tests/support/test_data.h"
#include "tests/ui/dialog_probe.h"
#include "tests/ui/fake_desktop.h"
#include "tests/ui/modal_driver.h"

namespace {

constexpr uint64_t MB = 1048576;

// The controls that only a write test uses, with its start button.
constexpr const char* kWriteControls[] = {"IDC_WRITE_VERIFY", "IDC_ALL_SPACE", "IDC_ONLY_SIZE",
                                          "IDC_SIZE_MB", "IDC_MBYTE_LABEL"};

void VerifyStartsEnabled(QWidget* dialog, bool write, bool verify) {
  for (const char* name : kWriteControls) QVERIFY2(Enabled(dialog, name) == write, name);
  QCOMPARE(Enabled(dialog, "IDC_VERIFY"), verify);
  QVERIFY(Enabled(dialog, "IDC_REFRESH"));
  QVERIFY(Enabled(dialog, "IDC_SELECT_PATH"));
}

struct Label {
  const char* name;
  const char* language0;
  const char* language1;
};

constexpr Label kLanguageLabels[] = {
    {"IDC_SELECT_PATH", "选择路径", "選擇路徑"},
    {"IDC_REFRESH", "刷新", "重繪"},
    {"IDC_WRITE_VERIFY", "写入并测试", "寫入並測試"},
    {"IDC_VERIFY", "测试", "測試"},
    {"IDC_PATH_GROUP", "路径", "路徑"},
    {"IDC_SIZE_GROUP", "数据量", "數據量"},
    {"IDC_ALL_SPACE", "所有可用的空间", "所有可用的空間"},
    {"IDC_ONLY_SIZE", "仅", "僅"},
    {"IDC_ENDLESS", "无休止的测试", "無休止的測試"},
};

// The nine labels in `language`; IDC_ALL_SPACE with `freeSpace` behind it when one is given.
void VerifyLabels(QWidget* dialog, int language, const QString& freeSpace = QString()) {
  for (const Label& label : kLanguageLabels) {
    QString expected = QString::fromUtf8(language == 1 ? label.language1 : label.language0);
    if (qstrcmp(label.name, "IDC_ALL_SPACE") == 0 && !freeSpace.isEmpty()) {
      expected += " (" + freeSpace + ")";
    }
    QCOMPARE(Text(dialog, label.name), expected);
  }
}

// What is done to the chosen, empty target before a start is refused.
enum Prepare { kFilesAppear, kSetDamaged, kSizeZero, kNoSize, kSizeTooLarge };

}  // namespace

class MainDialogTest : public DialogTestCase {
  Q_OBJECT

 private slots:
  void startsWithNoTargetAndOnlyTheChoicesUsable() {
    WithMainDialog([](QDialog* dialog) {
      QCOMPARE(dialog->windowTitle(), QStringLiteral("Kestrum"));
      QCOMPARE(Text(dialog, "IDC_PATH_LABEL"), QStringLiteral("(未选择)"));
      QCOMPARE(Text(dialog, "IDC_FILE_STATUS"), QString());
      QVERIFY(Checked(dialog, "IDC_ALL_SPACE"));
      QVERIFY(Checked(dialog, "IDC_LANGUAGE_0"));
      QVERIFY(!Checked(dialog, "IDC_ENDLESS"));
      QCOMPARE(Text(dialog, "IDC_SIZE_MB"), QString());
      for (const char* name : {"IDC_REFRESH", "IDC_WRITE_VERIFY", "IDC_VERIFY", "IDC_ALL_SPACE",
                               "IDC_ONLY_SIZE", "IDC_SIZE_MB", "IDC_MBYTE_LABEL"}) {
        QVERIFY2(!Enabled(dialog, name), name);
      }
      for (const char* name :
           {"IDC_SELECT_PATH", "IDC_ENDLESS", "IDC_LANGUAGE_0", "IDC_LANGUAGE_1"}) {
        QVERIFY2(Enabled(dialog, name), name);
      }
      QCOMPARE(QApplication::focusWidget(), Find<QWidget>(dialog, "IDC_SELECT_PATH"));
    });
  }

  void theFolderChoiceAndRefreshShowTheDirectory() {
    ScratchDir dir;
    FakeDesktop desktop;
    StandInVolume(5000, 7629);
    WithMainDialog([&](QDialog* main) {
      const QStringList atStart = ControlStates(main);
      desktop.nextFolders = {QString()};  // the user cancels
      Click(main, "IDC_SELECT_PATH");
      QCOMPARE(ControlStates(main), atStart);

      ChooseFolder(desktop, main, dir.path());
      QCOMPARE(Text(main, "IDC_PATH_LABEL"), QString::fromStdString(dir.path()));
      QCOMPARE(Text(main, "IDC_ALL_SPACE"), QStringLiteral("所有可用的空间 (5000 MByte)"));
      QCOMPARE(Text(main, "IDC_FILE_STATUS"), QStringLiteral("此路径没有测试用文件存在"));
      VerifyStartsEnabled(main, true, false);

      const QStringList chosen = ControlStates(main);
      desktop.nextFolders = {QString()};
      Click(main, "IDC_SELECT_PATH");
      QCOMPARE(ControlStates(main), chosen);
      QVERIFY(TestSession.targetPath == dir.widePath());

      // Test files made by another program show once the user refreshes.
      MakeSparseFile(dir.File("1.kst"), 3 * MB);
      QCOMPARE(ControlStates(main), chosen);
      Click(main, "IDC_REFRESH");
      QCOMPARE(Text(main, "IDC_FILE_STATUS"), QStringLiteral("存在测试用文件: 3 MByte"));
      VerifyStartsEnabled(main, false, true);

      Click(main, "IDC_LANGUAGE_1");
      desktop.nextFolders = {QString()};
      Click(main, "IDC_SELECT_PATH");
      QCOMPARE(
          QStringList(desktop.folderTitles.begin(), desktop.folderTitles.end()),
          QStringList({"请选择一个路径", "请选择一个路径", "请选择一个路径", "請選擇一個路徑"}));
    });
  }

  void switchingTheLanguageRelabelsTheDialogAndBack() {
    ScratchDir dir;
    FakeDesktop desktop;
    StandInVolume(5000, 7629);
    WithMainDialog([&](QDialog* main) {
      Click(main, "IDC_LANGUAGE_1");
      QVERIFY(Checked(main, "IDC_LANGUAGE_1") && !Checked(main, "IDC_LANGUAGE_0"));
      VerifyLabels(main, 1);
      QCOMPARE(Text(main, "IDC_PATH_LABEL"), QStringLiteral("(未選擇)"));

      ChooseFolder(desktop, main, dir.path());
      QCOMPARE(Text(main, "IDC_ALL_SPACE"), QStringLiteral("所有可用的空間 (5000 MByte)"));
      QCOMPARE(Text(main, "IDC_FILE_STATUS"), QStringLiteral("此路徑沒有測試用檔案存在"));

      // The switch itself looks at the directory again.
      MakeSparseFile(dir.File("1.kst"), 2 * MB);
      Click(main, "IDC_LANGUAGE_0");
      VerifyLabels(main, 0, "5000 MByte");
      QCOMPARE(Text(main, "IDC_FILE_STATUS"), QStringLiteral("存在测试用文件: 2 MByte"));
      QCOMPARE(Text(main, "IDC_PATH_LABEL"), QString::fromStdString(dir.path()));

      Click(main, "IDC_LANGUAGE_1");
      VerifyLabels(main, 1, "5000 MByte");
      QCOMPARE(Text(main, "IDC_FILE_STATUS"), QStringLiteral("存在測試用檔案: 2 MByte."));
    });
  }

  void typingASizeChoosesTheGivenSize() {
    ScratchDir dir;
    FakeDesktop desktop;
    StandInVolume(5000, 7629);
    WithMainDialog([&](QDialog* main) {
      ChooseFolder(desktop, main, dir.path());
      auto* size = Find<QLineEdit>(main, "IDC_SIZE_MB");
      QTest::keyClicks(size, "x-+ .,e");
      QCOMPARE(size->text(), QString());
      QVERIFY(Checked(main, "IDC_ALL_SPACE") && !Checked(main, "IDC_ONLY_SIZE"));

      QTest::keyClicks(size, "1a2");
      QCOMPARE(size->text(), QStringLiteral("12"));
      QVERIFY(Checked(main, "IDC_ONLY_SIZE") && !Checked(main, "IDC_ALL_SPACE"));

      Click(main, "IDC_ALL_SPACE");
      QVERIFY(Checked(main, "IDC_ALL_SPACE") && !Checked(main, "IDC_ONLY_SIZE"));
      QTest::keyClick(size, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClick(size, Qt::Key_Delete);
      QCOMPARE(size->text(), QString());
      QVERIFY(Checked(main, "IDC_ONLY_SIZE") && !Checked(main, "IDC_ALL_SPACE"));
    });
  }

  void aStartIsRefusedWithItsReason_data() {
    QTest::addColumn<int>("prepare");
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("fileStatus");
    QTest::addColumn<bool>("buttonEnabledAfter");
    QTest::addColumn<QString>("sizeField");
    QTest::newRow("writing where test files appeared since the refresh")
        << int(kFilesAppear) << QByteArray("IDC_WRITE_VERIFY")
        << QStringLiteral("由于此路径存在测试用文件，无法写入")
        << QStringLiteral("存在测试用文件: 1 MByte") << false << QString();
    QTest::newRow("verifying a set damaged since the refresh")
        << int(kSetDamaged) << QByteArray("IDC_VERIFY")
        << QStringLiteral("无法进行测试，因为一个或多个测试用文件的大小不正确")
        << QStringLiteral("请删除 *.kst 文件") << false << QString();
    QTest::newRow("a size of 0") << int(kSizeZero) << QByteArray("IDC_WRITE_VERIFY")
                                 << QStringLiteral("数据量不能为0!")
                                 << QStringLiteral("此路径没有测试用文件存在") << true
                                 << QStringLiteral("0");
    QTest::newRow("a given size left empty")
        << int(kNoSize) << QByteArray("IDC_WRITE_VERIFY") << QStringLiteral("数据量不能为0!")
        << QStringLiteral("此路径没有测试用文件存在") << true << QString();
    // The field then offers the free space for a second click.
    QTest::newRow("more than the free space")
        << int(kSizeTooLarge) << QByteArray("IDC_WRITE_VERIFY") << QStringLiteral("可用空间不足!")
        << QStringLiteral("此路径没有测试用文件存在") << true << QStringLiteral("5000");
  }

  void aStartIsRefusedWithItsReason() {
    QFETCH(int, prepare);
    QFETCH(QByteArray, button);
    QFETCH(QString, text);
    QFETCH(QString, fileStatus);
    QFETCH(bool, buttonEnabledAfter);
    QFETCH(QString, sizeField);
    ScratchDir dir;
    FakeDesktop desktop;
    StandInVolume(5000, 7629);
    if (prepare == kSetDamaged) MakeSparseFile(dir.File("1.kst"), MB);
    WithMainDialog([&](QDialog* main) {
      ChooseFolder(desktop, main, dir.path());
      auto* size = Find<QLineEdit>(main, "IDC_SIZE_MB");
      switch (prepare) {
        case kFilesAppear:
          MakeSparseFile(dir.File("1.kst"), MB);
          break;
        case kSetDamaged:
          std::filesystem::resize_file(dir.File("1.kst"), MB + 1);
          break;
        case kSizeZero:
          QTest::keyClicks(size, "0");
          break;
        case kNoSize:
          Click(main, "IDC_ONLY_SIZE");
          break;
        case kSizeTooLarge:
          QTest::keyClicks(size, "5001");
          break;
      }
      QVERIFY(Enabled(main, button));
      QCOMPARE(DriveModalDialogs([&] { Click(main, button); }, {}), 0);  // no run
      QCOMPARE(desktop.messages.size(), size_t{1});
      QCOMPARE(desktop.messages[0].text, text);
      QVERIFY(desktop.messages[0].kind == MessageKind::kRefusal);
      QCOMPARE(Text(main, "IDC_FILE_STATUS"), fileStatus);
      QCOMPARE(Enabled(main, button), buttonEnabledAfter);
      QCOMPARE(size->text(), sizeField);
      if (prepare >= kSizeZero) QVERIFY(Checked(main, "IDC_ONLY_SIZE"));
    });
  }

  // The real message boxes: the program's name as caption, the error icon for a refusal and
  // the warning icon for the note, after which the run starts.
  void theMessageBoxesNameTheProgramAndShowTheIconOfTheirKind() {
    ScratchDir dir;
    StandInVolume(5000, 7629);
    WithMainDialog([&](QDialog* main) {
      {
        FakeDesktop desktop;  // only for the folder chooser
        ChooseFolder(desktop, main, dir.path());
      }
      struct Box {
        QString caption, text;
        QMessageBox::Icon icon;
      };
      std::vector<Box> boxes;
      auto answer = [&](QDialog* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        QVERIFY(box != nullptr);
        boxes.push_back({box->windowTitle(), box->text(), box->icon()});
        QCOMPARE(box->buttons().size(), 1);
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
      };
      auto* size = Find<QLineEdit>(main, "IDC_SIZE_MB");
      QTest::keyClicks(size, "0");
      QCOMPARE(DriveModalDialogs([&] { Click(main, "IDC_WRITE_VERIFY"); }, {answer}), 1);

      QTest::keyClick(size, Qt::Key_Backspace);
      QTest::keyClicks(size, "1");
      auto closeRun = [](QDialog* progress) {
        QCOMPARE(progress->objectName(), QStringLiteral("IDD_PROGRESS"));
        QVERIFY(WaitUntilFinished(progress));
        Click(progress, "IDCANCEL");
      };
      QCOMPARE(DriveModalDialogs([&] { Click(main, "IDC_WRITE_VERIFY"); }, {answer, closeRun}), 2);

      QCOMPARE(boxes.size(), size_t{2});
      QCOMPARE(boxes[0].caption, QStringLiteral("main_dialog_test"));
      QCOMPARE(boxes[0].text, QStringLiteral("数据量不能为0!"));
      QCOMPARE(boxes[0].icon, QMessageBox::Critical);
      QCOMPARE(boxes[1].caption, QStringLiteral("main_dialog_test"));
      QCOMPARE(boxes[1].text,
               QStringLiteral("注意: 只测试 1 MByte,而总容量为 7629 MByte,所以此测试将无法找到所有"
                              "错误.为了得到最佳结果,请在测试前格式化媒介.(NTFS卷上保留了少量容"
                              "量,因此看到此信息是正常的)"));
      QCOMPARE(boxes[1].icon, QMessageBox::Warning);
      QCOMPARE(Text(main, "IDC_FILE_STATUS"), QStringLiteral("存在测试用文件: 1 MByte"));
    });
  }

  void theContextMenuOpensTheAboutBox() {
    WithMainDialog([](QDialog* main) {
      QStringList items;
      QTimer menuPoll;
      QObject::connect(&menuPoll, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) return;
        menuPoll.stop();
        for (QAction* action : menu->actions()) items << action->text();
        QTest::keyClick(menu, Qt::Key_I);  // the item's mnemonic; returns once About has closed
        if (menu->isVisible()) menu->close();
      });
      QString aboutText;
      auto closeAbout = [&](QDialog* about) {
        QCOMPARE(about->objectName(), QStringLiteral("IDD_ABOUTBOX"));
        QCOMPARE(about->windowTitle(), QStringLiteral("Kestrum"));
        aboutText = Text(about, "IDC_ABOUT_TEXT");
        Click(about, "IDOK");
        QVERIFY(!about->isVisible());
      };
      const int shown = DriveModalDialogs(
          [&] {
            menuPoll.start(5);
            const QPoint where(5, 5);
            QContextMenuEvent event(QContextMenuEvent::Mouse, where, main->mapToGlobal(where));
            QApplication::sendEvent(main, &event);
            menuPoll.stop();
          },
          {closeAbout});
      QCOMPARE(items, QStringList{QStringLiteral("Kestrum...(&I)")});
      QCOMPARE(shown, 1);
      QCOMPARE(aboutText, QStringLiteral("Kestrum  V1.4"));
      QCOMPARE(QApplication::activeModalWidget(), main);
    });
  }
};

QTEST_MAIN(MainDialogTest)
#include "main_dialog_test.moc"
