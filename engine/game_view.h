// A game as the decider sees it: its header block and its move-text block as read (each
// line cleaned and followed by CR LF), and the value of a tag, looked up on demand. The
// header may also be a plain game's raw tag lines, ending in LF or CR LF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace kelvane {

// Where each tag line of a header begins, noted while the header is read, so that looking
// up a tag reads only those lines instead of every byte of the header. Kept from game to
// game: Clear keeps the capacity.
struct TagLines {
  std::vector<uint32_t> starts;  // the offset in the header of each tag line's "["
  bool usable = true;            // false when an offset did not fit: the header is walked

  void Clear() {
    starts.clear();
    usable = true;
  }
  void Note(size_t start) {
    if (start > UINT32_MAX)
      usable = false;
    else
      starts.push_back(static_cast<uint32_t>(start));
  }
};

// Notes the start of every line of header that begins with "[" (lines end in LF or CR LF),
// as a header given without notes is read.
void NoteTagLines(std::string_view header, TagLines& lines);

// Names whose tags are looked up together (GameView::Tags), with what finds the lines that
// may have them made once: a name's bit by the low five bits of its first byte (the same
// for both cases of a letter), and each short name's bytes as one number. The names must
// outlive it; at most 16 are looked up.
class TagNames {
 public:
  TagNames(const std::string_view* names, size_t count);
  size_t Count() const { return count_; }

 private:
  friend struct GameView;
  const std::string_view* names_;
  size_t count_;
  uint16_t byFirst_[32] = {};
  uint64_t words_[16] = {};  // each name's bytes as one number, when it has eight or fewer
};

struct GameView {
  std::string_view header;
  std::string_view moveText;
  // The header's tag lines when they were noted as it was read; else Tag and Tags walk the
  // header's bytes.
  const TagLines* tagLines = nullptr;

  // The value of the first tag line [Name "Value"] whose name is name as written; when
  // there is none, of the first whose name is name without regard to ASCII case. The value
  // as the line holds it between its quotes (an escaped quote \" stays as written).
  // Nothing when no tag line has that name, or the line has no quoted value. (Looking for
  // the name as written first lets one search of the header find it.)
  std::optional<std::string_view> Tag(std::string_view name) const;
  // The values of several tags at once, each as Tag gives it (empty, with no data, when
  // Tag gives nothing), found in one reading of the header.
  void Tags(const std::string_view* names, std::string_view* values, size_t count) const;
  // The same for names.Count() names.
  void Tags(const TagNames& names, std::string_view* values) const;
};

}  // namespace kelvane
