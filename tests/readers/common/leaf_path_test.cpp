// Leaf paths read from and written as the FileName that messages and output
// show, on the forms the readers make.
#include "readers/common/leaf_path.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace chizro::test {
namespace {

struct LeafPathCase {
  std::string Name;
  std::string Text;
  TLeafPath Path;
};

class LeafPathTest : public ::testing::TestWithParam<LeafPathCase> {};

TEST_P(LeafPathTest, ReadsAndWritesTheFileName) {
  const LeafPathCase& c = GetParam();
  EXPECT_EQ(TLeafPath::Parse(c.Text), c.Path);
  EXPECT_EQ(c.Path.Text(), c.Text);
  EXPECT_EQ(c.Path.Innermost(), c.Path.Members.empty() ? c.Text : c.Path.Members.back());
}

const LeafPathCase kCases[] = {
    {"PlainFile", "dir/FG-GML-533946-BldA.xml", {"dir/FG-GML-533946-BldA.xml", {}}},
    {"ZipMember", "dir/a.zip|b/c.xml", {"dir/a.zip", {"b/c.xml"}}},
    {"ZipInZipAnyCase", "D:\\x\\A.ZIP|B.Zip|c.xml", {"D:\\x\\A.ZIP", {"B.Zip", "c.xml"}}},
    // A folder's elevation set: only a ".zip" before the bar makes a member.
    {"FolderSet", "dir/fgd|DEM-5s", {"dir/fgd|DEM-5s", {}}},
    {"NotAZip", "a.zipx|b.xml", {"a.zipx|b.xml", {}}},
};
INSTANTIATE_TEST_SUITE_P(LeafPath, LeafPathTest, ::testing::ValuesIn(kCases),
                         RowName<LeafPathCase>);

}  // namespace
}  // namespace chizro::test
