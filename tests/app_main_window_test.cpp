// The main window driven on the offscreen platform: every message and question goes to
// scripted dialogs, and the checks look at what the user sees, at the settings record and
// at the files on disk.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QButtonGroup>
#include <QClipboard>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/editor_chooser.h"
#include "app/kelvane_application.h"
#include "app/main_window.h"
#include "app_child.h"
#include "app_modal.h"
#include "engine/criteria.h"
#include "platform/fault.h"
#include "platform/file_system.h"
#include "scripted_dialogs.h"
#include "settings/settings.h"
#include "test_support.h"

using namespace kelvane;

namespace fs = std::filesystem;

namespace {
// The one application of this test program, with the window's error catching; created
// before the first test and destroyed after the last, while the program still runs.
class KelvaneAppEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { App(); }
  void TearDown() override {
    delete app_;
    app_ = nullptr;
  }
  static KelvaneApplication& App() {
    if (!app_) {
      static int argc = 1;
      static char name[] = "app_main_window_test";
      static char* argv[] = {name, nullptr};
      if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
      app_ = new KelvaneApplication(argc, argv);
    }
    return *app_;
  }

 private:
  static inline KelvaneApplication* app_ = nullptr;
};
const bool kEnvironmentAdded =
    (::testing::AddGlobalTestEnvironment(new KelvaneAppEnvironment), true);

const QColor kBlack(0, 0, 0), kRed(255, 0, 0), kBlue(0, 0, 255), kFuchsia(255, 0, 255);

QColor TextColour(const QLineEdit* e) {
  return e->palette().color(QPalette::Text);
}

void SetAge(const std::string& path, int hoursAgo) {
  fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(hoursAgo));
}

// A file system whose files all exist but have no age: CompareFileAges traps on it.
class AgelessFileSystem : public PosixFileSystem {
 public:
  bool FileExists(const std::string&) override { return true; }
  int64_t FileAge(const std::string&) override { return -1; }
};

// The window's controls, found by their object names (the names of the window's layout).
struct Controls {
  void Find(const MainWindow& w) {
    condition1 = Child<QLineEdit>(w, "Edit1");
    condition2 = Child<QLineEdit>(w, "Edit2");
    condition3 = Child<QLineEdit>(w, "Edit3");
    mustContain = Child<QPlainTextEdit>(w, "Memo1");
    without = Child<QLineEdit>(w, "Edit5");
    // The ranges, in the order of the settings' integer slots 0 to 9.
    condition1From = Child<QLineEdit>(w, "Edit6");
    condition1To = Child<QLineEdit>(w, "Edit7");
    condition2From = Child<QLineEdit>(w, "Edit8");
    condition2To = Child<QLineEdit>(w, "Edit9");
    condition3From = Child<QLineEdit>(w, "Edit10");
    condition3To = Child<QLineEdit>(w, "Edit11");
    mustContainFrom = Child<QLineEdit>(w, "Edit12");
    mustContainTo = Child<QLineEdit>(w, "Edit13");
    withoutFrom = Child<QLineEdit>(w, "Edit14");
    withoutTo = Child<QLineEdit>(w, "Edit15");
    sequenceFormGroup = Child<QGroupBox>(w, "RadioGroup1");
    notation = Child<QRadioButton>(w, "RadioNotation");
    moves = Child<QRadioButton>(w, "RadioMoves");
    sequenceForm = Child<QButtonGroup>(w, "RadioItems");
    inputName = Child<QLineEdit>(w, "Edit16");
    outputName = Child<QLineEdit>(w, "Edit17");
    inputDir = Child<QLineEdit>(w, "Edit18");
    outputDir = Child<QLineEdit>(w, "Edit19");
    swapFiles = Child<QPushButton>(w, "Button1");
    run = Child<QPushButton>(w, "Button2");
    exit = Child<QPushButton>(w, "Button3");
    setInputTool = Child<QToolButton>(w, "ToolButton1");
    setOutputTool = Child<QToolButton>(w, "ToolButton2");
    outputDirFromInputTool = Child<QToolButton>(w, "ToolButton3");
    inputDirFromOutputTool = Child<QToolButton>(w, "ToolButton4");
    runTool = Child<QToolButton>(w, "ToolButton5");
    cutTool = Child<QToolButton>(w, "ToolButton7");
    copyTool = Child<QToolButton>(w, "ToolButton8");
    pasteTool = Child<QToolButton>(w, "ToolButton9");
    setInput = Child<QAction>(w, "SetInput1");
    setOutput = Child<QAction>(w, "SetOutput1");
    runItem = Child<QAction>(w, "Run1");
    exitItem = Child<QAction>(w, "Exit1");
    cut = Child<QAction>(w, "Cut1");
    copy = Child<QAction>(w, "Copy1");
    paste = Child<QAction>(w, "Paste1");
    outputEditor1 = Child<QAction>(w, "OutputEditor11");
    outputEditor2 = Child<QAction>(w, "OutputEditor21");
    split = Child<QAction>(w, "Split1");
    contents = Child<QAction>(w, "Contents1");
    about = Child<QAction>(w, "About1");
  }

