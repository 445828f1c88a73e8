#include "output/jwc_number.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace chizro {
namespace {

// Fraction digits that a value of the plain range with at most 15
// significant digits can have: 0.0001 * 10^k < 10^15 gives k <= 18.
constexpr std::size_t kMaxFractionDigits = 18;

// 5^k for k = 0..kMaxFractionDigits.
constexpr std::array<std::uint64_t, kMaxFractionDigits + 1> kPow5 = [] {
  std::array<std::uint64_t, kMaxFractionDigits + 1> p{};
  p[0] = 1;
  for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 5;
  return p;
}();

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The largest numerator n for which n * 5^k still has 15 digits.
constexpr std::array<std::uint64_t, kMaxFractionDigits + 1> kMaxNumerator = [] {
  std::array<std::uint64_t, kMaxFractionDigits + 1> m{};
  for (std::size_t i = 0; i < m.size(); ++i) m[i] = (std::uint64_t{999999999999999}) / kPow5[i];
  return m;
}();

// 10^k for k = 0..19, the powers below 2^64.
constexpr std::array<std::uint64_t, 20> kPow10 = [] {
  std::array<std::uint64_t, 20> p{};
  p[0] = 1;
  for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 10;
  return p;
}();

int DecimalLength(std::uint64_t v) noexcept {
  // log10(2) ~ 1233 / 4096: an estimate from the bit length, then one step.
  if (v == 0) return 1;
  const int guess = static_cast<int>((std::bit_width(v) * 1233) >> 12);
  return guess + (v >= kPow10[static_cast<std::size_t>(guess)] ? 1 : 0);
}

// Writes exactly `length` decimal digits of `v` (zero-padded on the left).
char* WriteDigits(std::uint64_t v, int length, char* out) noexcept {
  char* p = out + length;
  while (p - out >= 2) {
    const std::size_t pair = static_cast<std::size_t>(v % 100) * 2;
    v /= 100;
    *--p = kDigitPairs[pair + 1];
    *--p = kDigitPairs[pair];
  }
  if (p != out) *--p = static_cast<char>('0' + v % 10);
  return out + length;
}

// The values whose exact binary value has at most 15 significant decimal
// digits and lies in the plain range, as the single-precision vertices of the
// binary vector file and short binary fractions (whole numbers, halves,
// quarters) have: the digits are then the exact value, with nothing to round.
// Returns null for any other value.
char* FormatExact(double value, char* out) noexcept {
  const double a = std::fabs(value);
  if (!(a >= 0.0001 && a < 1e15)) return nullptr;
  // A normal number: a = n / 2^k with the 53-bit significand n, then n made
  // odd. a < 2^50 gives k > 0.
  const auto bits = std::bit_cast<std::uint64_t>(a);
  std::uint64_t n = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  int k = 1075 - static_cast<int>(bits >> 52);
  const int shift = std::min(k, std::countr_zero(n));
  n >>= shift;
  k -= shift;
  if (k > static_cast<int>(kMaxFractionDigits) || n > kMaxNumerator[static_cast<std::size_t>(k)])
    return nullptr;
  // a = n * 5^k / 10^k exactly, and n * 5^k has at most 15 digits: its
  // integer part is a's, its last k digits the fraction.
  const auto whole = static_cast<std::uint64_t>(a);
  char* o = out;
  if (value < 0) *o++ = '-';
  o = WriteDigits(whole, DecimalLength(whole), o);
  if (k == 0) return o;
  const std::uint64_t fraction =
      n * kPow5[static_cast<std::size_t>(k)] - whole * kPow10[static_cast<std::size_t>(k)];
  // n is odd, so the last fraction digit is 5: no trailing zeros.
  *o++ = '.';
  return WriteDigits(fraction, k, o);
}

// How far a written coordinate may lie from its value, in units of 0.001: a
// hair below one, so that the rounding of the product above cannot carry a
// form past 0.001.
constexpr double kCoordTolerance = 0.999;

}  // namespace

char* FormatJwcNumber(double value, char* out) noexcept {
  if (std::isnan(value)) return std::strcpy(out, "NAN") + 3;
  if (std::isinf(value))
    return value < 0 ? std::strcpy(out, "-INF") + 4 : std::strcpy(out, "INF") + 3;
  if (value == 0) {
    *out = '0';
    return out + 1;
  }
  if (char* end = FormatExact(value, out)) return end;

  // Fifteen significant digits, correctly rounded: d.dddddddddddddde[+-]x.
  char sci[kJwcNumberMax];
  const auto res = std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific, 14);
  const char* p = sci;
  char* o = out;
  if (*p == '-') {
    *o++ = '-';
    ++p;
  }
  char digits[15];
  int n = 0;
  for (; p < res.ptr && *p != 'e'; ++p)
    if (*p != '.') digits[n++] = *p;
  int exponent = 0;
  std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), res.ptr, exponent);
  while (n > 1 && digits[n - 1] == '0') --n;

  if (exponent >= -4 && exponent <= 14) {
    if (exponent < 0) {
      *o++ = '0';
      *o++ = '.';
      for (int i = -1; i > exponent; --i) *o++ = '0';
      for (int i = 0; i < n; ++i) *o++ = digits[i];
    } else {
      for (int i = 0; i <= exponent; ++i) *o++ = i < n ? digits[i] : '0';
      if (n > exponent + 1) {
        *o++ = '.';
        for (int i = exponent + 1; i < n; ++i) *o++ = digits[i];
      }
    }
    return o;
  }
  *o++ = digits[0];
  if (n > 1) {
    *o++ = '.';
    for (int i = 1; i < n; ++i) *o++ = digits[i];
  }
  *o++ = 'E';
  return std::to_chars(o, out + kJwcNumberMax, exponent).ptr;
}

