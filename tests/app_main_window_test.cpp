// The main window driven on the offscreen platform, from start to close: what it shows
// at start-up, its controls' names, places and tab order, its shortcuts and edit actions,
// and how it stores and saves the settings when it closes or meets a fault. Every message
// and question goes to scripted dialogs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QtTest/QTest>
#include <filesystem>
#include <functional>

#include "app/editor_chooser.h"
#include "app/event_errors.h"
#include "app_main_window_fixture.h"
#include "app_modal.h"
#include "platform/fault.h"

using namespace kelvane;

namespace fs = std::filesystem;

namespace {

// A file system whose files all exist but have no age: CompareFileAges traps on it.
class AgelessFileSystem : public PosixFileSystem {
 public:
  bool FileExists(const std::string&) override { return true; }
  std::optional<int64_t> FileAge(const std::string&) override { return std::nullopt; }
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
    EXPECT_EQ(form->settings().input.name, c.name);
    EXPECT_EQ(form->settings().input.dir, c.directory);
    EXPECT_EQ(f.fileDialogRequest(MainWindow::Side::Input).initialDir, c.openDir);
    EXPECT_EQ(MainWindow::fileNameText(ui.outputName), "out.pgn");
    EXPECT_EQ(f.windowTitle(), "Kelvane");
    EXPECT_FALSE(ui.split->isChecked());
    EXPECT_FALSE(form->splitOn());
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
  Seed([](Settings& r) {
    r.criteria.mustContain = "1.e4 c5 2.Nf3";
    r.criteria.mustContainRange.from = 5;
    r.criteria.mustContainRange.to = 9;
    r.criteria.mustContainForm = SequenceForm::Moves;
  });
  Start();
  EXPECT_EQ(MemoText(), "1.e4 c5 2.Nf3");
  EXPECT_EQ(MainWindow::fieldText(ui.mustContainFrom), "5");
  EXPECT_EQ(MainWindow::fieldText(ui.mustContainTo), "9");
  EXPECT_EQ(SequenceFormIndex(), 1);
  EXPECT_EQ(form->settings().criteria.mustContainForm, SequenceForm::Moves);
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
      {"Memo1Frame", at(32, 192, 417, 49)}, {"Edit5", at(32, 264, 417, 21)},
      {"Edit7", at(216, 64, 33, 21)},    {"Edit12", at(464, 224, 33, 21)},
      {"Edit15", at(504, 264, 33, 21)},  {"RadioGroup1", at(464, 168, 73, 49)},
      {"Edit16", at(312, 56, 129, 21)},  {"Edit19", at(448, 88, 9, 21)},
      {"Button1", at(472, 72, 41, 17)},  {"Button2", at(312, 136, 65, 25)},
      {"Button3", at(456, 136, 65, 25)}, {"CountButton", at(384, 136, 65, 25)},
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
               {Child<QAction>(f, "Count1"), "Count1", "&Count", "Ctrl+K"},
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
  EXPECT_EQ(menus, QStringList({"&File", "&Edit", "&Options", "&View", "&Help"}));

