// Text files that people write by hand or export from other programs come in
// Shift_JIS (the Japanese Windows default) or in UTF-8, with or without a
// byte order mark. The model keeps map text in Shift_JIS; this decides the
// encoding of such a file and gives its bytes as Shift_JIS.
#pragma once

#include <string>
#include <string_view>

namespace chizro {

enum class TTextEncoding { Ascii, ShiftJis, Utf8 };

// UTF-8 when the text begins with the UTF-8 byte order mark, or when it has
// bytes above 0x7F and all of them form valid UTF-8 sequences (Shift_JIS
// text of any length is almost never valid UTF-8); ASCII when it has no byte
// above 0x7F; Shift_JIS otherwise.
TTextEncoding DetectTextEncoding(std::string_view text) noexcept;

// The text in Shift_JIS, without a byte order mark: UTF-8 is converted
// (characters without a Shift_JIS form become "?"), the rest is kept as it is.
std::string TextAsSjis(std::string text);

}  // namespace chizro