namespace {

// Whether rounding n to a multiple of `step` (half up) moves it by at most
// one unit; `rest` is n modulo step. A farther multiple lies at least 1.5
// units from the value, which is within half a unit of n, so it can never
// meet the tolerance and needs no exact test.
constexpr bool NearMultiple(std::uint64_t rest, std::uint64_t step) noexcept {
  return rest <= 1 || rest >= step - 1;
}

// Whether q * step lies within the tolerance of `units`.
bool WithinTolerance(std::uint64_t q, std::uint64_t step, double units) noexcept {
  return std::fabs(static_cast<double>(q * step) - units) <= kCoordTolerance;
}

// "000" to "999", four bytes apart, and two bytes to spare at the end, so
// that four bytes can be copied from any digit of the table.
constexpr std::array<char, 4002> kDigitTriples = [] {
  std::array<char, 4002> t{};
  for (std::size_t i = 0; i < 1000; ++i) {
    t[4 * i] = static_cast<char>('0' + i / 100);
    t[4 * i + 1] = static_cast<char>('0' + i / 10 % 10);
    t[4 * i + 2] = static_cast<char>('0' + i % 10);
  }
  return t;
}();

// The coordinate writers below store four bytes at a time and return the end
// of the digits: up to three bytes past it are overwritten, which the
// kJwcNumberMax bytes of room allow (a coordinate takes at most 14).

// Writes g (below 1000) without leading zeros.
char* WriteLeadingTriple(std::uint64_t g, char* out) noexcept {
  const std::size_t skip = g < 10 ? 2 : g < 100 ? 1 : 0;
  std::memcpy(out, &kDigitTriples[4 * g + skip], 4);
  return out + 3 - skip;
}

// Writes g (below 1000) as three digits.
char* WriteTriple(std::uint64_t g, char* out) noexcept {
  std::memcpy(out, &kDigitTriples[4 * g], 4);
  return out + 3;
}

// Writes v (below 10^9) without leading zeros.
char* WriteWhole(std::uint64_t v, char* out) noexcept {
  if (v < 1000) return WriteLeadingTriple(v, out);
  if (v < 1000000) {
    const std::uint64_t high = v / 1000;
    return WriteTriple(v - high * 1000, WriteLeadingTriple(high, out));
  }
  const std::uint64_t high = v / 1000000;
  const std::uint64_t rest = v - high * 1000000;
  const std::uint64_t middle = rest / 1000;
  return WriteTriple(rest - middle * 1000, WriteTriple(middle, WriteLeadingTriple(high, out)));
}

}  // namespace

char* FormatJwcCoord(double value, char* out) noexcept {
  const double a = std::fabs(value);
  if (!(a < 1e9)) return FormatJwcNumber(value, out);
  // In units of the last place kept, 0.001: below 1e12, where a double still
  // resolves 0.0002 of a unit, so the tolerance below is met with room.
  const double units = a * 1000.0;
  // Rounded half away from zero, as llround does: units - n is exact for a
  // non-negative value below 2^52.
  auto n = static_cast<std::uint64_t>(units);
  if (units - static_cast<double>(n) >= 0.5) ++n;
  std::uint64_t whole = n / 1000;
  const std::uint64_t rest = n - whole * 1000;
  // The coarsest rounding that stays within one unit of the value, kept in
  // thousandths (1000 carries into the whole part).
  std::uint64_t thousandths = rest;
  if (NearMultiple(rest, 1000) && WithinTolerance((n + 500) / 1000, 1000, units)) {
    thousandths = (rest + 500) / 1000 * 1000;
  } else if (NearMultiple(rest % 100, 100) && WithinTolerance((n + 50) / 100, 100, units)) {
    thousandths = (rest + 50) / 100 * 100;
  } else if (NearMultiple(rest % 10, 10) && WithinTolerance((n + 5) / 10, 10, units)) {
    thousandths = (rest + 5) / 10 * 10;
  }
  if (thousandths == 1000) {
    ++whole;
    thousandths = 0;
  }
  if (whole == 0 && thousandths == 0) {
    *out = '0';
    return out + 1;
  }
  char* o = out;
  if (value < 0) *o++ = '-';
  // A value just below 10^9 may round up to it.
  o = whole < 1000000000 ? WriteWhole(whole, o) : WriteDigits(whole, DecimalLength(whole), o);
  if (thousandths == 0) return o;
  *o++ = '.';
  // Three digits written, the trailing zeros then left out.
  WriteTriple(thousandths, o);
  return o + (thousandths % 100 == 0 ? 1 : thousandths % 10 == 0 ? 2 : 3);
}

}  // namespace chizro
