// The moves of a main line as the duplicates key sees them, folded into 128 bits one move at
// a time, so that the move-text parser can take the hash in the pass that finds the moves:
// each move without "+ # ! ?" at its end, castling with O ("0-0" is "O-O"), a promotion with
// "=" ("e8Q" is "e8=Q"); a word of those marks alone is no move.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

namespace kelvane {

// Two 64-bit lanes: each step multiplies a lane mixed with one value by the other value of
// a pair into 128 bits and folds the halves, with its own constants. Each lane is two chains
// that take the pairs in turn, so that the multiplications of two pairs run side by side
// instead of each waiting for the one before.
class Hash128 {
 public:
  [[gnu::always_inline]] void Add(uint64_t v) {
    ++count_;
    if (!half_) {
      pending_ = v;
      half_ = true;
      return;
    }
    half_ = false;
    const size_t c = ((count_ >> 1) & 1) ^ 1;  // the pair's number, 0 for the first, is even
    a_[c] = Fold(a_[c] ^ pending_ ^ kMixA, v ^ kMixB);
    b_[c] = Fold(b_[c] ^ v ^ kLaneA, pending_ ^ kLaneB);
  }
  // Values in order, as Add takes them one by one.
  void AddAll(const uint64_t* v, size_t n) {
    if (n > 0 && half_) {
      Add(*v++);
      --n;
    }
    if (n >= 2 && ((count_ >> 1) & 1)) {  // the next pair goes to the second chains
      Add(v[0]);
      Add(v[1]);
      v += 2;
      n -= 2;
    }
    // Two pairs at a time, as Add pairs them.
    uint64_t a0 = a_[0], b0 = b_[0], a1 = a_[1], b1 = b_[1];
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
      a0 = Fold(a0 ^ v[i] ^ kMixA, v[i + 1] ^ kMixB);
      b0 = Fold(b0 ^ v[i + 1] ^ kLaneA, v[i] ^ kLaneB);
      a1 = Fold(a1 ^ v[i + 2] ^ kMixA, v[i + 3] ^ kMixB);
      b1 = Fold(b1 ^ v[i + 3] ^ kLaneA, v[i + 2] ^ kLaneB);
    }
    a_[0] = a0;
    b_[0] = b0;
    a_[1] = a1;
    b_[1] = b1;
    count_ += i;
    for (; i < n; ++i) Add(v[i]);
  }
  // Bytes, 8 at a time, then their count, so that no two texts give the same values.
  void AddBytes(std::string_view s) {
    size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
      uint64_t v;
      std::memcpy(&v, s.data() + i, 8);
      Add(v);
    }
    uint64_t last = 0;
    if (i < s.size()) std::memcpy(&last, s.data() + i, s.size() - i);
    Add(last);
    Add(s.size() | (uint64_t{1} << 63));
  }
  void Finish(uint64_t (&out)[2]) {
    const uint64_t n = count_;
    if (half_) Add(~uint64_t{0});
    const uint64_t a = Fold(a_[0] ^ kMixB, a_[1] ^ kLaneA) ^ a_[1];
    const uint64_t b = Fold(b_[0] ^ kLaneB, b_[1] ^ kMixA) ^ b_[1];
    out[0] = Fold(a ^ kMixB, n ^ kLaneA) ^ a;
    out[1] = Fold(b ^ kLaneB, n ^ kMixA) ^ b;
  }

 private:
  static constexpr uint64_t kLaneA = 0xa0761d6478bd642fULL;
  static constexpr uint64_t kLaneB = 0xe7037ed1a0b428dbULL;
  static constexpr uint64_t kMixA = 0x8ebc6af09c88c6e3ULL;
  static constexpr uint64_t kMixB = 0x589965cc75374cc3ULL;
  static uint64_t Fold(uint64_t x, uint64_t y) {
    const __uint128_t m = static_cast<__uint128_t>(x) * y;
    return static_cast<uint64_t>(m) ^ static_cast<uint64_t>(m >> 64);
  }

  uint64_t a_[2] = {kLaneA, kMixA}, b_[2] = {kLaneB, kMixB};
  uint64_t pending_ = 0;
  bool half_ = false;
  uint64_t count_ = 0;
};

