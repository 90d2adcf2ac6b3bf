#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "text/whole_number.h"

using namespace kelvane;

namespace {

using namespace std::string_literals;

// What each form makes of a text: the number, or nothing when the text is not one.
TEST(ParseWholeNumber, BothForms) {
  const std::optional<int32_t> no;
  struct Case {
    std::string text;
    std::optional<int32_t> rangeField;
    std::optional<int32_t> iniValue;
  } cases[] = {
      {"", no, no},
      {" ", no, no},
      {"7", 7, 7},
      {" 7", 7, no},
      {"\t3", 3, no},
      {" \t -12", -12, no},
      {" +7", 7, no},
      {"+7", 7, 7},
      {"-0", 0, 0},
      {"007", 7, 7},
      {"2147483647", 2147483647, 2147483647},
      {"2147483648", no, no},
      {"-2147483648", INT32_MIN, INT32_MIN},
      {"-2147483649", no, no},
      {"99999999999999999999", no, no},
      {"12abc", no, no},
      {"12 ", no, no},
      {"1 2", no, no},
      {"7\0"s, no, no},
      {"+", no, no},
      {"-", no, no},
      {"+-7", no, no},
      {"-+7", no, no},
      {"--7", no, no},
      {"- 7", no, no},
      {"+ 7", no, no},
      {"\v7", no, no},
      {"0x10", no, 16},
      {"0X1f", no, 31},
      {"0x7FFFFFFF", no, INT32_MAX},
      {"0xFFFFFFFF", no, -1},
      {"0x80000000", no, INT32_MIN},
      {"0x00000000010", no, 16},
      {"0x100000000", no, no},
      {"0x", no, no},
      {"0X", no, no},
      {"0x-1", no, no},
      {"0x+1", no, no},
      {"0x 1", no, no},
      {"0x1g", no, no},
      {"-0x10", no, no},
      {" 0x10", no, no},
      {"x10", no, no},
  };
  for (const Case& c : cases) {
    for (NumberForm form : {NumberForm::RangeField, NumberForm::IniValue}) {
      const std::optional<int32_t>& expected =
          form == NumberForm::RangeField ? c.rangeField : c.iniValue;
      const char* formName = form == NumberForm::RangeField ? "range field" : "ini value";
      int32_t value = 4242;  // a failed conversion leaves it alone
      EXPECT_EQ(ParseWholeNumber(c.text, form, value), expected.has_value())
          << formName << " \"" << c.text << "\"";
      EXPECT_EQ(value, expected.value_or(4242)) << formName << " \"" << c.text << "\"";
    }
    int32_t value = 4242;
    EXPECT_EQ(WholeNumber(c.text, value), c.rangeField.has_value()) << c.text;
  }
}

}  // namespace
