// The window's launcher: the help window at the contents and at a topic, the message for
// a missing help file, and programs started detached.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <QtTest/QTest>
#include <cerrno>
#include <chrono>
#include <regex>
#include <set>
#include <thread>

#include "app/editor_chooser.h"
#include "app/help_viewer.h"
#include "app/qt_launcher.h"
#include "app_child.h"
#include "app_fakes.h"
#include "scripted_dialogs.h"
#include "test_support.h"

using namespace kelvane;

namespace {

class HelpTest : public ::testing::Test {
 protected:
  void SetUp() override { QtTestApp(); }
  void TearDown() override {
    CloseHelpWindow();
    SetHelpFileOverride("");
  }
  QtLauncher launcher;
};

TEST_F(HelpTest, HelpFileIsFoundFromTheBuildFolder) {
  const std::string path = FindHelpFile();
  ASSERT_FALSE(path.empty());
  EXPECT_TRUE(Exists(path));
  EXPECT_EQ(path.substr(path.size() - 12), "Kelvane.html");
}

TEST_F(HelpTest, ContentsThenTopic28ThenContentsAgainInOneWindow) {
  ScopedScriptedDialogs dialogs;
  const QUrl file = QUrl::fromLocalFile(QString::fromStdString(FindHelpFile()));

  launcher.ShowHelp(0);
  QCoreApplication::processEvents();
  HelpViewer* viewer = CurrentHelpWindow();
  ASSERT_NE(viewer, nullptr);
  EXPECT_TRUE(viewer->isVisible());
  EXPECT_EQ(viewer->windowTitle(), "Kelvane Help");
  EXPECT_EQ(viewer->Browser->source(), file);
  EXPECT_EQ(viewer->Browser->verticalScrollBar()->value(), 0);
  EXPECT_FALSE(viewer->Browser->document()->isEmpty());

  launcher.ShowHelp(28);
  QCoreApplication::processEvents();
  ASSERT_EQ(CurrentHelpWindow(), viewer);
  EXPECT_EQ(viewer->Browser->source().fragment().toStdString(), "topic28");
  EXPECT_EQ(viewer->Browser->source().adjusted(QUrl::RemoveFragment), file);
  // The anchor exists and lies well down the page, so the browser scrolled to it.
  EXPECT_GT(viewer->Browser->verticalScrollBar()->value(), 0);

  launcher.ShowHelp(0);
  QCoreApplication::processEvents();
  EXPECT_EQ(viewer->Browser->source(), file);
  EXPECT_EQ(viewer->Browser->verticalScrollBar()->value(), 0);
  EXPECT_TRUE(dialogs.log.empty());
}

TEST_F(HelpTest, FreshWindowOpensAtTopic28) {
  launcher.ShowHelp(28);
  QCoreApplication::processEvents();
  HelpViewer* viewer = CurrentHelpWindow();
  ASSERT_NE(viewer, nullptr);
  EXPECT_EQ(viewer->Browser->source().fragment().toStdString(), "topic28");
  EXPECT_GT(viewer->Browser->verticalScrollBar()->value(), 0);
}

TEST_F(HelpTest, MissingHelpFileIsReported) {
  ScopedScriptedDialogs dialogs;
  TempDir dir;
  SetHelpFileOverride(dir / "Kelvane.html");
  EXPECT_EQ(FindHelpFile(), "");
  launcher.ShowHelp(28);
  EXPECT_EQ(dialogs.messages,
            std::vector<std::string>{"The help file Kelvane.html could not be found."});
  EXPECT_EQ(CurrentHelpWindow(), nullptr);
}

TEST_F(HelpTest, HelpFromAModalChooserIsUsableAndOutlivesIt) {
  ScopedScriptedDialogs dialogs;
  auto* chooser = new EditorChooserDialog;
  HelpViewer* during = nullptr;
  QWidget* parentDuring = nullptr;
  QTimer::singleShot(0, chooser, [&] {
    launcher.ShowHelp(28);
    during = CurrentHelpWindow();
    parentDuring = during ? during->parentWidget() : nullptr;
    Child<QPushButton>(*chooser, "Button3")->click();  // Cancel
  });
  chooser->exec();
  ASSERT_NE(during, nullptr);
  // While the chooser is modal the help window belongs to it, so it is not blocked ...
  EXPECT_EQ(parentDuring, chooser);
  delete chooser;
  // ... and it stays open on its own when the chooser goes.
  ASSERT_EQ(CurrentHelpWindow(), during);
  EXPECT_EQ(during->parentWidget(), nullptr);
  EXPECT_TRUE(during->isVisible());
}

TEST(PlaceBeside, RightLeftAboveBelowThenNarrowedBesideElseCoveringTheParentLeast) {
  const QRect screen(0, 0, 1280, 1024);
  const QSize help(700, 650);
  struct Case {
    const char* where;
    QRect parent;
    QRect place;
  } cases[] = {
      {"right", {70, 156, 500, 120}, {570, 156, 700, 650}},
      {"left", {720, 100, 520, 120}, {20, 100, 700, 650}},
      {"right, pulled up onto the screen", {70, 900, 500, 120}, {570, 374, 700, 650}},
      {"right of a parent partly off the screen", {-200, -50, 400, 300}, {200, 0, 700, 650}},
      {"above", {300, 800, 700, 120}, {300, 150, 700, 650}},
      {"below", {300, 10, 700, 120}, {300, 130, 700, 650}},
      {"narrowed to the right of a centred parent", {355, 265, 569, 370}, {924, 265, 356, 650}},
      {"narrowed to the left, which has more room", {500, 100, 600, 700}, {0, 100, 500, 650}},
      {"narrowed to the left, pulled onto the screen", {400, 600, 880, 424}, {0, 374, 400, 650}},
      // Less than half the width beside it: at the screen's corner that covers it least.
      {"over it, covering the least", {300, 300, 700, 400}, {0, 374, 700, 650}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.where);
    EXPECT_EQ(PlaceBeside(c.parent, help, screen), c.place);
  }
  // A help window larger than the screen is cut to it (and here narrowed beside the parent).
  EXPECT_EQ(PlaceBeside({10, 10, 100, 100}, help, QRect(0, 0, 800, 600)), QRect(110, 0, 690, 600));
}

TEST_F(HelpTest, HelpFromTheChooserOpensOnScreenAndEscapeClosesIt) {
  ScopedScriptedDialogs dialogs;
  auto* chooser = new EditorChooserDialog;
  HelpViewer* viewer = nullptr;
  QRect place;
  bool closedByEscape = false;
  QTimer::singleShot(0, chooser, [&] {
    launcher.ShowHelp(28);  // as F1 in the chooser asks
    viewer = CurrentHelpWindow();
    if (viewer) {
      place = viewer->frameGeometry();
      QTest::keyClick(viewer->Browser, Qt::Key_Escape);
      closedByEscape = !viewer->isVisible();
    }
    Child<QPushButton>(*chooser, "Button3")->click();  // Cancel
  });
  chooser->exec();
  ASSERT_NE(viewer, nullptr);
  const QRect screen = chooser->screen()->availableGeometry();
  EXPECT_TRUE(screen.contains(place))
      << place.x() << "," << place.y() << " " << place.width() << "x" << place.height();
  EXPECT_TRUE(closedByEscape);
  delete chooser;

  // Opened again later, from no window: on screen again, in its middle.
  launcher.ShowHelp(0);
  ASSERT_EQ(CurrentHelpWindow(), viewer);
  EXPECT_TRUE(viewer->isVisible());
  EXPECT_TRUE(screen.contains(viewer->frameGeometry()));
  EXPECT_NEAR(viewer->frameGeometry().center().x(), screen.center().x(), 1);
}

TEST_F(HelpTest, EveryLinkInTheHelpFileHasItsAnchor) {
  const std::string html = ReadFile(SourcePath("help/Kelvane.html"));
  std::set<std::string> names;
  const std::regex name(R"(name="([^"]+)\")");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), name); it != std::sregex_iterator();
       ++it) {
    names.insert((*it)[1]);
  }
  EXPECT_TRUE(names.count("topic28"));
  const std::regex link(R"(href="#([^"]+)\")");
  int links = 0;
  for (auto it = std::sregex_iterator(html.begin(), html.end(), link); it != std::sregex_iterator();
       ++it, ++links) {
    EXPECT_TRUE(names.count((*it)[1])) << "no anchor for #" << (*it)[1];
  }
  EXPECT_GT(links, 10);
}

// A stand-in editor: records its argument and its working directory.
std::string WriteRecordingEditor(const TempDir& dir) {
  const std::string script = dir / "editor";
  WriteFile(script, "#!/bin/sh\nprintf '%s\\n' \"$1\" > \"" + dir.path() +
                        "record.tmp\"\npwd >> \"" + dir.path() + "record.tmp\"\nmv \"" +
                        dir.path() + "record.tmp\" \"" + dir.path() + "record\"\n");
  ::chmod(script.c_str(), 0755);
  return script;
}

bool WaitForFile(const std::string& path) {
  for (int i = 0; i < 200 && !Exists(path); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  return Exists(path);
}

TEST_F(HelpTest, StartedProgramGetsTheArgumentAndWorkingDirectory) {
  TempDir tools, output;
  const std::string editor = WriteRecordingEditor(tools);
  const std::string outputFile = output / "Najdorf games.pgn";
  WriteFile(outputFile, "");
  EXPECT_EQ(launcher.StartProgram(editor, outputFile, output.path()), 0);
  ASSERT_TRUE(WaitForFile(tools / "record"));
  std::string dir = output.path();
  dir.pop_back();  // pwd prints no trailing "/"
  EXPECT_EQ(ReadFile(tools / "record"), outputFile + "\n" + dir + "\n");
}

TEST_F(HelpTest, ProgramsThatCannotStartGiveTheirErrorNumber) {
  TempDir dir;
  const std::string noExec = dir / "plain";
  WriteFile(noExec, "#!/bin/sh\nexit 0\n");
  ::chmod(noExec.c_str(), 0644);
  const std::string textFile = dir / "notes.txt";
  WriteFile(textFile, "just some notes\n");
  ::chmod(textFile.c_str(), 0755);
  const std::string badInterpreter = dir / "broken";
  WriteFile(badInterpreter, "#!/no/such/interpreter\n");
  ::chmod(badInterpreter.c_str(), 0755);

  struct Case {
    std::string program, workingDir;
    int error;
  };
  const Case cases[] = {
      {noExec, dir.path(), EACCES},
      {textFile, dir.path(), ENOEXEC},
      {badInterpreter, dir.path(), ENOENT},
      {dir.path(), dir.path(), EACCES},
      {"/bin/true", dir / "no-such-dir/", ENOENT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.program + " in " + c.workingDir);
    EXPECT_EQ(launcher.StartProgram(c.program, "x.pgn", c.workingDir), c.error);
  }
}

}  // namespace
