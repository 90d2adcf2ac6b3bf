// The settings record, its defaults, the settings file's place, load and save.
#include "settings/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <stdexcept>

#include "platform/fault.h"
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
  }
  ~SettingsTest() override { SetFileSystem(nullptr); }

  // The start of the window: empty settings, then the usual file.
  void Start() {
    s = Settings{};
    LoadSettings(s, SettingsFileName());
  }
  void Save() { SaveSettings(s, SettingsFileName()); }
  std::string IniPath() const { return programDir / "kelvane.ini"; }
  void ExpectDefaults() { EXPECT_TRUE(s == DefaultSettings()); }

  Settings s;
  TempDir programDir;
  TestFileSystem fs;
  ScopedScriptedDialogs dialogs;
};

TEST_F(SettingsTest, Defaults) {
  const std::string here = "/home/player/games/";
  Settings d = DefaultSettings();
  EXPECT_EQ(d.startUpDir, here);
  EXPECT_EQ(d.input, (FileLocation{here, "Main.pgn"}));
  EXPECT_EQ(d.output, (FileLocation{here, "Extract.pgn"}));
  EXPECT_EQ(d.editors, (std::array<std::string, 2>{"", ""}));
  const Criteria& c = d.criteria;
  EXPECT_EQ(c.conditions, (std::array<std::string, 3>{"Kh1 < Qe1", "", ""}));
  EXPECT_EQ(c.conditionRanges, (std::array<MoveRange, 3>{{{1, 15}, {0, 0}, {0, 0}}}));
  EXPECT_EQ(c.mustContain, kNajdorf);
  EXPECT_EQ(c.mustContainForm, SequenceForm::Notation);
  EXPECT_EQ(c.mustContainRange, (MoveRange{1, 15}));
  EXPECT_EQ(c.without, "..e6");
  EXPECT_EQ(c.withoutRange, (MoveRange{1, 15}));
  fs.currentDir = "/";
  EXPECT_EQ(DefaultSettings().startUpDir, "/");
}

TEST_F(SettingsTest, EveryKeyHasItsOwnField) {
  const std::string file =
      "[Strings]\n0=/s0/\n1=n1\n2=n2\n3=/d3/\n4=/d4/\n5=e5\n6=e6\n7=c7\n8=c8\n9=c9\n"
      "10=m10\n11=w11\n"
      "[Integers]\n0=100\n1=101\n2=102\n3=103\n4=104\n5=105\n6=106\n7=107\n8=108\n"
      "9=109\n"
      "[Booleans]\nRadNota=0\n";
  WriteFile(IniPath(), file);
  Start();
  Settings expected;
  expected.startUpDir = "/s0/";
  expected.input = {"/d3/", "n1"};
  expected.output = {"/d4/", "n2"};
  expected.editors = {"e5", "e6"};
  Criteria& c = expected.criteria;
  c.conditions = {"c7", "c8", "c9"};
  c.conditionRanges = {{{100, 101}, {102, 103}, {104, 105}}};
  c.mustContain = "m10";
  c.mustContainForm = SequenceForm::Moves;
  c.mustContainRange = {106, 107};
  c.without = "w11";
  c.withoutRange = {108, 109};
  EXPECT_TRUE(s == expected);
  Save();
  EXPECT_EQ(ReadFile(IniPath()), file);
}

TEST_F(SettingsTest, FileName) {
  TempDir config;
  ScopedEnv xdg("XDG_CONFIG_HOME", config.path().c_str());
  EXPECT_EQ(SettingsFileName(), programDir / "kelvane.ini");
  fs.programPath = programDir / "kelvane.bin";
  EXPECT_EQ(SettingsFileName(), programDir / "kelvane.ini");

  fs.programDirWritable = false;
  EXPECT_EQ(SettingsFileName(), config / "kelvane/kelvane.ini");
  {
    ScopedEnv unset("XDG_CONFIG_HOME", nullptr);
    ScopedEnv home("HOME", "/home/player");
    EXPECT_EQ(SettingsFileName(), "/home/player/.config/kelvane/kelvane.ini");
    ScopedEnv relative("XDG_CONFIG_HOME", "conf");
    EXPECT_EQ(SettingsFileName(), "/home/player/.config/kelvane/kelvane.ini");
  }
}

