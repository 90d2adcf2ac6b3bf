// The main window's scan on its worker thread: the progress dialog, Cancel, closing the
// window during a scan, and the scan's messages shown on the window's thread in order.
#include <QAction>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/progress_dialog.h"
#include "app_main_window_fixture.h"
#include "platform/fault.h"

using namespace kelvane;

namespace {

const std::string kGame = "[Event \"E\"]\n\n1.e4 e5 2.Nf3 *\n\n";
const std::string kOutGame = "[Event \"E\"]\r\n\r\n1.e4 e5 2.Nf3 *\r\n\r\n";

// Slows the scan down: every progress report (each 4096 games) waits a while.
class Pace : public ScanObserver {
 public:
  explicit Pace(int ms) : ms_(ms) {}
  void Progress(const ScanProgress&) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms_));
  }

 private:
  int ms_;
};

// Questions that stay on screen a while, as the user reads them, and give the focus back
// to the main window when they close, as a closed message box does.
class SlowDialogs : public ScriptedDialogs {
 public:
  SlowDialogs(MainWindow& window, Dialogs& previous) : window_(window), previous_(previous) {
    SetDialogs(this);
  }
  ~SlowDialogs() override { SetDialogs(&previous_); }
  // Whether a progress dialog stood behind one of them.
  bool progressBehind = false;

  DialogButton Confirm(const std::string& text, DialogButtons buttons) override {
    Read();
    return ScriptedDialogs::Confirm(text, buttons);
  }

 private:
  void Read() {
    QTest::qWait(800);
    if (window_.findChild<ProgressDialog*>("ScanProgress")) progressBehind = true;
    QApplication::setActiveWindow(&window_);
    window_.activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == &window_; }, 2000));
  }
  MainWindow& window_;
  Dialogs& previous_;
};

class MainWindowScanTest : public MainWindowTest {
 protected:
  void WriteGames(int n) {
    std::string games;
    for (int i = 0; i < n; ++i) games += kGame;
    WriteFile(dir / "in.pgn", games);
  }
  // The progress dialog once it is shown, or nullptr after waiting for it for ten seconds.
  ProgressDialog* WaitForProgress() {
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 10000) {
      auto* dialog = form->findChild<ProgressDialog*>("ScanProgress");
      if (dialog && dialog->isVisible()) return dialog;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return nullptr;
  }
};

TEST_F(MainWindowScanTest, ProgressDialogGroupsCountsAndCountsMegabytesInMillions) {
  const QLocale before;  // the separators are the locale's: use the C locale's ","
  QLocale::setDefault(QLocale::c());
  ProgressDialog dialog(nullptr, true);
  dialog.Show({4294967296, 8589934592, 1234567, 23456, 1000}, 2);
  EXPECT_EQ(Child<QLabel>(dialog, "ScanProgressGames")->text().toStdString(),
            "1,234,567 games read, 23,456 written, 1,000 to the split file");
  EXPECT_EQ(Child<QLabel>(dialog, "ScanProgressAmount")->text().toStdString(),
            "4.3 GB of 8.6 GB (50%)");
  EXPECT_EQ(Child<QLabel>(dialog, "ScanProgressSpeed")->text().toStdString(),
            "2147.5 MB/s, 0:02 left");
  QLocale::setDefault(before);
}

TEST_F(MainWindowScanTest, ProgressShowsAndCancelStopsAfterWholeGames) {
  WriteGames(40000);
  Pace pace(300);
  MainWindow& f = StartActive();
  f.setScanObserver(&pace);
  ui.run->click();
  EXPECT_TRUE(f.scanning());
  EXPECT_FALSE(ui.runItem->isEnabled());
  EXPECT_FALSE(ui.run->isEnabled());
  EXPECT_EQ(f.cursor().shape(), Qt::BusyCursor);
  ProgressDialog* progress = WaitForProgress();
  ASSERT_NE(progress, nullptr);
  // The first progress may take a while on a loaded machine (or under the sanitizers).
  auto* bar = Child<QProgressBar>(*progress, "ScanProgressBar");
  EXPECT_TRUE(QTest::qWaitFor([bar] { return bar->value() >= 0; }, 20000));
  EXPECT_NE(Child<QLabel>(*progress, "ScanProgressGames")->text().indexOf("games read"), -1);
  Child<QPushButton>(*progress, "ScanProgressCancel")->click();
  WaitForScan();
  EXPECT_TRUE(ui.runItem->isEnabled());
  EXPECT_EQ(f.cursor().shape(), Qt::ArrowCursor);
  EXPECT_EQ(form->findChild<ProgressDialog*>("ScanProgress"), nullptr);
  ASSERT_EQ(script.reports.size(), 1u);
  const std::string& report = script.reports[0];
  ASSERT_EQ(report.rfind("Scan cancelled after ", 0), 0u) << report;
  const int read = std::stoi(report.substr(21));
  EXPECT_GT(read, 0);
  EXPECT_LT(read, 40000);
  EXPECT_EQ(report, "Scan cancelled after " + std::to_string(read) + " games\r" +
                        std::to_string(read) + " games read from in.pgn\r" + std::to_string(read) +
                        " games written to out.pgn");
  std::string expected;
  for (int i = 0; i < read; ++i) expected += kOutGame;
  EXPECT_TRUE(ReadFile(dir / "out.pgn") == expected);
}

