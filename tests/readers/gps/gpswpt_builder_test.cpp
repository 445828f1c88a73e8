// The GPS track reader on PCX5-style files under tests/data/gps against
// golden dumps: datums, hemisphere letters, signs and units, headers and
// tracks; and the errors of lines it cannot read.
#include "readers/gps/gpswpt_builder.h"

#include <gtest/gtest.h>

#include <string>

#include "model/map_leaf.h"
#include "platform/errors.h"
#include "support/leaf_dump.h"

namespace chizro::test {
namespace {

GoldenCase Gps(const char* name, const char* input) { return {name, kKindGpsWpt, input}; }

INSTANTIATE_TEST_SUITE_P(
    Gps, ReaderGolden,
    ::testing::Values(
        // Track points become points and a chain of lines; waypoints add
        // nothing.
        Gps("TrackOnWgs84", "gps/track_wgs84.txt"),
        // The same two tracks as GPSBabel writes them: each a chain of its
        // own, in degrees and minutes and in degrees, minutes and seconds.
        Gps("TwoTracksInMinutes", "gps/two_tracks_dm.txt"),
        Gps("TwoTracksInSeconds", "gps/two_tracks_dms.txt"),
        // Only a last datum line "WGS 84" in any case, after its header,
        // gives WGS 84; anything else is TOKYO.
        Gps("DatumWgs84", "gps/datum_wgs84.txt"),
        Gps("DatumSmallLetters", "gps/datum_small_letters.txt"),
        Gps("DatumTokyo", "gps/datum_tokyo.txt"), Gps("NoDatumLine", "gps/datum_no_datum_line.txt"),
        Gps("DatumLineBeforeItsHeader", "gps/datum_datum_line_before_its_header.txt"),
        Gps("LastDatumLineWins", "gps/datum_last_datum_line_wins.txt"),
        // N/E positive and S/W negative in capitals only; signs without a
        // letter; degrees by default and after a later "DEG" line.
        Gps("NorthEast", "gps/coord_north_east.txt"), Gps("SouthWest", "gps/coord_south_west.txt"),
        Gps("OtherLettersStayPositive", "gps/coord_other_letters_stay_positive.txt"),
        Gps("LettersAreCaseSensitive", "gps/coord_letters_are_case_sensitive.txt"),
        Gps("NoLetter", "gps/coord_no_letter.txt"),
        Gps("SignsWithoutLetter", "gps/coord_signs_without_letter.txt"),
        Gps("PointFirst", "gps/coord_point_first.txt"),
        Gps("DegreesDeclared", "gps/coord_degrees_declared.txt"),
        Gps("DegreesAndMinutes", "gps/coord_degrees_and_minutes.txt"),
        Gps("MinutesSouthWest", "gps/coord_minutes_south_west.txt"),
        Gps("MinutesWithoutLetter", "gps/coord_minutes_without_letter.txt"),
        Gps("LaterUnitsLineGoesBack", "gps/coord_later_units_line_goes_back.txt"),
        Gps("DegreesMinutesSeconds", "gps/coord_degrees_minutes_seconds.txt"),
        Gps("SecondsSouthWest", "gps/coord_seconds_south_west.txt"),
        // A track point before the first header does not count; a second
        // header keeps the columns it does not name and the chain goes on.
        Gps("SecondHeaderKeepsEarlierColumns", "gps/second_header.txt"),
        Gps("ColumnsNoHeaderNamedGiveEmptyTexts", "gps/columns_not_named.txt"),
        Gps("NoTrackGivesEmptyListsAndTokyo", "gps/no_track.txt")),
    GoldenName);

struct BadCase {
  const char* Name;
  bool IndexError;  // else a conversion error
};

class GpsBadInput : public ::testing::TestWithParam<BadCase> {};

TEST_P(GpsBadInput, EndsTheLoadKeepingThePointsBeforeIt) {
  const std::string path = DataPath(std::string("gps/bad/") + GetParam().Name + ".txt");
  TMapBuilder_GPSWPT reader;
  TMapLeafGrp leaves(nullptr);
  TMapLeaf leaf(&leaves);
  leaf.FileName = path;
  if (GetParam().IndexError) {
    EXPECT_THROW(reader.LoadLeaf(leaf, nullptr, 0), EListIndexError);
  } else {
    EXPECT_THROW(reader.LoadLeaf(leaf, nullptr, 0), EFloatConvertError);
  }
  EXPECT_FALSE(leaf.Loaded);
  ASSERT_GE(leaf.FigGrpCount(), 1);
  EXPECT_EQ(leaf.FigGrps.at(0)->Count(), 1) << "the track point before the bad line";
  EXPECT_ANY_THROW(reader.OpenFile(leaves, path));
}

INSTANTIATE_TEST_SUITE_P(Lines, GpsBadInput,
                         ::testing::Values(BadCase{"latitude_not_a_number", false},
                                           BadCase{"letter_alone", false},
                                           BadCase{"empty_quoted_item", false},
                                           BadCase{"beyond_single_precision", false},
                                           BadCase{"track_line_without_alt", true},
                                           BadCase{"datum_line_ends_at_its_column", true}),
                         [](const auto& row) { return std::string(row.param.Name); });

}  // namespace
}  // namespace chizro::test
