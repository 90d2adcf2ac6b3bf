// The ini reader and writer: reading rules, in-place updates, damaged files and safe saves.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>

#include "platform/temp_files.h"
#include "settings/ini_file.h"
#include "test_support.h"
#include "text/path_parts.h"

using namespace kelvane;

namespace {

IniFile Parsed(std::string_view text) {
  IniFile ini;
  ini.Parse(text);
  return ini;
}

struct ReadCase {
  const char* name;
  const char* text;
  const char* section;
  const char* key;
  const char* expected;  // nullptr: the fallback
};

TEST(IniFileRead, TextValues) {
  const ReadCase cases[] = {
      {"plain", "[Strings]\n1=Main.pgn\n", "Strings", "1", "Main.pgn"},
      {"section any case", "[sTRINGS]\n1=a\n", "Strings", "1", "a"},
      {"key any case", "[Booleans]\nradnota=0\n", "Booleans", "RadNota", "0"},
      {"blanks around", "[S]\n  k  =   a b  \t\n", "S", "k", "a b"},
      {"blanks in header", "[ S ]\nk=v\n", "S", "k", "v"},
      {"double quotes", "[S]\nk=\" a b \"\n", "S", "k", " a b "},
      {"single quotes", "[S]\nk='x'\n", "S", "k", "x"},
      {"one pair only", "[S]\nk=\"\"x\"\"\n", "S", "k", "\"x\""},
      {"quotes that differ", "[S]\nk=\"x'\n", "S", "k", "\"x'"},
      {"lone quote", "[S]\nk=\"\n", "S", "k", "\""},
      {"quote inside", "[S]\nk=a \"b\"\n", "S", "k", "a \"b\""},
      {"equals in value", "[S]\nk=a=b\n", "S", "k", "a=b"},
      {"present but empty", "[S]\nk=\n", "S", "k", ""},
      {"only blanks", "[S]\nk=   \n", "S", "k", ""},
      {"missing key", "[S]\nj=1\n", "S", "k", nullptr},
      {"missing section", "[T]\nk=1\n", "S", "k", nullptr},
      {"key without equals", "[S]\nk\n", "S", "k", nullptr},
      {"key in another section", "[S]\n[T]\nk=1\n", "S", "k", nullptr},
      {"key before any section", "k=1\n[S]\n", "S", "k", nullptr},
      {"first of repeated keys", "[S]\nk=first\nk=second\n", "S", "k", "first"},
      {"first of repeated sections", "[S]\nk=first\n[S]\nk=second\n", "S", "k", "first"},
      {"later repeat not searched", "[S]\nj=1\n[S]\nk=2\n", "S", "k", nullptr},
      {"CR LF line ends", "[S]\r\nj=1\r\nk=2\r\n", "S", "k", "2"},
      {"CR line ends", "[S]\rj=1\rk=2\r", "S", "k", "2"},
      {"no line end at all", "[S]\nk=last", "S", "k", "last"},
      {"unclosed bracket is no header", "[S]\n[T\nk=1\n", "S", "k", "1"},
      {"text after header", "[S] old\nk=1\n", "S", "k", "1"},
  };
  for (const ReadCase& c : cases) {
    std::string got = Parsed(c.text).ReadString(c.section, c.key, "<fallback>");
    EXPECT_EQ(got, c.expected ? c.expected : "<fallback>") << c.name;
  }
}

TEST(IniFileRead, LongValueIsCut) {
  std::string value(5000, 'x');
  value[2046] = 'y';
  std::string got = Parsed("[S]\nk=" + value + "\n").ReadString("S", "k", "");
  ASSERT_EQ(got.size(), IniFile::kMaxValue);
  EXPECT_EQ(got.back(), 'y');
  // Quotes are taken off the whole value before the cut.
  got = Parsed("[S]\nk=\"" + value + "\"\n").ReadString("S", "k", "");
  EXPECT_EQ(got, value.substr(0, IniFile::kMaxValue));
}

TEST(IniFileRead, Integers) {
  struct {
    const char* value;
    int32_t expected;  // 99: the fallback
  } cases[] = {
      {"12", 12},
      {"-3", -3},
      {"+5", 5},
      {"007", 7},
      {" 7 ", 7},
      {"\"9\"", 9},
      {"0x1A", 26},
      {"0X1a", 26},
      {"0x0", 0},
      {"0xFFFFFFFF", -1},
      {"0x100000000", 99},
      {"0x", 99},
      {"0x1G", 99},
      {"0x-5", 99},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"2147483648", 99},
      {"99999999999999999999", 99},
      {"12abc", 99},  // the whole value must be a number
      {"abc", 99},
      {"1.5", 99},
      {"1 2", 99},
      {"-", 99},
      {"", 99},
  };
  for (const auto& c : cases) {
    IniFile ini = Parsed(std::string("[Integers]\n3=") + c.value + "\n");
    EXPECT_EQ(ini.ReadInteger("integers", "3", 99), c.expected) << c.value;
  }
  EXPECT_EQ(Parsed("").ReadInteger("Integers", "3", 99), 99);
}