  QLineEdit *condition1, *condition2, *condition3;
  QPlainTextEdit* mustContain;
  QLineEdit* without;
  QLineEdit *condition1From, *condition1To, *condition2From, *condition2To, *condition3From,
      *condition3To, *mustContainFrom, *mustContainTo, *withoutFrom, *withoutTo;
  QGroupBox* sequenceFormGroup;
  QRadioButton *notation, *moves;
  QButtonGroup* sequenceForm;  // item 0 Notation, 1 Moves
  QLineEdit *inputName, *outputName, *inputDir, *outputDir;
  QPushButton *swapFiles, *run, *exit;
  QToolButton *setInputTool, *setOutputTool, *outputDirFromInputTool, *inputDirFromOutputTool,
      *runTool, *cutTool, *copyTool, *pasteTool;
  QAction *setInput, *setOutput, *runItem, *exitItem, *cut, *copy, *paste, *outputEditor1,
      *outputEditor2, *split, *contents, *about;
};

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KelvaneAppEnvironment::App();
    SetIniFileOverride(Ini());
    Seed([](IniValueRec&) {});
  }
  void TearDown() override {
    form.reset();
    SetFileSystem(nullptr);
    SetIniFileOverride("");
  }

  std::string Ini() const { return dir / "kelvane.ini"; }

  // Writes the settings file: both files and every directory in the temporary folder, no
  // criteria, then whatever change sets. Every start begins from this file again.
  void Seed(const std::function<void(IniValueRec&)>& change) {
    seed_ = change;
    WriteSeed();
  }
  void WriteSeed() {
    IniValues.Reset();
    for (int i : {0, 3, 4}) IniValues.Strings[i] = dir.path();
    IniValues.Strings[1] = "in.pgn";
    IniValues.Strings[2] = "out.pgn";
    const int32_t ranges[10] = {1, 15, 0, 0, 0, 0, 1, 15, 1, 15};
    for (int i = 0; i < 10; ++i) IniValues.Integers[i] = ranges[i];
    IniValues.RadNota = true;
    seed_(IniValues);
    const std::string inUse = IniFileName();
    SetIniFileOverride(Ini());
    SaveSettings();
    SetIniFileOverride(inUse);
    IniValues.Reset();
  }

  MainWindow& Start(std::vector<std::string> args = {}) {
    form.reset();  // saves its settings on the way out
    WriteSeed();
    form = std::make_unique<MainWindow>(std::move(args));
    ui.Find(*form);
    return *form;
  }
  // Shown and active, so focus changes send their events.
  MainWindow& StartActive(std::vector<std::string> args = {}) {
    Start(std::move(args));
    form->show();
    QApplication::setActiveWindow(form.get());
    form->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
    return *form;
  }
  // Moves the focus as the Tab key would; leaving a field runs its exit.
  static void Tab(QWidget* to) { to->setFocus(Qt::TabFocusReason); }
  // Enters a field and types over its text.
  static void Type(QLineEdit* field, const char* text) {
    Tab(field);
    field->setText(QString::fromUtf8(text));
  }

  // The text of Must contain, and a text put into it (which runs its change handler).
  std::string MemoText() const { return ui.mustContain->toPlainText().toStdString(); }
  void SetMemoText(const char* text) { ui.mustContain->setPlainText(QString::fromUtf8(text)); }
  // The selected item of the Notation/Moves choice: 0 Notation, 1 Moves.
  int SequenceFormIndex() const { return ui.sequenceForm->checkedId(); }
  // Selects Moves as the program itself does, without running the choice's click handler.
  void ChooseMovesQuietly() {
    QSignalBlocker quiet(ui.moves);
    ui.moves->setChecked(true);
  }

  TempDir dir;
  ScopedScriptedDialogs script;
  std::unique_ptr<MainWindow> form;
  Controls ui;  // the controls of form

 private:
  std::function<void(IniValueRec&)> seed_;
};

// ---- Start-up -------------------------------------------------------------------------

