// The main window driven on the offscreen platform: every message and question goes to
// scripted dialogs, and the checks look at what the user sees, at the settings record and
// at the files on disk.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QClipboard>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
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

class Unit1Test : public ::testing::Test {
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

  TempDir dir;
  ScopedScriptedDialogs script;
  std::unique_ptr<MainWindow> form;

 private:
  std::function<void(IniValueRec&)> seed_;
};

// ---- Start-up -------------------------------------------------------------------------

TEST_F(Unit1Test, StartsFromTheSettingsOrFromAnExistingCommandLineFile) {
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
    EXPECT_EQ(MainWindow::FileNameText(f.Edit16), c.name);
    EXPECT_EQ(MainWindow::Hint(f.Edit18), c.directory);
    EXPECT_EQ(f.Edit18->toolTip().toStdString(), c.directory);
    EXPECT_EQ(IniValues.Strings[1], c.name);
    EXPECT_EQ(IniValues.Strings[3], c.directory);
    EXPECT_EQ(f.OpenDialog1.initialDir, c.openDir);
    EXPECT_EQ(MainWindow::FileNameText(f.Edit17), "out.pgn");
    EXPECT_EQ(f.windowTitle(), "Kelvane");
    EXPECT_FALSE(f.Split1->isChecked());
    EXPECT_FALSE(IniValues.Split);
    EXPECT_FALSE(f.Loading);
    EXPECT_FALSE(f.SettingRadio);
  }
  EXPECT_TRUE(script.messages.empty());
}

TEST_F(Unit1Test, RelativeCommandLineFileIsTakenFromTheCurrentDirectory) {
  WriteFile(dir / "game.pgn", "");
  std::string cwd = fs::current_path().string();
  ASSERT_EQ(::chdir(dir.path().c_str()), 0);
  MainWindow& f = Start({"game.pgn"});
  ASSERT_EQ(::chdir(cwd.c_str()), 0);
  EXPECT_EQ(MainWindow::FileNameText(f.Edit16), "game.pgn");
  EXPECT_EQ(MainWindow::Hint(f.Edit18), fs::canonical(dir.path()).string() + "/");
}

TEST_F(Unit1Test, StoredMustContainRangeAndModeAreShownAsStored) {
  Seed([](IniValueRec& r) {
    r.Strings[10] = "1.e4 c5 2.Nf3";
    r.Integers[6] = 5;
    r.Integers[7] = 9;
    r.RadNota = false;
  });
  MainWindow& f = Start();
  EXPECT_EQ(f.MemoText(), "1.e4 c5 2.Nf3");
  EXPECT_EQ(MainWindow::Text(f.Edit12), "5");
  EXPECT_EQ(MainWindow::Text(f.Edit13), "9");
  EXPECT_EQ(f.RadioItemIndex(), 1);
  EXPECT_FALSE(IniValues.RadNota);
}

