// The record listing layer of the ENC reader: items, subfields, pointers,
// hex texts, the errors of the vector pass and the feature scan, on listings
// written in the tests.
#include "readers/enc/iso8211_listing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"
#include "support/leaf_dump.h"

namespace chizro {
namespace {

using Vertices = std::vector<TEncVertex>;

// A record pointer as the listing writes it: "0x", RCNM, RCID least
// significant byte first.
std::string Pointer(unsigned rcnm, std::uint32_t rcid) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%02X%02X%02X%02X%02X", rcnm, rcid & 0xFF, (rcid >> 8) & 0xFF,
                (rcid >> 16) & 0xFF, rcid >> 24);
  return text;
}

std::string Record(std::string_view body) { return "RECN 1\r\n" + std::string(body) + "****\r\n"; }

const TVectorRecord* Find(const TEncListing& listing, unsigned rcnm, std::uint32_t rcid) {
  return listing.FindVectorRecord(Pointer(rcnm, rcid));
}

// --- Items ----------------------------------------------------------------

TEST(ListingItems, FieldLineHasTagAtTwoToFiveAndContentFromSeven) {
  TFieldLine field;
  field.Assign(" FSPT 3 24 NAME=A ORNT=1 USAG=1 NAME=B ORNT=2 X=9 NAME=C");
  EXPECT_EQ(field.Tag(), "FSPT");
  EXPECT_EQ(field.RepeatCount(), 3);
  // Occurrences are counted per name, whatever stands between.
  EXPECT_EQ(field.Subfield("NAME", 0), "A");
  EXPECT_EQ(field.Subfield("NAME", 2), "C");
  EXPECT_EQ(field.Subfield("NAME", 3), "");
  EXPECT_EQ(field.Subfield("ORNT", 1), "2");
  EXPECT_EQ(field.Subfield("NAM", 0), "");  // the name must be followed by "="
  std::vector<std::string_view> names;
  field.Subfields("NAME", names);
  EXPECT_EQ(names, (std::vector<std::string_view>{"A", "B", "C"}));

  // Items 0 and 1 are never subfields; fewer than three items give none.
  field.Assign(" DSPM COMF=1 SOMF=2");
  EXPECT_EQ(field.Subfield("COMF", 0), "");
  field.Assign(" DSPM 1 0 COMF=1");
  EXPECT_EQ(field.Subfield("COMF", 0), "1");

  field.Assign(" SG2D");
  EXPECT_EQ(field.Count(), 0u);
  EXPECT_THROW(field.RepeatCount(), EListIndexError);
  field.Assign(" SG2D x 0");
  EXPECT_THROW(field.RepeatCount(), EConvertError);
  EXPECT_EQ(ListingTag("9SG2D 1"), "SG2D");
  EXPECT_EQ(ListingTag(" SG"), "SG");
}

// --- Pointers and hex texts ------------------------------------------------

