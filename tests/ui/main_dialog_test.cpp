// The main dialog on the offscreen platform: its state at program start, the folder choice and
// refresh, the language switch there and back, and the size field.
#include "ui/main_dialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "engine/test_session.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/session.h"
#include "tests/support/test_data.h"
#include "tests/ui/fake_desktop.h"
#include "tests/ui/modal_driver.h"

namespace {

template <typename Widget>
Widget* Find(QWidget* dialog, const char* name) {
  auto* widget = dialog->findChild<Widget*>(name);
  if (widget == nullptr) qFatal("no control %s", name);
  return widget;
}

QString Text(QWidget* dialog, const char* name) {
  QWidget* widget = Find<QWidget>(dialog, name);
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
  if (auto* group = qobject_cast<QGroupBox*>(widget)) return group->title();
  return QString();
}

bool Enabled(QWidget* dialog, const char* name) { return Find<QWidget>(dialog, name)->isEnabled(); }

bool Checked(QWidget* dialog, const char* name) {
  return Find<QAbstractButton>(dialog, name)->isChecked();
}

// Opens the main dialog, runs `interact` with it, then closes it with Escape.
void WithMainDialog(const std::function<void(QDialog*)>& interact) {
  CKestrumDlg dialog;
  WithModalDialog([&] { dialog.DoModal(); },
                  [&](QDialog* shown) {
                    interact(shown);
                    QTest::keyClick(shown, Qt::Key_Escape);
                  });
  QVERIFY(!dialog.isVisible());
}

}  // namespace

class MainDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { ResetSession(); }

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
};

QTEST_MAIN(MainDialogTest)
#include "main_dialog_test.moc"
