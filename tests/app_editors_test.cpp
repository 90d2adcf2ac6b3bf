// The Edit menu's output editors: choosing an editor the first time, keeping the choice in
// the settings file, and starting the editor on the output file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "app/about_dialog.h"
#include "app/editor_chooser.h"
#include "app/main_window.h"
#include "app/qt_launcher.h"
#include "app_child.h"
#include "app_fakes.h"
#include "scripted_dialogs.h"
#include "settings/settings.h"
#include "test_support.h"

using namespace kelvane;

namespace {

// True when text holds line as a whole line (ended by LF or CR LF).
bool HasLine(const std::string& text, const std::string& line) {
  size_t at = 0;
  while ((at = text.find(line, at)) != std::string::npos) {
    const bool starts = at == 0 || text[at - 1] == '\n';
    const size_t end = at + line.size();
    if (starts && (end == text.size() || text[end] == '\n' || text[end] == '\r')) return true;
    ++at;
  }
  return false;
}

// What the test saw of the chooser while it was open.
struct ChooserSeen {
  bool opened = false;
  std::string caption;
  std::string path;
};

class EditorsTest : public ::testing::Test {
 protected:
  void SetUp() override { QtTestApp(); }
  std::string Ini() const { return dir / "kelvane.ini"; }

  // Settings that name the output file out.pgn in the output folder and the two editors.
  void WriteSettings(const std::string& editor1, const std::string& editor2) {
    WriteFile(dir / "kelvane.ini", "[Strings]\r\n2=out.pgn\r\n4=" + output.path() +
                                       "\r\n5=" + editor1 + "\r\n6=" + editor2 + "\r\n");
  }
  std::string Settings() { return ReadFile(dir / "kelvane.ini"); }

  // When the chooser opens, records it, lets act fill it in, then presses OK or Cancel.
  void WhenChooserOpens(MainWindow& form, ChooserSeen& seen, bool ok,
                        std::function<void(EditorChooserDialog*)> act = {}) {
    QTimer::singleShot(0, &form, [&seen, ok, act] {
      auto* chooser = qobject_cast<EditorChooserDialog*>(QApplication::activeModalWidget());
      if (!chooser) return;
      seen.opened = true;
      seen.caption = chooser->windowTitle().toStdString();
      seen.path = Child<QLineEdit>(*chooser, "Edit1")->text().toStdString();
      if (act) act(chooser);
      Child<QPushButton>(*chooser, ok ? "Button2" : "Button3")->click();  // OK or Cancel
    });
  }

