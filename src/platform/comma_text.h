// Comma text: the one rule by which every multi-field value or data line is
// split into fields. Blanks (codes 1..32) and commas separate fields, double
// quotes enclose a field that may hold blanks and commas ("" stands for one
// quote), two commas in a row give an empty field, and a trailing comma adds
// no field. Shift_JIS double-byte characters are stepped over whole, so a
// trail byte that happens to look like a comma or quote never splits a field.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace chizro {

// Splits `text` into `fields` (cleared first). Returns the number of fields.
std::size_t SplitCommaText(std::string_view text, std::vector<std::string>& fields);
std::vector<std::string> SplitCommaText(std::string_view text);

// Joins fields with single commas so that SplitCommaText gives them back:
// each field as it is, or quoted (a quote doubled) when it holds a blank, a
// comma or a double quote, or is empty and last.
std::string JoinCommaText(const std::vector<std::string>& fields);

// The same split without a string per field, for hot loops: an unquoted
// field is a view into `text`; a quoted field, whose doubled quotes must be
// undone, is kept in `storage` and viewed there. Both are cleared first; the
// views stay valid while `text` and `storage` do.
void SplitCommaTextViews(std::string_view text, std::vector<std::string_view>& fields,
                         std::deque<std::string>& storage);

// The fields of one line after another, by SplitCommaTextViews: the buffers
// are kept from line to line. The views stay valid until the next Split or
// until the line's text goes away.
class TCommaFields final {
public:
  std::size_t Split(std::string_view line) {
    SplitCommaTextViews(line, views_, quoted_);
    return views_.size();
  }
  std::size_t Count() const noexcept { return views_.size(); }
  std::string_view operator[](std::size_t i) const noexcept { return views_[i]; }
  // Field i; EListIndexError(i) when the line has no such field.
  std::string_view At(std::size_t i) const {
    if (i >= views_.size()) ThrowMissing(i);
    return views_[i];
  }

private:
  [[noreturn]] static void ThrowMissing(std::size_t i);

  std::vector<std::string_view> views_;
  std::deque<std::string> quoted_;
};

// True for a Shift_JIS (CP932) lead byte: 0x81..0x9F and 0xE0..0xFC.
constexpr bool IsSjisLeadByte(unsigned char c) noexcept {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace chizro