TEST(IniFileRead, Booleans) {
  struct {
    const char* line;
    bool fallback;
    bool expected;
  } cases[] = {
      {"RadNota=0", true, false},   {"RadNota=7", false, true},  {"RadNota=-1", false, true},
      {"RadNota=0x0", true, false}, {"RadNota=yes", true, true}, {"RadNota=yes", false, false},
      {"RadNota=", true, true},     {"Other=0", true, true},
  };
  for (const auto& c : cases) {
    IniFile ini = Parsed(std::string("[Booleans]\n") + c.line + "\n");
    EXPECT_EQ(ini.ReadBool("Booleans", "RadNota", c.fallback), c.expected) << c.line;
  }
}

TEST(IniFileRead, DamagedFileLoadsWithDefaults) {
  std::string text =
      "\x7f"
      "ELF\x02\x01\x01";
  text += std::string("\0\0\0[Strings\0]\n", 14);
  text += "[Strings]\n";
  text += std::string("1=ab\0cd\n", 8);
  text += "2=" + std::string(4 << 20, '\xff') + "\n";  // a line of megabytes
  text += std::string(3 << 20, 'z') + "\n";            // and one without "="
  text += "[Integers]\n0=\x01\x02\n1=4\n";
  text += std::string("\0\0\0\0", 4);
  IniFile ini = Parsed(text);
  EXPECT_EQ(ini.ReadString("Strings", "1", "d"), std::string("ab\0cd", 5));
  EXPECT_EQ(ini.ReadString("Strings", "2", "d"), std::string(IniFile::kMaxValue, '\xff'));
  EXPECT_EQ(ini.ReadString("Strings", "3", "d"), "d");
  EXPECT_EQ(ini.ReadInteger("Integers", "0", 5), 5);
  EXPECT_EQ(ini.ReadInteger("Integers", "1", 5), 4);
}

TEST(IniFileWrite, NewFileForm) {
  IniFile ini;
  ini.WriteString("Strings", "0", "/home/a/");
  ini.WriteString("Strings", "1", "");
  ini.WriteInteger("Integers", "0", -3);
  ini.WriteInteger("Integers", "1", 15);
  ini.WriteBool("Booleans", "RadNota", false);
  EXPECT_EQ(ini.Text(),
            "[Strings]\n0=/home/a/\n1=\n[Integers]\n0=-3\n1=15\n[Booleans]\nRadNota=0\n");
}

TEST(IniFileWrite, UpdatesInPlace) {
  IniFile ini = Parsed(
      "; kept comment\r\n"
      "[Window]\r\n"
      "Left=10\r\n"
      "[strings]\r\n"
      "  1 = old \r\n"
      "Extra=keep me\r\n"
      "; trailing comment\r\n"
      "\r\n"
      "[Other]\r\n"
      "x=y");
  ini.WriteString("Strings", "1", "new");
  ini.WriteString("Strings", "2", "added");
  ini.WriteInteger("Integers", "0", 4);
  EXPECT_EQ(ini.Text(),
            "; kept comment\n"
            "[Window]\n"
            "Left=10\n"
            "[strings]\n"
            "1=new\n"
            "Extra=keep me\n"
            "2=added\n"
            "; trailing comment\n"
            "\n"
            "[Other]\n"
            "x=y\n"
            "[Integers]\n"
            "0=4\n");
}

TEST(IniFileWrite, RepeatedSectionsAndKeysUpdateTheFirst) {
  IniFile ini = Parsed("[S]\nk=1\nk=2\n[S]\nk=3\nj=4\n");
  ini.WriteString("S", "k", "a");
  ini.WriteString("S", "j", "b");
  EXPECT_EQ(ini.Text(), "[S]\nk=a\nk=2\nj=b\n[S]\nk=3\nj=4\n");
  EXPECT_EQ(ini.ReadString("S", "j", ""), "b");
}

