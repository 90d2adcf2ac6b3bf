// The main window's files driven on the offscreen platform: the colours of the names, the
// file dialogs, the directory boxes, swapping the files, and the Run command against the
// headless scan.
#include <gtest/gtest.h>

#include <QLabel>
#include <QMenu>
#include <QtTest/QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "app_main_window_fixture.h"
#include "engine/game_matcher.h"
#include "platform/fault.h"
#include "platform/orderly_exit.h"

using namespace kelvane;

namespace fs = std::filesystem;

namespace {

const QColor kBlack(0, 0, 0), kRed(255, 0, 0), kBlue(0, 0, 255), kFuchsia(255, 0, 255);

QColor TextColour(const QLineEdit* e) {
  return e->palette().color(QPalette::Text);
}

void SetAge(const std::string& path, int hoursAgo) {
  fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(hoursAgo));
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
  // The field shows the tail of a long name; its tooltip, the whole path, follows each key.
  EXPECT_EQ(ui.inputName->toolTip().toStdString(), dir / "game.pgn");
  // The name is stored when the field is left, not while typing.
  EXPECT_EQ(form->settings().input.name, "in.pgn");
  Tab(ui.outputName);
  EXPECT_EQ(form->settings().input.name, "game.pgn");
}

TEST_F(MainWindowTest, SwapAndPathButtonsExchangeNamesAndDirectories) {
  Seed([this](Settings& r) {
    r.input.dir = dir / "a/";
    r.output.dir = dir / "b/";
  });
  MainWindow& f = StartActive();
  ui.without->setFocus(Qt::TabFocusReason);
  ui.swapFiles->click();
  EXPECT_EQ(MainWindow::fileNameText(ui.inputName), "out.pgn");
  EXPECT_EQ(MainWindow::fileNameText(ui.outputName), "in.pgn");
  EXPECT_EQ(MainWindow::directoryHint(ui.inputDir), dir / "b/");
  EXPECT_EQ(MainWindow::directoryHint(ui.outputDir), dir / "a/");
  EXPECT_EQ(form->settings().input.name, "out.pgn");
  // Tooltips: the whole path on each name field, the whole folder on each folder box.
  EXPECT_EQ(ui.inputName->toolTip().toStdString(), dir / "b/out.pgn");
  EXPECT_EQ(ui.outputName->toolTip().toStdString(), dir / "a/in.pgn");
  EXPECT_EQ(ui.inputDir->toolTip().toStdString(), dir / "b/");
  EXPECT_EQ(ui.outputDir->toolTip().toStdString(), dir / "a/");
  EXPECT_EQ(form->settings().output.dir, dir / "a/");
  QTest::mouseClick(ui.swapFiles, Qt::LeftButton);
  EXPECT_EQ(MainWindow::fileNameText(ui.inputName), "in.pgn");
  EXPECT_EQ(MainWindow::directoryHint(ui.inputDir), dir / "a/");
  EXPECT_EQ(form->settings().output.name, "out.pgn");
  EXPECT_EQ(form->settings().input.dir, dir / "a/");
  EXPECT_EQ(form->settings().output.dir, dir / "b/");

  ui.without->setFocus(Qt::TabFocusReason);
  QTest::mouseClick(ui.outputDirFromInputTool, Qt::LeftButton);
  EXPECT_EQ(MainWindow::directoryHint(ui.outputDir), dir / "a/");
  EXPECT_EQ(form->settings().output.dir, dir / "a/");
  MainWindow::setDirectoryHint(ui.outputDir, dir / "c/");
  QTest::mouseClick(ui.inputDirFromOutputTool, Qt::LeftButton);
  EXPECT_EQ(MainWindow::directoryHint(ui.inputDir), dir / "c/");
  EXPECT_EQ(form->settings().input.dir, dir / "c/");
  // Tool bar buttons leave the focus where it was.
  EXPECT_EQ(f.focusWidget(), ui.without);
}