// The annotation marks a move loses at its end.
constexpr bool IsStrippedMark(char c) {
  return c == '+' || c == '#' || c == '!' || c == '?';
}

// A move as the key sees it, written to out (room for its size plus one); its size, 0 for a
// word of annotation marks alone.
size_t NormalMove(std::string_view w, char* out);

// The most values a move of n bytes becomes (see MoveValues).
constexpr size_t MostValues(size_t n) {
  return n / 8 + 3;
}

// A move as the values the key hashes: nearly every move is one value, its bytes and its
// size; a longer one its bytes 8 at a time, then their count. Written to out (room for
// MostValues(n)); how many, 0 for a word of annotation marks alone. readable8: 8 bytes can
// be read from w.
size_t MoveValuesOf(const char* w, size_t n, bool readable8, uint64_t* out);

// The moves of one main line, in order, as the move-text parser finds them: their values
// are gathered a few hundred at a time and hashed (Hash128::AddAll), so that the memory
// stays the same for a game of any length.
class MoveValues {
 public:
  MoveValues() = default;
  MoveValues(const MoveValues&) = delete;
  MoveValues& operator=(const MoveValues&) = delete;

  // What the parser adds the moves with, held in its own loop (so that it stays in
  // registers), then handed back with Done.
  struct Writer {
    MoveValues* owner;
    uint64_t* at;
    uint64_t* end;
    uint32_t plies;
    // Adds a move (a word of the split, whole); readable8: 8 bytes can be read from w.
    [[gnu::always_inline]] void Add(const char* w, size_t n, bool readable8) {
      // The usual move: fewer than 8 bytes, perhaps a check mark, which is cut off without
      // a branch (a check ends one move in twenty), and then a last byte that none of the
      // rules above looks at (another mark, the "0" of castling with zeros, the piece of a
      // promotion).
      if (n < 8 && readable8) {
        const auto end1 = static_cast<unsigned char>(w[n - 1]);
        const size_t m = n - ((end1 == '+') | (end1 == '#'));
        // Tables rather than shifts by a variable count, which x86-64 without BMI2 makes
        // slow.
        if (m > 0 && !kSpecialLast[static_cast<unsigned char>(w[m - 1])]) {
          uint64_t v;
          std::memcpy(&v, w, 8);
          if (at == end) at = owner->Flush(at);
          *at++ = (v & kLowBytes[m]) | (uint64_t{m} << 56);
          ++plies;
          return;
        }
      }
      bool move = false;
      at = owner->AddOther(at, w, n, readable8, move);
      plies += move;
    }
  };
  // Clears the moves.
  Writer Start();
  // Takes the writer by value, so that the caller's never has its address taken.
  void Done(Writer w);

  // Moves added (a word of marks alone is none).
  uint32_t Plies() const { return plies_; }
  // The hash of their values, to be completed by the caller.
  const Hash128& State() const { return hash_; }

 private:
  static constexpr size_t kGathered = 512;
  // The last bytes of a move that the rules above look at.
  static constexpr std::array<bool, 256> kSpecialLast = [] {
    std::array<bool, 256> t{};
    for (unsigned char c : {'+', '#', '!', '?', '0', 'Q', 'R', 'B', 'N'}) t[c] = true;
    return t;
  }();
  // The first k bytes of a word read 8 at a time.
  static constexpr uint64_t kLowBytes[8] = {
      0, 0xFF, 0xFFFF, 0xFFFFFF, 0xFFFFFFFF, 0xFFFFFFFFFF, 0xFFFFFFFFFFFF, 0xFFFFFFFFFFFFFF};

  // Hashes the values gathered up to at; where the next go.
  uint64_t* Flush(uint64_t* at);
  // Any other move (see MoveValuesOf); move: it is one.
  uint64_t* AddOther(uint64_t* at, const char* w, size_t n, bool readable8, bool& move);

  std::unique_ptr<uint64_t[]> values_;
  Hash128 hash_;
  uint32_t plies_ = 0;
};

}  // namespace kelvane