TEST_F(Unit1Test, ControlsCarryTheirNamesPlacesAndHints) {
  MainWindow& f = Start();
  const double scale = f.logicalDpiX() / 96.0;
  auto at = [&](int l, int t, int w, int h) {
    return QRect(qRound(l * scale), qRound(t * scale), qRound(w * scale), qRound(h * scale));
  };
  struct Place {
    QWidget* widget;
    const char* name;
    QRect rect;
  } places[] = {
      {f.Edit1, "Edit1", at(32, 64, 129, 21)},
      {f.Edit3, "Edit3", at(32, 144, 129, 21)},
      {f.Memo1, "Memo1", at(32, 192, 417, 49)},
      {f.Edit5, "Edit5", at(32, 264, 417, 21)},
      {f.Edit7, "Edit7", at(216, 64, 33, 21)},
      {f.Edit12, "Edit12", at(464, 224, 33, 21)},
      {f.Edit15, "Edit15", at(504, 264, 33, 21)},
      {f.RadioGroup1, "RadioGroup1", at(464, 168, 73, 49)},
      {f.Edit16, "Edit16", at(312, 56, 129, 21)},
      {f.Edit19, "Edit19", at(448, 88, 9, 21)},
      {f.Button1, "Button1", at(472, 72, 41, 17)},
      {f.Button2, "Button2", at(312, 136, 65, 25)},
      {f.Button3, "Button3", at(456, 136, 65, 25)},
  };
  for (const Place& p : places) {
    SCOPED_TRACE(p.name);
    EXPECT_EQ(f.findChild<QWidget*>(p.name), p.widget);
    EXPECT_EQ(p.widget->geometry(), p.rect);
  }
  for (QLineEdit* e : {f.Edit16, f.Edit17, f.Edit18, f.Edit19})
    EXPECT_EQ(e->palette().color(QPalette::Base), QColor(0, 255, 255));

  struct Tool {
    QToolButton* button;
    const char* hint;
  } tools[] = {{f.ToolButton1, "Set input file (Ctrl+O)"},
               {f.ToolButton2, "Set output file (Ctrl+S)"},
               {f.ToolButton3, "Set output path to input path"},
               {f.ToolButton4, "Set input path to output path"},
               {f.ToolButton5, "Run (Ctrl+R)"},
               {f.ToolButton7, "Cut"},
               {f.ToolButton8, "Copy"},
               {f.ToolButton9, "Paste"}};
  for (const Tool& t : tools) {
    EXPECT_EQ(t.button->toolTip().toStdString(), t.hint);
    EXPECT_EQ(t.button->focusPolicy(), Qt::NoFocus);
  }

  struct Item {
    QAction* action;
    const char* name;
    const char* caption;
    const char* shortcut;
  } items[] = {{f.SetInput1, "SetInput1", "Set &Input", "Ctrl+O"},
               {f.SetOutput1, "SetOutput1", "Set &Output", "Ctrl+S"},
               {f.Run1, "Run1", "&Run", "Ctrl+R"},
               {f.Exit1, "Exit1", "E&xit", ""},
               {f.Cut1, "Cut1", "Cu&t", "Ctrl+X"},
               {f.Copy1, "Copy1", "&Copy", "Ctrl+C"},
               {f.Paste1, "Paste1", "&Paste", "Ctrl+V"},
               {f.OutputEditor11, "OutputEditor11", "Output Editor &1", "Ctrl+E"},
               {f.OutputEditor21, "OutputEditor21", "Output Editor &2", "Ctrl+F"},
               {f.Split1, "Split1", "S&plit", "Ctrl+P"},
               {f.Contents1, "Contents1", "&Contents", ""},
               {f.About1, "About1", "&About", ""}};
  for (const Item& i : items) {
    SCOPED_TRACE(i.name);
    EXPECT_EQ(i.action->objectName().toStdString(), i.name);
    EXPECT_EQ(i.action->text().toStdString(), i.caption);
    EXPECT_EQ(i.action->shortcut().toString().toStdString(), i.shortcut);
  }
  EXPECT_TRUE(f.Split1->isCheckable());
  QStringList menus;
  for (QAction* a : f.menuBar()->actions()) menus << a->text();
  EXPECT_EQ(menus, QStringList({"&File", "&Edit", "&Options", "&Help"}));

  // Tab order, as the Tab key walks it.
  QWidget* order[] = {f.Edit1,  f.Edit2,  f.Edit3,  f.Memo1,         f.Edit5,      f.Edit6,
                      f.Edit7,  f.Edit8,  f.Edit9,  f.Edit10,        f.Edit11,     f.Edit12,
                      f.Edit13, f.Edit14, f.Edit15, f.RadioNotation, f.RadioMoves, f.Edit16,
                      f.Edit17, f.Edit18, f.Edit19, f.Button1,       f.Button2,    f.Button3};
  for (size_t i = 0; i + 1 < std::size(order); ++i) {
    QWidget* next = order[i]->nextInFocusChain();
    while (next->focusPolicy() == Qt::NoFocus) next = next->nextInFocusChain();
    EXPECT_EQ(next, order[i + 1]) << "after " << order[i]->objectName().toStdString();
  }
}

// ---- Criteria entry -------------------------------------------------------------------

