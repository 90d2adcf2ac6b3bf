// The main window's test fixture, shared by the window's test programs: the one
// KelvaneApplication of the program, the window's controls found by their object names,
// and a window started from a settings file written for each test.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QtTest/QTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/kelvane_application.h"
#include "app/main_window.h"
#include "app_child.h"
#include "platform/file_system.h"
#include "scripted_dialogs.h"
#include "settings/settings.h"
#include "test_support.h"

namespace kelvane {

// The one application of a window test program, with the window's error catching; created
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
      static char name[] = "kelvane_window_test";
      static char* argv[] = {name, nullptr};
      if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
      app_ = new KelvaneApplication(argc, argv);
    }
    return *app_;
  }

 private:
  static inline KelvaneApplication* app_ = nullptr;
};
inline const bool kKelvaneAppEnvironmentAdded =
    (::testing::AddGlobalTestEnvironment(new KelvaneAppEnvironment), true);

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
    Seed([](Settings&) {});
  }
  void TearDown() override {
    form.reset();
    SetFileSystem(nullptr);
  }

  std::string Ini() const { return dir / "kelvane.ini"; }
  // The settings file the windows started from now on use (the default: Ini()).
  void UseSettingsFile(const std::string& path) { settingsPath_ = path; }
  // What the settings file holds now.
  Settings Saved() const {
    Settings s;
    LoadSettings(s, Ini());
    return s;
  }

  // Writes the settings file: both files and every directory in the temporary folder, no
  // criteria, then whatever change sets. Every start begins from this file again.
  void Seed(const std::function<void(Settings&)>& change) {
    seed_ = change;
    WriteSeed();
  }
  void WriteSeed() {
    Settings s;
    s.startUpDir = s.input.dir = s.output.dir = dir.path();
    s.input.name = "in.pgn";
    s.output.name = "out.pgn";
    s.criteria.conditionRanges[0] = {1, 15};
    s.criteria.mustContainRange = {1, 15};
    s.criteria.withoutRange = {1, 15};
    seed_(s);
    SaveSettings(s, Ini());
  }

  MainWindow& Start(std::vector<std::string> args = {}) {
    form.reset();  // saves its settings on the way out
    WriteSeed();
    form = std::make_unique<MainWindow>(std::move(args), settingsPath_);
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
  // Waits until the scan started by a Run has finished (a minute at the most).
  void WaitForScan() {
    QElapsedTimer waited;
    waited.start();
    while (form->scanning() && waited.elapsed() < 60000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_FALSE(form->scanning());
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
  std::function<void(Settings&)> seed_;
  std::string settingsPath_ = Ini();
};

}  // namespace kelvane
