// Whole numbers as typed into the range fields and as read from the settings file. Both
// take decimal digits that fit 32 bits; they differ in what may stand around them.
#pragma once

#include <cstdint>
#include <string_view>

namespace kelvane {

enum class NumberForm {
  // A range field: optional blanks and tabs, an optional sign, decimal digits.
  RangeField,
  // A settings value (already trimmed): an optional sign and decimal digits, or "0x" or
  // "0X" and hexadecimal digits read as a 32-bit pattern (0xFFFFFFFF is -1).
  IniValue,
};

// True, with value set, when the whole text is a number of the form that fits 32 bits;
// false, with value untouched, for anything else (an empty text included).
bool ParseWholeNumber(std::string_view text, NumberForm form, int32_t& value);

// The whole-number conversion of the range fields.
inline bool WholeNumber(std::string_view text, int32_t& value) {
  return ParseWholeNumber(text, NumberForm::RangeField, value);
}

}  // namespace kelvane