  // Tab order, as the Tab key walks it.
  QWidget* count = Child<QWidget>(f, "CountButton");
  QWidget* order[] = {ui.condition1,    ui.condition2,     ui.condition3,   ui.mustContain,
                      ui.without,       ui.condition1From, ui.condition1To, ui.condition2From,
                      ui.condition2To,  ui.condition3From, ui.condition3To, ui.mustContainFrom,
                      ui.mustContainTo, ui.withoutFrom,    ui.withoutTo,    ui.notation,
                      ui.moves,         ui.inputName,      ui.outputName,   ui.inputDir,
                      ui.outputDir,     ui.swapFiles,      ui.run,          count,
                      ui.exit,
                      Child<QWidget>(f, "HeaderCriteria"), Child<QWidget>(f, "PositionCriterion"),
                      Child<QWidget>(f, "PositionFrom"), Child<QWidget>(f, "PositionTo"),
                      Child<QWidget>(f, "MaterialCriterion"), Child<QWidget>(f, "MaterialFrom"),
                      Child<QWidget>(f, "MaterialTo")};
  for (size_t i = 0; i + 1 < std::size(order); ++i) {
    QWidget* next = order[i]->nextInFocusChain();
    while (next->focusPolicy() == Qt::NoFocus) next = next->nextInFocusChain();
    EXPECT_EQ(next, order[i + 1]) << "after " << order[i]->objectName().toStdString();
  }
}

// ---- Shortcuts and edit actions -------------------------------------------------------

TEST_F(MainWindowTest, SplitItemTogglesTheOptionAndShortcutsWorkInAField) {
  MainWindow& f = StartActive();
  ui.condition1->setFocus(Qt::TabFocusReason);
  QTest::keyClick(ui.condition1, Qt::Key_P, Qt::ControlModifier);
  EXPECT_TRUE(ui.split->isChecked());
  EXPECT_TRUE(form->splitOn());
  ui.split->trigger();
  EXPECT_FALSE(ui.split->isChecked());
  EXPECT_FALSE(form->splitOn());
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
    EXPECT_EQ(Saved().criteria.without, "..d5");
    EXPECT_EQ(Saved().criteria.withoutRange.from, 4);
    EXPECT_EQ(ReadFile(Ini()).find("Split"), std::string::npos);
  }
  // A range that is no number is told at shutdown too; the rest is saved.
  script.Clear();
  MainWindow& f = StartActive();
  ui.condition1From->setText("x");
  ui.without->setText("..c6");
  f.close();
  EXPECT_EQ(script.messages, std::vector<std::string>{"Non-numeric value in range: the start of "
                                                      "the condition 1 range must be a whole "
                                                      "number, not \"x\""});
  EXPECT_EQ(Saved().criteria.without, "..c6");
  EXPECT_EQ(Saved().criteria.conditionRanges[0].from, 1);
}

TEST_F(MainWindowTest, SettingsAreSavedWhereTheyWereLoadedFromAfterTheProgramIsReplaced) {
  // Once the program's file is replaced while it runs, /proc/self/exe names
  // "kelvane (deleted)".
  class ReplacedProgram : public PosixFileSystem {
   public:
    std::string program;
    std::string ProgramPath() override { return program; }
  } replaced;
  replaced.program = dir / "kelvane";
  SetFileSystem(&replaced);
  form = std::make_unique<MainWindow>();  // the settings file as the program finds it
  ui.Find(*form);
  replaced.program = dir / "kelvane (deleted)";
  ui.without->setText("..h5");
  form->close();
  form.reset();
  EXPECT_FALSE(Exists(dir / "kelvane (deleted).ini"));
  EXPECT_EQ(Saved().criteria.without, "..h5");
}

TEST_F(MainWindowTest, ATrapWhileTheWindowIsCreatedSavesNothing) {
  GTEST_FLAG_SET(death_test_style, "fast");
  fs::remove(Ini());
  EXPECT_EXIT(
      {
        AgelessFileSystem ageless;
        SetFileSystem(&ageless);
        // As the program's start catches a fault while its windows are created.
        try {
          MainWindow f({}, Ini());
        } catch (const FatalError& e) {
          EndOnFatalError(e);
        }
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
        RunHandler([&] { f.showFileStates(); });  // as every event handler of the window runs
      },
      ::testing::ExitedWithCode(kTrapExitCode & 0xff), "");
  ASSERT_TRUE(Exists(Ini()));
  EXPECT_NE(ReadFile(Ini()).find("11=..h6"), std::string::npos);
}

TEST_F(MainWindowTest, AnErrorInAnEventIsShownAndTheProgramGoesOn) {
  WriteFile(dir / "blocker", "");
  const std::string unwritable = dir / "blocker/kelvane.ini";
  UseSettingsFile(unwritable);
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
  EXPECT_EQ(form->settings().editors[0], "/usr/bin/true");
  EXPECT_EQ(script.messages, std::vector<std::string>{"Unable to write to " + unwritable});
  // The window goes on.
  ui.split->trigger();
  EXPECT_TRUE(form->splitOn());
  EXPECT_TRUE(f.isVisible());
  form.reset();
  UseSettingsFile(Ini());
}

}  // namespace