TEST_F(Unit1Test, LeavingAFieldChecksAndNormalisesTheConditions) {
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
    Type(f.Edit2, c.typed);
    script.Clear();
    Tab(f.Edit5);
    EXPECT_EQ(MainWindow::Text(f.Edit2), c.shown);
    EXPECT_EQ(IniValues.Strings[8], c.shown);
    if (c.failed) {
      EXPECT_EQ(script.messages, std::vector<std::string>{ConditionFormMessage()});
      EXPECT_EQ(script.beeps, 1);
      EXPECT_EQ(f.focusWidget(), f.Edit2);
    } else {
      EXPECT_TRUE(script.messages.empty());
      EXPECT_EQ(f.focusWidget(), f.Edit5);
    }
  }
  // A wrong condition is reported again whenever any field is left, in field order, and
  // the focus ends on the last wrong field.
  Type(f.Edit2, "");
  Type(f.Edit1, "a b c");
  Type(f.Edit3, "d e f");
  Tab(f.Edit6);
  script.Clear();
  Tab(f.Edit7);
  EXPECT_EQ(script.messages.size(), 2u);
  EXPECT_EQ(f.focusWidget(), f.Edit3);
}

TEST_F(Unit1Test, LosingTheWindowsActivationIsNoExit) {
  MainWindow& f = Start();
  f.Edit1->setText("Kh1 > Qe1");
  for (Qt::FocusReason reason : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason}) {
    QFocusEvent out(QEvent::FocusOut, reason);
    QApplication::sendEvent(f.Edit1, &out);
    EXPECT_EQ(MainWindow::Text(f.Edit1), "Kh1 > Qe1");
  }
  QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
  QApplication::sendEvent(f.Edit1, &out);
  EXPECT_EQ(MainWindow::Text(f.Edit1), "Qe1 < Kh1");
  EXPECT_EQ(IniValues.Strings[7], "Qe1 < Kh1");
}

TEST_F(Unit1Test, StoringConvertsTheRangesUpToTheFirstNonNumber) {
  MainWindow& f = StartActive();
  Tab(f.Edit5);
  f.Edit6->setText("3");
  f.Edit7->setText("9");
  f.Edit8->setText("abc");
  f.Edit9->setText("20");
  f.Edit14->setText("7");
  f.Edit5->setText("  ..e6 \t ..d5  ");
  f.SettingRadio = true;
  f.SetRadioItemIndex(1);
  f.SettingRadio = false;
  Tab(f.Edit1);
  EXPECT_EQ(script.messages, std::vector<std::string>{"Non-numeric value in range"});
  EXPECT_EQ(script.beeps, 1);
  EXPECT_EQ(IniValues.Integers[0], 3);
  EXPECT_EQ(IniValues.Integers[1], 9);
  EXPECT_EQ(IniValues.Integers[2], 0);  // "abc" and everything after it keep their values
  EXPECT_EQ(IniValues.Integers[3], 0);
  EXPECT_EQ(IniValues.Integers[8], 1);
  EXPECT_FALSE(IniValues.RadNota);  // follows the radio group all the same
  EXPECT_EQ(IniValues.Strings[11], "..e6 ..d5");
  EXPECT_EQ(MainWindow::Text(f.Edit5), "  ..e6 \t ..d5  ");

  Type(f.Edit8, "");
  script.Clear();
  Tab(f.Edit9);
  EXPECT_EQ(script.messages, std::vector<std::string>{"Non-numeric value in range"});
  Type(f.Edit8, "4");
  script.Clear();
  Tab(f.Edit9);
  EXPECT_TRUE(script.messages.empty());
  EXPECT_EQ(IniValues.Integers[2], 4);
  EXPECT_EQ(IniValues.Integers[3], 20);
  EXPECT_EQ(IniValues.Integers[8], 7);
}

TEST_F(Unit1Test, MustContainTextChoosesItsFormAndANotationTextItsRange) {
  MainWindow& f = Start();
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
    f.Edit12->setText("7");
    f.Edit13->setText("9");
    IniValues.Integers[6] = 7;
    IniValues.Integers[7] = 9;
    f.SetMemoText(c.text);
    EXPECT_EQ(f.RadioItemIndex(), c.item);
    EXPECT_EQ(MainWindow::Text(f.Edit12), std::to_string(c.from));
    EXPECT_EQ(MainWindow::Text(f.Edit13), std::to_string(c.to));
    EXPECT_EQ(IniValues.Integers[6], c.from);
    EXPECT_EQ(IniValues.Integers[7], c.to);
    EXPECT_EQ(f.MemoText().find('\n'), std::string::npos);
    EXPECT_TRUE(IniValues.RadNota);  // the mode is stored only when a field is left
  }
  EXPECT_TRUE(script.messages.empty());

  // A move number beyond 32 bits is told and leaves the range alone.
  f.SetMemoText("99999999999.e4 c5");
  EXPECT_EQ(script.messages, std::vector<std::string>{kMoveNumberTooLarge});
  EXPECT_EQ(MainWindow::Text(f.Edit13), "9");
}

