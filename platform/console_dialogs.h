// Dialogs of the headless scan: messages on standard error, one per line, the report on
// standard output, questions on the terminal (or answered without one). Each message is
// written whole with one write call.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "platform/dialogs.h"

namespace kelvane {

class ConsoleDialogs : public Dialogs {
 public:
  struct Options {
    bool assumeYes = false;    // answer OK/Yes without asking
    bool quiet = false;        // leave out notices and the report
    bool reportToErr = false;  // the report on standard error (the games go to standard output)
  };
  ConsoleDialogs() = default;
  explicit ConsoleDialogs(Options options) : options_(options) {}
  // Streams for tests; the defaults are standard output, standard error and input.
  ConsoleDialogs(Options options, FILE* out, FILE* err, FILE* in, bool interactive)
      : options_(options), out_(out), err_(err), in_(in), interactive_(interactive) {}

  // Called before each message, report or question is written (the headless scan's live
  // progress line is ended there).
  void SetBeforeWriting(std::function<void()> before) { beforeWriting_ = std::move(before); }

  void ShowMessage(const std::string& text) override;
  void ShowNotice(const std::string& text) override;
  // A failed write leaves its error pending (io_result.h).
  void ShowReport(const std::string& text) override;
  // The heading on standard error, the counts on standard output as in any report.
  void ShowCancelledReport(const std::string& heading, const std::string& counts) override;
  // The quoted line is cut after 200 bytes (see CutQuotedLine).
  void ShowQuotedMessage(std::string_view before, std::string_view line,
                         std::string_view after) override;
  void ShowQuotedNotice(std::string_view before, std::string_view line,
                        std::string_view after) override;
  DialogButton Confirm(const std::string& text, DialogButtons buttons) override;
  std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                      const std::string& defaultText) override;
  void Beep() override;
  std::optional<std::string> OpenFile(const FileDialogRequest& request) override;
  std::optional<std::string> SaveFile(const FileDialogRequest& request) override;

 private:
  bool Interactive() const;

  Options options_;
  FILE* out_ = nullptr;
  FILE* err_ = nullptr;
  FILE* in_ = nullptr;
  int interactive_ = -1;  // -1: ask whether standard input and error are terminals
  std::function<void()> beforeWriting_;
};

// A message as the console shows it: control characters escaped (shown_text.h), every CR,
// CR LF or LF one line end, and with endLine a final line end.
std::string ConsoleText(std::string_view text, bool endLine);
// Writes bytes to f's descriptor in one call (after what f has buffered). False, with
// errno set, when the write fails.
bool WriteWhole(FILE* f, const std::string& bytes);
// Writes text in its console form with a final line end, in one call.
void WriteLines(FILE* f, const std::string& text);

}  // namespace kelvane
