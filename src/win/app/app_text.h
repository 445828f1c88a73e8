// Text at the edge of the Windows window: the program's own texts and
// messages are UTF-8, the W functions take UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace chizro {

// UTF-8 to UTF-16 for captions and messages; a byte sequence that is not
// UTF-8 becomes U+FFFD.
std::wstring WideText(std::string_view utf8);

// UTF-16 to UTF-8.
std::string Utf8Text(std::wstring_view wide);

// A file name chosen in a dialog as the model's path text (Shift_JIS).
// Throws EChizroError when a character has no Shift_JIS form: the file could
// not be opened under the name the model would hold.
std::string ChosenFileName(std::wstring_view wide);

}  // namespace chizro