TEST_F(SettingsTest, FirstStartLoadsDefaultsAndSaveCreatesTheFile) {
  Start();
  ExpectDefaults();
  EXPECT_TRUE(dialogs.log.empty());

  Save();
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
    void (*check)(const Settings&);
  } cases[] = {
      {"RadNota 0", "[Booleans]\nRadNota=0\n",
       [](const Settings& s) { EXPECT_EQ(s.criteria.mustContainForm, SequenceForm::Moves); }},
      {"RadNota 7", "[Booleans]\nRadNota=7\n",
       [](const Settings& s) { EXPECT_EQ(s.criteria.mustContainForm, SequenceForm::Notation); }},
      {"RadNota yes", "[Booleans]\nRadNota=yes\n",
       [](const Settings& s) { EXPECT_EQ(s.criteria.mustContainForm, SequenceForm::Notation); }},
      {"RadNota empty", "[booleans]\nradnota=\n",
       [](const Settings& s) { EXPECT_EQ(s.criteria.mustContainForm, SequenceForm::Notation); }},
      {"integer non-numeric", "[Integers]\n3=abc\n",
       [](const Settings& s) { EXPECT_EQ(s.criteria.conditionRanges[1].to, 0); }},
      {"integer empty", "[Integers]\n2=\n",
       [](const Settings& s) { EXPECT_EQ(s.criteria.conditionRanges[1].from, 0); }},
      {"integer leading digits", "[Integers]\n1=12abc\n",
       [](const Settings& s) { EXPECT_EQ(s.criteria.conditionRanges[0].to, 15); }},
      {"integer hex", "[Integers]\n1=0x1A\n",
       [](const Settings& s) { EXPECT_EQ(s.criteria.conditionRanges[0].to, 26); }},
      {"integer negative", "[Integers]\n9=-3\n",
       [](const Settings& s) { EXPECT_EQ(s.criteria.withoutRange.to, -3); }},
      {"string present empty", "[Strings]\n1=\n",
       [](const Settings& s) { EXPECT_EQ(s.input.name, ""); }},
      {"string missing", "[Strings]\n2=x\n",
       [](const Settings& s) { EXPECT_EQ(s.input.name, "Main.pgn"); }},
      {"string quoted", "[STRINGS]\n7=\" a < b \"\n",
       [](const Settings& s) { EXPECT_EQ(s.criteria.conditions[0], " a < b "); }},
      {"first of repeated section", "[Strings]\n1=a.pgn\n[Strings]\n1=b.pgn\n2=c.pgn\n",
       [](const Settings& s) {
         EXPECT_EQ(s.input.name, "a.pgn");
         EXPECT_EQ(s.output.name, "Extract.pgn");
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(IniPath(), c.file);
    Start();
    c.check(s);
  }
  EXPECT_TRUE(dialogs.log.empty());
}

TEST_F(SettingsTest, RoundTrips) {
  Start();
  s.criteria.mustContain = std::string(3000, 'e');
  s.editors[0] = "";
  s.criteria.conditions[1] = "'quoted'";
  s.criteria.conditionRanges[1].from = -3;
  s.criteria.conditionRanges[1].to = INT32_MIN;
  s.criteria.mustContainForm = SequenceForm::Moves;
  Save();
  EXPECT_NE(ReadFile(IniPath()).find("\n2=-3\n"), std::string::npos);

  Start();
  EXPECT_EQ(s.criteria.mustContain, std::string(2047, 'e'));
  EXPECT_EQ(s.editors[0], "");
  EXPECT_EQ(s.criteria.conditions[1], "'quoted'");
  EXPECT_EQ(s.criteria.conditionRanges[1].from, -3);
  EXPECT_EQ(s.criteria.conditionRanges[1].to, INT32_MIN);
  EXPECT_EQ(s.criteria.mustContainForm, SequenceForm::Moves);
}

TEST_F(SettingsTest, TolerantReadingHasItsOwnKeyThatOlderFilesLack) {
  // A file from before the key: off, and a save adds nothing.
  const std::string old = "[Strings]\n1=a.pgn\n[Booleans]\nRadNota=1\n";
  WriteFile(IniPath(), old);
  Start();
  EXPECT_FALSE(s.tolerant);
  Save();
  EXPECT_EQ(ReadFile(IniPath()).find("Tolerant"), std::string::npos);

  // Turned on, it is written after the keys the section holds, and read back.
  s.tolerant = true;
  Save();
  EXPECT_NE(ReadFile(IniPath()).find("[Booleans]\nRadNota=1\nTolerant=1\n"), std::string::npos);
  Start();
  EXPECT_TRUE(s.tolerant);
  // Turned off again, the key stays and says so.
  s.tolerant = false;
  Save();
  EXPECT_NE(ReadFile(IniPath()).find("\nTolerant=0\n"), std::string::npos);
  Start();
  EXPECT_FALSE(s.tolerant);

  const std::pair<const char*, bool> values[] = {
      {"1", true}, {"7", true}, {"0", false}, {"", false}, {"yes", false}};
  for (const auto& [value, on] : values) {
    WriteFile(IniPath(), std::string("[booleans]\ntolerant=") + value + "\n");
    Start();
    EXPECT_EQ(s.tolerant, on) << value;
  }
}

TEST_F(SettingsTest, TheGameSizeLimitIsWrittenOnlyOnceItDiffersFromTheDefault) {
  // A file from before the key keeps its bytes through a save.
  Start();
  Save();
  const std::string before = ReadFile(IniPath());
  EXPECT_EQ(s.maxGameSize, 256);
  Save();
  EXPECT_EQ(ReadFile(IniPath()), before);
  EXPECT_EQ(before.find("MaxGameSize"), std::string::npos);

  s.maxGameSize = 1000;
  Save();
  Start();
  EXPECT_EQ(s.maxGameSize, 1000);
  s.maxGameSize = 256;  // back to the default: the key says so
  Save();
  EXPECT_NE(ReadFile(IniPath()).find("\nMaxGameSize=256\n"), std::string::npos);

  const std::pair<const char*, int32_t> values[] = {
      {"5", 5}, {"0", 256}, {"-3", 256}, {"x", 256}, {"2147483647", 2147483647}};
  for (const auto& [value, size] : values) {
    WriteFile(IniPath(), std::string("[Integers]\nMaxGameSize=") + value + "\n");
    Start();
    EXPECT_EQ(s.maxGameSize, size) << value;
  }
}

// A whole file as the program wrote it before the kinds of criteria added since.
const std::string kFileBeforeAddedKinds =
    "[Strings]\n0=/s/\n1=in.pgn\n2=out.pgn\n3=/d/\n4=/d/\n5=\n6=\n7=Kh1 < Qe1\n8=\n9=\n"
    "10=1.e4 c5\n11=..e6\n[Integers]\n0=1\n1=15\n2=1\n3=15\n4=1\n5=15\n6=1\n7=2\n8=1\n9=15\n"
    "[Booleans]\nRadNota=1\n";

TEST_F(SettingsTest, HeaderLinesHaveASectionOfTheirOwnThatOlderFilesLack) {
  // A file written before header lines: a save keeps every byte.
  const std::string& old = kFileBeforeAddedKinds;
  WriteFile(IniPath(), old);
  Start();
  EXPECT_TRUE(s.criteria.header.empty());
  Save();
  EXPECT_EQ(ReadFile(IniPath()), old);

  // Each state of the lines: the section the save leaves, and what loading it gives.
  const struct {
    std::vector<std::string> lines;
    std::string section;
  } steps[] = {
      {{"WhiteElo >= 2400", "Result = 1-0|0-1"},
       "[Header]\nLine1=WhiteElo >= 2400\nLine2=Result = 1-0|0-1\n"},
      // A shorter list ends at an empty line, and an empty one at its first.
      {{"Black ~ Carlsen"}, "[Header]\nLine1=Black ~ Carlsen\nLine2=\n"},
      {{}, "[Header]\nLine1=\nLine2=\n"},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.section);
    s.criteria.header = step.lines;
    Save();
    EXPECT_EQ(ReadFile(IniPath()), old + step.section);
    Start();
    EXPECT_EQ(s.criteria.header, step.lines);
  }
}

