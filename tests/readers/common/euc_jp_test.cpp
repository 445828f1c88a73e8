// EUC-JP as the Windows build converts it before parsing, held to what the
// Linux build's parser (ICU's converter "EUC-JP") makes of the same bytes:
// tests/data/xml/euc_jp_icu.txt, written from ICU once.
#include "readers/common/euc_jp.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "readers/common/xml_text.h"
#include "support/leaf_dump.h"
#include "test_support.h"

namespace chizro {
namespace {

std::string Utf8(std::u16string_view s) { return Utf8Of(s); }

struct TRow {
  std::string Codes;  // every code of the row, one after the other
  std::string Text;   // their characters in UTF-8
};

struct TIcu {
  std::vector<TRow> Rows;
  std::vector<std::pair<std::string, std::string>> Sequences;  // bytes, UTF-8
};

const TIcu& Icu() {
  static const TIcu icu = [] {
    TIcu t;
    std::istringstream file(test::ReadFile(test::DataPath("xml/euc_jp_icu.txt")));
    for (std::string line; std::getline(file, line);) {
      std::istringstream in(line);
      std::string kind;
      in >> kind;
      std::vector<std::string> words;
      for (std::string w; in >> w;) words.push_back(w);
      if (kind == "row") {
        // row [8F] LEAD FIRST TEXT
        std::string prefix;
        for (std::size_t i = 0; i + 2 < words.size(); ++i)
          prefix += static_cast<char>(std::stoul(words[i], nullptr, 16));
        const auto first = std::stoul(words[words.size() - 2], nullptr, 16);
        const auto last = prefix == "\x8E" ? 0xE4ul : 0xFEul;
        TRow row;
        for (auto trail = first; trail <= last; ++trail)
          row.Codes += prefix + static_cast<char>(trail);
        row.Text = words.back();
        t.Rows.push_back(row);
      } else if (kind == "seq") {
        std::string bytes;
        std::u16string text;
        bool out = false;
        for (const std::string& w : words) {
          if (w == "=") {
            out = true;
          } else if (out) {
            text += static_cast<char16_t>(std::stoul(w, nullptr, 16));
          } else {
            bytes += static_cast<char>(std::stoul(w, nullptr, 16));
          }
        }
        t.Sequences.emplace_back(bytes, Utf8(text));
      }
    }
    return t;
  }();
  return icu;
}

TEST(EucJp, EveryCodeDecodesAsWithIcu) {
  ASSERT_EQ(Icu().Rows.size(), 94u + 1 + 94);
  for (const TRow& row : Icu().Rows)
    EXPECT_EQ(EucJpToUtf8(row.Codes), row.Text)
        << "row of" << std::hex << static_cast<int>(static_cast<unsigned char>(row.Codes[0]));
}

// Illegal sequences give U+001A at the same place as with ICU, the byte
// after the bad lead byte starting afresh. ICU was given a blank after each,
// which ends any sequence it held back.
TEST(EucJp, IllegalSequencesAsWithIcu) {
  ASSERT_GT(Icu().Sequences.size(), 30u);
  for (const auto& [bytes, text] : Icu().Sequences)
    EXPECT_EQ(EucJpToUtf8(bytes + " "), text + " ") << "sequence of " << bytes.size() << " bytes";
}

// Text in pieces of every size gives what it gives whole; a character cut
// by the end of the last piece is illegal.
TEST(EucJp, PiecesGiveTheWholeText) {
  std::string text;
  for (const TRow& row : Icu().Rows) text += row.Codes + "a";
  const std::string whole = EucJpToUtf8(text);
  for (std::size_t piece : {1u, 2u, 3u, 5u, 64u}) {
    TEucJpToUtf8 decoder;
    std::string out;
    for (std::size_t at = 0; at < text.size(); at += piece)
      decoder.Convert(std::string_view(text).substr(at, piece), at + piece >= text.size(), out);
    EXPECT_EQ(out, whole) << "pieces of " << piece;
  }
  TEucJpToUtf8 decoder;
  std::string out;
  decoder.Convert("a\xA4", false, out);
  EXPECT_EQ(out, "a");
  decoder.Convert("\xA2\x8F\xB0", false, out);
  EXPECT_EQ(out, "a\xE3\x81\x82");  // あ
  decoder.Convert("", true, out);
  EXPECT_EQ(out, "a\xE3\x81\x82\x1A\x1A") << "8F B0 cut by the end";
}

// The rows of tests/data/xml/euc_jp_declarations.tsv.
class EucJpDeclaration : public ::testing::TestWithParam<test::TableRow> {};

TEST_P(EucJpDeclaration, NamesEucJpAsIcuDoes) {
  EXPECT_EQ(DeclaresEucJp(GetParam().at(1)), GetParam().at(2) == "1") << GetParam().at(1);
}

INSTANTIATE_TEST_SUITE_P(
    Heads, EucJpDeclaration,
    ::testing::ValuesIn(test::ReadTable(test::DataPath("xml/euc_jp_declarations.tsv"))),
    test::TableRowName);

}  // namespace
}  // namespace chizro
