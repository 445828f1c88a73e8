// The binary vector file reader on the files under tests/data/vector (laid
// out as readers/vector/vector_builder.h describes): a sample of two class blocks
// with a figure of each kind, against golden dumps; every truncation of it;
// and files whose counts or lengths lie.
#include "readers/vector/vector_builder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "model/map_leaf.h"
#include "platform/errors.h"
#include "support/leaf_dump.h"
#include "test_support.h"

namespace chizro::test {
namespace {

INSTANTIATE_TEST_SUITE_P(Vector, ReaderGolden, ::testing::ValuesIn(GoldenRows("vector/golden.tsv")),
                         RowName<GoldenCase>);

class VectorReader : public ::testing::Test {
protected:
  // `bytes` written to a new file (truncating one file over and over makes
  // ext4 flush it at every close), and a leaf of it as the theme would hold
  // it before loading.
  std::unique_ptr<TMapLeaf> LeafOf(const std::string& bytes) {
    const std::string path = dir.File("file" + std::to_string(++files) + ".vec");
    WriteFile(path, bytes);
    auto leaf = std::make_unique<TMapLeaf>(&leaves);
    leaf->FileName = path;
    return leaf;
  }

  // Loading `bytes` is a read error that leaves the leaf not loaded.
  void ExpectLoadFails(const std::string& bytes) {
    const auto leaf = LeafOf(bytes);
    EXPECT_THROW(reader.LoadLeaf(*leaf, nullptr, 0), EInOutError);
    EXPECT_FALSE(leaf->Loaded);
  }

  const std::string sample = ReadFile(DataPath("vector/sample.vec"));
  TempDir dir;
  int files = 0;
  TMapLeafGrp leaves{nullptr};
  TMapBuilder_Vector reader;
};

// The name is taken after the last "\\", ":" or "/". Opening reads the
// header only.
TEST_F(VectorReader, OpenFileFillsTheLeafFromTheHeaderOnly) {
#ifdef _WIN32
  // "C:\maps" would be a folder of drive C: here.
  std::filesystem::create_directory(dir.Path() / "maps");
  const std::string path = dir.File("maps") + "\\0925.vec";
#else
  const std::string path = dir.File("C:\\maps\\0925.vec");
#endif
  WriteFile(path, sample);
  const auto leaf = reader.OpenFile(leaves, path);
  ASSERT_NE(leaf, nullptr);
  ExpectGolden(DumpLeaf(*leaf), "vector/sample_open.dump");
}

// No leaf for a file not starting with 'H'; a missing or short file is a read
// error, and so is a file rewritten since it was opened.
TEST_F(VectorReader, FilesThatAreNoVectorFiles) {
  std::string bytes = sample;
  bytes[0] = 'h';
  WriteFile(dir.File("other.bin"), bytes);
  EXPECT_EQ(reader.OpenFile(leaves, dir.File("other.bin")), nullptr);
  EXPECT_EQ(leaves.Count(), 0);
  ExpectLoadFails(bytes);
  const std::string shortFile = dir.File("short.vec");
  WriteFile(shortFile, sample.substr(0, 591));
  EXPECT_THROW(reader.OpenFile(leaves, shortFile), EInOutError);
  WriteFile(shortFile, "");
  EXPECT_THROW(reader.OpenFile(leaves, shortFile), EInOutError);
  auto leaf = std::make_unique<TMapLeaf>(&leaves);
  leaf->FileName = dir.File("missing.vec");
  EXPECT_THROW(reader.LoadLeaf(*leaf, nullptr, 0), EInOutError);
  EXPECT_FALSE(leaf->Loaded);
}

TEST_F(VectorReader, EveryTruncationIsAReadError) {
  for (std::size_t cut = 0; cut < sample.size(); ++cut) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    ExpectLoadFails(sample.substr(0, cut));
  }
  // Bytes after the last block are not read.
  const auto leaf = LeafOf(sample + "trailing");
  reader.LoadLeaf(*leaf, nullptr, 0);
  EXPECT_TRUE(leaf->Loaded);
  EXPECT_EQ(leaf->FigGrpCount(), 3);
}

// tests/data/vector/lying: one block "C" after the sample's header whose
// first figure record (or the count before it) lies; "huge" is 0x7FFFFFFF;
// or the sample with a coordinate mode code the format does not have.
class VectorLyingFile : public VectorReader, public ::testing::WithParamInterface<const char*> {};

TEST_P(VectorLyingFile, IsAReadError) {
  ExpectLoadFails(ReadFile(DataPath("vector/lying/") + GetParam() + ".vec"));
}

INSTANTIATE_TEST_SUITE_P(
    Counts, VectorLyingFile,
    ::testing::Values("huge_block_count", "negative_block_count", "huge_figure_count",
                      "negative_figure_count", "huge_vertex_count", "negative_vertex_count",
                      "vertex_count_one_too_many", "huge_value_count", "negative_value_count",
                      "value_length_past_the_end", "huge_property_count", "negative_property_count",
                      "key_length_past_the_end", "property_value_length_past_the_end",
                      "missing_property_value_length", "figure_kind_0", "figure_kind_4",
                      "coord_mode_3"),
    TextName);

}  // namespace
}  // namespace chizro::test