TEST_F(SettingsTest, SeveralInputsHaveASectionOfTheirOwnThatOlderFilesLack) {
  const std::string& old = kFileBeforeAddedKinds;
  WriteFile(IniPath(), old);
  Start();
  const std::string first = s.input.name;
  EXPECT_TRUE(s.moreInputs.empty() && !s.inputFolder && !s.recursive);
  Save();
  EXPECT_EQ(ReadFile(IniPath()), old);
  // The first file stays in [Strings]: a program that reads one file still reads it.
  const struct {
    std::vector<std::string> more;
    bool folder, recursive;
    std::string section;
  } steps[] = {
      {{"b.pgn", "c.pgn"}, false, false, "[Inputs]\nFile2=b.pgn\nFile3=c.pgn\n"},
      {{}, true, true, "[Inputs]\nFile2=\nFile3=c.pgn\nFolder=1\nRecursive=1\n"},
      {{"d.pgn"}, false, false, "[Inputs]\nFile2=d.pgn\nFile3=\nFolder=0\nRecursive=0\n"},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.section);
    s.moreInputs = step.more;
    s.inputFolder = step.folder;
    s.recursive = step.recursive;
    Save();
    EXPECT_EQ(ReadFile(IniPath()), old + step.section);
    Start();
    EXPECT_EQ(s.moreInputs, step.more);
    EXPECT_EQ(s.inputFolder, step.folder);
    EXPECT_EQ(s.recursive, step.recursive);
    EXPECT_EQ(s.input.name, first);
  }
}

