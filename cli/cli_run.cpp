#include "cli/cli_run.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>

#include "cli/json_result.h"
#include "cli/live_line.h"
#include "cli/options.h"
#include "engine/engine_error.h"
#include "engine/test_run.h"
#include "engine/test_session.h"
#include "platform/console.h"
#include "platform/memory_dialog.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "results/completion.h"
#include "results/progress_report.h"
#include "target/prepare_run.h"
#include "target/start_test.h"
#include "target/target_status.h"
#include "target/test_files.h"

namespace {

using std::chrono::seconds;
using std::chrono::steady_clock;

constexpr TextPair kStoppedText = {L"测试已停止, 结果不完整\r\n", L"測試已停止, 結果不完整\r\n"};
constexpr TextPair kNoWorkerText = {L"无法启动测试线程\r\n", L"無法啟動測試線程\r\n"};

void OnStopSignal() { TestSession.progress.stopRequested = true; }

// The worker's notification, waited for by the main thread.
class Notification : public NotifyTarget {
 public:
  void Post(unsigned) override {
    std::lock_guard<std::mutex> guard(mutex_);
    arrived_ = true;
    changed_.notify_all();
  }
  // True once the notification has arrived; waits at most `timeout` for it.
  bool WaitFor(steady_clock::duration timeout) {
    std::unique_lock<std::mutex> guard(mutex_);
    return changed_.wait_for(guard, timeout, [this] { return arrived_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool arrived_ = false;
};

// Where the texts for the user go, as UTF-8 with LF line ends: standard output, or standard
// error when the JSON result takes standard output.
class HumanOutput {
 public:
  explicit HumanOutput(bool toStandardError)
      : stream_(toStandardError ? stderr : stdout),
        terminal_(IsTerminal(toStandardError ? OutputStream::kStandardError
                                             : OutputStream::kStandardOutput)) {}

  bool terminal() const { return terminal_; }

  void Print(const std::wstring& text) {
    std::wstring lines;
    for (wchar_t c : text) {
      if (c != L'\r') lines += c;
    }
    Write(Utf8FromWide(lines.c_str()));
  }
  // Redraws the live line in place on a terminal.
  void Redraw(const std::wstring& line) {
    Write("\r" + Utf8FromWide(line.c_str()) + "\x1b[K");
    lineOpen_ = true;
  }
  // Ends a live line that is still open.
  void EndLine() {
    if (lineOpen_) Write("\n");
    lineOpen_ = false;
  }

 private:
  void Write(const std::string& bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stream_);
    std::fflush(stream_);
  }

  std::FILE* stream_;
  bool terminal_;
  bool lineOpen_ = false;
};

class CliRun : public StartTestHost {
 public:
  CliRun(const CliOptions& options, HumanOutput& output) : options_(options), output_(output) {}

  void ShowMessage(const wchar_t* text, MessageKind kind) override {
    if (kind == MessageKind::kRefusal) {
      refusal_ = text;
      std::fputs((Utf8FromWide(text) + "\n").c_str(), stderr);
    } else {
      output_.Print(std::wstring(text) + L"\n");  // a note: the run goes on
    }
  }

  void RunProgressDialog() override;

  const std::optional<std::wstring>& refusal() const { return refusal_; }
  void Refuse(const std::wstring& text) { ShowMessage(text.c_str(), MessageKind::kRefusal); }
  bool ran() const { return ran_; }

 private:
  void ShowProgress(ProgressDialogState& state, MemoryDialog& dialog,
                    steady_clock::time_point& lastLine);

  const CliOptions& options_;
  HumanOutput& output_;
  std::optional<std::wstring> refusal_;
  bool ran_ = false;
  bool lossShown_ = false;  // the line of a loss found while writing is printed
};

void CliRun::ShowProgress(ProgressDialogState& state, MemoryDialog& dialog,
                          steady_clock::time_point& lastLine) {
  UpdateProgress(state, nullptr);
  // The loss is told as it is found: with --write-all the run may go on for hours.
  const TestProgress p = CopyProgress();
  if (p.lossFound && !lossShown_) {
    wchar_t lossLine[kLossLineChars];
    FormatLossLine(lossLine, p);
    output_.EndLine();
    output_.Print(lossLine);
    lossShown_ = true;
  }
  if (output_.terminal()) {
    output_.Redraw(LiveLine(dialog));
  } else if (steady_clock::now() - lastLine >= seconds(10)) {
    output_.Print(LiveLine(dialog) + L"\n");
    lastLine = steady_clock::now();
  }
}

void CliRun::RunProgressDialog() {
  ran_ = true;
  MemoryDialog dialog;
  ProgressDialogState state(dialog);
  PrepareRun();
  Notification notification;
  TestWorker worker;
  HandleStopSignals(OnStopSignal);
  if (worker.Start(&notification)) {
    steady_clock::time_point lastLine = steady_clock::now();
    while (!notification.WaitFor(seconds(1))) ShowProgress(state, dialog, lastLine);
    worker.Join();
  } else {
    SetErrorText(PickText(kNoWorkerText));
  }
  RestoreStopSignals();
  output_.EndLine();

  OnTestNotify(state);
  const TestProgress p = CopyProgress();
  // A stopped run has no result, unless it had found damage by then.
  if (!p.stopRequested || p.DamageFound()) output_.Print(dialog.GetText(IDC_RESULT_TEXT));
  if (p.stopRequested) output_.Print(PickText(kStoppedText));
}

// The dialog offers a start button only where the target fits its test. Where the one asked
// for is not offered, the status line says why, unless the start's own refusal does (test files
// in the way of writing, a damaged set to verify).
std::optional<std::wstring> TargetRefusal(MemoryDialog& mainDialog, bool write) {
  RefreshTargetStatus(mainDialog);
  if (mainDialog.controls[write ? IDC_WRITE_VERIFY : IDC_VERIFY].enabled) return std::nullopt;
  const uint64_t measuredMB = MeasureTestFiles();
  if (write ? measuredMB != 0 : measuredMB == TEST_FILES_MISSIZED) return std::nullopt;
  return mainDialog.GetText(IDC_FILE_STATUS);
}

const char* Outcome(const CliRun& run, const TestProgress& p) {
  if (!run.ran()) return "refused";
  if (p.DamageFound()) return "damaged";
  if (TestSession.errorText.Get() != nullptr) return "error";
  if (p.stopRequested) return "stopped";
  if (p.verifyStarted && !p.readsFromMedium) return "unproven";
  return "completed";
}

int ExitStatus(const char* outcome) {
  const std::string o = outcome;
  if (o == "refused") return kExitRefused;
  if (o == "damaged") return kExitDamaged;
  if (o == "error") return kExitError;
  if (o == "stopped") return kExitStopped;
  if (o == "unproven") return kExitUnproven;
  return kExitNoError;
}

bool WriteJson(const std::string& path, const std::string& json) {
  if (path == "-") {
    std::fputs(json.c_str(), stdout);
    return std::fflush(stdout) == 0;
  }
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << json;
  file.close();
  return !file.fail();
}

}  // namespace

int RunCli(int argc, const char* const argv[]) {
  CliOptions options;
  std::string error;
  if (!ParseOptions(argc - 1, argv + 1, &options, &error)) {
    std::fprintf(stderr, "kestrum-cli: %s\n", error.c_str());
    return kExitRefused;
  }
  if (options.help) {
    std::fputs(HelpText().c_str(), stdout);
    return kExitNoError;
  }
  if (options.version) {
    std::fputs(kVersionText, stdout);
    return kExitNoError;
  }

  Language = options.language;
  TestSession.writeOnAfterLoss = options.writeAll;
  const std::wstring target = WideFromUtf8(options.directory);
  SetTargetPath(target.c_str());
  HumanOutput output(options.jsonPath && *options.jsonPath == "-");
  CliRun run(options, output);

  // The main dialog as the options set it.
  MemoryDialog mainDialog;
  mainDialog.controls[IDC_ALL_SPACE].checked = !options.sizeMB;
  mainDialog.controls[IDC_ONLY_SIZE].checked = options.sizeMB.has_value();
  mainDialog.controls[IDC_SIZE_MB].text = WideFromUtf8(options.sizeMB.value_or(""));
  mainDialog.controls[IDC_ENDLESS].checked = options.endless;

  const bool write = !options.verifyOnly;
  if (std::optional<std::wstring> refusal = TargetRefusal(mainDialog, write)) {
    run.Refuse(*refusal);
  } else {
    StartTest(mainDialog, run, write);
  }

  const TestProgress p = CopyProgress();
  const char* outcome = Outcome(run, p);
  if (options.jsonPath) {
    const FixedText<kWarningChars> warning = CopyWarningText();
    const RunResult result{outcome,
                           target,
                           TestSession.sizeMB,
                           p,
                           run.ran() ? TestSession.errorText.Get()
                                     : (run.refusal() ? run.refusal()->c_str() : nullptr),
                           run.ran() ? warning.Get() : nullptr};
    if (!WriteJson(*options.jsonPath, ResultJson(result))) {
      std::fprintf(stderr, "kestrum-cli: cannot write the JSON result to '%s'\n",
                   options.jsonPath->c_str());
      if (ExitStatus(outcome) == kExitNoError) return kExitError;
    }
  }
  return ExitStatus(outcome);
}
