#include "engine/move_hash.h"

namespace kelvane {

namespace {

constexpr bool IsPromotion(std::string_view w) {
  const size_t n = w.size();
  return n >= 3 && w[0] >= 'a' && w[0] <= 'h' &&
         (w[n - 1] == 'Q' || w[n - 1] == 'R' || w[n - 1] == 'B' || w[n - 1] == 'N') &&
         (w[n - 2] == '1' || w[n - 2] == '8');
}

constexpr uint64_t Pack(std::string_view s) {
  uint64_t p = 0;
  for (size_t i = 0; i < s.size(); ++i) p |= uint64_t{static_cast<unsigned char>(s[i])} << (8 * i);
  return p;
}

}  // namespace

size_t NormalMove(std::string_view w, char* out) {
  while (!w.empty() && IsStrippedMark(w.back())) w.remove_suffix(1);
  // Castling with zeros: the move-number rule takes the first zero for a move number.
  if (w == "-0" || w == "-0-0" || w == "0-0" || w == "0-0-0") {
    const std::string_view castle = w.size() <= 3 ? "O-O" : "O-O-O";
    std::memcpy(out, castle.data(), castle.size());
    return castle.size();
  }
  std::memcpy(out, w.data(), w.size());
  const size_t n = w.size();
  // A promotion written without "=": a file, then a last rank, then a piece.
  if (IsPromotion(w)) {
    out[n - 1] = '=';
    out[n] = w[n - 1];
    return n + 1;
  }
  return n;
}

size_t MoveValuesOf(const char* word, size_t size, bool readable8, uint64_t* out) {
  std::string_view w(word, size);
  while (!w.empty() && IsStrippedMark(w.back())) w.remove_suffix(1);
  size_t n = w.size();
  if (n == 0) return 0;
  uint64_t* const first = out;
  if (n >= 8) {
    char move[64];
    if (n + 1 <= sizeof move) w = std::string_view(move, NormalMove(w, move));
    // Its bytes, 8 at a time, then their count, so that no two moves give the same values.
    size_t i = 0;
    for (; i + 8 <= w.size(); i += 8) std::memcpy(out++, w.data() + i, 8);
    uint64_t last = 0;
    if (i < w.size()) std::memcpy(&last, w.data() + i, w.size() - i);
    *out++ = last;
    *out++ = w.size() | (uint64_t{1} << 63);
    return static_cast<size_t>(out - first);
  }
  uint64_t v = 0;
  if (readable8) {
    std::memcpy(&v, w.data(), 8);
    v &= (uint64_t{1} << (8 * n)) - 1;
  } else {
    v = Pack(w);
  }
  static constexpr uint64_t kShort[] = {Pack("-0"), Pack("0-0"), Pack("O-O")};
  static constexpr uint64_t kLong[] = {Pack("-0-0"), Pack("0-0-0"), Pack("O-O-O")};
  if (v == kShort[0] || v == kShort[1]) {
    v = kShort[2];
    n = 3;
  } else if (v == kLong[0] || v == kLong[1]) {
    v = kLong[2];
    n = 5;
  } else if (IsPromotion(w)) {
    const uint64_t piece = static_cast<unsigned char>(w[n - 1]);
    v = (v & ((uint64_t{1} << (8 * (n - 1))) - 1)) | (uint64_t{'='} << (8 * (n - 1))) |
        (piece << (8 * n));
    ++n;
  }
  if (n == 8) {
    *out++ = v;
    *out++ = uint64_t{8} | (uint64_t{1} << 62);
  } else {
    *out++ = v | (uint64_t{n} << 56);
  }
  return static_cast<size_t>(out - first);
}

MoveValues::Writer MoveValues::Start() {
  if (!values_) values_ = std::make_unique_for_overwrite<uint64_t[]>(kGathered);
  hash_ = Hash128();
  plies_ = 0;
  return {this, values_.get(), values_.get() + kGathered, 0};
}

uint64_t* MoveValues::Flush(uint64_t* at) {
  hash_.AddAll(values_.get(), static_cast<size_t>(at - values_.get()));
  return values_.get();
}

uint64_t* MoveValues::AddOther(uint64_t* at, const char* w, size_t n, bool readable8, bool& move) {
  std::string_view word(w, n);
  while (!word.empty() && IsStrippedMark(word.back())) word.remove_suffix(1);
  move = !word.empty();
  if (!move) return at;
  if (word.size() + 1 > 64) {
    // A move too long to be normalised: its bytes, as MoveValuesOf gives them, after the
    // values before it.
    at = Flush(at);
    hash_.AddBytes(word);
    return at;
  }
  if (values_.get() + kGathered - at < static_cast<ptrdiff_t>(MostValues(64))) at = Flush(at);
  return at + MoveValuesOf(word.data(), word.size(), readable8, at);
}

void MoveValues::Done(Writer w) {
  Flush(w.at);
  plies_ = w.plies;
}

}  // namespace kelvane
