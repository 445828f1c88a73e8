#include "platform/convert.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "platform/errors.h"

namespace chizro {
namespace {

// Parses an optional sign followed by digits in `base`, with the whole of
// `digits` consumed. Hex literals may spell a negative number through the high
// bit ("$FFFFFFFF" is -1), as the runtime's conversion does.
std::optional<std::int32_t> ParseSignedDigits(bool negative, std::string_view digits,
                                              int base) noexcept {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  const char* first = digits.data();
  const char* last = first + digits.size();
  auto [ptr, ec] = std::from_chars(first, last, value, base);
  if (ec != std::errc{} || ptr != last) return std::nullopt;
  std::int64_t signedValue;
  if (base == 16) {
    if (value > 0xFFFFFFFFull) return std::nullopt;
    signedValue = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  } else {
    if (value > 0x80000000ull) return std::nullopt;
    signedValue = static_cast<std::int64_t>(value);
  }
  if (negative) signedValue = -signedValue;
  if (signedValue < std::numeric_limits<std::int32_t>::min() ||
      signedValue > std::numeric_limits<std::int32_t>::max())
    return std::nullopt;
  return static_cast<std::int32_t>(signedValue);
}

bool IsHexDigit(char c) noexcept {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

// Splits off an optional leading sign.
bool TakeSign(std::string_view& s) noexcept {
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    const bool negative = s[0] == '-';
    s.remove_prefix(1);
    return negative;
  }
  return false;
}

// 10^k for k = 0..22, all exact in double precision.
constexpr std::array<double, 23> kExactPow10 = [] {
  std::array<double, 23> p{};
  p[0] = 1;
  for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 10;
  return p;
}();

// Whether the eight bytes of `chunk` (in memory order, little-endian) are
// all decimal digits, and their value.
constexpr bool EightDigits(std::uint64_t chunk) noexcept {
  return (chunk & 0xF0F0F0F0F0F0F0F0) == 0x3030303030303030 &&
         ((chunk + 0x0606060606060606) & 0xF0F0F0F0F0F0F0F0) == 0x3030303030303030;
}
constexpr std::uint64_t EightDigitsValue(std::uint64_t chunk) noexcept {
  // Pairs, then fours, then the eight digits, by multiply and shift.
  chunk = ((chunk & 0x0F0F0F0F0F0F0F0F) * 2561) >> 8;
  chunk = ((chunk & 0x00FF00FF00FF00FF) * 6553601) >> 16;
  return static_cast<std::uint32_t>(((chunk & 0x0000FFFF0000FFFF) * 42949672960001) >> 32);
}

}  // namespace

std::optional<std::int32_t> TryStrToInt(std::string_view text) noexcept {
  std::string_view s = text;
  const bool negative = TakeSign(s);
  if (!s.empty() && s[0] == '$') return ParseSignedDigits(negative, s.substr(1), 16);
  // from_chars would accept a second sign; digits only from here on.
  if (s.empty() || !IsDigit(s[0])) return std::nullopt;
  return ParseSignedDigits(negative, s, 10);
}

std::int32_t StrToInt(std::string_view text) {
  if (auto v = TryStrToInt(text)) return *v;
  throw EConvertError(text);
}

std::int32_t ProfileStrToInt(std::string_view text, std::int32_t def) noexcept {
  std::string_view s = text;
  const bool negative = TakeSign(s);
  std::optional<std::int32_t> v;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    if (IsHexDigit(s[2])) v = ParseSignedDigits(negative, s.substr(2), 16);
  } else if (!s.empty() && IsDigit(s[0])) {
    v = ParseSignedDigits(negative, s, 10);
  }
  return v.value_or(def);
}

std::string FixedText(double value, int digits) {
  // Enough for any double in fixed notation with the digits asked for.
  std::array<char, 400> buf{};
  const auto [end, ec] =
      std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::fixed, digits);
  if (ec != std::errc()) return std::to_string(value);
  return std::string(buf.data(), end);
}

std::optional<double> TryStrToFloat(std::string_view text) noexcept {
  std::string_view s = text;
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ' && s.front() != '\0')
    s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ' && s.back() != '\0')
    s.remove_suffix(1);
  const bool negative = TakeSign(s);
  // Only digits and "." may start the number: from_chars alone would also
  // take "inf", "nan" and a hexadecimal float.
  if (s.empty() || !(IsDigit(s[0]) || (s[0] == '.' && s.size() > 1 && IsDigit(s[1]))))
    return std::nullopt;
  double value = 0;
  auto [ptr, ec] =
      std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::general);
  if (ec != std::errc{} || ptr != s.data() + s.size()) return std::nullopt;
  return negative ? -value : value;
}

double StrToFloat(std::string_view text) {
  if (auto v = TryStrToFloat(text)) return *v;
  throw EFloatConvertError(text);
}

std::optional<std::int32_t> NumberLiteral(std::string_view s) noexcept {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  const bool negative = TakeSign(s);
  if (s.empty()) return std::nullopt;
  std::string_view digits;
  int base = 10;
  if (s[0] == '$' || s[0] == 'x' || s[0] == 'X') {
    digits = s.substr(1);
    base = 16;
  } else if (s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    digits = s.substr(2);
    base = 16;
  } else {
    digits = s;
  }
  if (digits.empty()) return std::nullopt;
  for (char c : digits)
    if (base == 16 ? !IsHexDigit(c) : !IsDigit(c)) return std::nullopt;
  return ParseSignedDigits(negative, digits, base);
}

// The digits are an integer m below 2^53 and the fraction digits k at most
// 15, so m and 10^k are exact doubles and m / 10^k, one correctly rounded
// division, is the correctly rounded value.
bool ShortDecimal(std::string_view text, double& value) noexcept {
  const char* p = text.data();
  const char* const last = p + text.size();
  const bool negative = p != last && *p == '-';
  if (negative) ++p;
  if (p == last || !IsDigit(*p)) return false;
  // Digits past the fifteenth make the text fail below; the integer merely
  // wraps meanwhile.
  std::uint64_t m = 0;
  const char* const whole = p;
  while (p != last && IsDigit(*p)) m = m * 10 + static_cast<std::uint64_t>(*p++ - '0');
  std::size_t digits = static_cast<std::size_t>(p - whole);
  std::size_t fraction = 0;
  if (p != last && *p == '.') {
    const char* const start = ++p;
    if constexpr (std::endian::native == std::endian::little) {
      // Eight fraction digits at a time, as the 9-decimal coordinates of
      // the XML maps have them.
      while (last - p >= 8) {
        std::uint64_t chunk = 0;
        std::memcpy(&chunk, p, 8);
        if (!EightDigits(chunk)) break;
        m = m * 100000000 + EightDigitsValue(chunk);
        p += 8;
      }
    }
    while (p != last && IsDigit(*p)) m = m * 10 + static_cast<std::uint64_t>(*p++ - '0');
    fraction = static_cast<std::size_t>(p - start);
    digits += fraction;
  }
  if (p != last || digits > 15) return false;
  const double v = static_cast<double>(m) / kExactPow10[fraction];
  value = negative ? -v : v;
  return true;
}

}  // namespace chizro
