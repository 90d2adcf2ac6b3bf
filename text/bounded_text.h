// A bounded text: at most 255 bytes held inline with their length. Every change is cut at
// 255 bytes, so criteria words and trap messages never allocate.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace kelvane {

class BoundedText {
 public:
  static constexpr size_t kMax = 255;

  BoundedText() = default;
  BoundedText(std::string_view s) { assign(s); }    // NOLINT: cut, as every assignment is
  BoundedText(const char* s) { assign(s); }         // NOLINT
  BoundedText(const std::string& s) { assign(s); }  // NOLINT

  size_t size() const { return len_; }
  bool empty() const { return len_ == 0; }
  const char* data() const { return buf_; }
  char* data() { return buf_; }
  char operator[](size_t i) const { return buf_[i]; }
  char& operator[](size_t i) { return buf_[i]; }
  std::string_view view() const { return {buf_, len_}; }
  operator std::string_view() const { return view(); }  // NOLINT
  std::string str() const { return std::string(buf_, len_); }

  void clear() { len_ = 0; }
  void assign(std::string_view s) {
    len_ = static_cast<uint8_t>(std::min(s.size(), kMax));
    if (len_) std::memmove(buf_, s.data(), len_);
  }
  void append(std::string_view s) {
    size_t n = std::min(s.size(), kMax - len_);
    if (n) std::memmove(buf_ + len_, s.data(), n);
    len_ = static_cast<uint8_t>(len_ + n);
  }
  // Shortens (or, with n up to 255, lengthens over whatever bytes are there) the text.
  void resize(size_t n) { len_ = static_cast<uint8_t>(std::min(n, kMax)); }

  friend bool operator==(const BoundedText& a, const BoundedText& b) {
    return a.view() == b.view();
  }
  friend bool operator==(const BoundedText& a, std::string_view b) { return a.view() == b; }

 private:
  uint8_t len_ = 0;
  char buf_[kMax];
};

}  // namespace kelvane