TEST_F(MainWindowTest, ClickingADirectoryBoxOffersTheStartUpDirectory) {
  Seed([this](Settings& r) {
    r.startUpDir = dir / "start/";
    r.input.dir = dir / "a/";
    r.output.dir = dir / "b/";
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
    const Settings& s = form->settings();
    EXPECT_EQ(c.output ? s.output.dir : s.input.dir, expected);
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
  EXPECT_EQ(open.filter,
            "PGN & Text Files|*.PGN;*.TXT;*.PGN.ZST;*.PGN.GZ;*.PGN.BZ2;*.PGN.XZ|All Files|*.*");
  EXPECT_EQ(open.defaultSuffix, "pgn");
  EXPECT_EQ(MainWindow::fileNameText(ui.inputName), "x.pgn");
  EXPECT_EQ(MainWindow::directoryHint(ui.inputDir), dir / "games/");
  EXPECT_EQ(form->settings().input.name, "x.pgn");
  EXPECT_EQ(form->settings().input.dir, dir / "games/");

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
  EXPECT_EQ(form->settings().output.dir, dir.path());
}

TEST_F(MainWindowTest, SeveralInputFilesOrAFolderShowTheirNumberAndRunIntoOneOutput) {
  const std::string game = "[Event \"A\"]\n\n1.e4 e5 1-0\n\n";
  fs::create_directories(dir / "games/sub");
  for (const char* name : {"a.pgn", "b.pgn", "games/c.pgn", "games/sub/d.pgn"})
    WriteFile(dir / name, game);
  StartActive();
  script.AnswerFiles({dir / "a.pgn", dir / "b.pgn"});
  ui.setInput->trigger();
  EXPECT_EQ(MainWindow::fileNameText(ui.inputName), "2 files");
  EXPECT_TRUE(ui.inputName->isReadOnly());
  EXPECT_EQ(ui.inputName->toolTip(), QStringLiteral("a.pgn\nb.pgn"));
  QTest::mouseClick(ui.run, Qt::LeftButton);
  WaitForScan();
  EXPECT_EQ(script.reports,
            std::vector<std::string>{"2 games read from 2 files\r2 games written to out.pgn\r"
                                     "a.pgn: 1 games read, 1 selected\r"
                                     "b.pgn: 1 games read, 1 selected"});

  // A folder, with its subfolders: the folder box shows it.
  script.AnswerFolder(FolderChoice{dir / "games/", true});
  Child<QAction>(*form, "SetInputFolder1")->trigger();
  EXPECT_EQ(script.log.back(), "folder: Set Input Folder|0");
  EXPECT_EQ(MainWindow::fileNameText(ui.inputName), "2 files");
  EXPECT_EQ(ui.inputName->toolTip(), QStringLiteral("c.pgn\nsub/d.pgn"));
  EXPECT_EQ(MainWindow::directoryHint(ui.inputDir), dir / "games/");
  EXPECT_TRUE(form->settings().inputFolder && form->settings().recursive);
  EXPECT_EQ(form->settings().input.name, "c.pgn");
  // A file added to the folder is counted once a run has read it; the run's output, written
  // into the folder, is no input of it.
  WriteFile(dir / "games/e.pgn", game);
  MainWindow::setDirectoryHint(ui.outputDir, dir / "games/");
  QTest::mouseClick(ui.run, Qt::LeftButton);
  WaitForScan();
  EXPECT_TRUE(fs::exists(dir / "games/out.pgn"));
  EXPECT_EQ(MainWindow::fileNameText(ui.inputName), "3 files");
  EXPECT_EQ(ui.inputName->toolTip(), QStringLiteral("c.pgn\ne.pgn\nsub/d.pgn"));
  // One file chosen again is one input, which may be typed.
  script.AnswerFiles({dir / "a.pgn"});
  ui.setInput->trigger();
  EXPECT_EQ(MainWindow::fileNameText(ui.inputName), "a.pgn");
  EXPECT_FALSE(ui.inputName->isReadOnly());
  EXPECT_FALSE(form->settings().inputFolder);
}

TEST_F(MainWindowTest, NamesFoldersAndEditorsAreSavedByteForByte) {
  fs::create_directory(dir / "my  games");
  WriteFile(dir / "my  games/in  1.pgn", "");
  const std::string editor = dir / "My  Editor/ed.sh";
  Seed([&](Settings& r) { r.editors[0] = editor; });
  Start();
  ui.inputName->setText("in  1.pgn");
  MainWindow::setDirectoryHint(ui.inputDir, dir / "my  games/");
  form->close();
  const Settings saved = Saved();
  EXPECT_EQ(saved.input.name, "in  1.pgn");
  EXPECT_EQ(saved.input.dir, dir / "my  games/");
  EXPECT_EQ(saved.editors[0], editor);
  // The next start finds the input file.
  form = std::make_unique<MainWindow>(std::vector<std::string>{}, Ini());
  ui.Find(*form);
  EXPECT_EQ(MainWindow::fileNameText(ui.inputName), "in  1.pgn");
  EXPECT_EQ(TextColour(ui.inputName), kBlack);
}

TEST_F(MainWindowTest, APathInANameFieldIsPartedBetweenTheFolderBoxAndTheField) {
  // Read from the settings file.
  Seed([this](Settings& s) { s.output.name = dir / "sub/out.pgn"; });
  StartActive();
  EXPECT_EQ(MainWindow::directoryHint(ui.outputDir), dir / "sub/");
  EXPECT_EQ(MainWindow::fileNameText(ui.outputName), "out.pgn");
  // Typed or pasted, and taken when the field is left: a relative one from the folder box.
  Seed([](Settings&) {});
  const std::pair<std::string, std::string> cases[] = {
      {"/elsewhere/games/in.pgn", "/elsewhere/games/"},
      {"sub/in.pgn", dir / "sub/"},
      {"in.pgn", dir.path()},
  };
  for (const auto& [typed, folder] : cases) {
    SCOPED_TRACE(typed);
    StartActive();
    Tab(ui.inputName);
    ui.inputName->clear();
    QTest::keyClicks(ui.inputName, QString::fromStdString(typed));
    Tab(ui.outputName);
    EXPECT_EQ(MainWindow::directoryHint(ui.inputDir), folder);
    EXPECT_EQ(MainWindow::fileNameText(ui.inputName), "in.pgn");
    EXPECT_EQ(form->settings().input.path(), folder + "in.pgn");
  }
}

// ---- The Run command ------------------------------------------------------------------

TEST_F(MainWindowTest, RunRefusesNamesThatNameNoFileBeforeOpeningAnything) {
  WriteFile(dir / "in.pgn", ReadFile(SourcePath("samples/classics.pgn")));
  fs::create_directory(dir / "folder.pgn");
  struct Case {
    const char* input;
    const char* output;
    bool split;
    std::string message;
    QLineEdit* Controls::*field;
  } cases[] = {
      {"in.pgn", "", false, "The output file has no name", &Controls::outputName},
      {"", "out.pgn", false, "The input file has no name", &Controls::inputName},
      {"folder.pgn", "out.pgn", false, "The input file " + dir / "folder.pgn" + " is a folder",
       &Controls::inputName},
      {"in.pgn", "folder.pgn", false, "The output file " + dir / "folder.pgn" + " is a folder",
       &Controls::outputName},
      {"in.pgn", "noext", true, "Split needs a file name with an extension, such as games.pgn",
       &Controls::outputName},
      {"in.pgn", "nodir/noext.pgn", true,
       "The folder " + dir / "nodir/" + " of the output file does not exist",
       &Controls::outputName},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    MainWindow& f = StartActive();
    ui.inputName->setText(c.input);
    ui.outputName->setText(c.output);
    if (c.split) ui.split->trigger();
    script.Clear();
    ui.runItem->trigger();
    EXPECT_EQ(script.messages, std::vector<std::string>{c.message});
    EXPECT_EQ(script.beeps, 1);
    EXPECT_EQ(f.focusWidget(), ui.*c.field);
    EXPECT_TRUE(script.reports.empty());
    EXPECT_TRUE(f.isVisible());  // the program goes on
    EXPECT_FALSE(Exists(dir / "noext"));
  }
}

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
  WaitForScan();
  EXPECT_EQ(MainWindow::fieldText(ui.condition1), "Nf3 < Bc4");
  EXPECT_EQ(form->settings().criteria.without, "..Bc5");
  EXPECT_EQ(RequiredSequence(form->settings().criteria), "e4 e5");
  EXPECT_EQ(ConditionWords(form->settings().criteria), "Nf3 Bc4");
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
  SaveSettings(f.settings(), Ini());
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
  WaitForScan();
  EXPECT_EQ(script.log.front(), "confirm: Overwrite out.pgn?");
  EXPECT_EQ(ReadFile(dir / "out.pgn"), "old");
  EXPECT_EQ(f.focusWidget(), ui.without);
  script.AnswerConfirm(DialogButton::Ok);
  QTest::keyClick(ui.without, Qt::Key_R, Qt::ControlModifier);
  WaitForScan();
  EXPECT_EQ(script.reports.size(), 1u);
  EXPECT_NE(ReadFile(dir / "out.pgn"), "old");
  EXPECT_EQ(f.focusWidget(), ui.without);
}

// ---- Tolerant reading -----------------------------------------------------------------

// A description in front of the tags and a note between two games: the usual reading stops
// on the first line.
const std::string kUntidy = "{ Games }\n[Event \"A\"]\n1.e4 e5 1-0\n\nnotes\n1.d4 *\n";

TEST_F(MainWindowTest, TolerantReadingIsAnOptionsItemKeptInTheSettings) {
  Start();
  auto* item = Child<QAction>(*form, "TolerantReading1");
  EXPECT_TRUE(Child<QMenu>(*form, "Options1")->actions().contains(item));
  EXPECT_EQ(item->text().toStdString(), "&Tolerant reading");
  EXPECT_TRUE(item->isCheckable());
  EXPECT_FALSE(item->isChecked());  // a settings file without the key
  item->trigger();
  EXPECT_TRUE(form->settings().tolerant);
  form.reset();  // closing saves
  EXPECT_TRUE(Saved().tolerant);
  EXPECT_NE(ReadFile(Ini()).find("\nTolerant=1\n"), std::string::npos);

  Seed([](Settings& s) { s.tolerant = true; });
  Start();
  item = Child<QAction>(*form, "TolerantReading1");
  EXPECT_TRUE(item->isChecked());
  item->trigger();
  form.reset();
  EXPECT_FALSE(Saved().tolerant);
}

TEST_F(MainWindowTest, RunWithTolerantReadingListsInALogBesideTheOutput) {
  WriteFile(dir / "in.pgn", kUntidy);
  Seed([](Settings& s) { s.tolerant = true; });
  StartActive();
  ui.runItem->trigger();
  WaitForScan();
  EXPECT_EQ(script.reports, std::vector<std::string>{"2 games read from in.pgn\r2 games written "
                                                     "to out.pgn\r2 lines skipped, listed in "
                                                     "out.pgn.log"});
  EXPECT_TRUE(script.messages.empty());
  EXPECT_EQ(ReadFile(dir / "out.pgn.log"),
            "line 1, game 1: skipped: { Games }\r\nline 5, game 2: skipped: notes\r\n");
  EXPECT_EQ(ReadFile(dir / "out.pgn"),
            "[Event \"A\"]\r\n\r\n1.e4 e5 1-0\r\n\r\n\r\n1.d4 *\r\n\r\n");
}

// ---- Duplicates ------------------------------------------------------------------------

TEST_F(MainWindowTest, DuplicatesAreOptionsItemsKeptInTheSettingsAndUsedByRun) {
  WriteFile(dir / "in.pgn",
            "[Event \"A\"]\n\n1.e4 e5 1-0\n\n[Event \"B\"]\n\n1. e4 {x} e5 1-0\n\n"
            "[Event \"C\"]\n\n1.e4 *\n");
  Start();
  auto* options = Child<QMenu>(*form, "Options1");
  auto* dups = Child<QAction>(*form, "Duplicates1");
  auto* prefix = Child<QAction>(*form, "DuplicatesPrefix1");
  EXPECT_TRUE(options->actions().contains(dups) && options->actions().contains(prefix));
  EXPECT_FALSE(dups->isChecked());
  dups->trigger();
  form.reset();  // closing saves
  EXPECT_TRUE(Saved().duplicates);
  EXPECT_FALSE(Saved().duplicatesPrefix);

  Seed([](Settings& s) { s.duplicates = true; });
  StartActive();
  EXPECT_TRUE(Child<QAction>(*form, "Duplicates1")->isChecked());
  EXPECT_NE(
      Child<QLabel>(*form, "SplitState")->text().toStdString().find("duplicates go to outdup.pgn"),
      std::string::npos);
  ui.runItem->trigger();
  WaitForScan();
  EXPECT_EQ(script.reports, std::vector<std::string>{"3 games read from in.pgn\r2 games written "
                                                     "to out.pgn\r1 duplicates written to "
                                                     "outdup.pgn"});
  EXPECT_EQ(ReadFile(dir / "outdup.pgn"),
            "[Event \"B\"]\r\n[DuplicateOf \"1\"]\r\n\r\n1. e4 {x} e5 1-0\r\n\r\n");

  // With the prefix rule the game that begins the first one is set aside too.
  script.reports.clear();
  script.AnswerConfirm(DialogButton::Ok);  // overwrite out.pgn
  Child<QAction>(*form, "DuplicatesPrefix1")->trigger();
  ui.runItem->trigger();
  WaitForScan();
  ASSERT_EQ(script.reports.size(), 1u);
  EXPECT_NE(script.reports[0].find("2 duplicates written to outdup.pgn"), std::string::npos);
}

TEST_F(MainWindowTest, TheInvalidPgnMessageNamesTheOptionOnItsSecondLine) {
  WriteFile(dir / "in.pgn", kUntidy);
  Start();
  ui.runItem->trigger();
  WaitForScan();
  ASSERT_GE(script.messages.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(script.messages.begin(), script.messages.begin() + 2),
            (std::vector<std::string>{"invalid PGN: { Games }\rTurn on Options > Tolerant reading "
                                      "to scan files like this one.",
                                      "Terminating error: trap 7365"}));
}

}  // namespace

namespace kelvane {

// The status bar says whether Split is on and which file the failing games go to, as the
// option and the output's name change.
TEST_F(MainWindowTest, StatusBarTellsWhereSplitSendsFailingGames) {
  StartActive();
  QLabel* state = Child<QLabel>(*form, "SplitState");
  struct Step {
    bool toggleSplit;
    const char* outputName;  // typed into the output name field; null: left as it is
    const char* shown;
  } steps[] = {
      {false, nullptr, "Split: off"},
      {true, nullptr, "Split: failing games go to out2.pgn"},
      {false, "games.2024.pgn", "Split: failing games go to games2.2024.pgn"},
      {false, "games", "Split: on; the output's name needs a \".\" to name the split file"},
      {true, "out.pgn", "Split: off"},
  };
  for (const Step& s : steps) {
    if (s.toggleSplit) ui.split->trigger();
    if (s.outputName) ui.outputName->setText(QString::fromUtf8(s.outputName));
    EXPECT_EQ(state->text().toStdString(), s.shown);
  }
}

}  // namespace kelvane
