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

// The parser's text (null for none) as a view.
inline std::u16string_view View(const char16_t* s) {
  return s ? std::u16string_view(s) : std::u16string_view();
}

// True when the namespace URI `uri` (of an element) is `name`. The parser
// hands out the same pointer for the same URI, so a match is remembered in
// `known` by its address.
inline bool IsNamespace(const char16_t* uri, const char16_t*& known, std::u16string_view name) {
  if (uri && uri == known) return true;
  if (View(uri) != name) return false;
  known = uri;
  return true;
}

// True when the XML declaration at the start of `head` (the first bytes of
// a document) gives EUC-JP as the encoding, by any name that ICU knows it
// by (letter case and other characters than letters and digits aside).
bool DeclaresEucJp(std::string_view head);

// Where the Xerces-C++ transcoder of the build lacks EUC-JP (Windows), the
// readers hand such documents to the parser in UTF-8, converted by
// TEucJpToUtf8 (readers/common/euc_jp.h) as ICU would decode them, and tell the
// parser so.
#ifdef _WIN32
inline constexpr bool kConvertEucJp = true;
#else
inline constexpr bool kConvertEucJp = false;
#endif

}  // namespace chizro
