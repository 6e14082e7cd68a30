#include "ui/progress_dialog.h"

#include <QPlainTextEdit>
#include <QTextCursor>

#include "engine/engine_error.h"
#include "engine/test_session.h"
#include "resources/resource_ids.h"
#include "results/completion.h"
#include "results/progress_report.h"
#include "target/prepare_run.h"

namespace {

constexpr unsigned kDisplayTimer = 1;
constexpr int kDisplayMilliseconds = 1000;
const QColor kReportBackground(255, 205, 205);

constexpr TextPair kCaption = {L"Kestrum | 执行中", L"Kestrum | 執行中"};
constexpr TextPair kCopyText = {L"复制到剪切板", L"複製到剪切板"};
constexpr TextPair kWriteGroupText = {L"写入", L"寫入"};
constexpr TextPair kVerifyGroupText = {L"测试", L"測試"};
constexpr TextPair kNoWorkerText = {L"无法启动测试线程\r\n", L"無法啟動測試線程\r\n"};

}  // namespace

CProgressDialog::CProgressDialog(QWidget* parent) : DialogBase(kProgressDialogTemplate, parent) {}

CProgressDialog::~CProgressDialog() { worker_.Join(); }

void CProgressDialog::OnInitDialog() {
  for (int id : {IDC_WRITE_AMOUNT, IDC_WRITE_TIME, IDC_WRITE_SPEED, IDC_VERIFY_AMOUNT,
                 IDC_VERIFY_TIME, IDC_VERIFY_SPEED}) {
    SetText(id, L"");
  }
  SetCaption(PickText(kCaption));
  SetText(IDCANCEL, L"停止");
  SetText(IDC_COPY, PickText(kCopyText));
  SetText(IDC_WRITE_GROUP, PickText(kWriteGroupText));
  SetText(IDC_VERIFY_GROUP, PickText(kVerifyGroupText));
  SetProgressPosition(IDC_PROGRESS_BAR, 0);
  SetProgressState(IDC_PROGRESS_BAR, ProgressState::kNormal);
  state_.timerId = SetTimer(kDisplayTimer, kDisplayMilliseconds);

  PrepareRun();
  if (!worker_.Start(this)) {
    // Without a worker no notification comes: end the run here, as an error.
    SetErrorText(PickText(kNoWorkerText));
    OnTestNotify(state_);
    return;
  }
  const FixedText<kWarningChars> warning = CopyWarningText();
  if (warning.Get() != nullptr) SetText(IDC_RESULT_TEXT, warning.Get());
}

void CProgressDialog::SetText(int id, const wchar_t* text) {
  DialogBase::SetText(id, text);
  if (id != IDC_RESULT_TEXT || !state_.reportShown) return;
  auto* box = static_cast<QPlainTextEdit*>(Control(IDC_RESULT_TEXT));
  QTextCursor cursor(box->document());
  cursor.select(QTextCursor::Document);
  QTextCharFormat format;
  format.setBackground(kReportBackground);
  cursor.mergeCharFormat(format);
}

void CProgressDialog::OnClicked(int id) {
  if (id == IDC_COPY) OnCopyToClipboard(state_);
}

void CProgressDialog::OnTimer(unsigned) { UpdateProgress(state_, nullptr); }

void CProgressDialog::OnMessage(unsigned message) {
  if (message == WM_TEST_NOTIFY) OnTestNotify(state_);
}

void CProgressDialog::OnOK() {
  if (state_.finished) EndDialog(IDOK);
}

void CProgressDialog::OnCancel() {
  if (state_.finished) EndDialog(IDCANCEL);
  TestSession.progress.stopRequested = true;
}
