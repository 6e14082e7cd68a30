#include "tests/ui/fake_desktop.h"

#include <utility>

namespace {

class RecordedMessageBoxes : public MessageBoxes {
 public:
  explicit RecordedMessageBoxes(FakeDesktop& desktop) : desktop_(desktop) {}
  void Show(QWidget*, const QString& text, MessageKind kind) override {
    desktop_.messages.push_back({ApplicationName(), text, kind});
  }

 private:
  FakeDesktop& desktop_;
};

class QueuedFolderChooser : public FolderChooser {
 public:
  explicit QueuedFolderChooser(FakeDesktop& desktop) : desktop_(desktop) {}
  std::optional<QString> Choose(QWidget*, const QString& title) override {
    desktop_.folderTitles.push_back(title);
    if (desktop_.nextFolders.empty()) return std::nullopt;
    const QString folder = desktop_.nextFolders.front();
    desktop_.nextFolders.pop_front();
    if (folder.isEmpty()) return std::nullopt;
    return folder;
  }

 private:
  FakeDesktop& desktop_;
};

class KeptClipboard : public Clipboard {
 public:
  explicit KeptClipboard(FakeDesktop& desktop) : desktop_(desktop) {}
  void SetText(const QString& text) override { desktop_.clipboard = text; }

 private:
  FakeDesktop& desktop_;
};

}  // namespace

FakeDesktop::FakeDesktop() {
  DesktopServices& services = Desktop();
  real_ = std::move(services);
  services.messageBoxes = std::make_unique<RecordedMessageBoxes>(*this);
  services.folderChooser = std::make_unique<QueuedFolderChooser>(*this);
  services.clipboard = std::make_unique<KeptClipboard>(*this);
}

FakeDesktop::~FakeDesktop() { Desktop() = std::move(real_); }
