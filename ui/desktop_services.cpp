#include "ui/desktop_services.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {

class QtMessageBoxes : public MessageBoxes {
 public:
  void Show(QWidget* parent, const QString& text, MessageKind kind) override {
    QMessageBox box(kind == MessageKind::kRefusal ? QMessageBox::Critical : QMessageBox::Warning,
                    ApplicationName(), text, QMessageBox::Ok, parent);
    box.exec();
  }
};

class QtFolderChooser : public FolderChooser {
 public:
  std::optional<QString> Choose(QWidget* parent, const QString& title) override {
    // Qt's own dialog: directories only, a path can be typed, and browsing starts at the top.
    QString path = QFileDialog::getExistingDirectory(
        parent, title, "/", QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (path.isEmpty()) return std::nullopt;
    return path;
  }
};

class QtClipboard : public Clipboard {
 public:
  void SetText(const QString& text) override { QApplication::clipboard()->setText(text); }
};

}  // namespace

DesktopServices& Desktop() {
  static DesktopServices services{std::make_unique<QtMessageBoxes>(),
                                  std::make_unique<QtFolderChooser>(),
                                  std::make_unique<QtClipboard>()};
  return services;
}

QString ApplicationName() {
  return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}