TEST(IniFileWrite, EveryValueReadsBackAsWritten) {
  const std::string values[] = {
      "",      "plain", " lead", "trail ", "\tboth\t", "\"q\"", "'q'",
      "\"x' ", "a=b",   "[S]",   "\"",     "\"\"",     "'",     std::string(3000, 'l'),
  };
  for (const std::string& v : values) {
    IniFile ini;
    ini.WriteString("S", "k", v);
    IniFile again = Parsed(ini.Text());
    EXPECT_EQ(again.ReadString("S", "k", "<fallback>"), v.substr(0, IniFile::kMaxValue)) << v;
  }
}

TEST(IniFileWrite, LineBreaksInAValueCannotAddLines) {
  IniFile ini;
  ini.WriteString("S", "k", "a\n[Integers]\r0=5");
  ini.WriteString("S", "j", "b");
  EXPECT_EQ(ini.Text(), "[S]\nk=a [Integers] 0=5\nj=b\n");
}

class IniFileDisk : public ::testing::Test {
 protected:
  TempDir dir;
  std::string path = dir / "kelvane.ini";
};

TEST_F(IniFileDisk, LoadResults) {
  IniFile ini;
  EXPECT_EQ(ini.Load(path), IniFile::LoadResult::Missing);
  EXPECT_EQ(ini.Load(dir / "no/such/folder/kelvane.ini"), IniFile::LoadResult::Missing);
  WriteFile(dir / "plain", "x");
  EXPECT_EQ(ini.Load(dir / "plain/kelvane.ini"), IniFile::LoadResult::Missing);
  ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
  EXPECT_EQ(ini.Load(path), IniFile::LoadResult::Failed);
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
  EXPECT_EQ(ini.Load(dir / "fifo"), IniFile::LoadResult::Failed);  // and does not hang
  WriteFile(dir / "good.ini", "[S]\r\nk=v\r\n");
  EXPECT_EQ(ini.Load(dir / "good.ini"), IniFile::LoadResult::Loaded);
  EXPECT_EQ(ini.ReadString("S", "k", ""), "v");
}

TEST_F(IniFileDisk, SaveReplacesWholeAndKeepsMode) {
  WriteFile(path, "[Keep]\r\nme=1\r\n[S]\r\nk=old\r\n");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  IniFile ini;
  ASSERT_EQ(ini.Load(path), IniFile::LoadResult::Loaded);
  ini.WriteString("S", "k", "new");
  ASSERT_TRUE(ini.Save(path));
  EXPECT_EQ(ReadFile(path), "[Keep]\nme=1\n[S]\nk=new\n");
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"kelvane.ini"});
}

TEST_F(IniFileDisk, SaveThroughALinkKeepsTheLink) {
  // A link to a file, a relative link into another folder, and a link to a file not made
  // yet: the file named is written and the link stays.
  ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0755), 0);
  struct Case {
    const char* what;
    std::string linkText;
    std::string real;
    bool existing;
  };
  const Case cases[] = {
      {"absolute", dir / "real.ini", dir / "real.ini", true},
      {"relative", "sub/real.ini", dir / "sub/real.ini", true},
      {"to a file not made yet", "sub/new.ini", dir / "sub/new.ini", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ::unlink(path.c_str());
    if (c.existing) WriteFile(c.real, "[S]\nk=old\n");
    ASSERT_EQ(::symlink(c.linkText.c_str(), path.c_str()), 0);
    IniFile ini;
    ini.WriteString("S", "k", "new");
    ASSERT_TRUE(ini.Save(path));
    struct stat st;
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFile(c.real), "[S]\nk=new\n");
  }
  // A loop of links names no file: the save fails and changes nothing.
  ::unlink(path.c_str());
  ASSERT_EQ(::symlink(path.c_str(), path.c_str()), 0);
  EXPECT_FALSE(IniFile().Save(path));
  EXPECT_EQ(errno, ELOOP);
  struct stat st;
  ASSERT_EQ(::lstat(path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST_F(IniFileDisk, SaveOverADirectoryFails) {
  ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
  EXPECT_FALSE(IniFile().Save(path));
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"kelvane.ini"});
}

