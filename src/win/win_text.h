// Shift_JIS text for the wide ("W") Win32 functions. The model keeps text and
// paths as Shift_JIS bytes (code page 932); Windows draws and opens files in
// UTF-16. The conversion names code page 932 explicitly so that it does not
// depend on the system's ANSI code page.
#pragma once

#include <string>
#include <string_view>

namespace chizro {

// Bytes that are not valid Shift_JIS become U+30FB or U+FFFD, as Windows
// maps them; never throws for bad input.
std::wstring SjisToWide(std::string_view sjis);

// Characters without a Shift_JIS form become "?".
std::string WideToSjis(std::wstring_view wide);

}  // namespace chizro
