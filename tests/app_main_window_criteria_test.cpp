// The main window's criteria fields driven on the offscreen platform: the conditions
// checked as a field is left, the ranges stored, the Must contain text and its
// Notation/Moves choice, and the checks that keep Run from running.
#include <gtest/gtest.h>

#include <QtTest/QTest>
#include <filesystem>
#include <functional>

#include "app/board_view.h"
#include "app_main_window_fixture.h"
#include "engine/fen.h"
#include "engine/criteria.h"
#include "engine/criteria_entry.h"

using namespace kelvane;

namespace {

// ---- Criteria entry -------------------------------------------------------------------

TEST_F(MainWindowTest, LeavingAFieldChecksAndNormalisesTheConditions) {
  MainWindow& f = StartActive();
  struct Case {
    const char* typed;
    const char* shown;
    bool failed;
  } cases[] = {
      {"Kh1 > Qe1", "Qe1 < Kh1", false},
      {"Kh1 < Qe1", "Kh1 < Qe1", false},
      {"  Kh1 \t <   Qe1  ", "Kh1 < Qe1", false},
      {"..e5 > Nf3", "Nf3 < ..e5", false},
      {"", "", false},
      {"Kh1 < Qe1 Nf3", "Kh1 < Qe1 Nf3", true},
      {"Kh1 = Qe1", "Kh1 = Qe1", true},
      {"Qe1<Kh1", "Qe1<Kh1", true},
      {"abcdefghij abcdefghij abcdefghij abcdefghi", "abcdefghij abcdefghij abcdefghi", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    Type(ui.condition2, c.typed);
    script.Clear();
    Tab(ui.without);
    EXPECT_EQ(MainWindow::fieldText(ui.condition2), c.shown);
    EXPECT_EQ(form->settings().criteria.conditions[1], c.shown);
    if (c.failed) {
      EXPECT_EQ(script.messages,
                std::vector<std::string>{"Condition 2 \"" + std::string(c.shown) +
                                         "\" is refused.\r" + ConditionFormMessage()});
      EXPECT_EQ(script.beeps, 1);
      EXPECT_EQ(f.focusWidget(), ui.condition2);
    } else {
      EXPECT_TRUE(script.messages.empty());
      EXPECT_EQ(f.focusWidget(), ui.without);
    }
  }
  // A wrong condition is reported again whenever any field is left, in field order, and
  // the focus ends on the last wrong field.
  Type(ui.condition2, "");
  Type(ui.condition1, "a b c");
  Type(ui.condition3, "d e f");
  Tab(ui.condition1From);
  script.Clear();
  Tab(ui.condition1To);
  EXPECT_EQ(script.messages.size(), 2u);
  EXPECT_EQ(f.focusWidget(), ui.condition3);
}

TEST_F(MainWindowTest, LosingTheWindowsActivationIsNoExit) {
  Start();
  ui.condition1->setText("Kh1 > Qe1");
  for (Qt::FocusReason reason : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason}) {
    QFocusEvent out(QEvent::FocusOut, reason);
    QApplication::sendEvent(ui.condition1, &out);
    EXPECT_EQ(MainWindow::fieldText(ui.condition1), "Kh1 > Qe1");
  }
  QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
  QApplication::sendEvent(ui.condition1, &out);
  EXPECT_EQ(MainWindow::fieldText(ui.condition1), "Qe1 < Kh1");
  EXPECT_EQ(form->settings().criteria.conditions[0], "Qe1 < Kh1");
}

TEST_F(MainWindowTest, ARangeThatIsNoNumberIsNamedAndTheFieldShowsTheValueKept) {
  StartActive();
  Tab(ui.without);
  ui.condition1From->setText("3");
  ui.condition1To->setText("9");
  ui.condition2From->setText("abc");
  ui.condition2To->setText("20");
  ui.withoutFrom->setText("7");
  ui.without->setText("  ..e6 \t ..d5  ");
  ChooseMovesQuietly();
  Tab(ui.condition1);
  EXPECT_EQ(script.messages,
            std::vector<std::string>{"Non-numeric value in range: the start of the "
                                     "condition 2 range must be a whole number, "
                                     "not \"abc\""});
  EXPECT_EQ(script.beeps, 1);
  // The refused field keeps its value and shows it; the other fields are stored.
  EXPECT_EQ(MainWindow::fieldText(ui.condition2From), "0");
  EXPECT_EQ(form->settings().criteria.conditionRanges[1].from, 0);
  EXPECT_EQ(form->settings().criteria.conditionRanges[0].from, 3);
  EXPECT_EQ(form->settings().criteria.conditionRanges[0].to, 9);
  EXPECT_EQ(form->settings().criteria.conditionRanges[1].to, 20);
  EXPECT_EQ(form->settings().criteria.withoutRange.from, 7);
  EXPECT_EQ(form->settings().criteria.mustContainForm, SequenceForm::Moves);
  EXPECT_EQ(form->settings().criteria.without, "..e6 ..d5");
  EXPECT_EQ(MainWindow::fieldText(ui.without), "  ..e6 \t ..d5  ");

  struct Case {
    QLineEdit* Controls::*field;
    const char* typed;
    const char* message;
  } cases[] = {
      {&Controls::mustContainTo, "",
       "Non-numeric value in range: the end of the Must contain range must be a whole number, "
       "not \"\""},
      {&Controls::withoutFrom, "1x",
       "Non-numeric value in range: the start of the Without range must be a whole number, not "
       "\"1x\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const std::string kept = MainWindow::fieldText(ui.*c.field);
    Type(ui.*c.field, c.typed);
    script.Clear();
    Tab(ui.condition2To);
    EXPECT_EQ(script.messages, std::vector<std::string>{c.message});
    EXPECT_EQ(MainWindow::fieldText(ui.*c.field), kept);
  }
}

TEST_F(MainWindowTest, MustContainTextChoosesItsFormAndANotationTextItsRange) {
  Seed([](Settings& r) { r.criteria.mustContainRange = {7, 9}; });
  struct Case {
    const char* text;
    int item;
    int from, to;  // 7 and 9: the range was left alone
  } cases[] = {
      {"1.e4 c5 2.Nf3", 0, 1, 2},  {"..c5 Nf3", 1, 7, 9},
      {"e5 2.Nf3 Nc6", 0, 1, 2},   {"1.e4 c5 2.Nf3 d6 3.d4 cxd4 4.Nxd4 Nf6 5.Nc3 a6 6.f4", 0, 1, 6},
      {"1.e4 c5\n2.Nf3", 0, 1, 2}, {"", 1, 7, 9},
      {"e4 e5", 1, 7, 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Start();
    SetMemoText(c.text);
    EXPECT_EQ(SequenceFormIndex(), c.item);
    EXPECT_EQ(MainWindow::fieldText(ui.mustContainFrom), std::to_string(c.from));
    EXPECT_EQ(MainWindow::fieldText(ui.mustContainTo), std::to_string(c.to));
    EXPECT_EQ(form->settings().criteria.mustContainRange.from, c.from);
    EXPECT_EQ(form->settings().criteria.mustContainRange.to, c.to);
    EXPECT_EQ(MemoText().find('\n'), std::string::npos);
    EXPECT_EQ(form->settings().criteria.mustContainForm,
              SequenceForm::Notation);  // the mode is stored only when a field is left
  }
  EXPECT_TRUE(script.messages.empty());

  // A move number beyond 32 bits is told and leaves the range alone.
  SetMemoText("99999999999.e4 c5");
  EXPECT_EQ(script.messages, std::vector<std::string>{kMoveNumberTooLarge});
  EXPECT_EQ(MainWindow::fieldText(ui.mustContainTo), "9");
}

TEST_F(MainWindowTest, TypingANotationSequenceKeepsItOnOneLine) {
  StartActive();
  ui.mustContain->setFocus(Qt::TabFocusReason);
  QTest::keyClicks(ui.mustContain, "1.e4 c5 2.Nf3");
  EXPECT_EQ(SequenceFormIndex(), 0);
  EXPECT_EQ(form->settings().criteria.mustContainRange.from, 1);
  EXPECT_EQ(form->settings().criteria.mustContainRange.to, 2);
  // Enter gives a blank at once, and typing goes on where it was.
  QTest::keyClick(ui.mustContain, Qt::Key_Return);
  QTest::keyClicks(ui.mustContain, "d6 3.d4");
  EXPECT_EQ(MemoText(), "1.e4 c5 2.Nf3 d6 3.d4");
  EXPECT_EQ(form->settings().criteria.mustContainRange.to, 3);
  // A Moves text keeps its line breaks.
  SetMemoText("");
  QTest::keyClicks(ui.mustContain, "e4");
  QTest::keyClick(ui.mustContain, Qt::Key_Return);
  QTest::keyClicks(ui.mustContain, "Nf3");
  EXPECT_EQ(MemoText(), "e4\nNf3");
  EXPECT_EQ(SequenceFormIndex(), 1);
}

TEST_F(MainWindowTest, TypingAMovesTextKeyByKeyLeavesTheRangeAlone) {
  Seed([](Settings& r) { r.criteria.mustContainRange = {1, 10}; });
  StartActive();
  ui.mustContain->setFocus(Qt::TabFocusReason);
  SetMemoText("");
  // "e4 ." is a Notation text for one keystroke; without a move number it sets no range.
  for (const char* keys : {"e4 .", ".c5 Nf3"}) {
    QTest::keyClicks(ui.mustContain, keys);
    EXPECT_EQ(MainWindow::fieldText(ui.mustContainFrom), "1") << keys;
    EXPECT_EQ(MainWindow::fieldText(ui.mustContainTo), "10") << keys;
  }
  EXPECT_EQ(SequenceFormIndex(), 1);
  Tab(ui.without);
  EXPECT_EQ(form->settings().criteria.mustContainRange, (MoveRange{1, 10}));
  // A real move number still sets the range.
  ui.mustContain->setFocus(Qt::TabFocusReason);
  SetMemoText("");
  QTest::keyClicks(ui.mustContain, "5...a6 6.Bg5");
  EXPECT_EQ(SequenceFormIndex(), 0);
  EXPECT_EQ(MainWindow::fieldText(ui.mustContainFrom), "5");
  EXPECT_EQ(MainWindow::fieldText(ui.mustContainTo), "6");
}

TEST_F(MainWindowTest, ChoosingMovesConvertsAndNotationIsRefusedForAMovesText) {
  StartActive();
  SetMemoText("1.e4 c5 2.Nf3 d6");
  QTest::mouseClick(ui.moves, Qt::LeftButton);
  EXPECT_EQ(MemoText(), "e4 ..c5 Nf3 ..d6");
  EXPECT_EQ(SequenceFormIndex(), 1);
  EXPECT_EQ(form->settings().criteria.mustContainForm, SequenceForm::Moves);
  EXPECT_EQ(form->settings().criteria.mustContain, "e4 ..c5 Nf3 ..d6");
  EXPECT_EQ(script.beeps, 0);

  QTest::mouseClick(ui.notation, Qt::LeftButton);
  EXPECT_EQ(script.beeps, 1);
  EXPECT_EQ(script.messages, std::vector<std::string>{kNotationRefused});
  EXPECT_EQ(SequenceFormIndex(), 1);
  EXPECT_EQ(form->settings().criteria.mustContainForm, SequenceForm::Moves);
  EXPECT_EQ(MemoText(), "e4 ..c5 Nf3 ..d6");

  // An empty text counts as Moves form and refuses the switch too.
  SetMemoText("");
  QTest::mouseClick(ui.notation, Qt::LeftButton);
  EXPECT_EQ(script.beeps, 2);
  EXPECT_EQ(SequenceFormIndex(), 1);

  // A Notation text typed in Moves mode moves the selection; leaving the field stores it.
  SetMemoText("1.e4 c5");
  EXPECT_EQ(SequenceFormIndex(), 0);
  EXPECT_EQ(form->settings().criteria.mustContainForm, SequenceForm::Moves);
  Tab(ui.mustContain);
  Tab(ui.without);
  EXPECT_EQ(form->settings().criteria.mustContainForm, SequenceForm::Notation);
}

// ---- Checks before a run --------------------------------------------------------------

TEST_F(MainWindowTest, RunRefusesCriteriaThatFailTheChecksAndFocusesTheField) {
  WriteFile(dir / "in.pgn", ReadFile(SourcePath("samples/classics.pgn")));
  // Each refusal says which field holds what, and why.
  struct Case {
    const char* what;
    std::function<void()> set;  // on the controls of the started window
    QLineEdit* Controls::*field;
    const char* message;
  } cases[] = {
      {"same file", [this] { ui.outputName->setText("in.pgn"); }, &Controls::outputName,
       kSameFileMessage},
      {"same file after output path = input path",
       [this] {
         MainWindow::setDirectoryHint(ui.outputDir, dir / "elsewhere/");
         ui.outputName->setText("in.pgn");
         ui.outputDirFromInputTool->click();
       },
       &Controls::outputName, kSameFileMessage},
      {"condition 1 over one move",
       [this] {
         ui.condition1->setText("Kh1 < Qe1");
         ui.condition1From->setText("5");
         ui.condition1To->setText("5");
       },
       &Controls::condition1To, "The condition 1 range, 5 to 5, must end after its start"},
      {"condition 2 backwards",
       [this] {
         ui.condition2->setText("Kh1 < Qe1");
         ui.condition2From->setText("6");
         ui.condition2To->setText("2");
       },
       &Controls::condition2To, "The condition 2 range, 6 to 2, must end after its start"},
      {"condition 3 unset range", [this] { ui.condition3->setText("..e5 < Nf3"); },
       &Controls::condition3To, "The condition 3 range, 0 to 0, must end after its start"},
      {"Must contain to 0",
       [this] {
         SetMemoText("..c5 Nf3");
         ui.mustContainFrom->setText("0");
         ui.mustContainTo->setText("0");
       },
       &Controls::mustContainTo, "The Must contain range, 0 to 0, must not end at 0"},
      {"Must contain backwards",
       [this] {
         SetMemoText("..c5 Nf3");
         ui.mustContainFrom->setText("10");
         ui.mustContainTo->setText("1");
       },
       &Controls::mustContainTo, "The Must contain range, 10 to 1, must end at or after its start"},
      {"Without backwards",
       [this] {
         ui.without->setText("..e6");
         ui.withoutFrom->setText("9");
         ui.withoutTo->setText("3");
       },
       &Controls::withoutTo, "The Without range, 9 to 3, must end at or after its start"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MainWindow& f = StartActive();
    c.set();
    f.controlsToSettings();
    script.Clear();
    QTest::mouseClick(ui.run, Qt::LeftButton);
    EXPECT_EQ(f.focusWidget(), ui.*c.field);
    EXPECT_EQ(script.beeps, 1);
    EXPECT_EQ(script.messages, std::vector<std::string>{c.message});
    EXPECT_TRUE(script.reports.empty());
    EXPECT_FALSE(Exists(dir / "out.pgn"));
  }
  // A single move number is enough for Must contain and Without.
  MainWindow& f = Start();
  SetMemoText("..c5 Nf3");
  ui.without->setText("..e6");
  for (QLineEdit* e : {ui.mustContainFrom, ui.mustContainTo, ui.withoutFrom, ui.withoutTo})
    e->setText("5");
  f.controlsToSettings();
  EXPECT_TRUE(f.criteriaValid());
}

TEST_F(MainWindowTest, HeaderLinesAreShownUsedByRunCheckedAndSaved) {
  WriteFile(dir / "in.pgn", ReadFile(SourcePath("samples/classics.pgn")));
  Seed([](Settings& s) { s.criteria.header = {"Result = 1-0", "Plies >= 40"}; });
  MainWindow& f = StartActive();
  auto* box = f.findChild<QPlainTextEdit*>("HeaderCriteria");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->toPlainText().toStdString(), "Result = 1-0\nPlies >= 40");
  ui.runItem->trigger();
  WaitForScan();
  ASSERT_EQ(script.reports.size(), 1u);
  // 19 of the 36 games are won by white, and last 40 half-moves or more.
  EXPECT_NE(script.reports[0].find("19 games written"), std::string::npos) << script.reports[0];

  // A line the criteria cannot take is named, and the cursor goes to the field.
  box->setPlainText("Result = 1-0\n\n  WhiteElo >= abc ");
  script.Clear();
  QTest::mouseClick(ui.run, Qt::LeftButton);
  EXPECT_EQ(f.focusWidget(), box);
  EXPECT_EQ(script.messages, std::vector<std::string>{"Header line \"WhiteElo >= abc\": the "
                                                      "value of WhiteElo must be a number"});
  EXPECT_TRUE(script.reports.empty());

  // Closing keeps the lines tidied, empty ones left out.
  box->setPlainText("Black ~  Carlsen\n\n Year >= 2000");
  f.close();
  EXPECT_EQ(Saved().criteria.header, (std::vector<std::string>{"Black ~ Carlsen", "Year >= 2000"}));
}

// ---- Starting a run, closing ----------------------------------------------------------

// The ways of starting a run; none of them may use an older text than the field shows.
struct RunWay {
  const char* name;
  std::function<void(const Controls&, QWidget* focused)> run;
};
const RunWay kRunWays[] = {
    {"Ctrl+R", [](const Controls&,
                  QWidget* focused) { QTest::keyClick(focused, Qt::Key_R, Qt::ControlModifier); }},
    {"File > Run", [](const Controls& ui, QWidget*) { ui.runItem->trigger(); }},
    {"tool bar",
     [](const Controls& ui, QWidget*) { QTest::mouseClick(ui.runTool, Qt::LeftButton); }},
    {"Run button", [](const Controls& ui, QWidget*) { QTest::mouseClick(ui.run, Qt::LeftButton); }},
};

TEST_F(MainWindowTest, EveryWayOfRunningEndsTheEditOfTheFocusedFieldFirst) {
  WriteFile(dir / "in.pgn", ReadFile(SourcePath("samples/classics.pgn")));
  for (const RunWay& way : kRunWays) {
    SCOPED_TRACE(way.name);
    std::filesystem::remove(dir / "out.pgn");
    MainWindow& f = StartActive();
    ui.mustContain->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(ui.mustContain, "1.e4 c5");
    script.Clear();
    way.run(ui, ui.mustContain);
    WaitForScan();
    EXPECT_EQ(script.reports,
              std::vector<std::string>{"36 games read from in.pgn\r4 games written to out.pgn"});
    EXPECT_EQ(f.focusWidget(), ui.mustContain);

    // A field that the checks of leaving it refuse stops the run.
    Tab(ui.condition1);
    ui.condition1->setText("Kh1 = Qe1");
    script.Clear();
    way.run(ui, ui.condition1);
    WaitForScan();
    EXPECT_TRUE(script.reports.empty());
    EXPECT_EQ(script.messages, std::vector<std::string>{"Condition 1 \"Kh1 = Qe1\" is refused.\r" +
                                                        ConditionFormMessage()});
    EXPECT_EQ(f.focusWidget(), ui.condition1);
  }
}

TEST_F(MainWindowTest, AConditionTypedWithGreaterThanIsSavedAndRunNormalised) {
  WriteFile(dir / "in.pgn", ReadFile(SourcePath("samples/classics.pgn")));
  // Closed while the field still has the focus: the file holds the normalised condition.
  MainWindow& f = StartActive();
  ui.condition1->setFocus(Qt::TabFocusReason);
  ui.condition1->clear();
  QTest::keyClicks(ui.condition1, "Bc4 > Nf3");
  f.close();
  EXPECT_EQ(Saved().criteria.conditions[0], "Nf3 < Bc4");

  // A settings file that holds "Bc4 > Nf3" runs as the headless scan runs it, with Nf3
  // first, also when no field is left before File > Run.
  Seed([](Settings& r) { r.criteria.conditions[0] = "Bc4 > Nf3"; });
  ProcessResult headless = RunKelvane(
      {"--scan", "--settings", Ini(), "--output", dir / "headless.pgn", "--yes", "--quiet"});
  ASSERT_EQ(headless.status, 0) << headless.err;
  Start();
  ui.runItem->trigger();
  WaitForScan();
  ASSERT_EQ(script.reports.size(), 1u);
  EXPECT_EQ(ReadFile(dir / "out.pgn"), ReadFile(dir / "headless.pgn"));
  EXPECT_NE(script.reports[0].find("8 games written"), std::string::npos) << script.reports[0];
}

TEST_F(MainWindowTest, ExitClosesAtOnceAndSavesTheLastAcceptedValues) {
  for (bool menu : {false, true}) {
    SCOPED_TRACE(menu ? "File > Exit" : "Exit button");
    MainWindow& f = StartActive();
    Type(ui.condition1From, "4");
    Tab(ui.condition1To);          // 4 is accepted
    Type(ui.condition1From, "x");  // still being typed when Exit is clicked
    script.Clear();
    if (menu)
      ui.exitItem->trigger();
    else
      QTest::mouseClick(ui.exit, Qt::LeftButton);
    // One click: the field is not left first, its message comes once as the window closes.
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(script.messages, std::vector<std::string>{"Non-numeric value in range: the start of "
                                                        "the condition 1 range must be a whole "
                                                        "number, not \"x\""});
    EXPECT_EQ(Saved().criteria.conditionRanges[0].from, 4);
  }
}

// A FEN typed or pasted into the Position field shows its board beside the field while the
// field has the focus; a text that is no position shows none.
TEST_F(MainWindowTest, APositionFieldShowsTheBoardOfItsFen) {
  MainWindow& f = StartActive();
  auto* field = Child<QLineEdit>(f, "PositionCriterion");
  Tab(field);
  auto preview = [&]() -> BoardView* {
    BoardView* board = f.findChild<BoardView*>("PositionPreview");
    return board && board->isVisible() ? board : nullptr;
  };
  const std::string najdorf = "rnbqkb1r/1p2pppp/p2p1n2/8/3NP3/2N5/PPP2PPP/R1BQKB1R w";
  struct Case {
    std::string typed;
    const char* shown;  // the board's FEN; null: no board
  } cases[] = {
      {najdorf, "rnbqkb1r/1p2pppp/p2p1n2/8/3NP3/2N5/PPP2PPP/R1BQKB1R w - - 0 1"},
      {"8/8/8/8/8/8/8/K1k5", "8/8/8/8/8/8/8/K1k5 w - - 0 1"},  // the placement alone
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1",
       "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1"},
      {"rnbqkbnr/pppppppp/8", nullptr},  // too few ranks
      {"", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    field->setText(QString::fromStdString(c.typed));
    BoardView* board = preview();
    ASSERT_EQ(board != nullptr, c.shown != nullptr);
    if (board) {
      EXPECT_EQ(WriteFen(board->board()), c.shown);
    }
  }
  field->setText(QString::fromStdString(najdorf));
  ASSERT_NE(preview(), nullptr);
  Tab(Child<QLineEdit>(f, "MaterialCriterion"));  // leaving the field hides the board
  EXPECT_EQ(preview(), nullptr);
}

}  // namespace
