#include "platform/console_dialogs.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>

#include "platform/io_result.h"
#include "platform/shown_text.h"
#include "platform/write_all.h"

namespace kelvane {

namespace {
FILE* Or(FILE* f, FILE* fallback) {
  return f ? f : fallback;
}

bool SaysYes(const std::string& answer, DialogButtons buttons) {
  std::string a;
  for (char c : answer)
    if (!std::isspace(static_cast<unsigned char>(c)))
      a += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (buttons == DialogButtons::OkCancel) return a == "ok" || a == "o" || a == "y" || a == "yes";
  return a == "y" || a == "yes";
}
}  // namespace

std::string ConsoleText(std::string_view text, bool endLine) {
  const std::string shown = EscapeControls(text);
  std::string out;
  out.reserve(shown.size() + 1);
  for (size_t i = 0; i < shown.size(); ++i) {
    char c = shown[i];
    if (c == '\r') {
      if (i + 1 < shown.size() && shown[i + 1] == '\n') ++i;
      c = '\n';
    }
    out += c;
  }
  if (endLine) out += '\n';
  return out;
}

bool WriteWhole(FILE* f, const std::string& bytes) {
  // Whatever the stream holds goes first, then the text in one call: a message is never
  // split among other output, nor written a byte at a time to an unbuffered stream.
  if (std::fflush(f) != 0) return false;
  return WriteAll(::fileno(f), bytes.data(), bytes.size());
}

void WriteLines(FILE* f, const std::string& text) {
  WriteWhole(f, ConsoleText(text, true));
}

bool ConsoleDialogs::Interactive() const {
  if (interactive_ >= 0) return interactive_ != 0;
  return ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO);
}

void ConsoleDialogs::ShowMessage(const std::string& text) {
  if (beforeWriting_) beforeWriting_();
  WriteLines(Or(err_, stderr), text);
}

void ConsoleDialogs::ShowNotice(const std::string& text) {
  if (!options_.quiet) ShowMessage(text);
}

void ConsoleDialogs::ShowQuotedMessage(std::string_view before, std::string_view line,
                                       std::string_view after) {
  std::string text(before);
  text.append(CutQuotedLine(line)).append(after);
  ShowMessage(text);
}

void ConsoleDialogs::ShowQuotedNotice(std::string_view before, std::string_view line,
                                      std::string_view after) {
  if (!options_.quiet) ShowQuotedMessage(before, line, after);
}

void ConsoleDialogs::ShowReport(const std::string& text) {
  // The report is the scan's result: a write that fails (a full device, a closed stream)
  // is left pending for the run to report.
  FILE* to = options_.reportToErr ? Or(err_, stderr) : Or(out_, stdout);
  if (beforeWriting_ && !options_.quiet) beforeWriting_();
  if (!options_.quiet && !WriteWhole(to, ConsoleText(text, true))) SetIoResult(errno);
}

void ConsoleDialogs::ShowCancelledReport(const std::string& heading, const std::string& counts) {
  ShowNotice(heading);
  ShowReport(counts);
}

DialogButton ConsoleDialogs::Confirm(const std::string& text, DialogButtons buttons) {
  bool okCancel = buttons == DialogButtons::OkCancel;
  DialogButton yes = okCancel ? DialogButton::Ok : DialogButton::Yes;
  DialogButton no = okCancel ? DialogButton::Cancel : DialogButton::No;
  if (options_.assumeYes) return yes;
  if (beforeWriting_) beforeWriting_();
  FILE* err = Or(err_, stderr);
  if (!Interactive()) {
    WriteLines(err, text + " Cancelled: no terminal to ask; use --yes");
    return no;
  }
  WriteWhole(err, ConsoleText(text + (okCancel ? " [OK/Cancel] " : " [Yes/No] "), false));
  std::string answer;
  for (int c; (c = std::fgetc(Or(in_, stdin))) != EOF && c != '\n';) answer += static_cast<char>(c);
  return SaysYes(answer, buttons) ? yes : no;
}

std::optional<std::string> ConsoleDialogs::InputBox(const std::string&, const std::string&,
                                                    const std::string&) {
  return std::nullopt;
}

void ConsoleDialogs::Beep() {
  if (interactive_ != 0 && ::isatty(STDERR_FILENO) && !err_) {
    std::fputc('\a', stderr);
    std::fflush(stderr);
  }
}

std::optional<std::string> ConsoleDialogs::OpenFile(const FileDialogRequest&) {
  return std::nullopt;
}

std::optional<std::string> ConsoleDialogs::SaveFile(const FileDialogRequest&) {
  return std::nullopt;
}

}  // namespace kelvane
