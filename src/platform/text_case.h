// The letter case of text held as bytes: only the ASCII letters change.
#pragma once

#include <string>
#include <string_view>

namespace chizro {

// ASCII letters in capitals; Shift_JIS double-byte characters stay as they are.
std::string UpperAscii(std::string_view s);

// ASCII letters in small letters; other bytes as they are.
std::string LowerAscii(std::string s);

}  // namespace chizro
