// The windows that a dialog opens and waits for, and the clipboard: reached through these
// seams so that tests answer them without a modal window. Desktop code, user-interface thread.
#pragma once

#include <QString>
#include <memory>
#include <optional>

#include "target/start_test.h"

class QWidget;

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // A modal message box with an OK button, the application's name as caption and the icon of
  // `kind`.
  virtual void Show(QWidget* parent, const QString& text, MessageKind kind) = 0;
};

class FolderChooser {
 public:
  virtual ~FolderChooser() = default;
  // Lets the user pick or type a directory; nothing when cancelled.
  virtual std::optional<QString> Choose(QWidget* parent, const QString& title) = 0;
};

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  virtual void SetText(const QString& text) = 0;
};

struct DesktopServices {
  std::unique_ptr<MessageBoxes> messageBoxes;
  std::unique_ptr<FolderChooser> folderChooser;
  std::unique_ptr<Clipboard> clipboard;
};

// The services in use: the real ones unless a test has replaced them.
DesktopServices& Desktop();

// The application's name: the executable's file name without its extension.
QString ApplicationName();
