// The numbers of the result file "temp.txt": general values and coordinates,
// written without locale effects.
#pragma once

namespace chizro {

// The number format of the result file: rounded to 15 significant digits,
// trailing zeros dropped, "." as the decimal point; plain notation for
// magnitudes from 0.0001 with at most 15 digits before the point, otherwise
// scientific (1E20, 1.5E-6). Zero is "0" (also negative zero); NaN and the
// infinities are "NAN", "INF" and "-INF". Writes at most kJwcNumberMax bytes
// from `out` and returns the end.
inline constexpr int kJwcNumberMax = 32;
char* FormatJwcNumber(double value, char* out) noexcept;

// A coordinate of the result file [output units, mm on paper at 1:1]: the
// shortest plain decimal (the fewest fraction digits, at most three, trailing
// zeros dropped) that lies within 0.001 of the value, so that every point is
// written to the micrometre and no digit more. Magnitudes from 1e9 on (and NaN
// and the infinities) are written as FormatJwcNumber writes them. Writes at
// most kJwcNumberMax bytes from `out` and returns the end.
char* FormatJwcCoord(double value, char* out) noexcept;

}  // namespace chizro
