// Comma text on the tables tests/data/comma_text/split.tsv (texts and the
// fields they split into) and join.tsv (fields and the text they join into).
#include "platform/comma_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace chizro {
namespace {

using Fields = std::vector<std::string>;
using test::TableRow;

std::vector<TableRow> Rows(const char* table) {
  return test::ReadTable(std::string(CHIZRO_TEST_DATA_DIR) + "/comma_text/" + table);
}

class CommaTextSplit : public ::testing::TestWithParam<TableRow> {};

TEST_P(CommaTextSplit, GivesFields) {
  const TableRow& r = GetParam();
  EXPECT_EQ(SplitCommaText(r.at(1)), Fields(r.begin() + 2, r.end()));
}

INSTANTIATE_TEST_SUITE_P(Rules, CommaTextSplit, ::testing::ValuesIn(Rows("split.tsv")),
                         test::TableRowName);

class JoinCommaTextTest : public ::testing::TestWithParam<TableRow> {};

TEST_P(JoinCommaTextTest, JoinsSoThatSplittingGivesTheFieldsBack) {
  const TableRow& r = GetParam();
  const Fields fields(r.begin() + 2, r.end());
  EXPECT_EQ(JoinCommaText(fields), r.at(1));
  EXPECT_EQ(SplitCommaText(r.at(1)), fields);
}

INSTANTIATE_TEST_SUITE_P(Fields, JoinCommaTextTest, ::testing::ValuesIn(Rows("join.tsv")),
                         test::TableRowName);

}  // namespace
}  // namespace chizro
