#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "compress_for_tests.h"
#include "platform/game_folder.h"
#include "test_support.h"

using namespace kelvane;

namespace {

const std::string kGame = "[Event \"A\"]\n\n1.e4 e5 1-0\n";

struct Entry {
  std::string name;  // a "/" in it makes a subfolder
  std::string bytes;
  bool flat;       // listed without recursive
  bool recursive;  // listed with recursive
  bool unreadable = false;
};

TEST(GameFolder, ListsTheGameFilesInTheByteOrderOfTheirNames) {
  TempDir dir;
  const std::vector<Entry> entries = {
      {"b.pgn", kGame, true, true},
      {"B.pgn", "\xEF\xBB\xBF  \r\n" + kGame, true, true},  // a byte-order mark and blanks
      {"a.txt", "{comment}\n1.e4 *\n", true, true},         // the content counts, not the name
      {"moves", "1.d4 d5 *\n", true, true},
      {"c.pgn.zst", Zstd(kGame), true, true},
      {"d.gz", Gzip("not a game at all"), true, true},  // compressed: taken whole
      {"notes.pgn", "Some notes\n[Event \"A\"]\n", false, false},
      {"empty.pgn", "", false, false},
      {"blank.pgn", " \n\t\n", false, false},
      {".hidden.pgn", kGame, false, false},
      {"out.pgn", kGame, false, false},  // the run's own output
      {"sub/e.pgn", kGame, false, true},
      {"sub/deeper/f.pgn", kGame, false, true},
      {".git/g.pgn", kGame, false, false},          // a hidden folder
      {"locked.pgn", "no game", true, true, true},  // cannot be read: the scan names it
  };
  std::vector<std::string> flat, recursive;
  for (const Entry& e : entries) {
    for (size_t slash = e.name.find('/'); slash != std::string::npos;
         slash = e.name.find('/', slash + 1))
      ::mkdir((dir / e.name.substr(0, slash)).c_str(), 0755);
    WriteFile(dir / e.name, e.bytes);
    if (e.unreadable) ::chmod((dir / e.name).c_str(), 0);
    if (e.flat) flat.push_back(dir / e.name);
    if (e.recursive) recursive.push_back(dir / e.name);
  }
  std::sort(flat.begin(), flat.end());
  std::sort(recursive.begin(), recursive.end());
  ::chmod(dir.path().c_str(), 0755);
  // A symbolic link to a folder is not followed.
  ::symlink((dir / "sub").c_str(), (dir / "link").c_str());
  // Without the super-user's rights, so that the locked file cannot be read.
  EXPECT_EQ(InChild(
                [&] {
                  const std::vector<std::string> leaveOut = {dir / "out.pgn", dir / "new.pgn"};
                  const bool ok =
                      ListGameFiles(dir.path(), false, leaveOut) == flat &&
                      ListGameFiles(dir / "sub/..", true, leaveOut).size() == recursive.size() &&
                      ListGameFiles(dir.path(), true, leaveOut) == recursive;
                  return ok ? 0 : 1;
                },
                true),
            0);
  EXPECT_TRUE(ListGameFiles(dir / "missing", true).empty());
}

}  // namespace
