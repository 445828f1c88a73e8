// Number conversions with the runtime's error messages. Integers are 32-bit
// and signed; reals use "." as the decimal point whatever the locale.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace chizro {

// Decimal with an optional sign, or hexadecimal after "$" (sign allowed before
// the "$"). Nothing else may stand in the text, not even blanks.
std::optional<std::int32_t> TryStrToInt(std::string_view text) noexcept;

// As TryStrToInt; throws EConvertError ("'%s' は数値ではありません").
std::int32_t StrToInt(std::string_view text);

// A whole profile value read as an integer: decimal with an optional sign, or
// hexadecimal after "0x"/"0X". Anything else gives `def`.
std::int32_t ProfileStrToInt(std::string_view text, std::int32_t def) noexcept;

// A real number: optional blanks around it, optional sign, digits with an
// optional "." fraction and an optional exponent. No "inf" or "nan".
std::optional<double> TryStrToFloat(std::string_view text) noexcept;

// `value` with `digits` decimals ("-297229.388"), "." whatever the locale.
std::string FixedText(double value, int digits);

// As TryStrToFloat; throws EFloatConvertError ("'%s' は浮動小数点数ではありません").
double StrToFloat(std::string_view text);

// A plain decimal of at most 15 digits, nothing else ("-12.34", "5", "5."):
// its value, correctly rounded as std::from_chars gives it, in one exact
// division. False for anything else (exponents, more digits, a leading "+"
// or "."), which the caller converts the slow way. For the coordinates of
// the map readers.
bool ShortDecimal(std::string_view text, double& value) noexcept;

// The value of `s` when the whole of it is a 32-bit integer literal:
// optional leading blanks, an optional sign, then decimal digits or a
// hexadecimal prefix ("$", "x", "X", "0x" or "0X") followed by hexadecimal
// digits. Nothing may follow.
std::optional<std::int32_t> NumberLiteral(std::string_view s) noexcept;

}  // namespace chizro
