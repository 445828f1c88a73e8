// An FGD file read in parts on several threads, as a large file opened on its
// own is: the parts' figures, joined in order, are the file's as its golden
// dump has them; a cut that the raw scan puts inside a comment falls back to
// one read; the open's cancel reaches a read in parts.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <memory>
#include <vector>

#include "model/map_leaf.h"
#include "readers/common/xml_split.h"
#include "readers/fgd/fgd_builder.h"
#include "support/cancel_in_parts.h"
#include "support/leaf_dump.h"
#include "test_support.h"

namespace chizro::test {
namespace {

namespace fs = std::filesystem;

// The FGD tables' rows, read by a reader that cuts every file in three parts
// (the bad files' errors lie in the second or third).
template <class Case>
std::vector<Case> InParts(std::vector<Case> rows) {
  for (Case& row : rows)
    row.Reader = [] { return std::make_unique<TMapBuilder_Fgd>(TFgdSplit{1, 3}); };
  return rows;
}

std::vector<GoldenCase> FgdGoldenRows() {
  std::vector<GoldenCase> rows = GoldenRows("fgd/golden.tsv");
  for (const GoldenCase& row : GoldenRows("fgd/split/golden.tsv")) rows.push_back(row);
  return rows;
}

INSTANTIATE_TEST_SUITE_P(FgdInParts, ReaderGolden, ::testing::ValuesIn(InParts(FgdGoldenRows())),
                         RowName<GoldenCase>);
INSTANTIATE_TEST_SUITE_P(FgdInParts, ReaderBadFile,
                         ::testing::ValuesIn(InParts(BadFileRows("fgd/bad_files.tsv"))),
                         RowName<BadFileCase>);

// The cuts, against offsets found in the file's text: each before a feature
// that follows another's end tag, the first part from the start, the others
// behind the root's start tag, all but the last closed by the root's end tag.
TEST(XmlSplit, CutsBeforeTheFeaturesThatFollowTheHalfAndThirds) {
  const std::string file = DataPath("fgd/FG-GML-533946-BldA-20230101-0001.xml");
  const std::string text = ReadFile(file);
  const auto size = static_cast<std::int64_t>(text.size());
  const std::string root = text.substr(0, text.find('>', text.find("<Dataset")) + 1);
  const auto at = [&](const char* id) {
    return static_cast<std::int64_t>(text.find(std::string("<BldA gml:id=\"") + id + "\""));
  };

  const std::vector<TXmlPart> halves = SplitXmlRecords(file, size, 2);
  ASSERT_EQ(halves.size(), 2u);
  const std::int64_t second = at("K6_2") < size / 2 ? at("K6_3") : at("K6_2");
  EXPECT_EQ(halves[0].Begin, 0);
  EXPECT_EQ(halves[0].End, second);
  EXPECT_EQ(halves[0].Head, "");
  EXPECT_EQ(halves[0].Tail, "</Dataset>");
  EXPECT_EQ(halves[1].Begin, second);
  EXPECT_EQ(halves[1].End, size);
  EXPECT_EQ(halves[1].Head, root);
  EXPECT_EQ(halves[1].Tail, "");

  // More parts than features: a cut before each feature but the first.
  const std::vector<TXmlPart> many = SplitXmlRecords(file, size, 8);
  ASSERT_EQ(many.size(), 3u);
  EXPECT_EQ(many[1].Begin, at("K6_2"));
  EXPECT_EQ(many[2].Begin, at("K6_3"));

  // The trap: the raw scan cuts inside the comment, which one read then mends.
  const std::string trapFile = DataPath("fgd/split/comment_trap.xml");
  const std::string trap = ReadFile(trapFile);
  const std::vector<TXmlPart> trapped =
      SplitXmlRecords(trapFile, static_cast<std::int64_t>(trap.size()), 2);
  ASSERT_EQ(trapped.size(), 2u);
  EXPECT_GT(trapped[1].Begin, static_cast<std::int64_t>(trap.find("<!--")));
  EXPECT_LT(trapped[1].Begin, static_cast<std::int64_t>(trap.find("-->")));

  // A document type declaration: no cut.
  const std::string doctype = DataPath("fgd/bad/doctype.xml");
  EXPECT_TRUE(
      SplitXmlRecords(doctype, static_cast<std::int64_t>(ReadFile(doctype).size()), 2).empty());
}

// The window's cancel, asked on the calling thread while the parts are read,
// ends the open with no leaf and every thread joined.
TEST(FgdInPartsCancel, EndsTheOpen) {
  TMapBuilder_Fgd reader(TFgdSplit{1, 2});
  ExpectOpenCancelledInParts(reader, DataPath("fgd/FG-GML-533946-BldA-20230101-0001.xml"));
}

}  // namespace
}  // namespace chizro::test