  TempDir dir;
  TempDir output;
  ScopedScriptedDialogs dialogs;
};

TEST_F(EditorsTest, FirstUseOpensTheChooserAndOkStoresAndSaves) {
  WriteSettings("", "");
  MainWindow form({}, Ini());
  ChooserSeen seen;
  WhenChooserOpens(form, seen, true, [](EditorChooserDialog* c) {
    Child<QLineEdit>(*c, "Edit1")->setText("/usr/local/bin/my editor");
  });
  Child<QAction>(form, "OutputEditor11")->trigger();
  EXPECT_TRUE(seen.opened);
  EXPECT_EQ(seen.caption, "Output Editor 1");
  EXPECT_EQ(seen.path, "");
  EXPECT_EQ(form.settings().editors[0], "/usr/local/bin/my editor");
  EXPECT_TRUE(HasLine(Settings(), "5=/usr/local/bin/my editor")) << Settings();
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(EditorsTest, CancelStoresNothingAndSavesNothing) {
  WriteSettings("", "");
  const std::string before = Settings();
  MainWindow form({}, Ini());
  ChooserSeen seen;
  WhenChooserOpens(form, seen, false, [](EditorChooserDialog* c) {
    Child<QLineEdit>(*c, "Edit1")->setText("/usr/bin/kate");
  });
  Child<QAction>(form, "OutputEditor21")->trigger();
  EXPECT_TRUE(seen.opened);
  EXPECT_EQ(seen.caption, "Output Editor 2");
  EXPECT_EQ(form.settings().editors[1], "");
  EXPECT_EQ(Settings(), before);
}

TEST_F(EditorsTest, ExistingEditorWithoutOutputFileOpensTheChooserFilledIn) {
  TempDir tools;
  const std::string editor = tools / "editor";
  WriteFile(editor, "#!/bin/sh\n");
  ::chmod(editor.c_str(), 0755);
  WriteSettings("", editor);  // out.pgn does not exist yet
  RecordingLauncher launcher;
  MainWindow form({}, Ini());
  ChooserSeen seen;
  WhenChooserOpens(form, seen, true);
  Child<QAction>(form, "OutputEditor21")->trigger();
  EXPECT_TRUE(seen.opened);
  EXPECT_EQ(seen.path, editor);
  EXPECT_EQ(form.settings().editors[1], editor);
  EXPECT_TRUE(HasLine(Settings(), "6=" + editor)) << Settings();
  EXPECT_TRUE(launcher.starts.empty());
}

TEST_F(EditorsTest, ExistingEditorAndOutputStartTheEditorOnTheOutputFile) {
  TempDir tools;
  const std::string editor = tools / "editor";
  WriteFile(editor, "#!/bin/sh\nprintf '%s\\n' \"$1\" > \"" + tools.path() + "r.tmp\"\npwd >> \"" +
                        tools.path() + "r.tmp\"\nmv \"" + tools.path() + "r.tmp\" \"" +
                        tools.path() + "record\"\n");
  ::chmod(editor.c_str(), 0755);
  WriteFile(output / "out.pgn", "[Event \"x\"]\r\n\r\n1.e4 *\r\n\r\n");
  WriteSettings(editor, "");
  const std::string before = Settings();
  QtLauncher launcher;
  SetLauncher(&launcher);
  {
    MainWindow form({}, Ini());
    ChooserSeen seen;
    WhenChooserOpens(form, seen, false);
    Child<QAction>(form, "OutputEditor11")->trigger();
    QCoreApplication::processEvents();
    EXPECT_FALSE(seen.opened);
    EXPECT_EQ(Settings(), before);  // nothing is saved after a launch
  }
  SetLauncher(nullptr);
  for (int i = 0; i < 200 && !Exists(tools / "record"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  std::string outDir = output.path();
  outDir.pop_back();
  EXPECT_EQ(ReadFile(tools / "record"), output / "out.pgn" + "\n" + outDir + "\n");
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(EditorsTest, EditorThatIsNoProgramSaysSo) {
  TempDir tools;
  WriteFile(output / "out.pgn", "");
  struct Case {
    const char* name;
    const char* text;  // nullptr: no such file, typed into the chooser
    int mode;
  };
  const Case cases[] = {
      {"readme.txt", "not a program\n", 0644},    // EACCES
      {"notes", "not a program either\n", 0755},  // ENOEXEC
      {"missing", nullptr, 0},                    // ENOENT
  };
  QtLauncher launcher;
  SetLauncher(&launcher);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string editor = tools / c.name;
    if (c.text) {
      WriteFile(editor, c.text);
      ::chmod(editor.c_str(), c.mode);
    }
    WriteSettings(c.text ? editor : "", "");
    dialogs.Clear();
    MainWindow form({}, Ini());
    ChooserSeen seen;
    WhenChooserOpens(form, seen, true, [&](EditorChooserDialog* d) {
      Child<QLineEdit>(*d, "Edit1")->setText(QString::fromStdString(editor));
    });
    Child<QAction>(form, "OutputEditor11")->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(seen.opened, c.text == nullptr);
    EXPECT_EQ(dialogs.messages,
              std::vector<std::string>{editor + " is not a program that can be run"});
    EXPECT_EQ(form.settings().editors[0], editor);
  }
  SetLauncher(nullptr);
}

TEST_F(EditorsTest, LaunchPassesTheOutputPathAndFolder) {
  TempDir tools;
  const std::string editor = tools / "editor";
  WriteFile(editor, "#!/bin/sh\n");
  ::chmod(editor.c_str(), 0755);
  WriteFile(output / "out.pgn", "");
  WriteSettings("", editor);
  RecordingLauncher launcher;
  MainWindow form({}, Ini());
  Child<QAction>(form, "OutputEditor21")->trigger();
  ASSERT_EQ(launcher.starts.size(), 1u);
  EXPECT_EQ(launcher.starts[0].program, editor);
  EXPECT_EQ(launcher.starts[0].argument, output / "out.pgn");
  EXPECT_EQ(launcher.starts[0].workingDir, output.path());
}

TEST_F(EditorsTest, OptionsMenuOpensTheChooserWhileEditorAndOutputExist) {
  TempDir tools;
  const std::string editor = tools / "editor";
  const std::string other = tools / "other";
  for (const std::string& program : {editor, other}) {
    WriteFile(program, "#!/bin/sh\n");
    ::chmod(program.c_str(), 0755);
  }
  WriteFile(output / "out.pgn", "");
  WriteSettings(editor, editor);
  RecordingLauncher launcher;
  MainWindow form({}, Ini());
  struct Case {
    const char* item;
    const char* caption;
    bool ok;
    int slot;
    std::string stored;
  } cases[] = {
      {"ChooseEditor11", "Output Editor 1", true, 0, other},
      {"ChooseEditor21", "Output Editor 2", false, 1, editor},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.item);
    const std::string before = Settings();
    ChooserSeen seen;
    WhenChooserOpens(form, seen, c.ok, [&](EditorChooserDialog* d) {
      Child<QLineEdit>(*d, "Edit1")->setText(QString::fromStdString(other));
    });
    Child<QAction>(form, c.item)->trigger();
    EXPECT_TRUE(seen.opened);
    EXPECT_EQ(seen.caption, c.caption);
    EXPECT_EQ(seen.path, editor);
    EXPECT_EQ(form.settings().editors[c.slot], c.stored);
    if (c.ok)
      EXPECT_TRUE(HasLine(Settings(), "5=" + other)) << Settings();
    else
      EXPECT_EQ(Settings(), before);
  }
  EXPECT_TRUE(launcher.starts.empty());
}

TEST_F(EditorsTest, RelativeEditorPathIsTakenFromTheCurrentFolder) {
  TempDir here;
  ::mkdir((here / "bin").c_str(), 0755);
  WriteFile(here / "bin/ed.sh", "#!/bin/sh\n");
  ::chmod((here / "bin/ed.sh").c_str(), 0755);
  WriteFile(output / "out.pgn", "");
  const std::string previous = std::filesystem::current_path();
  ASSERT_EQ(::chdir(here.path().c_str()), 0);
  const std::string absolute = std::filesystem::current_path() / "bin/ed.sh";
  WriteSettings("bin/ed.sh", "");
  RecordingLauncher launcher;
  {
    // Loaded: started under its absolute path, although it starts in the output folder.
    MainWindow form({}, Ini());
    EXPECT_EQ(form.settings().editors[0], absolute);
    Child<QAction>(form, "OutputEditor11")->trigger();
    ASSERT_EQ(launcher.starts.size(), 1u);
    EXPECT_EQ(launcher.starts[0].program, absolute);
    // Chosen: stored and saved absolute.
    ChooserSeen seen;
    WhenChooserOpens(form, seen, true, [](EditorChooserDialog* d) {
      Child<QLineEdit>(*d, "Edit1")->setText("bin/ed.sh");
    });
    Child<QAction>(form, "ChooseEditor21")->trigger();
    EXPECT_EQ(form.settings().editors[1], absolute);
    EXPECT_TRUE(HasLine(Settings(), "6=" + absolute)) << Settings();
  }
  ASSERT_EQ(::chdir(previous.c_str()), 0);
}

TEST_F(EditorsTest, HelpMenuOpensContentsAndAFreshAboutBoxEachTime) {
  WriteSettings("", "");
  RecordingLauncher launcher;
  MainWindow form({}, Ini());
  Child<QAction>(form, "Contents1")->trigger();
  EXPECT_EQ(launcher.helpTopics, std::vector<int>{0});
  for (int opening = 1; opening <= 2; ++opening) {
    SCOPED_TRACE(opening);
    std::string version;
    QTimer::singleShot(0, &form, [&version] {
      auto* box = qobject_cast<AboutDialog*>(QApplication::activeModalWidget());
      if (!box) return;
      version = Child<QLabel>(*box, "Version")->text().toStdString();
      Child<QPushButton>(*box, "Button1")->click();  // OK
    });
    Child<QAction>(form, "About1")->trigger();
    EXPECT_EQ(version, "Version 1.0");
    EXPECT_EQ(form.findChildren<AboutDialog*>().size(), 0);  // destroyed after closing
  }
}

}  // namespace
