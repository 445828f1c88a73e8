// EUC-JP to UTF-8, character for character as ICU's converter "EUC-JP"
// (euc-jp-2007) decodes it: the converter that the Xerces-C++ of the Linux
// build reads EUC-JP documents with. The Windows build, whose transcoder
// lacks EUC-JP, converts such documents with this before it parses them, so
// that they read the same on both.
//
//   - ASCII and the C1 controls (0x80..0x8D, 0x90..0x9F) stand for themselves;
//   - two bytes A1..FE are a JIS X 0208 code with the extensions of CP932
//     (NEC's row 13, NEC-selected IBM extensions in rows 89..92): the
//     character of the Shift_JIS code in the same place;
//   - 8E A1..DF is half-width katakana, 8E E0..E2 is U+00A2, U+00A3, U+00AC;
//   - 8F and two bytes A1..FE is JIS X 0212 (and the IBM extensions of row
//     83), from the table in euc_jp.cpp;
//   - a code of that form without a character, and the trail bytes A0 and FF
//     in place of A1..FE, give U+FFFD; any other byte sequence is illegal
//     and gives U+001A for its first byte, whereupon the next byte starts
//     afresh. No XML document may hold U+001A, so the parse stops there with
//     the same error as with ICU.
#pragma once

#include <string>
#include <string_view>

namespace chizro {

class TEucJpToUtf8 final {
public:
  // Appends the UTF-8 of `bytes` to `out`. A character whose bytes run past
  // the end of `bytes` waits for the next call; with `last` they are taken
  // as an illegal sequence.
  void Convert(std::string_view bytes, bool last, std::string& out);

private:
  std::string pending_;
};

// A whole text at once.
std::string EucJpToUtf8(std::string_view bytes);

}  // namespace chizro
