// Stand-ins for the windows a dialog waits for and for the clipboard: message boxes are
// recorded and answered at once, the folder chooser answers from a queue of next folders, and
// the clipboard keeps its text. Installed for the life of the object.
#pragma once

#include <QString>
#include <deque>
#include <vector>

#include "ui/desktop_services.h"

struct ShownMessage {
  QString caption;
  QString text;
  MessageKind kind;
};

class FakeDesktop {
 public:
  FakeDesktop();
  ~FakeDesktop();  // puts the real services back

  std::vector<ShownMessage> messages;
  std::deque<QString> nextFolders;  // an empty one: the user cancels
  QString clipboard;
  std::vector<QString> folderTitles;  // the title of every folder chooser shown

 private:
  DesktopServices real_;
};
