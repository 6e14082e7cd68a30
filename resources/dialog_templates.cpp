#include "resources/dialog_templates.h"

#include "resources/resource_ids.h"

namespace {

constexpr ControlTemplate kMainControls[] = {
    {IDC_SELECT_PATH, "IDC_SELECT_PATH", ControlKind::kPushButton, kTabStop, 195, 30, 66, 14,
     L"选择路径"},
    {IDC_ALL_SPACE, "IDC_ALL_SPACE", ControlKind::kRadioButton, kGroupStart | kTabStop, 16, 80, 245,
     10, L"所有可用的空间"},
    {IDC_ONLY_SIZE, "IDC_ONLY_SIZE", ControlKind::kRadioButton, kTabStop, 16, 93, 27, 10, L"仅"},
    {IDC_SIZE_MB, "IDC_SIZE_MB", ControlKind::kEdit,
     kDigitsOnly | kAutoHScroll | kBorder | kRightAligned | kTabStop, 43, 91, 40, 14, L""},
    {IDC_ENDLESS, "IDC_ENDLESS", ControlKind::kCheckBox, kGroupStart | kTabStop, 192, 124, 82, 9,
     L"无休止的测试"},
    {IDC_WRITE_VERIFY, "IDC_WRITE_VERIFY", ControlKind::kDefaultPushButton, kTabStop, 6, 121, 81,
     14, L"写入并测试"},
    {IDC_VERIFY, "IDC_VERIFY", ControlKind::kPushButton, kTabStop, 97, 121, 81, 14, L"测试"},
    {IDC_SIZE_GROUP, "IDC_SIZE_GROUP", ControlKind::kGroupBox, 0, 7, 69, 264, 41, L"数据量"},
    {IDC_PATH_GROUP, "IDC_PATH_GROUP", ControlKind::kGroupBox, 0, 7, 23, 264, 43, L"路径"},
    {IDC_PATH_LABEL, "IDC_PATH_LABEL", ControlKind::kStatic, 0, 16, 33, 170, 8, L"(未选择)"},
    {IDC_MBYTE_LABEL, "IDC_MBYTE_LABEL", ControlKind::kStatic, 0, 85, 93, 21, 8, L"MByte"},
    {IDC_FILE_STATUS, "IDC_FILE_STATUS", ControlKind::kStatic, 0, 16, 51, 177, 8,
     L"此路径没有测试用文件存在"},
    {IDC_REFRESH, "IDC_REFRESH", ControlKind::kPushButton, kTabStop, 195, 48, 66, 14, L"刷新"},
    {IDC_LANGUAGE_0, "IDC_LANGUAGE_0", ControlKind::kRadioButton, kGroupStart | kTabStop, 7, 7, 42,
     10, L"简体中文"},
    {IDC_LANGUAGE_1, "IDC_LANGUAGE_1", ControlKind::kRadioButton, kTabStop, 56, 7, 42, 10,
     L"繁体中文"},
};

constexpr ControlTemplate kProgressControls[] = {
    {IDCANCEL, "IDCANCEL", ControlKind::kPushButton, kTabStop, 201, 159, 50, 14, L"停止"},
    {IDC_PROGRESS_BAR, "IDC_PROGRESS_BAR", ControlKind::kProgressBar, kBorder, 7, 137, 244, 14,
     L""},
    {IDC_RESULT_TEXT, "IDC_RESULT_TEXT", ControlKind::kEdit,
     kMultiLine | kReadOnly | kAutoHScroll | kVScrollBar | kHScrollBar | kBorder | kTabStop, 7, 54,
     244, 78, L""},
    {IDC_WRITE_AMOUNT, "IDC_WRITE_AMOUNT", ControlKind::kStatic, 0, 12, 19, 103, 8, L"12345 MByte"},
    {IDC_WRITE_TIME, "IDC_WRITE_TIME", ControlKind::kStatic, 0, 12, 29, 102, 8, L"时间: 1:02:34"},
    {IDC_WRITE_SPEED, "IDC_WRITE_SPEED", ControlKind::kStatic, 0, 12, 39, 102, 8,
     L"速度: 22 MByte/s"},
    {IDC_WRITE_GROUP, "IDC_WRITE_GROUP", ControlKind::kGroupBox, 0, 7, 7, 119, 45, L"写入"},
    {IDC_VERIFY_GROUP, "IDC_VERIFY_GROUP", ControlKind::kGroupBox, 0, 131, 7, 119, 45, L"测试"},
    {IDC_VERIFY_AMOUNT, "IDC_VERIFY_AMOUNT", ControlKind::kStatic, 0, 137, 18, 104, 8,
     L"12345 MByte"},
    {IDC_VERIFY_TIME, "IDC_VERIFY_TIME", ControlKind::kStatic, 0, 137, 28, 103, 8,
     L"时间: 1:02:34"},
    {IDC_VERIFY_SPEED, "IDC_VERIFY_SPEED", ControlKind::kStatic, 0, 137, 38, 104, 8,
     L"速度: 33 MByte/s"},
    {IDC_COPY, "IDC_COPY", ControlKind::kPushButton, kTabStop, 7, 159, 103, 14, L"复制到剪切板"},
};

constexpr ControlTemplate kAboutControls[] = {
    {IDC_STATIC, "IDI_MAIN_ICON", ControlKind::kIcon, 0, 14, 14, 20, 20, L""},
    {IDC_STATIC, "IDC_ABOUT_TEXT", ControlKind::kStatic, 0, 44, 14, 150, 8, L"Kestrum  V1.4"},
    {IDOK, "IDOK", ControlKind::kDefaultPushButton, kGroupStart | kTabStop, 203, 74, 50, 14, L"OK"},
};

}  // namespace

const DialogTemplate kMainDialogTemplate = {
    IDD_MAIN_DIALOG, "IDD_MAIN_DIALOG", L"Kestrum", 278, 143, 8, true, kMainControls};
const DialogTemplate kProgressDialogTemplate = {
    IDD_PROGRESS, "IDD_PROGRESS", L"Kestrum | 执行中", 258, 180, 8, true, kProgressControls};
const DialogTemplate kAboutDialogTemplate = {IDD_ABOUTBOX, "IDD_ABOUTBOX", L"Kestrum", 260, 95, 8,
                                             false,        kAboutControls};