TEST_F(IniFileDisk, ReadOnlyFolderOrFileLeavesTheOldFile) {
  const std::string old = "[S]\nk=old\n";
  std::string sub = dir / "ro";
  ASSERT_EQ(::mkdir(sub.c_str(), 0755), 0);
  std::string file = sub + "/kelvane.ini";
  WriteFile(file, old);
  ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
  ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
  ASSERT_EQ(::chmod(sub.c_str(), 0555), 0);
  auto save = [&] {
    IniFile ini;
    ini.WriteString("S", "k", "new");
    return ini.Save(file) ? 1 : 0;
  };
  EXPECT_EQ(InChild(save, true), 0);
  EXPECT_EQ(ReadFile(file), old);
  EXPECT_EQ(FolderEntries(sub), std::vector<std::string>{"kelvane.ini"});

  // A writable folder does not make a read-only file writable.
  ASSERT_EQ(::chmod(sub.c_str(), 0777), 0);
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  EXPECT_EQ(InChild(save, true), 0);
  EXPECT_EQ(ReadFile(file), old);
  EXPECT_EQ(FolderEntries(sub), std::vector<std::string>{"kelvane.ini"});
}

TEST_F(IniFileDisk, FullDiskLeavesTheOldFile) {
  const std::string old = "[S]\nk=old\n";
  WriteFile(path, old);
  // A file size limit makes every write past a few bytes fail, as a full disk would.
  int code = InChild(
      [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{8, 8};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
        IniFile ini;
        ini.WriteString("S", "k", std::string(1000, 'n'));
        return ini.Save(path) ? 1 : 0;
      },
      false);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadFile(path), old);
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"kelvane.ini"});
}

}  // namespace

namespace {

// A save killed in the middle of writing its temporary file, as a kill would: a file size
// limit raises SIGXFSZ, whose default action ends the process. Returns how it ended.
int KilledSave(const std::string& path) {
  return InChild(
      [&] {
        rlimit limit{8, 8};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
        IniFile ini;
        ini.WriteString("S", "k", std::string(1000, 'n'));
        return ini.Save(path) ? 1 : 0;
      },
      false);
}

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST_F(IniFileDisk, CopyDuringASaveIsNeverMoreOpenThanTheFile) {
  const mode_t oldMask = ::umask(022);
  struct Case {
    const char* what;
    mode_t before;  // 0: no file yet
    mode_t copy;    // the temporary file a kill leaves behind
  };
  const Case cases[] = {
      {"a private file", 0600, 0600},
      {"a file others may read", 0644, 0644},
      {"no file yet", 0, 0600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ::unlink(path.c_str());
    if (c.before) {
      WriteFile(path, "[S]\nk=old\n");
      ASSERT_EQ(::chmod(path.c_str(), c.before), 0);
    }
    EXPECT_EQ(KilledSave(path), 128 + SIGXFSZ);
    std::vector<std::string> entries = FolderEntries(dir.path());
    std::erase(entries, "kelvane.ini");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(ModeOf(dir / entries[0]), c.copy);
    if (c.before) {
      EXPECT_EQ(ReadFile(path), "[S]\nk=old\n");
    }
    // The next save clears it up.
    IniFile ini;
    ini.WriteString("S", "k", "new");
    ASSERT_TRUE(ini.Save(path));
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"kelvane.ini"});
    // A new file ends with what the umask leaves of 0666.
    EXPECT_EQ(ModeOf(path), c.before ? c.before : 0644);
  }
  ::umask(oldMask);
}

TEST_F(IniFileDisk, SaveRemovesLeftoversOfEndedProcessesAndOfUnknownOnesADayOld) {
  pid_t ended = ::fork();
  if (ended == 0) ::_exit(0);
  ::waitpid(ended, nullptr, 0);
  const std::string gone = std::to_string(ended);
  const std::string running = std::to_string(::getppid());
  constexpr long kOld = 25 * 60 * 60;
  const std::vector<std::string> expected = WriteAgedFiles(
      dir.path(),
      {
          {"kelvane.ini", kOld, false},
          {FileNamePart(TempFileName(path, ended)), 0, true},  // a killed save on this host
          // Names that do not say the host they were made on: a day old or kept.
          {".kelvane.ini.kelvane-" + gone + ".tmp", 0, false},
          {".kelvane.ini.kelvane-" + running + ".tmp", kOld, true},
          {"kelvane.ini.tmp-" + gone + "-0", 0, false},  // of this program's earlier versions
          {"kelvane.ini.tmp-" + gone + "-17", kOld, true},
          {"kelvane.ini.tmp-" + running + "-0", kOld, true},
          // Not a temporary file of this one.
          {"kelvane.ini.tmp-notes", kOld, false},
          {"other.ini.tmp-" + gone + "-0", kOld, false},
      });
  IniFile ini;
  ini.WriteString("S", "k", "v");
  ASSERT_TRUE(ini.Save(path));
  std::vector<std::string> entries = FolderEntries(dir.path());
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, expected);
}

}  // namespace
