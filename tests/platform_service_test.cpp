#include <gtest/gtest.h>

#include "platform/console_dialogs.h"
#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/launcher.h"
#include "platform/service.h"
#include "scripted_dialogs.h"

using namespace kelvane;

namespace {

struct Tool {
  virtual ~Tool() = default;
};
struct DefaultTool : Tool {
  DefaultTool() { ++made; }
  static inline int made = 0;
};
using Tools = Service<Tool, DefaultTool>;

TEST(Service, DefaultUntilInstalledAndBackAfterNull) {
  Tool& fallback = Tools::Get();
  EXPECT_NE(dynamic_cast<DefaultTool*>(&fallback), nullptr);
  Tool installed;
  Tools::Set(&installed);
  EXPECT_EQ(&Tools::Get(), &installed);
  Tools::Set(nullptr);
  EXPECT_EQ(&Tools::Get(), &fallback);  // the one default, made once and kept
  EXPECT_EQ(DefaultTool::made, 1);
}

class NoLauncher : public Launcher {
 public:
  int StartProgram(const std::string&, const std::string&, const std::string&) override {
    return 0;
  }
  void ShowHelp(int) override {}
};

// Each of the three keeps its own installed object, and nullptr brings back its default.
TEST(Service, DialogsFileSystemAndLauncherAreSeparate) {
  Dialogs& defaultDialogs = dialogs();
  FileSystem& defaultFileSystem = fileSystem();
  Launcher& defaultLauncher = launcher();
  EXPECT_NE(dynamic_cast<ConsoleDialogs*>(&defaultDialogs), nullptr);
  EXPECT_NE(dynamic_cast<PosixFileSystem*>(&defaultFileSystem), nullptr);

  ScriptedDialogs d;
  PosixFileSystem fs;
  NoLauncher l;
  SetDialogs(&d);
  EXPECT_EQ(&dialogs(), &d);
  EXPECT_EQ(&fileSystem(), &defaultFileSystem);
  EXPECT_EQ(&launcher(), &defaultLauncher);
  SetFileSystem(&fs);
  SetLauncher(&l);
  EXPECT_EQ(&dialogs(), &d);
  EXPECT_EQ(&fileSystem(), &fs);
  EXPECT_EQ(&launcher(), &l);

  SetDialogs(nullptr);
  SetFileSystem(nullptr);
  SetLauncher(nullptr);
  EXPECT_EQ(&dialogs(), &defaultDialogs);
  EXPECT_EQ(&fileSystem(), &defaultFileSystem);
  EXPECT_EQ(&launcher(), &defaultLauncher);
}

}  // namespace