TEST_F(MainWindowScanTest, ProgressComesOnlyAfterTheChecksAndTakesTheFocusForEscape) {
  WriteGames(40000);
  WriteFile(dir / "out.pgn", "old");
  Pace pace(300);
  MainWindow& f = StartActive();
  f.setScanObserver(&pace);
  SlowDialogs slow(f, script);
  slow.AnswerConfirm(DialogButton::Ok);
  ui.run->click();
  ProgressDialog* progress = WaitForProgress();
  ASSERT_NE(progress, nullptr);
  EXPECT_FALSE(slow.progressBehind);
  // The dialog itself, not only a window of the program: Escape goes to its Cancel.
  EXPECT_TRUE(QTest::qWaitFor([progress] { return QApplication::activeWindow() == progress; }));
  ASSERT_NE(QApplication::focusWidget(), nullptr);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  WaitForScan();
  ASSERT_EQ(slow.reports.size(), 1u);
  EXPECT_EQ(slow.reports[0].rfind("Scan cancelled after ", 0), 0u) << slow.reports[0];
}

TEST_F(MainWindowScanTest, ClosingTheWindowCancelsTheScanAndSavesTheSettings) {
  WriteGames(40000);
  Pace pace(200);
  MainWindow& f = StartActive();
  f.setScanObserver(&pace);
  ui.without->setText("..h6");
  ui.run->click();
  ASSERT_TRUE(f.scanning());
  f.close();
  EXPECT_TRUE(f.isVisible());  // until the scan has stopped
  WaitForScan();
  EXPECT_FALSE(f.isVisible());
  EXPECT_TRUE(script.reports.empty());
  EXPECT_EQ(Saved().criteria.without, "..h6");
  const std::string out = ReadFile(dir / "out.pgn");
  EXPECT_EQ(out.size() % kOutGame.size(), 0u);
  EXPECT_LT(out.size(), 40000 * kOutGame.size());
}

TEST_F(MainWindowScanTest, MessagesOfTheScanArriveInOrderBeforeTheReport) {
  WriteFile(dir / "in.pgn", kGame + "[Event \"2\"]\n\n1.e4 e5) *\n\n" + kGame +
                                "[Event \"4\"]\n\n1.d4 {open *\n\n" +
                                "[Event \"5\"]\n\nodd text\n1.c4 *\n\n");
  StartActive();
  ui.run->click();
  WaitForScan();
  EXPECT_EQ(script.log,
            (std::vector<std::string>{
                "notice: Game 2: extra )/} found", "notice: Game 4: game ended in comment",
                "notice: odd line: \"odd text\"",
                "report: 5 games read from in.pgn\r5 games written to out.pgn"}));
}

// Count, by its button or its shortcut in a field, reports the games read and selected as a
// plain message (no button for a list of games it did not write), asks nothing and leaves
// the old output as it was.
TEST_F(MainWindowScanTest, CountReportsTheGamesSelectedAndLeavesTheOutputAlone) {
  WriteGames(3);
  WriteFile(dir / "out.pgn", "old");
  StartActive();
  const std::string counted = "message: 3 games read from in.pgn\r3 games selected";
  Child<QPushButton>(*form, "CountButton")->click();
  WaitForScan();
  ui.condition1->setFocus(Qt::TabFocusReason);
  QTest::keyClick(ui.condition1, Qt::Key_K, Qt::ControlModifier);
  WaitForScan();
  EXPECT_EQ(script.log, (std::vector<std::string>{counted, counted}));
  EXPECT_EQ(ReadFile(dir / "out.pgn"), "old");
}

TEST_F(MainWindowScanTest, AFaultOfTheScansFilesEndsTheScanAndTheWindowStays) {
  struct Case {
    std::string input;
    std::vector<std::string> shown;  // after the scan's own messages
    std::string output;              // "-" when none is written
  } cases[] = {
      // The games decided before the fault are delivered.
      {kGame + kGame + "no tag line\n\n1.d4 *\n",
       {"beep", "message: Terminating error: trap 7365",
        "message: 2 games read from in.pgn\r2 games written to out.pgn"},
       kOutGame + kOutGame},
      {"\x1F\x8B\x08garbage", {"beep"}, "-"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shown.back());
    WriteFile(dir / "in.pgn", c.input);
    std::filesystem::remove(dir / "out.pgn");
    MainWindow& f = StartActive();
    ui.without->setText("..h6");
    ui.run->click();
    WaitForScan();
    ASSERT_GE(script.log.size(), c.shown.size());
    if (c.output == "-") {
      EXPECT_FALSE(Exists(dir / "out.pgn"));
      EXPECT_TRUE(script.log.back().starts_with("message: Terminating error: in.pgn is damaged"));
      EXPECT_TRUE(script.log.back().ends_with("; no output was written")) << script.log.back();
    } else {
      EXPECT_EQ(std::vector<std::string>(script.log.end() - c.shown.size(), script.log.end()),
                c.shown);
      EXPECT_EQ(ReadFile(dir / "out.pgn"), c.output);
    }
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(ui.run->isEnabled());
    EXPECT_EQ(MainWindow::fieldText(ui.without), "..h6");
  }
}

// A fatal fault that is not one of the scan's files.
class ThrowingObserver : public ScanObserver {
 public:
  void Progress(const ScanProgress&) override { ReportTrap("Logic #1"); }
};

TEST_F(MainWindowScanTest, AnotherFatalFaultInTheScanEndsTheProgramOnTheWindowsThread) {
  // The child is forked as it stands: the scan's thread starts only there.
  GTEST_FLAG_SET(death_test_style, "fast");
  WriteGames(2);
  ThrowingObserver observer;
  EXPECT_EXIT(
      {
        StartActive().setScanObserver(&observer);
        ui.without->setText("..h6");
        ui.run->click();
        WaitForScan();
      },
      ::testing::ExitedWithCode(kTrapExitCode & 0xff), "");
  // The window saved its settings.
  EXPECT_EQ(Saved().criteria.without, "..h6");
}

}  // namespace
