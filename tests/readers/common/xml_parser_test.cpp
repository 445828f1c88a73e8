// The parser's English texts in Japanese: the rows are texts of Xerces-C++'s
// message catalog (XercesMessages_en_US.Msg, with its {0} and {1} filled as
// the parser fills them), and the names they quote come through.
#include "readers/common/xml_parser.h"

#include <gtest/gtest.h>

namespace chizro {
namespace {

struct ParserWordsCase {
  const char* English;
  const char* Japanese;
};

TEST(XmlParserMessageJa, TheParsersTextsInJapaneseWithTheirNames) {
  const ParserWordsCase cases[] = {
      {"unexpected end of input", "ファイルが途中で終わっています"},
      {"input ended before all started tags were ended; last tag started is 'gml:posList'",
       "ファイルが途中で終わっています (最後に始まったタグは 'gml:posList')"},
      {"expected end of tag 'trkpt'", "タグ 'trkpt' の終わりがありません"},
      {"invalid character 0x1F", "使えない文字 (0x1F) があります"},
      {"invalid character 0x1 in attribute value 'lat'", "属性値 'lat' に使えない文字 (0x1) があります"},
      {"invalid byte 'A0' at position 1 of a 2-byte sequence",
       "文字コードとして読めないバイト (A0) があります"},
      {"attribute 'lat' is already specified for element 'trkpt'",
       "要素 'trkpt' に属性 'lat' が二度あります"},
      {"'<' character cannot be used in attribute value 'a<b'; use &lt; instead",
       "属性値 'a<b' に '<' は使えません"},
      {"XML or TEXT declaration must start at line 1, column 1",
       "XML 宣言がファイルの先頭にありません"},
      {"invalid document structure", "文書の構造が正しくありません"},
      // Not in the table: our own plain words, no English.
      {"some text the parser may add one day", "XML の書き方に誤りがあります"},
      {"", "XML の書き方に誤りがあります"},
  };
  for (const ParserWordsCase& c : cases)
    EXPECT_EQ(XmlParserMessageJa(c.English), c.Japanese) << c.English;
}

}  // namespace
}  // namespace chizro