TEST(ListingPointers, NameLittleEndianIdentifiersInTheirStore) {
  TEncListing listing(Record(" VRID 1 8 RCNM=130 RCID=7\r\n SG2D 1 8 10 20\r\n") +
                      Record(" VRID 1 8 RCNM=130 RCID=117440512\r\n SG2D 1 8 30 40\r\n") +
                      Record(" VRID 1 8 RCNM=110 RCID=7\r\n SG2D 1 8 50 60\r\n") +
                      Record(" VRID 1 8 RCNM=120 RCID=0007\r\n SG2D 1 8 70 80\r\n") +
                      Record(" VRID 1 8 RCNM=140 RCID=9\r\n SG2D 1 8 70 80\r\n"));
  std::int32_t comf = 1;
  std::int32_t somf = 1;
  listing.ReadVectorPass(comf, somf);

  const TVectorRecord* edge = listing.FindVectorRecord("0x8207000000");
  ASSERT_NE(edge, nullptr);
  EXPECT_EQ(edge->Vertices, (Vertices{{20, 10, 0}}));
  // Bytes 00 00 00 07 name 7 times 2 to the 24th.
  const TVectorRecord* big = listing.FindVectorRecord("0x8200000007");
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(big->Vertices, (Vertices{{40, 30, 0}}));
  // Lower-case hex, and characters after the twelfth are not read.
  EXPECT_EQ(listing.FindVectorRecord("0x6e07000000zz"), Find(listing, 110, 7));
  ASSERT_NE(Find(listing, 110, 7), nullptr);
  EXPECT_EQ(Find(listing, 110, 7)->Vertices, (Vertices{{60, 50, 0}}));

  // An identifier written with leading zeros is never found; a face is not
  // kept; pointers that are not pointers give nothing.
  EXPECT_EQ(Find(listing, 120, 7), nullptr);
  EXPECT_EQ(Find(listing, 140, 9), nullptr);
  EXPECT_EQ(Find(listing, 130, 8), nullptr);
  EXPECT_EQ(listing.FindVectorRecord("0x82070000"), nullptr);
  EXPECT_EQ(listing.FindVectorRecord("0x82G7000000"), nullptr);
  EXPECT_EQ(listing.FindVectorRecord(""), nullptr);
  EXPECT_EQ(listing.StoredVertexCount(), 4u);
}

TEST(ListingHexText, DecodesPairsUpToZero) {
  EXPECT_EQ(TEncListing::DecodeHexText("0x4E6F2033"), "No 3");
  EXPECT_EQ(TEncListing::DecodeHexText("0x4142004344"), "AB");
  EXPECT_EQ(TEncListing::DecodeHexText("0x41424"), "AB");  // odd digit left over
  EXPECT_EQ(TEncListing::DecodeHexText("0x938c8b9e"), "\x93\x8C\x8B\x9E");
  EXPECT_EQ(TEncListing::DecodeHexText("0x"), "");
  EXPECT_EQ(TEncListing::DecodeHexText(""), "");
  EXPECT_THROW(TEncListing::DecodeHexText("0x41ZZ"), EConvertError);
}

// --- Vector pass ------------------------------------------------------------

// The factors, the record lines and the pointer fields are checked through
// the reader (its golden listings, GDAL's soundings of the test cell).

// The rows of tests/data/enc/bad_listings.tsv.
class ListingErrorTest : public ::testing::TestWithParam<test::TableRow> {};

TEST_P(ListingErrorTest, EndsThePass) {
  TEncListing listing(Record(GetParam().at(1)));
  std::int32_t comf = 1;
  std::int32_t somf = 1;
  EXPECT_EQ(test::ErrorOf([&] { listing.ReadVectorPass(comf, somf); }), GetParam().at(2));
}

INSTANTIATE_TEST_SUITE_P(
    Listings, ListingErrorTest,
    ::testing::ValuesIn(test::ReadTable(test::DataPath("enc/bad_listings.tsv"))),
    test::TableRowName);

// --- Feature scan -------------------------------------------------------------

TEST(ListingFeatureScan, HandlerReadsOnAndTheScanGoesOnAfterIt) {
  const TEncListing listing(Record(" FRID 1 12 RCID=1\r\n FSPT 1 8 NAME=a\r\n") +
                            " FRID 1 12 RCID=2\r\n" +  // outside a record: a field all the same
                            Record(" FRID 1 12 RCID=3\r\n FRID 1 12 RCID=4\r\n"));
  std::vector<std::string> seen;
  listing.ScanFeatureLines([&](const TFieldLine& frid, TLineCursor& cursor) {
    seen.emplace_back(frid.Subfield("RCID", 0));
    // The handler of record 3 reads its record to the end, over record 4's
    // line; the others read nothing.
    if (frid.Subfield("RCID", 0) == "3") {
      for (std::string_view line; cursor.Next(line);)
        if (ListingLineKind(line) == TListingLineKind::RecordEnd) break;
    }
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"1", "2", "3"}));
}

}  // namespace
}  // namespace chizro
