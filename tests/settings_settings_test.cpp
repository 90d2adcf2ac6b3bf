// The settings record, its defaults, the settings file's place, load and save.
#include "settings/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <stdexcept>

#include "platform/file_system.h"
#include "scripted_dialogs.h"
#include "test_support.h"

using namespace kelvane;

namespace {

const char* const kNajdorf = "1.e4 c5 2.Nf3 d6 3.d4 cxd4 4.Nxd4 Nf6 5.Nc3 a6 6.f4";

class TestFileSystem : public PosixFileSystem {
 public:
  std::string programPath;
  std::string currentDir;
  bool programDirWritable = true;

  std::string ProgramPath() override { return programPath; }
  std::string CurrentDir() override { return currentDir; }
  bool DirWritable(const std::string&) override { return programDirWritable; }
};

// Sets or clears an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() {
    fs.programPath = programDir / "kelvane";
    fs.currentDir = "/home/player/games";
    SetFileSystem(&fs);
    SetIniFileOverride("");
    IniValues.Reset();
  }
  ~SettingsTest() override {
    SetFileSystem(nullptr);
    SetIniFileOverride("");
    IniValues.Reset();
  }

  // The start of the window: reset, Notation mode, load.
  void Start() {
    IniValues.Reset();
    IniValues.RadNota = true;
    LoadSettings();
  }
  std::string IniPath() const { return programDir / "kelvane.ini"; }
  void ExpectDefaults() {
    for (int i = 0; i < 12; ++i) EXPECT_EQ(IniValues.Strings[i], StringDefault(i)) << i;
    for (int i = 0; i < 10; ++i) EXPECT_EQ(IniValues.Integers[i], IntegerDefault(i)) << i;
    EXPECT_TRUE(IniValues.RadNota);
    EXPECT_FALSE(IniValues.Split);
  }

  TempDir programDir;
  TestFileSystem fs;
  ScopedScriptedDialogs dialogs;
};

TEST_F(SettingsTest, ResetEmptiesEveryField) {
  for (auto& s : IniValues.Strings) s = "x";
  for (auto& n : IniValues.Integers) n = 7;
  IniValues.RadNota = IniValues.Split = true;
  IniValues.ReqSequence = IniValues.CondWords = "e4";
  IniValues.MovesLeft = "e4";
  IniValues.Reset();
  for (auto& s : IniValues.Strings) EXPECT_EQ(s, "");
  for (auto& n : IniValues.Integers) EXPECT_EQ(n, 0);
  EXPECT_FALSE(IniValues.RadNota);
  EXPECT_FALSE(IniValues.Split);
  EXPECT_EQ(IniValues.ReqSequence, "");
  EXPECT_EQ(IniValues.CondWords, "");
  EXPECT_TRUE(IniValues.MovesLeft.empty());
}

TEST_F(SettingsTest, Defaults) {
  const std::string here = "/home/player/games/";
  const std::string strings[12] = {
      here, "Main.pgn", "Extract.pgn", here, here, "", "", "Kh1 < Qe1", "", "", kNajdorf, "..e6"};
  const int32_t integers[10] = {1, 15, 0, 0, 0, 0, 1, 15, 1, 15};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(StringDefault(i), strings[i]) << i;
  for (int i = 0; i < 10; ++i) EXPECT_EQ(IntegerDefault(i), integers[i]) << i;
  EXPECT_TRUE(dialogs.messages.empty());

  fs.currentDir = "/";
  EXPECT_EQ(StringDefault(0), "/");

  EXPECT_EQ(StringDefault(12), "");
  EXPECT_EQ(StringDefault(-1), "");
  EXPECT_EQ(IntegerDefault(10), 0);
  EXPECT_EQ(IntegerDefault(-1), 0);
  EXPECT_EQ(dialogs.messages,
            (std::vector<std::string>{
                "uninitialized string (IniUnit)", "uninitialized string (IniUnit)",
                "Uninitialized integer (IniUnit)", "Uninitialized integer (IniUnit)"}));
}

TEST_F(SettingsTest, FileName) {
  TempDir config;
  ScopedEnv xdg("XDG_CONFIG_HOME", config.path().c_str());
  EXPECT_EQ(IniFileName(), programDir / "kelvane.ini");
  fs.programPath = programDir / "kelvane.bin";
  EXPECT_EQ(IniFileName(), programDir / "kelvane.ini");

  fs.programDirWritable = false;
  EXPECT_EQ(IniFileName(), config / "kelvane/kelvane.ini");
  {
    ScopedEnv unset("XDG_CONFIG_HOME", nullptr);
    ScopedEnv home("HOME", "/home/player");
    EXPECT_EQ(IniFileName(), "/home/player/.config/kelvane/kelvane.ini");
    ScopedEnv relative("XDG_CONFIG_HOME", "conf");
    EXPECT_EQ(IniFileName(), "/home/player/.config/kelvane/kelvane.ini");
  }
  SetIniFileOverride("/elsewhere/my.ini");
  EXPECT_EQ(IniFileName(), "/elsewhere/my.ini");
}

