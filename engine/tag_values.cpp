#include "engine/tag_values.h"

#include <array>
#include <cstdint>

#include "text/char_class.h"

namespace kelvane {

namespace {

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && IsBlankOrTab(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlankOrTab(s.back())) s.remove_suffix(1);
  return s;
}

// All digits, at least one, at most digits of them.
bool AllDigits(std::string_view s, size_t most = 15) {
  if (s.empty() || s.size() > most) return false;
  for (char c : s)
    if (!IsDigit(c)) return false;
  return true;
}

int DigitsValue(std::string_view s) {
  int v = 0;
  for (char c : s) v = v * 10 + (c - '0');
  return v;
}

bool IsLeapYear(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysIn(int month, int year) {
  static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[static_cast<size_t>(month - 1)];
}

// A part of a date: its number, or 0 when it is "??"; false for anything else.
bool DatePart(std::string_view s, int& value) {
  if (s == "??") {
    value = 0;
    return true;
  }
  if (s.size() != 2 || !AllDigits(s)) return false;
  value = DigitsValue(s);
  return value > 0;
}

}  // namespace

std::optional<double> ReadNumber(std::string_view text) {
  std::string_view s = Trimmed(text);
  bool negative = false;
  if (!s.empty() && s.front() == '-') {
    negative = true;
    s.remove_prefix(1);
  }
  const size_t point = s.find('.');
  const std::string_view whole = s.substr(0, point);
  if (!AllDigits(whole)) return std::nullopt;
  double value = 0;
  for (char c : whole) value = value * 10 + (c - '0');
  if (point != std::string_view::npos) {
    const std::string_view fraction = s.substr(point + 1);
    if (!AllDigits(fraction)) return std::nullopt;
    double scale = 1;
    for (char c : fraction) value += (c - '0') * (scale /= 10);
  }
  return negative ? -value : value;
}

std::optional<ValueSpan> ReadDate(std::string_view text) {
  const std::string_view s = Trimmed(text);
  if (s.size() != 4 && s.size() != 7 && s.size() != 10) return std::nullopt;
  if (!AllDigits(s.substr(0, 4))) return std::nullopt;
  const int year = DigitsValue(s.substr(0, 4));
  int month = 0, day = 0;
  if (s.size() >= 7 && (s[4] != '.' || !DatePart(s.substr(5, 2), month) || month > 12))
    return std::nullopt;
  if (s.size() == 10 && (s[7] != '.' || !DatePart(s.substr(8, 2), day) ||
                         day > (month == 0 ? 31 : DaysIn(month, year))))
    return std::nullopt;
  const double base = year * 10000.0;
  return ValueSpan{base + (month ? month : 1) * 100 + (day ? day : 1),
                   base + (month ? month : 12) * 100 + (day ? day : 31)};
}

std::optional<int> ReadEco(std::string_view text) {
  const std::string_view s = Trimmed(text);
  if (s.size() != 3 || !AllDigits(s.substr(1))) return std::nullopt;
  const char letter = static_cast<char>(s[0] >= 'a' && s[0] <= 'z' ? s[0] - 'a' + 'A' : s[0]);
  if (letter < 'A' || letter > 'E') return std::nullopt;
  return (letter - 'A') * 100 + DigitsValue(s.substr(1));
}

std::optional<TimeClass> TimeClassNamed(std::string_view name) {
  static constexpr std::array<std::string_view, 6> kNames{
      "ultrabullet", "bullet", "blitz", "rapid", "classical", "correspondence"};
  const std::string_view s = Trimmed(name);
  for (size_t k = 0; k < kNames.size(); ++k) {
    if (s.size() != kNames[k].size()) continue;
    bool same = true;
    for (size_t i = 0; i < s.size() && same; ++i)
      same = (s[i] >= 'A' && s[i] <= 'Z' ? s[i] - 'A' + 'a' : s[i]) == kNames[k][i];
    if (same) return static_cast<TimeClass>(k);
  }
  return std::nullopt;
}

std::optional<TimeClass> TimeClassOf(std::string_view timeControl) {
  const std::string_view s = Trimmed(timeControl);
  if (s == "-") return TimeClass::Correspondence;
  const size_t plus = s.find('+');
  const std::string_view base = s.substr(0, plus);
  const std::string_view increment =
      plus == std::string_view::npos ? std::string_view("0") : s.substr(plus + 1);
  // Nine digits each keep the sum far inside 64 bits; longer counts are no clock anyone set.
  if (!AllDigits(base, 9) || !AllDigits(increment, 9)) return std::nullopt;
  const int64_t seconds = int64_t{DigitsValue(base)} + 40 * int64_t{DigitsValue(increment)};
  if (seconds < 30) return TimeClass::UltraBullet;
  if (seconds < 180) return TimeClass::Bullet;
  if (seconds < 480) return TimeClass::Blitz;
  if (seconds < 1500) return TimeClass::Rapid;
  return TimeClass::Classical;
}

}  // namespace kelvane
