// The binary vector file reader, on files written byte by byte in the tests.
#include "readers/vector_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/map_leaf.h"
#include "platform/errors.h"
#include "support/leaf_dump.h"
#include "test_support.h"

namespace chizro {
namespace {

using Points = std::vector<TFPoint>;
using Texts = std::vector<std::string>;

// Little-endian writer for the file's fields.
class Bytes {
public:
  Bytes& Int(std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int shift = 0; shift < 32; shift += 8)
      s_.push_back(static_cast<char>((u >> shift) & 0xFF));
    return *this;
  }
  Bytes& Real(float v) { return Int(static_cast<std::int32_t>(std::bit_cast<std::uint32_t>(v))); }
  Bytes& Byte(unsigned char b) {
    s_.push_back(static_cast<char>(b));
    return *this;
  }
  Bytes& Zeros(std::size_t n) {
    s_.append(n, '\0');
    return *this;
  }
  // A NUL-padded text of `width` bytes.
  Bytes& Fixed(std::string_view text, std::size_t width) {
    s_.append(text.substr(0, width));
    return Zeros(width - std::min(width, text.size()));
  }
  Bytes& Raw(std::string_view bytes) {
    s_.append(bytes);
    return *this;
  }
  // A length-prefixed text.
  Bytes& Text(std::string_view text) {
    return Int(static_cast<std::int32_t>(text.size())).Raw(text);
  }
  Bytes& Point(TFPoint p) { return Real(p.x).Real(p.y); }

  const std::string& str() const noexcept { return s_; }
  std::size_t size() const noexcept { return s_.size(); }

private:
  std::string s_;
};

struct Header {
  // Fixed-width texts end at their first NUL; what follows it is left over.
  std::string Title = std::string("Sheet 09LD351\0old", 18);
  std::array<TFPoint, 4> Corners{{{-100, 200}, {300, 200}, {300, -50}, {-100, -50}}};
  TFRect Extent{-100, 200, 300, -50};
  std::int32_t Datum = 2;
  std::int32_t CoordMode = 1;
  std::int32_t Zone = 9;
  std::int32_t Blocks = 0;
};

void WriteHeader(Bytes& b, const Header& h) {
  b.Raw("H").Zeros(7).Fixed(h.Title, 256).Real(2500);
  for (const TFPoint& p : h.Corners) b.Point(p);
  b.Real(h.Extent.left).Real(h.Extent.top).Real(h.Extent.right).Real(h.Extent.bottom);
  b.Int(h.Datum).Int(h.CoordMode).Int(h.Zone).Fixed("free text", 256).Zeros(4).Int(h.Blocks);
}

void WriteBlock(Bytes& b, std::string_view code, std::int32_t figures) {
  b.Zeros(1).Fixed(code, 256).Zeros(3).Int(figures);
}

struct Record {
  std::int32_t Kind = 3;
  unsigned char Flag = 1;
  TFPoint Label{0, 0};
  TFRect Extent{0, 0, 0, 0};
  std::int32_t N = 0;  // counts as written, which may lie
  std::int32_t M = 0;
  std::int32_t K = 0;
};

void WriteRecord(Bytes& b, const Record& r) {
  b.Zeros(4).Int(r.Kind).Byte(r.Flag).Zeros(3).Point(r.Label);
  b.Real(r.Extent.left).Real(r.Extent.top).Real(r.Extent.right).Real(r.Extent.bottom);
  b.Int(r.N).Int(r.M).Int(r.K);
}

// A record with the given vertices, values and (key, value) properties,
// written with their true counts.
void WriteFigure(Bytes& b, Record r, const Points& pts, const Texts& values,
                 const std::vector<std::pair<std::string, std::string>>& props) {
  r.N = static_cast<std::int32_t>(pts.size());
  r.M = static_cast<std::int32_t>(values.size());
  r.K = static_cast<std::int32_t>(props.size());
  WriteRecord(b, r);
  for (const TFPoint& p : pts) b.Point(p);
  for (const std::string& v : values) b.Text(v);
  for (const auto& [key, value] : props) b.Text(key).Text(value);
}

// A file of `blocks` blocks whose first, "C", holds `figures` figures, the
// first of them `record` followed by the bytes `tail`.
std::string OneRecord(std::int32_t blocks, std::int32_t figures, const Record& record,
                      std::string_view tail = {}) {
  Bytes b;
  Header h;
  h.Blocks = blocks;
  WriteHeader(b, h);
  WriteBlock(b, "C", figures);
  WriteRecord(b, record);
  return b.Raw(tail).str();
}

// Two blocks with a figure of each kind: the file most tests start from.
std::string SampleFile() {
  Bytes b;
  Header h;
  h.Blocks = 2;
  WriteHeader(b, h);
  WriteBlock(b, std::string("BLDG\0old", 8), 2);
  WriteFigure(b, {.Kind = 3, .Flag = 0, .Label = {5, 6}}, {{0, 0}, {10, 0}, {10, 8}, {0, 0}},
              {"Town hall", "3F"}, {{"height", "12.5"}, {"Use", "office"}});
  WriteFigure(b, {.Kind = 2, .Flag = 2, .Label = {1, 1}}, {{-3, 4}, {7, -2}}, {}, {});
  WriteBlock(b, "SIGN", 2);
  WriteFigure(b, {.Kind = 1, .Flag = 1, .Label = {20, 30}}, {{20, 30}}, {"Post"}, {});
  WriteFigure(b, {.Kind = 1, .Label = {9, 9}, .Extent = {1, 4, 3, 2}}, {}, {}, {});
  return b.str();
}

class VectorReader : public ::testing::Test {
protected:
  // A leaf of the given file as the theme would hold it before loading.
  std::unique_ptr<TMapLeaf> LeafFor(const std::string& path) {
    auto leaf = std::make_unique<TMapLeaf>(&leaves);
    leaf->FileName = path;
    return leaf;
  }