TEST_F(SettingsTest, FirstStartLoadsDefaultsAndSaveCreatesTheFile) {
  Start();
  ExpectDefaults();
  EXPECT_TRUE(dialogs.log.empty());

  IniValues.Split = true;
  IniValues.ReqSequence = "e4 c5";
  IniValues.CondWords = "Kh1 Qe1";
  IniValues.MovesLeft = "c5";
  SaveSettings();
  EXPECT_EQ(ReadFile(IniPath()),
            "[Strings]\n"
            "0=/home/player/games/\n1=Main.pgn\n2=Extract.pgn\n3=/home/player/games/\n"
            "4=/home/player/games/\n5=\n6=\n7=Kh1 < Qe1\n8=\n9=\n10=" +
                std::string(kNajdorf) +
                "\n11=..e6\n"
                "[Integers]\n"
                "0=1\n1=15\n2=0\n3=0\n4=0\n5=0\n6=1\n7=15\n8=1\n9=15\n"
                "[Booleans]\n"
                "RadNota=1\n");
  Start();
  ExpectDefaults();
}

TEST_F(SettingsTest, LoadingEdgeCases) {
  struct {
    const char* name;
    const char* file;
    void (*check)();
  } cases[] = {
      {"RadNota 0", "[Booleans]\nRadNota=0\n", [] { EXPECT_FALSE(IniValues.RadNota); }},
      {"RadNota 7", "[Booleans]\nRadNota=7\n", [] { EXPECT_TRUE(IniValues.RadNota); }},
      {"RadNota yes", "[Booleans]\nRadNota=yes\n", [] { EXPECT_TRUE(IniValues.RadNota); }},
      {"RadNota empty", "[booleans]\nradnota=\n", [] { EXPECT_TRUE(IniValues.RadNota); }},
      {"integer non-numeric", "[Integers]\n3=abc\n", [] { EXPECT_EQ(IniValues.Integers[3], 0); }},
      {"integer empty", "[Integers]\n2=\n", [] { EXPECT_EQ(IniValues.Integers[2], 0); }},
      {"integer leading digits", "[Integers]\n1=12abc\n",
       [] { EXPECT_EQ(IniValues.Integers[1], 15); }},
      {"integer hex", "[Integers]\n1=0x1A\n", [] { EXPECT_EQ(IniValues.Integers[1], 26); }},
      {"integer negative", "[Integers]\n9=-3\n", [] { EXPECT_EQ(IniValues.Integers[9], -3); }},
      {"string present empty", "[Strings]\n1=\n", [] { EXPECT_EQ(IniValues.Strings[1], ""); }},
      {"string missing", "[Strings]\n2=x\n", [] { EXPECT_EQ(IniValues.Strings[1], "Main.pgn"); }},
      {"string quoted", "[STRINGS]\n7=\" a < b \"\n",
       [] { EXPECT_EQ(IniValues.Strings[7], " a < b "); }},
      {"first of repeated section", "[Strings]\n1=a.pgn\n[Strings]\n1=b.pgn\n2=c.pgn\n",
       [] {
         EXPECT_EQ(IniValues.Strings[1], "a.pgn");
         EXPECT_EQ(IniValues.Strings[2], "Extract.pgn");
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(IniPath(), c.file);
    Start();
    c.check();
  }
  EXPECT_TRUE(dialogs.log.empty());
}

TEST_F(SettingsTest, RoundTrips) {
  Start();
  IniValues.Strings[10] = std::string(3000, 'e');
  IniValues.Strings[5] = "";
  IniValues.Strings[8] = "'quoted'";
  IniValues.Integers[2] = -3;
  IniValues.Integers[3] = INT32_MIN;
  IniValues.RadNota = false;
  SaveSettings();
  EXPECT_NE(ReadFile(IniPath()).find("\n2=-3\n"), std::string::npos);

  Start();
  EXPECT_EQ(IniValues.Strings[10], std::string(2047, 'e'));
  EXPECT_EQ(IniValues.Strings[5], "");
  EXPECT_EQ(IniValues.Strings[8], "'quoted'");
  EXPECT_EQ(IniValues.Integers[2], -3);
  EXPECT_EQ(IniValues.Integers[3], INT32_MIN);
  EXPECT_FALSE(IniValues.RadNota);
}

TEST_F(SettingsTest, StartUpDirectoryStaysWhenStartedElsewhere) {
  Start();
  SaveSettings();
  fs.currentDir = "/mnt/other";
  Start();
  EXPECT_EQ(IniValues.Strings[0], "/home/player/games/");
  EXPECT_EQ(IniValues.Strings[3], "/home/player/games/");

  // Only the defaults of missing keys follow the current directory.
  WriteFile(IniPath(), "[Strings]\n1=x.pgn\n");
  Start();
  EXPECT_EQ(IniValues.Strings[0], "/mnt/other/");
}

TEST_F(SettingsTest, SaveKeepsWhatItDoesNotKnow) {
  WriteFile(IniPath(),
            "[Window]\r\nLeft=10\r\n[Strings]\r\n1=old.pgn\r\nNote=mine\r\n[Booleans]\r\n"
            "RadNota=0\r\n");
  Start();
  IniValues.Strings[1] = "new.pgn";
  SaveSettings();
  std::string text = ReadFile(IniPath());
  EXPECT_EQ(text.rfind("[Window]\nLeft=10\n[Strings]\n1=new.pgn\nNote=mine\n0=", 0), 0u) << text;
  EXPECT_NE(text.find("\n11=..e6\n[Booleans]\nRadNota=0\n[Integers]\n0=1\n"), std::string::npos)
      << text;
}

TEST_F(SettingsTest, DamagedFileLoads) {
  std::string junk;
  for (int i = 0; i < 256 * 64; ++i) junk += char(i * 7 + 3);
  WriteFile(IniPath(), junk + "\n[Integers]\n6=3\n" + std::string(2 << 20, '\0'));
  Start();
  EXPECT_EQ(IniValues.Integers[6], 3);
  EXPECT_EQ(IniValues.Strings[1], "Main.pgn");
  EXPECT_TRUE(dialogs.log.empty());
}

TEST_F(SettingsTest, ConfigHomeWhenTheProgramFolderIsReadOnly) {
  TempDir config;
  ScopedEnv xdg("XDG_CONFIG_HOME", (config / "deep/er").c_str());
  fs.programDirWritable = false;
  Start();
  IniValues.Strings[1] = "from-config.pgn";
  SaveSettings();
  EXPECT_FALSE(Exists(IniPath()));
  EXPECT_NE(ReadFile(config / "deep/er/kelvane/kelvane.ini").find("\n1=from-config.pgn\n"),
            std::string::npos);
  Start();
  EXPECT_EQ(IniValues.Strings[1], "from-config.pgn");
}

TEST_F(SettingsTest, OverrideFileIsRead) {
  std::string other = programDir / "other.ini";
  WriteFile(other, "[Strings]\n2=out.pgn\n");
  WriteFile(IniPath(), "[Strings]\n2=wrong.pgn\n");
  SetIniFileOverride(other);
  Start();
  EXPECT_EQ(IniValues.Strings[2], "out.pgn");
}

TEST_F(SettingsTest, NoPlaceForTheFile) {
  fs.programPath = "";
  ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
  ScopedEnv home("HOME", nullptr);
  IniValues.Reset();
  IniValues.RadNota = true;
  LoadSettings();
  EXPECT_EQ(dialogs.messages, std::vector<std::string>{"Ini file creation error"});
  EXPECT_EQ(IniValues.Strings[1], "");
  EXPECT_EQ(IniValues.Integers[1], 0);
  EXPECT_TRUE(IniValues.RadNota);
  EXPECT_THROW(SaveSettings(), std::runtime_error);
}

std::string SaveError() {
  try {
    SaveSettings();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "saved";
}

TEST_F(SettingsTest, ReadOnlyFolderRefusesTheSave) {
  std::string sub = programDir / "bin";
  ASSERT_EQ(::mkdir(sub.c_str(), 0755), 0);
  fs.programPath = sub + "/kelvane";
  const std::string path = sub + "/kelvane.ini";
  const std::string old = "[Strings]\n1=old.pgn\n";
  WriteFile(path, old);
  ASSERT_EQ(::chmod(programDir.path().c_str(), 0755), 0);
  ASSERT_EQ(::chmod(sub.c_str(), 0555), 0);
  // The super-user writes anywhere; the save runs in a child that gave up those rights.
  // The test file system still calls the program folder writable, so the save is tried
  // there and not in the configuration folder.
  pid_t pid = ::fork();
  if (pid == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(77);
    IniValues.Strings[1] = "new.pgn";
    ::_exit(SaveError() == "Unable to write to " + path ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(ReadFile(path), old);
}

TEST_F(SettingsTest, SaveOverAnUnreadableFileIsRefused) {
  ASSERT_EQ(::mkdir(IniPath().c_str(), 0755), 0);
  EXPECT_EQ(SaveError(), "Unable to write to " + IniPath());
}

using SettingsDeathTest = SettingsTest;

TEST_F(SettingsDeathTest, UnreadableFileEndsTheProgram) {
  // A folder in the file's place cannot be read, whoever runs the test.
  ASSERT_EQ(::mkdir(IniPath().c_str(), 0755), 0);
  EXPECT_EXIT(
      {
        SetDialogs(nullptr);  // the console shows the trap on standard error
        Start();
      },
      ::testing::ExitedWithCode(999 & 255), "Terminating error: Ini error \\(ref: 6203\\)");
}

}  // namespace
