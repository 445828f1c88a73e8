// Text at the edge of the Windows window: the program's own texts and
// messages are UTF-8, the W functions take UTF-16, and the model opens files
// by their Shift_JIS (code page 932) names.
#pragma once

#include <string>
#include <string_view>

namespace chizro {

// UTF-8 to UTF-16 for captions and messages. A message may quote a file
// name in the model's Shift_JIS; a byte sequence that is not UTF-8 is read
// as code page 932 instead, so that such a name shows as written.
std::wstring WideText(std::string_view utf8);

// UTF-16 to UTF-8.
std::string Utf8Text(std::wstring_view wide);

// A file name chosen in a dialog as the model opens it: code page 932.
// Throws EChizroError when a character has no code page 932 form (the file
// could not be opened under that name).
std::string SjisFileName(std::wstring_view wide);

}  // namespace chizro