TEST_F(Unit1Test, TypingANotationSequenceKeepsItOnOneLine) {
  MainWindow& f = StartActive();
  f.Memo1->setFocus(Qt::TabFocusReason);
  QTest::keyClicks(f.Memo1, "1.e4 c5 2.Nf3");
  EXPECT_EQ(f.RadioItemIndex(), 0);
  EXPECT_EQ(IniValues.Integers[6], 1);
  EXPECT_EQ(IniValues.Integers[7], 2);
  // Enter gives a blank at once, and typing goes on where it was.
  QTest::keyClick(f.Memo1, Qt::Key_Return);
  QTest::keyClicks(f.Memo1, "d6 3.d4");
  EXPECT_EQ(f.MemoText(), "1.e4 c5 2.Nf3 d6 3.d4");
  EXPECT_EQ(IniValues.Integers[7], 3);
  // A Moves text keeps its line breaks.
  f.SetMemoText("");
  QTest::keyClicks(f.Memo1, "e4");
  QTest::keyClick(f.Memo1, Qt::Key_Return);
  QTest::keyClicks(f.Memo1, "Nf3");
  EXPECT_EQ(f.MemoText(), "e4\nNf3");
  EXPECT_EQ(f.RadioItemIndex(), 1);
}

TEST_F(Unit1Test, ChoosingMovesConvertsAndNotationIsRefusedForAMovesText) {
  MainWindow& f = StartActive();
  f.SetMemoText("1.e4 c5 2.Nf3 d6");
  QTest::mouseClick(f.RadioMoves, Qt::LeftButton);
  EXPECT_EQ(f.MemoText(), "e4 ..c5 Nf3 ..d6");
  EXPECT_EQ(f.RadioItemIndex(), 1);
  EXPECT_FALSE(IniValues.RadNota);
  EXPECT_EQ(IniValues.Strings[10], "e4 ..c5 Nf3 ..d6");
  EXPECT_EQ(script.beeps, 0);

  QTest::mouseClick(f.RadioNotation, Qt::LeftButton);
  EXPECT_EQ(script.beeps, 1);
  EXPECT_EQ(f.RadioItemIndex(), 1);
  EXPECT_FALSE(IniValues.RadNota);
  EXPECT_EQ(f.MemoText(), "e4 ..c5 Nf3 ..d6");

  // An empty text counts as Moves form and refuses the switch too.
  f.SetMemoText("");
  QTest::mouseClick(f.RadioNotation, Qt::LeftButton);
  EXPECT_EQ(script.beeps, 2);
  EXPECT_EQ(f.RadioItemIndex(), 1);

  // A Notation text typed in Moves mode moves the selection; leaving the field stores it.
  f.SetMemoText("1.e4 c5");
  EXPECT_EQ(f.RadioItemIndex(), 0);
  EXPECT_FALSE(IniValues.RadNota);
  Tab(f.Memo1);
  Tab(f.Edit5);
  EXPECT_TRUE(IniValues.RadNota);
}

// ---- Checks before a run --------------------------------------------------------------

