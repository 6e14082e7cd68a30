// Takes the screenshots of the dialogs shown in the README: the real widgets, driven as a user
// would, on real files in a scratch directory. Usage: kestrum_screenshots OUTPUT_DIRECTORY
#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <filesystem>

#include "engine/pattern.h"
#include "engine/test_session.h"
#include "platform/volume.h"
#include "target/target_status.h"
#include "target/test_files.h"
#include "tests/support/test_data.h"
#include "tests/ui/fake_desktop.h"
#include "tests/ui/modal_driver.h"
#include "ui/main_dialog.h"

namespace {

constexpr uint64_t MB = 1048576;

void Save(QWidget* widget, const QDir& output, const char* name) {
  const QString path = output.filePath(QString::fromLatin1(name) + ".png");
  if (!widget->grab().save(path)) std::fprintf(stderr, "cannot save %s\n", qPrintable(path));
}

void Click(QWidget* dialog, const char* name) {
  QTest::mouseClick(dialog->findChild<QPushButton*>(name), Qt::LeftButton);
}

bool Finished(QWidget* dialog) {
  return dialog->findChild<QPushButton*>("IDCANCEL")->text() == QStringLiteral("OK");
}

// A medium of 7629 MByte of which `freeMB` are free.
void StandInVolume(uint64_t freeMB) {
  SetVolumeSpaceQueryForTesting([freeMB](const wchar_t*, VolumeSpace* space) {
    *space = {freeMB * MB, 7629 * MB};
    return true;
  });
}

// A stick that keeps only its first 32 MiB: the rest of the test data reads back as copies.
void MakeFakeMediumFiles(const std::string& directory) {
  const std::string file = directory + "/1.kst";
  WritePatternFile(file, 0, 64);
  for (uint64_t mb = 32; mb < 64; ++mb) {
    FillPattern((mb - 32) * MB);
    PatchFile(file, mb * MB, TestSession.ioBuffer, MB);
  }
  FlipBits(file, 3 * MB + 4100, 0x10);
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIRECTORY\n", argv[0]);
    return 2;
  }
  const QDir output(QString::fromLocal8Bit(argv[1]));
  FakeDesktop desktop;
  // A short path, so that the path label shows all of it.
  QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/usb-XXXXXX"));
  const std::string target = scratch.path().toStdString() + "/U盘";
  std::filesystem::create_directory(target);

  CKestrumDlg dialog;
  WithModalDialog([&] { dialog.DoModal(); },
                  [&](QDialog* main) {
                    Save(main, output, "main-no-target");

                    // A set of test files from an earlier run.
                    MakeSparseFile(target + "/1.kst", 1024 * MB);
                    MakeSparseFile(target + "/2.kst", 5 * MB);
                    StandInVolume(6600);
                    desktop.nextFolders.push_back(QString::fromStdString(target));
                    Click(main, "IDC_SELECT_PATH");
                    Save(main, output, "main-test-files");
                    QTest::mouseClick(main->findChild<QWidget*>("IDC_LANGUAGE_1"), Qt::LeftButton);
                    Save(main, output, "main-test-files-language-1");
                    QTest::mouseClick(main->findChild<QWidget*>("IDC_LANGUAGE_0"), Qt::LeftButton);

                    // A write test, caught while it runs, then stopped.
                    std::filesystem::remove(target + "/1.kst");
                    std::filesystem::remove(target + "/2.kst");
                    Click(main, "IDC_REFRESH");
                    WithModalDialog(
                        [&] { Click(main, "IDC_WRITE_VERIFY"); },
                        [&](QDialog* progress) {
                          WaitFor([] { return CopyProgress().writtenMB >= 256; });
                          WaitFor([&] {  // a tick of the display has shown the write pass
                            return !progress->findChild<QWidget*>("IDC_WRITE_SPEED")
                                        ->property("text")
                                        .toString()
                                        .isEmpty();
                          });
                          Save(progress, output, "progress-running");
                          Click(progress, "IDCANCEL");
                          WaitFor([&] { return !progress->isVisible(); });
                        });

                    // A medium that keeps less than it claims, verified.
                    for (const auto& entry : std::filesystem::directory_iterator(target)) {
                      std::filesystem::remove(entry.path());
                    }
                    MakeFakeMediumFiles(target);
                    Click(main, "IDC_REFRESH");
                    WithModalDialog([&] { Click(main, "IDC_VERIFY"); },
                                    [&](QDialog* progress) {
                                      WaitFor([&] { return Finished(progress); });
                                      Save(progress, output, "progress-report");
                                      Click(progress, "IDCANCEL");
                                    });
                    QTest::keyClick(main, Qt::Key_Escape);
                  });
  return 0;
}
