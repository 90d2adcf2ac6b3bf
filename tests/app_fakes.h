// Helpers for the window tests: the one QApplication on the offscreen platform, and a
// launcher that records what the windows ask of the desktop.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <string>
#include <vector>

#include "platform/launcher.h"

namespace kelvane {

// The one application of a test program: created before the first test and destroyed
// after the last, while the program is still running (a QApplication destroyed among the
// static objects at exit crashes).
class QtTestEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { QtTestApp(); }
  void TearDown() override {
    delete app_;
    app_ = nullptr;
  }
  static QApplication& QtTestApp() {
    if (!app_) {
      static int argc = 1;
      static char name[] = "kelvane_test";
      static char* argv[] = {name, nullptr};
      if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
      app_ = new QApplication(argc, argv);
    }
    return *app_;
  }

 private:
  static inline QApplication* app_ = nullptr;
};

inline const bool kQtTestEnvironmentAdded =
    (::testing::AddGlobalTestEnvironment(new QtTestEnvironment), true);

// The application (offscreen unless a platform was chosen).
inline QApplication& QtTestApp() {
  return QtTestEnvironment::QtTestApp();
}

struct StartRecord {
  std::string program, argument, workingDir;
};

// Records every start and help request; installed for its lifetime.
class RecordingLauncher : public Launcher {
 public:
  RecordingLauncher() { SetLauncher(this); }
  ~RecordingLauncher() override { SetLauncher(nullptr); }
  RecordingLauncher(const RecordingLauncher&) = delete;
  RecordingLauncher& operator=(const RecordingLauncher&) = delete;

  std::vector<StartRecord> starts;
  std::vector<int> helpTopics;
  int startResult = 0;  // what StartProgram answers

  int StartProgram(const std::string& program, const std::string& argument,
                   const std::string& workingDir) override {
    starts.push_back({program, argument, workingDir});
    return startResult;
  }
  void ShowHelp(int topic) override { helpTopics.push_back(topic); }
};

}  // namespace kelvane