TEST_F(MainWindowTest, StartsFromTheSettingsOrFromAnExistingCommandLineFile) {
  fs::create_directory(dir / "other");
  WriteFile(dir / "other/game.pgn", "");
  struct Case {
    const char* what;
    std::vector<std::string> args;
    std::string name, directory, openDir;
  } cases[] = {
      {"no argument", {}, "in.pgn", dir.path(), ""},
      {"missing file", {dir / "other/none.pgn"}, "in.pgn", dir.path(), ""},
      {"a directory", {dir / "other"}, "in.pgn", dir.path(), ""},
      {"existing file", {dir / "other/game.pgn"}, "game.pgn", dir / "other/", dir / "other/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MainWindow& f = Start(c.args);
    EXPECT_EQ(MainWindow::fileNameText(ui.inputName), c.name);
    EXPECT_EQ(MainWindow::directoryHint(ui.inputDir), c.directory);
    EXPECT_EQ(ui.inputDir->toolTip().toStdString(), c.directory);
    EXPECT_EQ(IniValues.Strings[1], c.name);
    EXPECT_EQ(IniValues.Strings[3], c.directory);
    EXPECT_EQ(f.fileDialogRequest(MainWindow::Side::Input).initialDir, c.openDir);
    EXPECT_EQ(MainWindow::fileNameText(ui.outputName), "out.pgn");
    EXPECT_EQ(f.windowTitle(), "Kelvane");
    EXPECT_FALSE(ui.split->isChecked());
    EXPECT_FALSE(IniValues.Split);
    EXPECT_FALSE(f.fillingControls());
    EXPECT_FALSE(f.settingSequenceForm());
  }
  EXPECT_TRUE(script.messages.empty());
}

TEST_F(MainWindowTest, RelativeCommandLineFileIsTakenFromTheCurrentDirectory) {
  WriteFile(dir / "game.pgn", "");
  std::string cwd = fs::current_path().string();
  ASSERT_EQ(::chdir(dir.path().c_str()), 0);
  Start({"game.pgn"});
  ASSERT_EQ(::chdir(cwd.c_str()), 0);
  EXPECT_EQ(MainWindow::fileNameText(ui.inputName), "game.pgn");
  EXPECT_EQ(MainWindow::directoryHint(ui.inputDir), fs::canonical(dir.path()).string() + "/");
}

TEST_F(MainWindowTest, StoredMustContainRangeAndModeAreShownAsStored) {
  Seed([](IniValueRec& r) {
    r.Strings[10] = "1.e4 c5 2.Nf3";
    r.Integers[6] = 5;
    r.Integers[7] = 9;
    r.RadNota = false;
  });
  Start();
  EXPECT_EQ(MemoText(), "1.e4 c5 2.Nf3");
  EXPECT_EQ(MainWindow::fieldText(ui.mustContainFrom), "5");
  EXPECT_EQ(MainWindow::fieldText(ui.mustContainTo), "9");
  EXPECT_EQ(SequenceFormIndex(), 1);
  EXPECT_FALSE(IniValues.RadNota);
}

TEST_F(MainWindowTest, ControlsCarryTheirNamesPlacesAndHints) {
  MainWindow& f = Start();
  const double scale = f.logicalDpiX() / 96.0;
  auto at = [&](int l, int t, int w, int h) {
    return QRect(qRound(l * scale), qRound(t * scale), qRound(w * scale), qRound(h * scale));
  };
  struct Place {
    const char* name;
    QRect rect;
  } places[] = {
      {"Edit1", at(32, 64, 129, 21)},    {"Edit3", at(32, 144, 129, 21)},
      {"Memo1", at(32, 192, 417, 49)},   {"Edit5", at(32, 264, 417, 21)},
      {"Edit7", at(216, 64, 33, 21)},    {"Edit12", at(464, 224, 33, 21)},
      {"Edit15", at(504, 264, 33, 21)},  {"RadioGroup1", at(464, 168, 73, 49)},
      {"Edit16", at(312, 56, 129, 21)},  {"Edit19", at(448, 88, 9, 21)},
      {"Button1", at(472, 72, 41, 17)},  {"Button2", at(312, 136, 65, 25)},
      {"Button3", at(456, 136, 65, 25)},
  };
  for (const Place& p : places) {
    SCOPED_TRACE(p.name);
    EXPECT_EQ(f.findChildren<QWidget*>(p.name).size(), 1);  // each name is the control's own
    EXPECT_EQ(Child<QWidget>(f, p.name)->geometry(), p.rect);
  }
  for (QLineEdit* e : {ui.inputName, ui.outputName, ui.inputDir, ui.outputDir})
    EXPECT_EQ(e->palette().color(QPalette::Base), QColor(0, 255, 255));

  struct Tool {
    QToolButton* button;
    const char* hint;
  } tools[] = {{ui.setInputTool, "Set input file (Ctrl+O)"},
               {ui.setOutputTool, "Set output file (Ctrl+S)"},
               {ui.outputDirFromInputTool, "Set output path to input path"},
               {ui.inputDirFromOutputTool, "Set input path to output path"},
               {ui.runTool, "Run (Ctrl+R)"},
               {ui.cutTool, "Cut"},
               {ui.copyTool, "Copy"},
               {ui.pasteTool, "Paste"}};
  for (const Tool& t : tools) {
    EXPECT_EQ(t.button->toolTip().toStdString(), t.hint);
    EXPECT_EQ(t.button->focusPolicy(), Qt::NoFocus);
  }

  struct Item {
    QAction* action;
    const char* name;
    const char* caption;
    const char* shortcut;
  } items[] = {{ui.setInput, "SetInput1", "Set &Input", "Ctrl+O"},
               {ui.setOutput, "SetOutput1", "Set &Output", "Ctrl+S"},
               {ui.runItem, "Run1", "&Run", "Ctrl+R"},
               {ui.exitItem, "Exit1", "E&xit", ""},
               {ui.cut, "Cut1", "Cu&t", "Ctrl+X"},
               {ui.copy, "Copy1", "&Copy", "Ctrl+C"},
               {ui.paste, "Paste1", "&Paste", "Ctrl+V"},
               {ui.outputEditor1, "OutputEditor11", "Output Editor &1", "Ctrl+E"},
               {ui.outputEditor2, "OutputEditor21", "Output Editor &2", "Ctrl+F"},
               {ui.split, "Split1", "S&plit", "Ctrl+P"},
               {ui.contents, "Contents1", "&Contents", ""},
               {ui.about, "About1", "&About", ""}};
  for (const Item& i : items) {
    SCOPED_TRACE(i.name);
    EXPECT_EQ(i.action->objectName().toStdString(), i.name);
    EXPECT_EQ(i.action->text().toStdString(), i.caption);
    EXPECT_EQ(i.action->shortcut().toString().toStdString(), i.shortcut);
  }
  EXPECT_TRUE(ui.split->isCheckable());
  // Cut, copy and paste are one action each, in the Edit menu and on the tool bar.
  EXPECT_EQ(ui.cutTool->defaultAction(), ui.cut);
  EXPECT_EQ(ui.copyTool->defaultAction(), ui.copy);
  EXPECT_EQ(ui.pasteTool->defaultAction(), ui.paste);
  EXPECT_EQ(Child<QMenu>(f, "Edit4")->actions().mid(0, 3),
            QList<QAction*>({ui.cut, ui.copy, ui.paste}));
  QStringList menus;
  for (QAction* a : f.menuBar()->actions()) menus << a->text();
  EXPECT_EQ(menus, QStringList({"&File", "&Edit", "&Options", "&Help"}));

  // Tab order, as the Tab key walks it.
  QWidget* order[] = {ui.condition1,    ui.condition2,     ui.condition3,   ui.mustContain,
                      ui.without,       ui.condition1From, ui.condition1To, ui.condition2From,
                      ui.condition2To,  ui.condition3From, ui.condition3To, ui.mustContainFrom,
                      ui.mustContainTo, ui.withoutFrom,    ui.withoutTo,    ui.notation,
                      ui.moves,         ui.inputName,      ui.outputName,   ui.inputDir,
                      ui.outputDir,     ui.swapFiles,      ui.run,          ui.exit};
  for (size_t i = 0; i + 1 < std::size(order); ++i) {
    QWidget* next = order[i]->nextInFocusChain();
    while (next->focusPolicy() == Qt::NoFocus) next = next->nextInFocusChain();
    EXPECT_EQ(next, order[i + 1]) << "after " << order[i]->objectName().toStdString();
  }
}

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
    EXPECT_EQ(IniValues.Strings[8], c.shown);
    if (c.failed) {
      EXPECT_EQ(script.messages, std::vector<std::string>{ConditionFormMessage()});
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
  EXPECT_EQ(IniValues.Strings[7], "Qe1 < Kh1");
}

TEST_F(MainWindowTest, StoringConvertsTheRangesUpToTheFirstNonNumber) {
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
  EXPECT_EQ(script.messages, std::vector<std::string>{"Non-numeric value in range"});
  EXPECT_EQ(script.beeps, 1);
  EXPECT_EQ(IniValues.Integers[0], 3);
  EXPECT_EQ(IniValues.Integers[1], 9);
  EXPECT_EQ(IniValues.Integers[2], 0);  // "abc" and everything after it keep their values
  EXPECT_EQ(IniValues.Integers[3], 0);
  EXPECT_EQ(IniValues.Integers[8], 1);
  EXPECT_FALSE(IniValues.RadNota);  // follows the radio group all the same
  EXPECT_EQ(IniValues.Strings[11], "..e6 ..d5");
  EXPECT_EQ(MainWindow::fieldText(ui.without), "  ..e6 \t ..d5  ");

  Type(ui.condition2From, "");
  script.Clear();
  Tab(ui.condition2To);
  EXPECT_EQ(script.messages, std::vector<std::string>{"Non-numeric value in range"});
  Type(ui.condition2From, "4");
  script.Clear();
  Tab(ui.condition2To);
  EXPECT_TRUE(script.messages.empty());
  EXPECT_EQ(IniValues.Integers[2], 4);
  EXPECT_EQ(IniValues.Integers[3], 20);
  EXPECT_EQ(IniValues.Integers[8], 7);
}

TEST_F(MainWindowTest, MustContainTextChoosesItsFormAndANotationTextItsRange) {
  Start();
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
    ui.mustContainFrom->setText("7");
    ui.mustContainTo->setText("9");
    IniValues.Integers[6] = 7;
    IniValues.Integers[7] = 9;
    SetMemoText(c.text);
    EXPECT_EQ(SequenceFormIndex(), c.item);
    EXPECT_EQ(MainWindow::fieldText(ui.mustContainFrom), std::to_string(c.from));
    EXPECT_EQ(MainWindow::fieldText(ui.mustContainTo), std::to_string(c.to));
    EXPECT_EQ(IniValues.Integers[6], c.from);
    EXPECT_EQ(IniValues.Integers[7], c.to);
    EXPECT_EQ(MemoText().find('\n'), std::string::npos);
    EXPECT_TRUE(IniValues.RadNota);  // the mode is stored only when a field is left
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
  EXPECT_EQ(IniValues.Integers[6], 1);
  EXPECT_EQ(IniValues.Integers[7], 2);
  // Enter gives a blank at once, and typing goes on where it was.
  QTest::keyClick(ui.mustContain, Qt::Key_Return);
  QTest::keyClicks(ui.mustContain, "d6 3.d4");
  EXPECT_EQ(MemoText(), "1.e4 c5 2.Nf3 d6 3.d4");
  EXPECT_EQ(IniValues.Integers[7], 3);
  // A Moves text keeps its line breaks.
  SetMemoText("");
  QTest::keyClicks(ui.mustContain, "e4");
  QTest::keyClick(ui.mustContain, Qt::Key_Return);
  QTest::keyClicks(ui.mustContain, "Nf3");
  EXPECT_EQ(MemoText(), "e4\nNf3");
  EXPECT_EQ(SequenceFormIndex(), 1);
}

TEST_F(MainWindowTest, ChoosingMovesConvertsAndNotationIsRefusedForAMovesText) {
  StartActive();
  SetMemoText("1.e4 c5 2.Nf3 d6");
  QTest::mouseClick(ui.moves, Qt::LeftButton);
  EXPECT_EQ(MemoText(), "e4 ..c5 Nf3 ..d6");
  EXPECT_EQ(SequenceFormIndex(), 1);
  EXPECT_FALSE(IniValues.RadNota);
  EXPECT_EQ(IniValues.Strings[10], "e4 ..c5 Nf3 ..d6");
  EXPECT_EQ(script.beeps, 0);

  QTest::mouseClick(ui.notation, Qt::LeftButton);
  EXPECT_EQ(script.beeps, 1);
  EXPECT_EQ(SequenceFormIndex(), 1);
  EXPECT_FALSE(IniValues.RadNota);
  EXPECT_EQ(MemoText(), "e4 ..c5 Nf3 ..d6");

  // An empty text counts as Moves form and refuses the switch too.
  SetMemoText("");
  QTest::mouseClick(ui.notation, Qt::LeftButton);
  EXPECT_EQ(script.beeps, 2);
  EXPECT_EQ(SequenceFormIndex(), 1);

  // A Notation text typed in Moves mode moves the selection; leaving the field stores it.
  SetMemoText("1.e4 c5");
  EXPECT_EQ(SequenceFormIndex(), 0);
  EXPECT_FALSE(IniValues.RadNota);
  Tab(ui.mustContain);
  Tab(ui.without);
  EXPECT_TRUE(IniValues.RadNota);
}

// ---- Checks before a run --------------------------------------------------------------

TEST_F(MainWindowTest, RunRefusesCriteriaThatFailTheChecksAndFocusesTheField) {
  WriteFile(dir / "in.pgn", ReadFile(SourcePath("samples/classics.pgn")));
  struct Case {
    const char* what;
    std::function<void()> set;  // on the controls of the started window
    QLineEdit* Controls::*field;
    bool sameFileMessage;
  } cases[] = {
      {"same file", [this] { ui.outputName->setText("in.pgn"); }, &Controls::outputName, true},
      {"same file after output path = input path",
       [this] {
         MainWindow::setDirectoryHint(ui.outputDir, dir / "elsewhere/");
         ui.outputName->setText("in.pgn");
         ui.outputDirFromInputTool->click();
       },
       &Controls::outputName, true},
      {"condition 1 over one move",
       [this] {
         ui.condition1->setText("Kh1 < Qe1");
         ui.condition1From->setText("5");
         ui.condition1To->setText("5");
       },
       &Controls::condition1To, false},
      {"condition 2 backwards",
       [this] {
         ui.condition2->setText("Kh1 < Qe1");
         ui.condition2From->setText("6");
         ui.condition2To->setText("2");
       },
       &Controls::condition2To, false},
      {"condition 3 unset range", [this] { ui.condition3->setText("..e5 < Nf3"); },
       &Controls::condition3To, false},
      {"Must contain to 0",
       [this] {
         SetMemoText("..c5 Nf3");
         ui.mustContainFrom->setText("0");
         ui.mustContainTo->setText("0");
       },
       &Controls::mustContainTo, false},
      {"Without backwards",
       [this] {
         ui.without->setText("..e6");
         ui.withoutFrom->setText("9");
         ui.withoutTo->setText("3");
       },
       &Controls::withoutTo, false},
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
    if (c.sameFileMessage)
      EXPECT_EQ(script.messages, std::vector<std::string>{kSameFileMessage});
    else
      EXPECT_TRUE(script.messages.empty());
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

// ---- Files ----------------------------------------------------------------------------

TEST_F(MainWindowTest, FileNameColoursFollowExistenceAndAge) {
  MainWindow& f = Start();
  struct Case {
    int inputAge, outputAge;  // hours ago; -1: no such file
    QColor input, output;
  } cases[] = {
      {-1, -1, kRed, kRed},  {1, -1, kBlack, kRed}, {-1, 1, kRed, kBlack},
      {1, 3, kBlue, kBlack}, {3, 1, kBlack, kBlue}, {2, 2, kFuchsia, kFuchsia},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.inputAge) + " " + std::to_string(c.outputAge));
    fs::remove(dir / "in.pgn");
    fs::remove(dir / "out.pgn");
    if (c.inputAge >= 0) {
      WriteFile(dir / "in.pgn", "");
      SetAge(dir / "in.pgn", c.inputAge);
    }
    if (c.outputAge >= 0) {
      WriteFile(dir / "out.pgn", "");
      SetAge(dir / "out.pgn", c.outputAge);
    }
    f.showFileStates();
    EXPECT_EQ(TextColour(ui.inputName), c.input);
    EXPECT_EQ(TextColour(ui.outputName), c.output);
  }
}

TEST_F(MainWindowTest, TypingANameRecoloursItAtEachKey) {
  WriteFile(dir / "game.pgn", "");
  StartActive();
  Tab(ui.inputName);
  ui.inputName->clear();
  QTest::keyClicks(ui.inputName, "game.pg");
  EXPECT_EQ(TextColour(ui.inputName), kRed);
  QTest::keyClick(ui.inputName, Qt::Key_N);
  EXPECT_EQ(TextColour(ui.inputName), kBlack);
  // The name is stored when the field is left, not while typing.
  EXPECT_EQ(IniValues.Strings[1], "in.pgn");
  Tab(ui.outputName);
  EXPECT_EQ(IniValues.Strings[1], "game.pgn");
}

TEST_F(MainWindowTest, SwapAndPathButtonsExchangeNamesAndDirectories) {
  Seed([this](IniValueRec& r) {
    r.Strings[3] = dir / "a/";
    r.Strings[4] = dir / "b/";
  });
  MainWindow& f = StartActive();
  ui.without->setFocus(Qt::TabFocusReason);
  ui.swapFiles->click();
  EXPECT_EQ(MainWindow::fileNameText(ui.inputName), "out.pgn");
  EXPECT_EQ(MainWindow::fileNameText(ui.outputName), "in.pgn");
  EXPECT_EQ(MainWindow::directoryHint(ui.inputDir), dir / "b/");
  EXPECT_EQ(MainWindow::directoryHint(ui.outputDir), dir / "a/");
  EXPECT_EQ(IniValues.Strings[1], "out.pgn");
  EXPECT_EQ(IniValues.Strings[4], dir / "a/");
  QTest::mouseClick(ui.swapFiles, Qt::LeftButton);
  EXPECT_EQ(MainWindow::fileNameText(ui.inputName), "in.pgn");
  EXPECT_EQ(MainWindow::directoryHint(ui.inputDir), dir / "a/");
  EXPECT_EQ(IniValues.Strings[2], "out.pgn");
  EXPECT_EQ(IniValues.Strings[3], dir / "a/");
  EXPECT_EQ(IniValues.Strings[4], dir / "b/");

  ui.without->setFocus(Qt::TabFocusReason);
  QTest::mouseClick(ui.outputDirFromInputTool, Qt::LeftButton);
  EXPECT_EQ(MainWindow::directoryHint(ui.outputDir), dir / "a/");
  EXPECT_EQ(IniValues.Strings[4], dir / "a/");
  MainWindow::setDirectoryHint(ui.outputDir, dir / "c/");
  QTest::mouseClick(ui.inputDirFromOutputTool, Qt::LeftButton);
  EXPECT_EQ(MainWindow::directoryHint(ui.inputDir), dir / "c/");
  EXPECT_EQ(IniValues.Strings[3], dir / "c/");
  // Tool bar buttons leave the focus where it was.
  EXPECT_EQ(f.focusWidget(), ui.without);
}

TEST_F(MainWindowTest, ClickingADirectoryBoxOffersTheStartUpDirectory) {
  Seed([this](IniValueRec& r) {
    r.Strings[0] = dir / "start/";
    r.Strings[3] = dir / "a/";
    r.Strings[4] = dir / "b/";
  });
  struct Case {
    bool output;
    DialogButton answer;
  } cases[] = {{false, DialogButton::Yes},
               {false, DialogButton::No},
               {true, DialogButton::Yes},
               {true, DialogButton::No}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.output ? "output" : "input") +
                 (c.answer == DialogButton::Yes ? " yes" : " no"));
    MainWindow& f = StartActive();
    script.Clear();
    script.AnswerConfirm(c.answer);
    QLineEdit* box = c.output ? ui.outputDir : ui.inputDir;
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_EQ(script.log.front(), "confirm: Set to start up directory?");
    EXPECT_TRUE(script.AllAnswered());
    std::string old = c.output ? dir / "b/" : dir / "a/";
    std::string expected = c.answer == DialogButton::Yes ? dir / "start/" : old;
    EXPECT_EQ(MainWindow::directoryHint(box), expected);
    EXPECT_EQ(IniValues.Strings[c.output ? 4 : 3], expected);
    const FileDialogRequest& dialog =
        f.fileDialogRequest(c.output ? MainWindow::Side::Output : MainWindow::Side::Input);
    EXPECT_EQ(dialog.initialDir, c.answer == DialogButton::Yes ? dir / "start/" : "");
  }
}

