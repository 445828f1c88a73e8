// The chart cell reader of chizro-enclist (tools/enc): ISO/IEC 8211
// structure, format controls and the listing it writes, on the small test
// cell and on small cells under tests/data/enc/cells, valid and broken.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "iso8211.h"
#include "s57_listing.h"
#include "support/leaf_dump.h"
#include "test_support.h"

namespace iso8211 {
namespace {

const std::string kCellPath = std::string(CHIZRO_TEST_DATA_DIR) + "/enc/JP4TEST1.000";

std::string Cell(const std::string& name) {
  return chizro::test::ReadFile(std::string(CHIZRO_TEST_DATA_DIR) + "/enc/cells/" + name + ".000");
}

std::string Listing(std::string_view cell, TListingStats* stats = nullptr) {
  std::ostringstream out;
  const TListingStats s = WriteListing(cell, out);
  if (stats) *stats = s;
  return out.str();
}

// Every line ends in CR LF and is a record start, a record end or a field
// line whose content splits into items without quotes or commas, in
// printable ASCII.
void ExpectListingShape(const std::string& listing) {
  for (std::size_t p = 0, e = 0; p < listing.size(); p = e + 2) {
    e = listing.find("\r\n", p);
    ASSERT_NE(e, std::string::npos) << "line without CR LF";
    const std::string line = listing.substr(p, e - p);
    if (line.starts_with("RECN ") || line == "****") continue;
    bool good = line.size() >= 8 && line[0] == ' ' && line[5] == ' ' &&
                line.find_first_of(",\"\t", 6) == std::string::npos;
    for (const char c : line) good = good && c >= 0x20 && c < 0x7F;
    if (!good) {
      ADD_FAILURE() << "malformed listing line: " << line;
      return;
    }
  }
}

// --- Format controls ----------------------------------------------------------

std::string Describe(const std::vector<TSubfieldDefn>& formats) {
  std::string s;
  for (const TSubfieldDefn& f : formats) {
    if (!s.empty()) s += ' ';
    s += f.Form;
    if (f.Form == 'b') s += std::to_string(f.BinaryType);
    s += std::to_string(f.Width);
  }
  return s;
}

// The rows of tests/data/enc/format_controls.tsv.
class FormatControlsTest : public ::testing::TestWithParam<chizro::test::TableRow> {};

TEST_P(FormatControlsTest, ExpandToOneFormatPerSubfieldOrAreRefused) {
  std::string got = "refused";
  try {
    got = Describe(ParseFormatControls(GetParam().at(1)));
  } catch (const TFormatError&) {
  }
  EXPECT_EQ(got, GetParam().at(2));
}

INSTANTIATE_TEST_SUITE_P(Controls, FormatControlsTest,
                         ::testing::ValuesIn(chizro::test::ReadTable(
                             std::string(CHIZRO_TEST_DATA_DIR) + "/enc/format_controls.tsv")),
                         chizro::test::TableRowName);

// --- The test cell ------------------------------------------------------------

TEST(Iso8211Cell, ListsTheTestCellFieldByField) {
  TListingStats stats;
  const std::string listing = Listing(chizro::test::ReadFile(kCellPath), &stats);
  EXPECT_EQ(stats.Records, 38u);
  EXPECT_EQ(stats.BadFields, 0u);
  ExpectListingShape(listing);
  // Binary numbers in decimal, texts in hex, the empty text as "0x"; pointers
  // as "0x" RCNM RCID (least significant byte first); coordinates bare,
  // times COMF, depths times SOMF; national names in UCS-2 (テスト島 ends
  // "ATVL=0xC630B930C830F65C").
  chizro::test::ExpectGolden(listing, "enc/JP4TEST1.lst");
}

TEST(Iso8211Cell, CutShortCellGivesAnErrorOrAListingNeverACrash) {
  const std::string cell = chizro::test::ReadFile(kCellPath);
  std::size_t complete = 0;
  // Every cut in the descriptive record and the first records, then every
  // seventh byte.
  for (std::size_t n = 0; n < cell.size(); n += n < 700 ? 1 : 7) {
    try {
      Listing(std::string_view(cell).substr(0, n));
      ++complete;
    } catch (const TFormatError&) {
    }
  }
  // Only cuts at record boundaries read through.
  EXPECT_LE(complete, 39u);
}

TEST(Iso8211Cell, DamagedBytesGiveAnErrorOrAWellFormedListing) {
  const std::string cell = chizro::test::ReadFile(kCellPath);
  std::mt19937 random(57);
  int listed = 0;
  for (int round = 0; round < 1500; ++round) {
    std::string damaged = cell;
    const int flips = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < flips; ++i) {
      // Mostly in the leaders and directories, where the structure is.
      const std::size_t at = random() % 2 == 0 ? random() % 300 : random() % damaged.size();
      damaged[at] = static_cast<char>(random() % 256);
    }
    try {
      ExpectListingShape(Listing(damaged));
      ++listed;
    } catch (const TFormatError&) {
    }
  }
  EXPECT_GT(listed, 0);
}

// --- Small cells --------------------------------------------------------------

struct CellCase {
  const char* Name;
  std::size_t Records;
  std::size_t BadFields;
  const char* Warning = "";  // a text the warnings hold
};
void PrintTo(const CellCase& row, std::ostream* os) { *os << row.Name; }

class CellListing : public ::testing::TestWithParam<CellCase> {};

// Every kind of subfield (UCS-2 values end at a two-byte terminator only); a
// record length of zero taken from the directory; padding after the last
// record ending the file; fields that do not fit their description listed
// raw, each with a warning naming it.
TEST_P(CellListing, MatchesItsGoldenListing) {
  const CellCase& c = GetParam();
  std::ostringstream out;
  std::ostringstream warnings;
  const TListingStats stats = WriteListing(Cell(c.Name), out, &warnings);
  EXPECT_EQ(stats.Records, c.Records);
  EXPECT_EQ(stats.BadFields, c.BadFields);
  EXPECT_NE(warnings.str().find(c.Warning), std::string::npos) << warnings.str();
  chizro::test::ExpectGolden(out.str(), std::string("enc/cells/") + c.Name + ".lst");
}

INSTANTIATE_TEST_SUITE_P(Cells, CellListing,
                         ::testing::Values(CellCase{"every_subfield", 1, 0},
                                           CellCase{"record_length_zero", 2, 0},
                                           CellCase{"padding_after_last_record", 1, 0},
                                           CellCase{"fields_listed_raw", 1, 3, "XXXX"}),
                         [](const auto& row) { return std::string(row.param.Name); });

class BrokenCell : public ::testing::TestWithParam<const char*> {};

TEST_P(BrokenCell, IsRefused) {
  EXPECT_THROW(Listing(Cell(std::string("broken/") + GetParam())), TFormatError);
}

INSTANTIATE_TEST_SUITE_P(
    Cells, BrokenCell,
    ::testing::Values("Empty", "ShortLeader", "NotADescriptiveRecord", "LengthNotDigits",
                      "LengthBeyondFile", "FieldAreaBeyondRecord", "ZeroSizeOfFieldLength",
                      "DirectoryNotTerminated", "FieldBeyondItsRecord", "ReusedLeader",
                      "UnknownLeaderIdentifier", "RecordCutShort", "GarbageAfterRecords",
                      "TagsOfThreeCharacters", "FewerFormatsThanLabels", "UnreadableFormats"),
    chizro::test::TextName);

}  // namespace
}  // namespace iso8211
