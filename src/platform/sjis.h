// Shift_JIS (CP932) text at the edges: data stays in its Shift_JIS bytes
// inside the model; the window converts to Unicode to show it, and the XML
// reader converts the parser's text back into Shift_JIS.
//
// Both directions give the same bytes on every platform: glibc's "CP932"
// decides, and the Windows implementation over code page 932 follows it
// where Windows differs (byte 0x80, the one-way mappings of U+00A2, U+00A3,
// U+00A5, U+00AC, U+2014, U+2016, U+203E, U+2212 and U+301C, and the tag
// characters U+E0000..U+E007F, which glibc drops).
#pragma once

#include <string>
#include <string_view>

namespace chizro {

// Bytes that are not valid CP932 become U+FFFD, one for each byte that
// cannot start a character; never throws for bad input.
std::string SjisToUtf8(std::string_view sjis);

// Characters without a CP932 form become "?"; so does each malformed UTF-8
// sequence (a byte that cannot start a character with the continuation bytes
// after it).
std::string Utf8ToSjis(std::string_view utf8);

#ifdef _WIN32
// The same conversions to and from the UTF-16 of the Windows "W" functions.
// A lone surrogate becomes "?".
std::wstring SjisToWide(std::string_view sjis);
std::string WideToSjis(std::wstring_view wide);
#endif

}  // namespace chizro