TEST_F(MainWindowTest, FileDialogsChooseNameAndDirectory) {
  StartActive();
  script.AnswerFile(dir / "games/x.pgn");
  QTest::mouseClick(ui.setInputTool, Qt::LeftButton);
  ASSERT_EQ(script.fileRequests.size(), 1u);
  const FileDialogRequest& open = script.fileRequests[0];
  EXPECT_EQ(open.title, "Set Input File");
  EXPECT_EQ(open.initialDir, dir.path());
  EXPECT_EQ(open.fileName, "in.pgn");
  EXPECT_EQ(open.filter, "PGN & Text Files|*.PGN;*.TXT|All Files|*.*");
  EXPECT_EQ(open.defaultSuffix, "pgn");
  EXPECT_EQ(MainWindow::fileNameText(ui.inputName), "x.pgn");
  EXPECT_EQ(MainWindow::directoryHint(ui.inputDir), dir / "games/");
  EXPECT_EQ(IniValues.Strings[1], "x.pgn");
  EXPECT_EQ(IniValues.Strings[3], dir / "games/");

  // The next one starts where the last one ended; a cancelled dialog changes nothing.
  script.AnswerFile(std::nullopt);
  ui.setInput->trigger();
  EXPECT_EQ(script.fileRequests[1].initialDir, dir / "games/");
  EXPECT_EQ(script.fileRequests[1].fileName, "x.pgn");
  EXPECT_EQ(MainWindow::fileNameText(ui.inputName), "x.pgn");

  script.AnswerFile(dir / "y.pgn");
  ui.setOutput->trigger();
  const FileDialogRequest& save = script.fileRequests[2];
  EXPECT_EQ(save.title, "Set Output File");
  EXPECT_EQ(save.fileName, "out.pgn");
  EXPECT_EQ(save.filter, "PGN & Text Files|*.PGN;*.TXT|All Files|*.*");
  EXPECT_EQ(save.defaultSuffix, "pgn");
  EXPECT_EQ(MainWindow::fileNameText(ui.outputName), "y.pgn");
  EXPECT_EQ(IniValues.Strings[4], dir.path());
}