TEST_F(Unit1Test, RunRefusesCriteriaThatFailTheChecksAndFocusesTheField) {
  WriteFile(dir / "in.pgn", ReadFile(SourcePath("samples/classics.pgn")));
  struct Case {
    const char* what;
    std::function<void(MainWindow&)> set;
    QLineEdit* MainWindow::*field;
    bool sameFileMessage;
  } cases[] = {
      {"same file", [](MainWindow& f) { f.Edit17->setText("in.pgn"); }, &MainWindow::Edit17, true},
      {"same file after output path = input path",
       [this](MainWindow& f) {
         MainWindow::SetHint(f.Edit19, dir / "elsewhere/");
         f.Edit17->setText("in.pgn");
         f.ToolButton3->click();
       },
       &MainWindow::Edit17, true},
      {"condition 1 over one move",
       [](MainWindow& f) {
         f.Edit1->setText("Kh1 < Qe1");
         f.Edit6->setText("5");
         f.Edit7->setText("5");
       },
       &MainWindow::Edit7, false},
      {"condition 2 backwards",
       [](MainWindow& f) {
         f.Edit2->setText("Kh1 < Qe1");
         f.Edit8->setText("6");
         f.Edit9->setText("2");
       },
       &MainWindow::Edit9, false},
      {"condition 3 unset range", [](MainWindow& f) { f.Edit3->setText("..e5 < Nf3"); },
       &MainWindow::Edit11, false},
      {"Must contain to 0",
       [](MainWindow& f) {
         f.SetMemoText("..c5 Nf3");
         f.Edit12->setText("0");
         f.Edit13->setText("0");
       },
       &MainWindow::Edit13, false},
      {"Without backwards",
       [](MainWindow& f) {
         f.Edit5->setText("..e6");
         f.Edit14->setText("9");
         f.Edit15->setText("3");
       },
       &MainWindow::Edit15, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MainWindow& f = StartActive();
    c.set(f);
    f.ControlsToRecord();
    script.Clear();
    QTest::mouseClick(f.Button2, Qt::LeftButton);
    EXPECT_EQ(f.focusWidget(), f.*c.field);
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
  f.SetMemoText("..c5 Nf3");
  f.Edit5->setText("..e6");
  for (QLineEdit* e : {f.Edit12, f.Edit13, f.Edit14, f.Edit15}) e->setText("5");
  f.ControlsToRecord();
  EXPECT_TRUE(f.CriteriaValid());
}

// ---- Files ----------------------------------------------------------------------------

TEST_F(Unit1Test, FileNameColoursFollowExistenceAndAge) {
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
    f.ShowFileStates();
    EXPECT_EQ(TextColour(f.Edit16), c.input);
    EXPECT_EQ(TextColour(f.Edit17), c.output);
  }
}

TEST_F(Unit1Test, TypingANameRecoloursItAtEachKey) {
  WriteFile(dir / "game.pgn", "");
  MainWindow& f = StartActive();
  Tab(f.Edit16);
  f.Edit16->clear();
  QTest::keyClicks(f.Edit16, "game.pg");
  EXPECT_EQ(TextColour(f.Edit16), kRed);
  QTest::keyClick(f.Edit16, Qt::Key_N);
  EXPECT_EQ(TextColour(f.Edit16), kBlack);
  // The name is stored when the field is left, not while typing.
  EXPECT_EQ(IniValues.Strings[1], "in.pgn");
  Tab(f.Edit17);
  EXPECT_EQ(IniValues.Strings[1], "game.pgn");
}

TEST_F(Unit1Test, SwapAndPathButtonsExchangeNamesAndDirectories) {
  Seed([this](IniValueRec& r) {
    r.Strings[3] = dir / "a/";
    r.Strings[4] = dir / "b/";
  });
  MainWindow& f = StartActive();
  f.Edit5->setFocus(Qt::TabFocusReason);
  f.ToggleIO();
  EXPECT_EQ(MainWindow::FileNameText(f.Edit16), "out.pgn");
  EXPECT_EQ(MainWindow::FileNameText(f.Edit17), "in.pgn");
  EXPECT_EQ(MainWindow::Hint(f.Edit18), dir / "b/");
  EXPECT_EQ(MainWindow::Hint(f.Edit19), dir / "a/");
  EXPECT_EQ(IniValues.Strings[1], "out.pgn");
  EXPECT_EQ(IniValues.Strings[4], dir / "a/");
  QTest::mouseClick(f.Button1, Qt::LeftButton);
  EXPECT_EQ(MainWindow::FileNameText(f.Edit16), "in.pgn");
  EXPECT_EQ(MainWindow::Hint(f.Edit18), dir / "a/");
  EXPECT_EQ(IniValues.Strings[2], "out.pgn");
  EXPECT_EQ(IniValues.Strings[3], dir / "a/");
  EXPECT_EQ(IniValues.Strings[4], dir / "b/");

  f.Edit5->setFocus(Qt::TabFocusReason);
  QTest::mouseClick(f.ToolButton3, Qt::LeftButton);
  EXPECT_EQ(MainWindow::Hint(f.Edit19), dir / "a/");
  EXPECT_EQ(IniValues.Strings[4], dir / "a/");
  MainWindow::SetHint(f.Edit19, dir / "c/");
  QTest::mouseClick(f.ToolButton4, Qt::LeftButton);
  EXPECT_EQ(MainWindow::Hint(f.Edit18), dir / "c/");
  EXPECT_EQ(IniValues.Strings[3], dir / "c/");
  // Tool bar buttons leave the focus where it was.
  EXPECT_EQ(f.focusWidget(), f.Edit5);
}

TEST_F(Unit1Test, ClickingADirectoryBoxOffersTheStartUpDirectory) {
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
    QLineEdit* box = c.output ? f.Edit19 : f.Edit18;
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_EQ(script.log.front(), "confirm: Set to start up directory?");
    EXPECT_TRUE(script.AllAnswered());
    std::string old = c.output ? dir / "b/" : dir / "a/";
    std::string expected = c.answer == DialogButton::Yes ? dir / "start/" : old;
    EXPECT_EQ(MainWindow::Hint(box), expected);
    EXPECT_EQ(IniValues.Strings[c.output ? 4 : 3], expected);
    const FileDialogRequest& dialog = c.output ? f.SaveDialog1 : f.OpenDialog1;
    EXPECT_EQ(dialog.initialDir, c.answer == DialogButton::Yes ? dir / "start/" : "");
  }
}