TEST_F(SettingsTest, PositionCriteriaHaveASectionOfTheirOwnThatOlderFilesLack) {
  const std::string& old = kFileBeforeAddedKinds;
  WriteFile(IniPath(), old);
  Start();
  EXPECT_EQ(s.criteria.positionRange, (MoveRange{1, 999}));
  EXPECT_EQ(s.criteria.materialRange, (MoveRange{1, 999}));
  Save();
  EXPECT_EQ(ReadFile(IniPath()), old);

  s.criteria.position = "8/8/8/8/8/8/8/K6k w";
  s.criteria.material = "KRP v KR";
  s.criteria.materialRange = {40, 60};
  Save();
  EXPECT_EQ(ReadFile(IniPath()),
            old +
                "[Positions]\nPosition=8/8/8/8/8/8/8/K6k w\nMaterial=KRP v KR\n"
                "PositionFrom=1\nPositionTo=999\nMaterialFrom=40\n"
                "MaterialTo=60\n");
  const Criteria saved = s.criteria;
  Start();
  EXPECT_TRUE(s.criteria == saved);
}

TEST_F(SettingsTest, StartUpDirectoryStaysWhenStartedElsewhere) {
  Start();
  Save();
  fs.currentDir = "/mnt/other";
  Start();
  EXPECT_EQ(s.startUpDir, "/home/player/games/");
  EXPECT_EQ(s.input.dir, "/home/player/games/");

  // Only the defaults of missing keys follow the current directory.
  WriteFile(IniPath(), "[Strings]\n1=x.pgn\n");
  Start();
  EXPECT_EQ(s.startUpDir, "/mnt/other/");
}

TEST_F(SettingsTest, SaveKeepsWhatItDoesNotKnow) {
  WriteFile(IniPath(),
            "[Window]\r\nLeft=10\r\n[Strings]\r\n1=old.pgn\r\nNote=mine\r\n[Booleans]\r\n"
            "RadNota=0\r\n");
  Start();
  s.input.name = "new.pgn";
  Save();
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
  EXPECT_EQ(s.criteria.mustContainRange.from, 3);
  EXPECT_EQ(s.input.name, "Main.pgn");
  EXPECT_TRUE(dialogs.log.empty());
}

TEST_F(SettingsTest, ConfigHomeWhenTheProgramFolderIsReadOnly) {
  TempDir config;
  ScopedEnv xdg("XDG_CONFIG_HOME", (config / "deep/er").c_str());
  fs.programDirWritable = false;
  Start();
  s.input.name = "from-config.pgn";
  Save();
  EXPECT_FALSE(Exists(IniPath()));
  EXPECT_NE(ReadFile(config / "deep/er/kelvane/kelvane.ini").find("\n1=from-config.pgn\n"),
            std::string::npos);
  Start();
  EXPECT_EQ(s.input.name, "from-config.pgn");
}

TEST_F(SettingsTest, OverrideFileIsRead) {
  std::string other = programDir / "other.ini";
  WriteFile(other, "[Strings]\n2=out.pgn\n");
  WriteFile(IniPath(), "[Strings]\n2=wrong.pgn\n");
  s = Settings{};
  LoadSettings(s, other);
  EXPECT_EQ(s.output.name, "out.pgn");
}

TEST_F(SettingsTest, NoPlaceForTheFile) {
  fs.programPath = "";
  ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
  ScopedEnv home("HOME", nullptr);
  Start();
  EXPECT_EQ(dialogs.messages, std::vector<std::string>{"Ini file creation error"});
  EXPECT_EQ(s.input.name, "");
  EXPECT_EQ(s.criteria.conditionRanges[0].to, 0);
  EXPECT_EQ(s.criteria.mustContainForm, SequenceForm::Notation);
  EXPECT_THROW(Save(), std::runtime_error);
  EXPECT_THROW(SaveSettings(s, ""), std::runtime_error);
}

std::string SaveError(const Settings& s, const std::string& path) {
  try {
    SaveSettings(s, path);
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
    s.input.name = "new.pgn";
    ::_exit(SaveError(s, path) == "Unable to write to " + path ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(ReadFile(path), old);
}

TEST_F(SettingsTest, SaveOverAnUnreadableFileIsRefused) {
  ASSERT_EQ(::mkdir(IniPath().c_str(), 0755), 0);
  EXPECT_EQ(SaveError(s, SettingsFileName()), "Unable to write to " + IniPath());
}

TEST_F(SettingsTest, UnreadableFileIsAFatalFault) {
  // A folder in the file's place cannot be read, whoever runs the test.
  ASSERT_EQ(::mkdir(IniPath().c_str(), 0755), 0);
  try {
    Start();
    ADD_FAILURE() << "loaded";
  } catch (const FatalError& e) {
    EXPECT_STREQ(e.what(), "Ini error (ref: 6203)");
  }
}

}  // namespace
