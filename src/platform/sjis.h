// Shift_JIS (CP932) text at the edges: data stays in its Shift_JIS bytes
// inside the model; the window converts to Unicode to show it, and the XML
// reader converts the parser's text back into Shift_JIS.
#pragma once

#include <string>
#include <string_view>

namespace chizro {

// Bytes that are not valid CP932 become U+FFFD; never throws for bad input.
std::string SjisToUtf8(std::string_view sjis);

// Characters without a CP932 form become "?".
std::string Utf8ToSjis(std::string_view utf8);

}  // namespace chizro