TEST_F(Unit1Test, FileDialogsChooseNameAndDirectory) {
  MainWindow& f = StartActive();
  script.AnswerFile(dir / "games/x.pgn");
  QTest::mouseClick(f.ToolButton1, Qt::LeftButton);
  ASSERT_EQ(script.fileRequests.size(), 1u);
  const FileDialogRequest& open = script.fileRequests[0];
  EXPECT_EQ(open.title, "Set Input File");
  EXPECT_EQ(open.initialDir, dir.path());
  EXPECT_EQ(open.fileName, "in.pgn");
  EXPECT_EQ(open.filter, "PGN & Text Files|*.PGN;*.TXT|All Files|*.*");
  EXPECT_EQ(open.defaultSuffix, "pgn");
  EXPECT_EQ(MainWindow::FileNameText(f.Edit16), "x.pgn");
  EXPECT_EQ(MainWindow::Hint(f.Edit18), dir / "games/");
  EXPECT_EQ(IniValues.Strings[1], "x.pgn");
  EXPECT_EQ(IniValues.Strings[3], dir / "games/");

  // The next one starts where the last one ended; a cancelled dialog changes nothing.
  script.AnswerFile(std::nullopt);
  f.SetInput1->trigger();
  EXPECT_EQ(script.fileRequests[1].initialDir, dir / "games/");
  EXPECT_EQ(script.fileRequests[1].fileName, "x.pgn");
  EXPECT_EQ(MainWindow::FileNameText(f.Edit16), "x.pgn");

  script.AnswerFile(dir / "y.pgn");
  f.SetOutput1->trigger();
  const FileDialogRequest& save = script.fileRequests[2];
  EXPECT_EQ(save.title, "Set Output File");
  EXPECT_EQ(save.fileName, "out.pgn");
  EXPECT_EQ(save.filter, "PGN & Text Files|*.PGN;*.TXT|All Files|*.*");
  EXPECT_EQ(save.defaultSuffix, "pgn");
  EXPECT_EQ(MainWindow::FileNameText(f.Edit17), "y.pgn");
  EXPECT_EQ(IniValues.Strings[4], dir.path());
}

