// The values of tags that compare by their own kind rather than as text: numbers, dates,
// ECO codes and the time class a TimeControl tag stands for. Each reading gives the
// interval of values the text may stand for, so that one comparison serves all of them.
#pragma once

#include <optional>
#include <string_view>

namespace kelvane {

// The values a tag's text may stand for, both ends included: one value for a number, a
// code or a class, a range of days for a date with unknown parts.
struct ValueSpan {
  double low = 0;
  double high = 0;
};

// A decimal number: an optional "-", digits, and optionally "." and more digits ("2400",
// "2199.5"); blanks around it are allowed. Nothing for any other text.
std::optional<double> ReadNumber(std::string_view text);

// A date "YYYY.MM.DD", "YYYY.MM" or "YYYY", where the month and the day may each be "??"
// (unknown). The span runs over the days it may be, as yyyymmdd numbers. Nothing for a
// text of another form, an unknown year, a month past 12, or a day past the month's last.
std::optional<ValueSpan> ReadDate(std::string_view text);

// An ECO code, a letter from A to E (either case) and two digits: A00 is 0, E99 is 499.
std::optional<int> ReadEco(std::string_view text);

// The time classes, fastest first.
enum class TimeClass { UltraBullet, Bullet, Blitz, Rapid, Classical, Correspondence };
// The class by its name ("blitz"; either case).
std::optional<TimeClass> TimeClassNamed(std::string_view name);
// The class of a TimeControl value: "base" or "base+increment" in seconds, timed by
// base + 40 x increment (below 30 s ultrabullet, 180 bullet, 480 blitz, 1500 rapid, else
// classical), or "-" for correspondence. Nothing for any other form ("40/7200:3600", "?").
std::optional<TimeClass> TimeClassOf(std::string_view timeControl);

}  // namespace kelvane
