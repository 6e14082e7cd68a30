// Looking into the dialogs on the offscreen platform and driving them as a user would: controls
// by their id name, their texts and states, clicks, the modal dialogs a click opens one after
// another, and the windows still open when a test ends.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QDialog>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class FakeDesktop;

// The base of the dialog test cases: every test starts from a fresh session and must leave no
// window open.
class DialogTestCase : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
};

template <typename Widget>
Widget* Find(QWidget* dialog, const char* name) {
  auto* widget = dialog->findChild<Widget*>(name);
  if (widget == nullptr) qFatal("no control %s", name);
  return widget;
}

// The text a control shows: a label's, a button's, a field's, a group's title or a text box's.
QString Text(QWidget* dialog, const char* name);
bool Enabled(QWidget* dialog, const char* name);
bool Checked(QWidget* dialog, const char* name);

// Every control's text, enabled state and check, one line each: a dialog's whole visible state.
QStringList ControlStates(QWidget* dialog);

// A left click on the control where a user would click it: a push button in its middle, a radio
// button or check box on its indicator.
void Click(QWidget* dialog, const char* name);

// The text backgrounds of a text box, one entry per distinct colour ("#rrggbb"), "none" for text
// without a background of its own; sorted.
QStringList TextBackgrounds(QWidget* dialog, const char* name);

// The colour that fills the progress bar.
QColor BarColor(QWidget* dialog, const char* name);

// The volume of every target stands in as one of `freeMB` MByte free of `totalMB`.
void StandInVolume(uint64_t freeMB, uint64_t totalMB);

// Has the folder chooser answer `path` and clicks the main dialog's IDC_SELECT_PATH.
void ChooseFolder(FakeDesktop& desktop, QWidget* mainDialog, const std::string& path);

// Opens the main dialog, runs `interact` with it, then closes it with Escape.
void WithMainDialog(const std::function<void(QDialog*)>& interact);

// Calls `open`, which returns only once the modal dialogs it shows one after another have
// closed, and runs `interact[i]` with the i-th of them. A dialog still open after its `interact`
// (a failed check, or one more dialog than expected) gets Escape, and the driver waits for it to
// close, so a failed test never leaves a modal dialog waiting. Returns how many were shown.
int DriveModalDialogs(const std::function<void()>& open,
                      const std::vector<std::function<void(QDialog*)>>& interact);

// Waits until the progress dialog's run has ended: its Stop button reads "OK".
bool WaitUntilFinished(QDialog* progressDialog);

// The speed text of `doneMB` MByte between two counter values, as the dialogs show it.
QString SpeedText(uint64_t doneMB, int64_t startTicks, int64_t nowTicks, int64_t frequency);

// CR LF line breaks, as the program's own texts and the clipboard have them, turned into the
// line breaks of a text box.
QString AsShown(const QString& text);

// The names of the visible top-level windows.
QStringList OpenWindows();
