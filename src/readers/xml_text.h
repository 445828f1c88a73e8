// What the XML readers (Xerces-C++) share: the parser's runtime and the
// conversion of its UTF-16 text.
#pragma once

#include <string>
#include <string_view>

namespace chizro {

// Starts the XML runtime once for the process; it ends at the process's exit.
// Initialize and Terminate count their calls, so other users of the library
// in the same process are not disturbed. EInOutError when it cannot start.
void EnsureXercesRuntime();

// UTF-16 text as UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf8Of(std::u16string_view text);

}  // namespace chizro
