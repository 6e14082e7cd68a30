#include "ui/dialog_base.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTextBlock>
#include <QTimer>

#include "ui/desktop_services.h"

namespace {

const QEvent::Type kPostedMessageEvent = static_cast<QEvent::Type>(QEvent::User + 1);

class PostedMessage : public QEvent {
 public:
  explicit PostedMessage(unsigned message) : QEvent(kPostedMessageEvent), message(message) {}
  const unsigned message;
};

// The dialog font: a face that covers Chinese in both scripts, at the template's size.
QFont DialogFont(int points) {
  QFont font = QApplication::font();
  for (const char* family : {"Noto Sans CJK SC", "Noto Sans CJK TC", "WenQuanYi Micro Hei"}) {
    if (QFontDatabase::families().contains(family)) {
      font.setFamily(family);
      break;
    }
  }
  font.setPointSize(points);
  return font;
}

QString FromWide(const wchar_t* text) {
  return QString::fromWCharArray(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

std::wstring ToWide(QString text) {
  return text.replace(QChar::ParagraphSeparator, QChar('\n'))
      .replace(QStringLiteral("\n"), QStringLiteral("\r\n"))
      .toStdWString();
}

}  // namespace

DialogBase::DialogBase(const DialogTemplate& dialogTemplate, QWidget* parent) : QDialog(parent) {
  setObjectName(dialogTemplate.name);
  Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (dialogTemplate.minimizeBox) flags |= Qt::WindowMinimizeButtonHint;
  setWindowFlags(flags);
  setWindowIcon(QIcon(QStringLiteral(":/kestrum.svg")));
  SetCaption(dialogTemplate.caption);

  setFont(DialogFont(dialogTemplate.fontPoints));
  // As the dialog manager measures a font: the average width of the 52 letters, rounded,
  // and the character height.
  const QFontMetrics metrics(font());
  unitX_ = (metrics.horizontalAdvance(
                QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                26 +
            1) /
           2;
  unitY_ = metrics.height();
  setFixedSize(DialogUnitsToPixelsX(dialogTemplate.width),
               DialogUnitsToPixelsY(dialogTemplate.height));

  QButtonGroup* radioGroup = nullptr;
  QWidget* previousTabStop = nullptr;
  for (const ControlTemplate& control : dialogTemplate.controls) {
    CreateControl(control, radioGroup);
    QWidget* widget = findChild<QWidget*>(control.name, Qt::FindDirectChildrenOnly);
    if ((control.style & kTabStop) != 0) {
      if (previousTabStop != nullptr) setTabOrder(previousTabStop, widget);
      if (firstTabStop_ == nullptr) firstTabStop_ = widget;
      previousTabStop = widget;
    }
  }
}

void DialogBase::CreateControl(const ControlTemplate& control, QButtonGroup*& radioGroup) {
  QWidget* widget = nullptr;
  const QString text = FromWide(control.text);
  const int id = control.id;
  switch (control.kind) {
    case ControlKind::kPushButton:
    case ControlKind::kDefaultPushButton: {
      auto* button = new QPushButton(text, this);
      // Only the template's default button is the default; keyPressEvent gives Enter to a
      // push button with the focus.
      button->setAutoDefault(false);
      button->setDefault(control.kind == ControlKind::kDefaultPushButton);
      connect(button, &QPushButton::clicked, this, [this, id] {
        if (id == IDCANCEL_RESULT) return OnCancel();
        if (id == IDOK_RESULT) return OnOK();
        OnClicked(id);
      });
      widget = button;
      break;
    }
    case ControlKind::kRadioButton: {
      auto* button = new QRadioButton(text, this);
      if ((control.style & kGroupStart) != 0 || radioGroup == nullptr) {
        radioGroup = new QButtonGroup(this);
      }
      radioGroup->addButton(button);
      connect(button, &QRadioButton::clicked, this, [this, id] { OnClicked(id); });
      widget = button;
      break;
    }
    case ControlKind::kCheckBox: {
      auto* box = new QCheckBox(text, this);
      connect(box, &QCheckBox::clicked, this, [this, id] { OnClicked(id); });
      widget = box;
      break;
    }
    case ControlKind::kEdit:
      if ((control.style & kMultiLine) != 0) {
        auto* edit = new QPlainTextEdit(text, this);
        edit->setReadOnly((control.style & kReadOnly) != 0);
        edit->setLineWrapMode(QPlainTextEdit::NoWrap);
        edit->setVerticalScrollBarPolicy(
            (control.style & kVScrollBar) != 0 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        edit->setHorizontalScrollBarPolicy(
            (control.style & kHScrollBar) != 0 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        widget = edit;
      } else {
        auto* edit = new QLineEdit(text, this);
        if ((control.style & kDigitsOnly) != 0) {
          edit->setValidator(
              new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
        }
        if ((control.style & kRightAligned) != 0) edit->setAlignment(Qt::AlignRight);
        connect(edit, &QLineEdit::textChanged, this, [this, id] { OnTextChanged(id); });
        widget = edit;
      }
      break;
    case ControlKind::kStatic: {
      auto* label = new QLabel(text, this);
      label->setTextFormat(Qt::PlainText);  // a path is never markup
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      widget = label;
      break;
    }
    case ControlKind::kGroupBox: {
      auto* box = new QGroupBox(text, this);
      // Only a frame: it lies beneath the controls it surrounds and takes no clicks.
      box->setAttribute(Qt::WA_TransparentForMouseEvents);
      box->lower();
      widget = box;
      break;
    }
    case ControlKind::kProgressBar: {
      auto* bar = new QProgressBar(this);
      bar->setRange(0, 100);
      bar->setValue(0);
      bar->setTextVisible(false);
      widget = bar;
      break;
    }
    case ControlKind::kIcon: {
      auto* label = new QLabel(this);
      const QSize size(DialogUnitsToPixelsX(control.width), DialogUnitsToPixelsY(control.height));
      label->setPixmap(windowIcon().pixmap(size));
      widget = label;
      break;
    }
  }
  if (control.kind != ControlKind::kRadioButton) radioGroup = nullptr;
  if ((control.style & kTabStop) == 0 && control.kind != ControlKind::kStatic) {
    widget->setFocusPolicy(Qt::NoFocus);
  }
  widget->setObjectName(control.name);
  widget->setGeometry(DialogUnitsToPixelsX(control.x), DialogUnitsToPixelsY(control.y),
                      DialogUnitsToPixelsX(control.width), DialogUnitsToPixelsY(control.height));
  if (control.id != IDC_STATIC) controls_[control.id] = widget;
}

int DialogBase::DialogUnitsToPixelsX(int units) const { return (units * unitX_ + 2) / 4; }

int DialogBase::DialogUnitsToPixelsY(int units) const { return (units * unitY_ + 4) / 8; }

int DialogBase::DoModal() {
  ended_ = false;
  OnInitDialog();
  if (ended_) return result();
  // The focus goes to the first control that takes it.
  if (firstTabStop_ != nullptr) firstTabStop_->setFocus();
  return exec();
}

QWidget* DialogBase::Control(int id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

void DialogBase::SetCaption(const wchar_t* text) { setWindowTitle(QString::fromWCharArray(text)); }

void DialogBase::SetText(int id, const wchar_t* wide) {
  QWidget* widget = Control(id);
  const QString text = FromWide(wide);
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(text);
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(text);
  } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    line->setText(text);
  } else if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
    box->setPlainText(text);
  } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    group->setTitle(text);
  }
}

std::wstring DialogBase::GetText(int id) {
  QWidget* widget = Control(id);
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return ToWide(button->text());
  if (auto* label = qobject_cast<QLabel*>(widget)) return ToWide(label->text());
  if (auto* line = qobject_cast<QLineEdit*>(widget)) return ToWide(line->text());
  if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) return ToWide(box->toPlainText());
  if (auto* group = qobject_cast<QGroupBox*>(widget)) return ToWide(group->title());
  return std::wstring();
}

void DialogBase::Enable(int id, bool enabled) {
  if (QWidget* widget = Control(id)) widget->setEnabled(enabled);
}

bool DialogBase::IsChecked(int id) {
  auto* button = qobject_cast<QAbstractButton*>(Control(id));
  return button != nullptr && button->isChecked();
}

void DialogBase::SetCheck(int id, bool checked) {
  if (auto* button = qobject_cast<QAbstractButton*>(Control(id))) button->setChecked(checked);
}

void DialogBase::SetProgressPosition(int id, int position) {
  if (auto* bar = qobject_cast<QProgressBar*>(Control(id))) bar->setValue(position);
}

void DialogBase::SetProgressState(int id, ProgressState state) {
  auto* bar = qobject_cast<QProgressBar*>(Control(id));
  if (bar == nullptr) return;
  QPalette colors = palette();  // the dialog's
  if (state == ProgressState::kError) colors.setColor(QPalette::Highlight, QColor(218, 38, 38));
  bar->setPalette(colors);
}

void DialogBase::SelectText(int id, int first, int last) {
  auto* box = qobject_cast<QPlainTextEdit*>(Control(id));
  if (box == nullptr) return;
  const int end = box->document()->characterCount() - 1;
  QTextCursor cursor(box->document());
  cursor.setPosition(std::clamp(first, 0, end));
  cursor.setPosition(std::clamp(last, 0, end), QTextCursor::KeepAnchor);
  box->setTextCursor(cursor);
}

void DialogBase::ScrollCaretIntoView(int id) {
  if (auto* box = qobject_cast<QPlainTextEdit*>(Control(id))) box->ensureCursorVisible();
}

void DialogBase::CopySelection(int id) {
  auto* box = qobject_cast<QPlainTextEdit*>(Control(id));
  if (box == nullptr) return;
  const std::wstring text = ToWide(box->textCursor().selectedText());
  Desktop().clipboard->SetText(QString::fromStdWString(text));
}

void DialogBase::EndDialog(int result) {
  ended_ = true;
  done(result);
}

unsigned DialogBase::SetTimer(unsigned timerId, int milliseconds) {
  QTimer*& timer = timers_[timerId];
  if (timer == nullptr) {
    timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this, timerId] { OnTimer(timerId); });
  }
  timer->start(milliseconds);
  return timerId;
}

void DialogBase::KillTimer(unsigned timerId) {
  auto it = timers_.find(timerId);
  if (it != timers_.end()) it->second->stop();
}

void DialogBase::Post(unsigned message) {
  QCoreApplication::postEvent(this, new PostedMessage(message));
}

void DialogBase::customEvent(QEvent* event) {
  if (event->type() == kPostedMessageEvent) {
    OnMessage(static_cast<PostedMessage*>(event)->message);
  } else {
    QDialog::customEvent(event);
  }
}

void DialogBase::keyPressEvent(QKeyEvent* event) {
  if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
    if (event->key() == Qt::Key_Escape) return OnCancel();
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
      // A push button with the focus takes Enter, then the default button; otherwise it is
      // the dialog's OK command.
      auto* focused = qobject_cast<QPushButton*>(focusWidget());
      QPushButton* button = focused;
      if (button == nullptr) {
        for (QPushButton* candidate : findChildren<QPushButton*>()) {
          if (candidate->isDefault()) button = candidate;
        }
      }
      if (button == nullptr) return OnOK();
      if (button->isEnabled()) button->click();
      return;
    }
  }
  QDialog::keyPressEvent(event);
}
