#include "ui/main_dialog.h"

#include <QContextMenuEvent>
#include <QMenu>

#include "engine/test_session.h"
#include "resources/resource_ids.h"
#include "target/target_status.h"
#include "target/test_files.h"
#include "ui/about_dialog.h"
#include "ui/desktop_services.h"
#include "ui/progress_dialog.h"

namespace {

constexpr const wchar_t* kAboutItemText = L"Kestrum...(&I)";
constexpr TextPair kChooseFolderTitle = {L"请选择一个路径", L"請選擇一個路徑"};

struct ControlText {
  int id;
  TextPair text;
};

// The texts that follow the language, in the order they are set.
constexpr ControlText kLanguageTexts[] = {
    {IDC_SELECT_PATH, {L"选择路径", L"選擇路徑"}},
    {IDC_REFRESH, {L"刷新", L"重繪"}},
    {IDC_WRITE_VERIFY, {L"写入并测试", L"寫入並測試"}},
    {IDC_VERIFY, {L"测试", L"測試"}},
    {IDC_PATH_GROUP, {L"路径", L"路徑"}},
    {IDC_SIZE_GROUP, {L"数据量", L"數據量"}},
    {IDC_ALL_SPACE, {L"所有可用的空间", L"所有可用的空間"}},
    {IDC_ONLY_SIZE, {L"仅", L"僅"}},
    {IDC_ENDLESS, {L"无休止的测试", L"無休止的測試"}},
};

}  // namespace

CKestrumDlg::CKestrumDlg() : DialogBase(kMainDialogTemplate, nullptr) {}

void CKestrumDlg::OnInitDialog() {
  SetCheck(IDC_LANGUAGE_0, true);
  SetCheck(IDC_ALL_SPACE, true);
  SetTargetPath(nullptr);
  RefreshTargetStatus(*this);
}

void CKestrumDlg::OnClicked(int id) {
  switch (id) {
    case IDC_SELECT_PATH:
      return ChooseFolder();
    case IDC_WRITE_VERIFY:
      return StartTest(*this, *this, true);
    case IDC_VERIFY:
      return StartTest(*this, *this, false);
    case IDC_REFRESH:
      return RefreshTargetStatus(*this);
    case IDC_LANGUAGE_0:
      return SwitchLanguage(0);
    case IDC_LANGUAGE_1:
      return SwitchLanguage(1);
  }
}

void CKestrumDlg::OnTextChanged(int id) {
  // Any change of the size, the program's own included, chooses the given size.
  if (id != IDC_SIZE_MB) return;
  SetCheck(IDC_ALL_SPACE, false);
  SetCheck(IDC_ONLY_SIZE, true);
}

void CKestrumDlg::ChooseFolder() {
  const std::optional<QString> folder =
      Desktop().folderChooser->Choose(this, QString::fromWCharArray(PickText(kChooseFolderTitle)));
  if (!folder) return;
  SetTargetPath(folder->toStdWString().c_str());
  RefreshTargetStatus(*this);
}

void CKestrumDlg::SwitchLanguage(int language) {
  Language = language;
  for (const ControlText& control : kLanguageTexts) SetText(control.id, PickText(control.text));
  RefreshTargetStatus(*this);
}

void CKestrumDlg::ShowMessage(const wchar_t* text, MessageKind kind) {
  Desktop().messageBoxes->Show(this, QString::fromWCharArray(text), kind);
}

void CKestrumDlg::RunProgressDialog() {
  CProgressDialog dialog(this);
  dialog.DoModal();
}

void CKestrumDlg::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  menu.addAction(QString::fromWCharArray(kAboutItemText), this, [this] {
    CAboutDlg about(this);
    about.DoModal();
  });
  menu.exec(event->globalPos());
}