  // Loads `bytes` written to a file; expects a read error that leaves the
  // leaf not loaded.
  void ExpectLoadFails(const std::string& bytes) {
    // A new file each time: truncating one file over and over makes ext4
    // flush it at every close.
    const std::string path = dir.File("bad" + std::to_string(++badFiles) + ".vec");
    test::WriteFile(path, bytes);
    auto leaf = LeafFor(path);
    EXPECT_THROW(reader.LoadLeaf(*leaf, nullptr, 0), EInOutError);
    EXPECT_FALSE(leaf->Loaded);
  }

  // Loads `bytes` written to a file.
  std::unique_ptr<TMapLeaf> Loaded(const std::string& bytes) {
    const std::string path = dir.File("good" + std::to_string(++goodFiles) + ".vec");
    test::WriteFile(path, bytes);
    auto leaf = LeafFor(path);
    reader.LoadLeaf(*leaf, nullptr, 0);
    return leaf;
  }

  test::TempDir dir;
  int badFiles = 0;
  int goodFiles = 0;
  TMapLeafGrp leaves{nullptr};
  TMapBuilder_Vector reader;
};

// The name is taken after the last "\\", ":" or "/"; the title ends at its
// first NUL. Opening reads the header only.
TEST_F(VectorReader, OpenFileFillsTheLeafFromTheHeaderOnly) {
#ifdef _WIN32
  // "C:\maps" would be a folder of drive C: here.
  std::filesystem::create_directory(dir.Path() / "maps");
  const std::string path = dir.File("maps") + "\\0925.vec";
#else
  const std::string path = dir.File("C:\\maps\\0925.vec");
#endif
  test::WriteFile(path, SampleFile());
  const auto leaf = reader.OpenFile(leaves, path);
  ASSERT_NE(leaf, nullptr);
  test::ExpectGolden(test::DumpLeaf(*leaf), "vector/sample_open.dump");
}

// The flag is any non-zero byte; a figure with vertices has its extent
// recomputed, one without keeps its record's.
TEST_F(VectorReader, LoadLeafBuildsEveryKindOfFigure) {
  const std::string path = dir.File("sample.vec");
  test::WriteFile(path, SampleFile());
  auto leaf = LeafFor(path);
  reader.LoadLeaf(*leaf, nullptr, 1000);
  test::ExpectGolden(test::DumpLeaf(*leaf), "vector/sample.dump");
  EXPECT_EQ(leaf->FigGrps.at(0)->Items(0)->Extent, (TFRect{0, 8, 10, 0}));
}

TEST_F(VectorReader, NoClassBlocksGiveALoadedLeafWithoutFigureLists) {
  Bytes b;
  WriteHeader(b, Header{});
  const auto leaf = Loaded(b.str());
  EXPECT_TRUE(leaf->Loaded);
  EXPECT_EQ(leaf->FigGrpCount(), 0);
}

// Values of length zero or less are skipped and later ones move up. A key
// length of zero or less ends the property list at once with no value length
// after it; a value length of zero or less is an empty value; a second key
// stays beside the first. Texts longer than 1024 bytes are read whole.
TEST_F(VectorReader, LengthsOfZeroOrLessAndLongTexts) {
  Bytes b;
  Header h;
  h.Blocks = 1;
  WriteHeader(b, h);
  WriteBlock(b, "C", 3);
  WriteRecord(b, {.Kind = 2, .N = 0, .M = 4, .K = 0});
  b.Text("first").Int(0).Int(-7).Text("fourth");
  WriteRecord(b, {.Kind = 1, .N = 0, .M = 0, .K = 6});
  b.Int(0).Text("a").Int(0).Int(-3).Text("b").Int(-1).Text("c").Text("seen");
  b.Text("a").Text("second a");
  const std::string longText(5000, 'x');
  WriteFigure(b, {.Kind = 1}, {{1, 2}}, {longText}, {{"k", longText + "y"}});
  const auto leaf = Loaded(b.str());
  test::ExpectGolden(test::DumpLeaf(*leaf), "vector/lengths.dump");
}

TEST_F(VectorReader, FileNotStartingWithHGivesNoLeaf) {
  std::string bytes = SampleFile();
  bytes[0] = 'h';
  const std::string path = dir.File("other.bin");
  test::WriteFile(path, bytes);
  EXPECT_EQ(reader.OpenFile(leaves, path), nullptr);
  EXPECT_EQ(leaves.Count(), 0);
  // A file rewritten since it was opened is refused by the load as well.
  ExpectLoadFails(bytes);
}

TEST_F(VectorReader, MissingOrShortFilesAreReadErrors) {
  auto leaf = LeafFor(dir.File("missing.vec"));
  EXPECT_THROW(reader.LoadLeaf(*leaf, nullptr, 0), EInOutError);
  EXPECT_FALSE(leaf->Loaded);
  const std::string shortFile = dir.File("short.vec");
  test::WriteFile(shortFile, SampleFile().substr(0, 591));
  EXPECT_THROW(reader.OpenFile(leaves, shortFile), EInOutError);
  test::WriteFile(shortFile, "");
  EXPECT_THROW(reader.OpenFile(leaves, shortFile), EInOutError);
}

TEST_F(VectorReader, EveryTruncationIsAReadError) {
  const std::string whole = SampleFile();
  for (std::size_t cut = 0; cut < whole.size(); ++cut) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    ExpectLoadFails(whole.substr(0, cut));
  }
  // Bytes after the last block are not read.
  const std::string path = dir.File("tail.vec");
  test::WriteFile(path, whole + "trailing");
  auto leaf = LeafFor(path);
  reader.LoadLeaf(*leaf, nullptr, 0);
  EXPECT_TRUE(leaf->Loaded);
  EXPECT_EQ(leaf->FigGrpCount(), 3);
}

