#include "tests/ui/dialog_probe.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include "platform/volume.h"
#include "results/format.h"
#include "tests/support/session.h"
#include "tests/ui/fake_desktop.h"
#include "tests/ui/modal_driver.h"
#include "ui/main_dialog.h"

QString Text(QWidget* dialog, const char* name) {
  QWidget* widget = Find<QWidget>(dialog, name);
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
  if (auto* group = qobject_cast<QGroupBox*>(widget)) return group->title();
  if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) return box->toPlainText();
  return QString();
}

bool Enabled(QWidget* dialog, const char* name) { return Find<QWidget>(dialog, name)->isEnabled(); }

bool Checked(QWidget* dialog, const char* name) {
  return Find<QAbstractButton>(dialog, name)->isChecked();
}

QStringList ControlStates(QWidget* dialog) {
  QStringList states;
  for (QWidget* widget : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    const QByteArray name = widget->objectName().toUtf8();
    if (!name.startsWith("ID")) continue;
    auto* button = qobject_cast<QAbstractButton*>(widget);
    states << QStringLiteral("%1 '%2'%3%4")
                  .arg(QString::fromUtf8(name), Text(dialog, name.constData()),
                       widget->isEnabled() ? QString() : QStringLiteral(" disabled"),
                       button != nullptr && button->isChecked() ? QStringLiteral(" checked")
                                                                : QString());
  }
  states.sort();
  return states;
}

void Click(QWidget* dialog, const char* name) {
  QWidget* widget = Find<QWidget>(dialog, name);
  const QPoint where = qobject_cast<QPushButton*>(widget) != nullptr
                           ? widget->rect().center()
                           : QPoint(5, widget->height() / 2);
  QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, where);
}

QStringList TextBackgrounds(QWidget* dialog, const char* name) {
  auto* box = Find<QPlainTextEdit>(dialog, name);
  QSet<QString> found;
  for (QTextBlock block = box->document()->begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat format = it.fragment().charFormat();
      found << (format.hasProperty(QTextFormat::BackgroundBrush)
                    ? format.background().color().name()
                    : QStringLiteral("none"));
    }
  }
  QStringList list(found.begin(), found.end());
  list.sort();
  return list;
}

QColor BarColor(QWidget* dialog, const char* name) {
  return Find<QProgressBar>(dialog, name)->palette().color(QPalette::Highlight);
}

void StandInVolume(uint64_t freeMB, uint64_t totalMB) {
  constexpr uint64_t MB = 1048576;
  SetVolumeSpaceQueryForTesting([=](const wchar_t*, VolumeSpace* space) {
    *space = {freeMB * MB, totalMB * MB};
    return true;
  });
}

void ChooseFolder(FakeDesktop& desktop, QWidget* mainDialog, const std::string& path) {
  desktop.nextFolders.push_back(QString::fromStdString(path));
  Click(mainDialog, "IDC_SELECT_PATH");
}

void WithMainDialog(const std::function<void(QDialog*)>& interact) {
  CKestrumDlg dialog;
  WithModalDialog([&] { dialog.DoModal(); },
                  [&](QDialog* shown) {
                    interact(shown);
                    QTest::keyClick(shown, Qt::Key_Escape);
                  });
  QVERIFY(!dialog.isVisible());
}

int DriveModalDialogs(const std::function<void()>& open,
                      const std::vector<std::function<void(QDialog*)>>& interact) {
  QWidget* const before = QApplication::activeModalWidget();
  size_t shown = 0;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || dialog == before || !dialog->isVisible()) return;
    poll.stop();  // no second call while `interact` waits for something
    if (shown < interact.size()) interact[shown](dialog);
    ++shown;
    if (dialog->isVisible()) {
      QTest::keyClick(dialog, Qt::Key_Escape);
      WaitFor([dialog] { return !dialog->isVisible(); });
    }
    poll.start(5);
  });
  poll.start(5);
  open();
  poll.stop();
  return static_cast<int>(shown);
}

bool WaitUntilFinished(QDialog* progressDialog) {
  return WaitFor([progressDialog] { return Text(progressDialog, "IDCANCEL") == "OK"; });
}

QString SpeedText(uint64_t doneMB, int64_t startTicks, int64_t nowTicks, int64_t frequency) {
  wchar_t text[kSpeedTextChars];
  FormatSpeed(text, doneMB, static_cast<uint64_t>(startTicks), static_cast<uint64_t>(nowTicks),
              static_cast<uint64_t>(frequency));
  return QString::fromWCharArray(text);
}

QString AsShown(const QString& text) {
  return QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QStringList OpenWindows() {
  QStringList open;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (!widget->isVisible()) continue;
    open << (widget->objectName().isEmpty() ? QString::fromUtf8(widget->metaObject()->className())
                                            : widget->objectName());
  }
  return open;
}

void DialogTestCase::init() { ResetSession(); }

void DialogTestCase::cleanup() {
  const QStringList open = OpenWindows();
  ResetSession();
  QVERIFY2(open.isEmpty(), qPrintable("still open: " + open.join(", ")));
}
