#include "text/whole_number.h"

#include <charconv>
#include <system_error>

#include "text/char_class.h"

namespace kelvane {

namespace {
// True when from_chars took the whole text and the number fit.
template <class Int>
bool Convert(std::string_view text, int base, Int& out) {
  const char* end = text.data() + text.size();
  auto [stop, err] = std::from_chars(text.data(), end, out, base);
  return err == std::errc() && stop == end;
}
}  // namespace

bool ParseWholeNumber(std::string_view text, NumberForm form, int32_t& value) {
  if (form == NumberForm::RangeField) {
    while (!text.empty() && IsBlankOrTab(text.front())) text.remove_prefix(1);
  } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    uint32_t pattern;
    if (!Convert(text.substr(2), 16, pattern)) return false;
    value = static_cast<int32_t>(pattern);
    return true;
  }
  // from_chars takes a "-" but no "+"; a "+" must be followed by a digit.
  if (!text.empty() && text[0] == '+') {
    text.remove_prefix(1);
    if (text.empty() || !IsDigit(text[0])) return false;
  }
  int32_t n;
  if (!Convert(text, 10, n)) return false;
  value = n;
  return true;
}

}  // namespace kelvane