TEST_F(Unit1Test, SplitItemTogglesTheOptionAndShortcutsWorkInAField) {
  MainWindow& f = StartActive();
  f.Edit1->setFocus(Qt::TabFocusReason);
  QTest::keyClick(f.Edit1, Qt::Key_P, Qt::ControlModifier);
  EXPECT_TRUE(f.Split1->isChecked());
  EXPECT_TRUE(IniValues.Split);
  f.Split1->trigger();
  EXPECT_FALSE(f.Split1->isChecked());
  EXPECT_FALSE(IniValues.Split);
  // Ctrl+O opens the input dialog even though a field has the focus.
  QTest::keyClick(f.Edit1, Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(script.log.back(), "unanswered: open: Set Input File");
  EXPECT_EQ(f.focusWidget(), f.Edit1);
}

TEST_F(Unit1Test, CutCopyAndPasteActOnTheFocusedField) {
  MainWindow& f = StartActive();
  f.Edit5->setText("..e6 ..d5");
  f.Edit5->setFocus(Qt::TabFocusReason);
  f.Edit5->selectAll();
  QTest::mouseClick(f.ToolButton8, Qt::LeftButton);
  EXPECT_EQ(QApplication::clipboard()->text(), "..e6 ..d5");
  QTest::mouseClick(f.ToolButton7, Qt::LeftButton);
  EXPECT_EQ(f.Edit5->text(), "");
  EXPECT_EQ(f.focusWidget(), f.Edit5);
  f.SetMemoText("");
  f.Memo1->setFocus(Qt::TabFocusReason);
  QTest::mouseClick(f.ToolButton9, Qt::LeftButton);
  EXPECT_EQ(f.MemoText(), "..e6 ..d5");
  f.Edit1->clear();
  f.Edit1->setFocus(Qt::TabFocusReason);
  f.Paste1->trigger();
  EXPECT_EQ(f.Edit1->text(), "..e6 ..d5");
  // Cut and copy need a selection.
  f.Edit1->deselect();
  EXPECT_FALSE(f.EditCut1->isEnabled());
  EXPECT_FALSE(f.Copy1->isEnabled());
  f.Edit1->selectAll();
  EXPECT_TRUE(f.EditCopy1->isEnabled());
}

// ---- The Run command ------------------------------------------------------------------

TEST_F(Unit1Test, RunFromTheWindowWritesWhatTheHeadlessScanWrites) {
  WriteFile(dir / "in.pgn", ReadFile(SourcePath("samples/classics.pgn")));
  SetAge(dir / "in.pgn", 1);
  MainWindow& f = StartActive();
  f.Edit1->setFocus(Qt::TabFocusReason);
  f.Edit1->clear();
  QTest::keyClicks(f.Edit1, "Bc4 > Nf3");
  f.Edit7->setText("10");
  f.Memo1->setFocus(Qt::TabFocusReason);
  f.SetMemoText("");
  QTest::keyClicks(f.Memo1, "1.e4 e5");
  f.Edit5->setFocus(Qt::TabFocusReason);
  QTest::keyClicks(f.Edit5, "..Bc5");
  f.Split1->trigger();
  // The Run button takes the focus, so the Without text being typed is stored first.
  QTest::mouseClick(f.Button2, Qt::LeftButton);
  EXPECT_EQ(MainWindow::Text(f.Edit1), "Nf3 < Bc4");
  EXPECT_EQ(IniValues.Strings[11], "..Bc5");
  EXPECT_EQ(IniValues.ReqSequence, "e4 e5");
  EXPECT_EQ(IniValues.CondWords, "Nf3 Bc4");
  ASSERT_EQ(script.reports.size(), 1u) << (script.log.empty() ? "" : script.log.back());
  EXPECT_TRUE(script.messages.empty());
  std::string out = ReadFile(dir / "out.pgn");
  std::string split = ReadFile(dir / "out2.pgn");
  EXPECT_FALSE(out.empty());
  EXPECT_FALSE(split.empty());
  EXPECT_EQ(TextColour(f.Edit17), kBlue);  // the output is newer now
  EXPECT_EQ(TextColour(f.Edit16), kBlack);

  // The same settings, given to the headless scan.
  f.ControlsToRecord();
  SaveSettings();
  ProcessResult r = RunKelvane({"--scan", "--settings", Ini(), "--input", dir / "in.pgn",
                                "--output", dir / "headless.pgn", "--split", "--yes"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(dir / "headless.pgn"), out);
  EXPECT_EQ(ReadFile(dir / "headless2.pgn"), split);
}

TEST_F(Unit1Test, RunMenuAndToolButtonLeaveTheFocusAndAskBeforeOverwriting) {
  WriteFile(dir / "in.pgn", ReadFile(SourcePath("samples/classics.pgn")));
  WriteFile(dir / "out.pgn", "old");
  MainWindow& f = StartActive();
  f.Edit5->setFocus(Qt::TabFocusReason);
  script.AnswerConfirm(DialogButton::Cancel);
  QTest::mouseClick(f.ToolButton5, Qt::LeftButton);
  EXPECT_EQ(script.log.front(), "confirm: Overwrite out.pgn?");
  EXPECT_EQ(ReadFile(dir / "out.pgn"), "old");
  EXPECT_EQ(f.focusWidget(), f.Edit5);
  script.AnswerConfirm(DialogButton::Ok);
  QTest::keyClick(f.Edit5, Qt::Key_R, Qt::ControlModifier);
  EXPECT_EQ(script.reports.size(), 1u);
  EXPECT_NE(ReadFile(dir / "out.pgn"), "old");
  EXPECT_EQ(f.focusWidget(), f.Edit5);
}

// ---- Shutdown and faults --------------------------------------------------------------

TEST_F(Unit1Test, ClosingTheWindowStoresAndSavesTheSettings) {
  struct Case {
    const char* how;
    std::function<void(MainWindow&)> close;
  } cases[] = {
      {"Exit button", [](MainWindow& f) { QTest::mouseClick(f.Button3, Qt::LeftButton); }},
      {"File Exit", [](MainWindow& f) { f.Exit1->trigger(); }},
      {"close box", [](MainWindow& f) { f.close(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    fs::remove(Ini());
    MainWindow& f = StartActive();
    f.Edit5->setText("  ..d5  ");
    f.Edit14->setText("4");
    f.Split1->trigger();
    c.close(f);
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
  f.Edit6->setText("x");
  f.Edit5->setText("..c6");
  f.close();
  EXPECT_EQ(script.messages, std::vector<std::string>{"Non-numeric value in range"});
  IniValues.Reset();
  LoadSettings();
  EXPECT_EQ(IniValues.Strings[11], "..c6");
  EXPECT_EQ(IniValues.Integers[0], 1);
}

TEST_F(Unit1Test, ATrapWhileTheWindowIsCreatedSavesNothing) {
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

TEST_F(Unit1Test, ATrapInTheRunningWindowStoresAndSaves) {
  GTEST_FLAG_SET(death_test_style, "fast");
  MainWindow& f = Start();
  fs::remove(Ini());
  f.Edit5->setText("..h6");
  EXPECT_EXIT(
      {
        AgelessFileSystem ageless;
        SetFileSystem(&ageless);
        f.ShowFileStates();
      },
      ::testing::ExitedWithCode(kTrapExitCode & 0xff), "");
  ASSERT_TRUE(Exists(Ini()));
  EXPECT_NE(ReadFile(Ini()).find("11=..h6"), std::string::npos);
}

TEST_F(Unit1Test, AnErrorInAnEventIsShownAndTheProgramGoesOn) {
  WriteFile(dir / "blocker", "");
  const std::string unwritable = dir / "blocker/kelvane.ini";
  SetIniFileOverride(unwritable);
  MainWindow& f = StartActive();
  f.Edit1->setFocus(Qt::TabFocusReason);
  WhenModal([](QWidget* w) {
    auto* chooser = qobject_cast<EditorChooserDialog*>(w);
    ASSERT_NE(chooser, nullptr);
    chooser->Edit1->setText("/usr/bin/true");
    chooser->accept();
  });
  // Ctrl+E: the chooser stores the editor, then saving the settings fails.
  QTest::keyClick(f.Edit1, Qt::Key_E, Qt::ControlModifier);
  EXPECT_EQ(IniValues.Strings[5], "/usr/bin/true");
  EXPECT_EQ(script.messages, std::vector<std::string>{"Unable to write to " + unwritable});
  // The window goes on.
  f.Split1->trigger();
  EXPECT_TRUE(IniValues.Split);
  EXPECT_TRUE(f.isVisible());
  form.reset();
  SetIniFileOverride(Ini());
}

}  // namespace