TEST_F(MainWindowTest, SplitItemTogglesTheOptionAndShortcutsWorkInAField) {
  MainWindow& f = StartActive();
  ui.condition1->setFocus(Qt::TabFocusReason);
  QTest::keyClick(ui.condition1, Qt::Key_P, Qt::ControlModifier);
  EXPECT_TRUE(ui.split->isChecked());
  EXPECT_TRUE(IniValues.Split);
  ui.split->trigger();
  EXPECT_FALSE(ui.split->isChecked());
  EXPECT_FALSE(IniValues.Split);
  // Ctrl+O opens the input dialog even though a field has the focus.
  QTest::keyClick(ui.condition1, Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(script.log.back(), "unanswered: open: Set Input File");
  EXPECT_EQ(f.focusWidget(), ui.condition1);
}

TEST_F(MainWindowTest, CutCopyAndPasteActOnTheFocusedField) {
  MainWindow& f = StartActive();
  ui.without->setText("..e6 ..d5");
  ui.without->setFocus(Qt::TabFocusReason);
  ui.without->selectAll();
  QTest::mouseClick(ui.copyTool, Qt::LeftButton);
  EXPECT_EQ(QApplication::clipboard()->text(), "..e6 ..d5");
  QTest::mouseClick(ui.cutTool, Qt::LeftButton);
  EXPECT_EQ(ui.without->text(), "");
  EXPECT_EQ(f.focusWidget(), ui.without);
  SetMemoText("");
  ui.mustContain->setFocus(Qt::TabFocusReason);
  QTest::mouseClick(ui.pasteTool, Qt::LeftButton);
  EXPECT_EQ(MemoText(), "..e6 ..d5");
  ui.condition1->clear();
  ui.condition1->setFocus(Qt::TabFocusReason);
  ui.paste->trigger();
  EXPECT_EQ(ui.condition1->text(), "..e6 ..d5");
  // Cut and copy need a selection.
  ui.condition1->deselect();
  EXPECT_FALSE(ui.cut->isEnabled());
  EXPECT_FALSE(ui.copy->isEnabled());
  ui.condition1->selectAll();
  EXPECT_TRUE(ui.copy->isEnabled());
}

// ---- The Run command ------------------------------------------------------------------

TEST_F(MainWindowTest, RunFromTheWindowWritesWhatTheHeadlessScanWrites) {
  WriteFile(dir / "in.pgn", ReadFile(SourcePath("samples/classics.pgn")));
  SetAge(dir / "in.pgn", 1);
  MainWindow& f = StartActive();
  ui.condition1->setFocus(Qt::TabFocusReason);
  ui.condition1->clear();
  QTest::keyClicks(ui.condition1, "Bc4 > Nf3");
  ui.condition1To->setText("10");
  ui.mustContain->setFocus(Qt::TabFocusReason);
  SetMemoText("");
  QTest::keyClicks(ui.mustContain, "1.e4 e5");
  ui.without->setFocus(Qt::TabFocusReason);
  QTest::keyClicks(ui.without, "..Bc5");
  ui.split->trigger();
  // The Run button takes the focus, so the Without text being typed is stored first.
  QTest::mouseClick(ui.run, Qt::LeftButton);
  EXPECT_EQ(MainWindow::fieldText(ui.condition1), "Nf3 < Bc4");
  EXPECT_EQ(IniValues.Strings[11], "..Bc5");
  EXPECT_EQ(IniValues.ReqSequence, "e4 e5");
  EXPECT_EQ(IniValues.CondWords, "Nf3 Bc4");
  ASSERT_EQ(script.reports.size(), 1u) << (script.log.empty() ? "" : script.log.back());
  EXPECT_TRUE(script.messages.empty());
  std::string out = ReadFile(dir / "out.pgn");
  std::string split = ReadFile(dir / "out2.pgn");
  EXPECT_FALSE(out.empty());
  EXPECT_FALSE(split.empty());
  EXPECT_EQ(TextColour(ui.outputName), kBlue);  // the output is newer now
  EXPECT_EQ(TextColour(ui.inputName), kBlack);

  // The same settings, given to the headless scan.
  f.controlsToSettings();
  SaveSettings();
  ProcessResult r = RunKelvane({"--scan", "--settings", Ini(), "--input", dir / "in.pgn",
                                "--output", dir / "headless.pgn", "--split", "--yes"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(dir / "headless.pgn"), out);
  EXPECT_EQ(ReadFile(dir / "headless2.pgn"), split);
}

TEST_F(MainWindowTest, RunMenuAndToolButtonLeaveTheFocusAndAskBeforeOverwriting) {
  WriteFile(dir / "in.pgn", ReadFile(SourcePath("samples/classics.pgn")));
  WriteFile(dir / "out.pgn", "old");
  MainWindow& f = StartActive();
  ui.without->setFocus(Qt::TabFocusReason);
  script.AnswerConfirm(DialogButton::Cancel);
  QTest::mouseClick(ui.runTool, Qt::LeftButton);
  EXPECT_EQ(script.log.front(), "confirm: Overwrite out.pgn?");
  EXPECT_EQ(ReadFile(dir / "out.pgn"), "old");
  EXPECT_EQ(f.focusWidget(), ui.without);
  script.AnswerConfirm(DialogButton::Ok);
  QTest::keyClick(ui.without, Qt::Key_R, Qt::ControlModifier);
  EXPECT_EQ(script.reports.size(), 1u);
  EXPECT_NE(ReadFile(dir / "out.pgn"), "old");
  EXPECT_EQ(f.focusWidget(), ui.without);
}

// ---- Shutdown and faults --------------------------------------------------------------

TEST_F(MainWindowTest, ClosingTheWindowStoresAndSavesTheSettings) {
  struct Case {
    const char* how;
    std::function<void(MainWindow&, const Controls&)> close;
  } cases[] = {
      {"Exit button",
       [](MainWindow&, const Controls& ui) { QTest::mouseClick(ui.exit, Qt::LeftButton); }},
      {"File Exit", [](MainWindow&, const Controls& ui) { ui.exitItem->trigger(); }},
      {"close box", [](MainWindow& f, const Controls&) { f.close(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    fs::remove(Ini());
    MainWindow& f = StartActive();
    ui.without->setText("  ..d5  ");
    ui.withoutFrom->setText("4");
    ui.split->trigger();
    c.close(f, ui);
    EXPECT_FALSE(f.isVisible());
    IniValues.Reset();
    LoadSettings();
    EXPECT_EQ(IniValues.Strings[11], "..d5");
    EXPECT_EQ(IniValues.Integers[8], 4);
    EXPECT_EQ(ReadFile(Ini()).find("Split"), std::string::npos);
  }
  // A range that is no number is told at shutdown too; the rest is saved.
  script.Clear();
  MainWindow& f = StartActive();
  ui.condition1From->setText("x");
  ui.without->setText("..c6");
  f.close();
  EXPECT_EQ(script.messages, std::vector<std::string>{"Non-numeric value in range"});
  IniValues.Reset();
  LoadSettings();
  EXPECT_EQ(IniValues.Strings[11], "..c6");
  EXPECT_EQ(IniValues.Integers[0], 1);
}

TEST_F(MainWindowTest, ATrapWhileTheWindowIsCreatedSavesNothing) {
  GTEST_FLAG_SET(death_test_style, "fast");
  fs::remove(Ini());
  EXPECT_EXIT(
      {
        AgelessFileSystem ageless;
        SetFileSystem(&ageless);
        MainWindow f;
      },
      ::testing::ExitedWithCode(kTrapExitCode & 0xff), "");
  EXPECT_FALSE(Exists(Ini()));
}

TEST_F(MainWindowTest, ATrapInTheRunningWindowStoresAndSaves) {
  GTEST_FLAG_SET(death_test_style, "fast");
  MainWindow& f = Start();
  fs::remove(Ini());
  ui.without->setText("..h6");
  EXPECT_EXIT(
      {
        AgelessFileSystem ageless;
        SetFileSystem(&ageless);
        f.showFileStates();
      },
      ::testing::ExitedWithCode(kTrapExitCode & 0xff), "");
  ASSERT_TRUE(Exists(Ini()));
  EXPECT_NE(ReadFile(Ini()).find("11=..h6"), std::string::npos);
}

TEST_F(MainWindowTest, AnErrorInAnEventIsShownAndTheProgramGoesOn) {
  WriteFile(dir / "blocker", "");
  const std::string unwritable = dir / "blocker/kelvane.ini";
  SetIniFileOverride(unwritable);
  MainWindow& f = StartActive();
  ui.condition1->setFocus(Qt::TabFocusReason);
  WhenModal([](QWidget* w) {
    auto* chooser = qobject_cast<EditorChooserDialog*>(w);
    ASSERT_NE(chooser, nullptr);
    Child<QLineEdit>(*chooser, "Edit1")->setText("/usr/bin/true");
    chooser->accept();
  });
  // Ctrl+E: the chooser stores the editor, then saving the settings fails.
  QTest::keyClick(ui.condition1, Qt::Key_E, Qt::ControlModifier);
  EXPECT_EQ(IniValues.Strings[5], "/usr/bin/true");
  EXPECT_EQ(script.messages, std::vector<std::string>{"Unable to write to " + unwritable});
  // The window goes on.
  ui.split->trigger();
  EXPECT_TRUE(IniValues.Split);
  EXPECT_TRUE(f.isVisible());
  form.reset();
  SetIniFileOverride(Ini());
}

}  // namespace
