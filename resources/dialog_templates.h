// The dialog templates: for each dialog its caption, size and font, and its controls in tab
// order with their ids, kinds, styles, positions and sizes in dialog units and initial texts.
// Data only; the desktop dialogs build their widgets from it.
#pragma once

#include <span>

enum class ControlKind {
  kPushButton,
  kDefaultPushButton,
  kRadioButton,  // automatic: the buttons of one group exclude each other
  kCheckBox,
  kEdit,
  kStatic,
  kGroupBox,
  kProgressBar,
  kIcon,
};

// Control styles, combined.
enum ControlStyle : unsigned {
  kTabStop = 1 << 0,
  kGroupStart = 1 << 1,  // starts a group of radio buttons (and a tab group)
  kDigitsOnly = 1 << 2,
  kRightAligned = 1 << 3,
  kMultiLine = 1 << 4,
  kReadOnly = 1 << 5,
  kAutoHScroll = 1 << 6,
  kVScrollBar = 1 << 7,
  kHScrollBar = 1 << 8,
  kBorder = 1 << 9,
};

inline constexpr int IDC_STATIC = -1;  // a control that the code never addresses

struct ControlTemplate {
  int id;
  const char* name;  // the id's name; the widget's object name
  ControlKind kind;
  unsigned style;
  int x, y, width, height;  // dialog units
  const wchar_t* text;
};

struct DialogTemplate {
  int id;
  const char* name;
  const wchar_t* caption;
  int width, height;  // of the client area, in dialog units
  int fontPoints;
  bool minimizeBox;
  std::span<const ControlTemplate> controls;  // in tab order
};

extern const DialogTemplate kMainDialogTemplate;
extern const DialogTemplate kProgressDialogTemplate;
extern const DialogTemplate kAboutDialogTemplate;