TEST_F(VectorReader, LyingCountsAndLengthsAreReadErrors) {
  constexpr std::int32_t kHuge = 0x7FFFFFFF;
  struct Case {
    const char* name;
    std::int32_t blocks;
    std::int32_t figures;
    Record record;
    std::string tail;  // the record's variable data
  };
  const std::string vertex = Bytes().Point({1, 1}).str();
  const std::vector<Case> cases = {
      {"huge block count", kHuge, 1, {.Kind = 1, .N = 1}, vertex},
      {"negative block count", -1, 1, {.Kind = 1, .N = 1}, vertex},
      {"huge figure count", 1, kHuge, {.Kind = 1, .N = 1}, vertex},
      {"negative figure count", 1, -2, {.Kind = 1, .N = 1}, vertex},
      {"huge vertex count", 1, 1, {.Kind = 2, .N = kHuge}, vertex},
      {"negative vertex count", 1, 1, {.Kind = 2, .N = -1}, vertex},
      {"vertex count one too many", 1, 1, {.Kind = 2, .N = 2}, vertex},
      {"huge value count", 1, 1, {.Kind = 2, .M = kHuge}, Bytes().Text("v").str()},
      {"negative value count", 1, 1, {.Kind = 2, .M = INT32_MIN}, Bytes().Text("v").str()},
      {"value length past the end", 1, 1, {.Kind = 2, .M = 1}, Bytes().Int(kHuge).Raw("v").str()},
      {"huge property count", 1, 1, {.Kind = 3, .K = kHuge}, Bytes().Int(0).str()},
      {"negative property count", 1, 1, {.Kind = 3, .K = -5}, ""},
      {"key length past the end", 1, 1, {.Kind = 3, .K = 1}, Bytes().Int(9).Raw("key").str()},
      {"value length past the end", 1, 1, {.Kind = 3, .K = 1}, Bytes().Text("k").Int(kHuge).str()},
      {"missing value length", 1, 1, {.Kind = 3, .K = 1}, Bytes().Text("k").str()},
      {"figure kind 0", 1, 1, {.Kind = 0}, ""},
      {"figure kind 4", 1, 1, {.Kind = 4}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectLoadFails(OneRecord(c.blocks, c.figures, c.record, c.tail));
  }
}

TEST_F(VectorReader, UnknownFigureKindIsNamedInTheError) {
  const std::string path = dir.File("kind.vec");
  test::WriteFile(path, OneRecord(1, 1, {.Kind = 77}));
  auto leaf = LeafFor(path);
  try {
    reader.LoadLeaf(*leaf, nullptr, 0);
    ADD_FAILURE() << "no error for figure kind 77";
  } catch (const EInOutError& e) {
    EXPECT_NE(std::string(e.what()).find("77"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace chizro
