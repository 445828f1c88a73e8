// The kind of a file judged by its content, for files of every kind and for
// files that no reader claims.
#include "readers/kind_of_file.h"

#include <gtest/gtest.h>

#include <string>

#include "readers/data_kinds.h"
#include "test_support.h"

namespace chizro {
namespace {

struct TKindCase {
  const char* Path;  // under the test data folder, or the sample folder
  TKind Kind;
};
void PrintTo(const TKindCase& row, std::ostream* os) { *os << row.Path; }

class KindOfFileTest : public ::testing::TestWithParam<TKindCase> {};

TEST_P(KindOfFileTest, TheContentNamesTheKind) {
  const std::string path = std::string(GetParam().Path).starts_with("samples/")
                               ? std::string(CHIZRO_SOURCE_DIR) + "/" + GetParam().Path
                               : std::string(CHIZRO_TEST_DATA_DIR) + "/" + GetParam().Path;
  EXPECT_EQ(KindNumber(KindOfFile(path)), KindNumber(GetParam().Kind)) << path;
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, KindOfFileTest,
    ::testing::Values(
        TKindCase{"ksj/N03-85_13_sample.txt", TKind::Ksj},
        TKindCase{"ksj/KS-META-N03-85_13.txt", TKind::Ksj},
        TKindCase{"gkupnt/13101-17.0a_chiyoda.csv", TKind::GkuPnt},
        TKindCase{"gps/columns_not_named.txt", TKind::GpsWpt},
        TKindCase{"gpx/cut_short.gpx", TKind::Gpx}, TKindCase{"xml/chiyoda_sjis.xml", TKind::StcXml},
        TKindCase{"xml/encoding_utf16_little_endian.xml", TKind::StcXml},
        TKindCase{"fgd/FG-GML-533946-BldA-20230101-0001.xml", TKind::Fgd},
        TKindCase{"dem/block_2x2.zip", TKind::Fgd}, TKindCase{"moj/local.xml", TKind::Moj},
        TKindCase{"moj/12103-0000.zip", TKind::Moj}, TKindCase{"enc/soundings.txt", TKind::Enc},
        TKindCase{"enc/JP4TEST1.lst", TKind::Enc}, TKindCase{"raster/tokyo.bmp", TKind::Raster},
        TKindCase{"vector/09LD183.vec", TKind::Vector}, TKindCase{"sima/sections.sim", TKind::Sima},
        TKindCase{"sima/utf8_bom.sim", TKind::Sima}, TKindCase{"sima/numbers.sim", TKind::Sima},
        TKindCase{"samples/sdf/09LD183/09LD183.txt", TKind::Sdf2500},
        TKindCase{"no such file", TKind::Sdf2500}),
    [](const auto& row) { return test::TestNameOf(row.param.Path); });

TEST(KindOfFile, AFileNoReaderClaimsIsLeftToTheSdfReader) {
  test::TempDir dir;
  test::WriteFile(dir.File("notes.txt"), "not a map\r\n");
  test::WriteFile(dir.File("empty.xml"), "");
  EXPECT_EQ(KindOfFile(dir.File("notes.txt")), TKind::Sdf2500);
  EXPECT_EQ(KindOfFile(dir.File("empty.xml")), TKind::Sdf2500);
  EXPECT_EQ(KindOfFile(dir.Path().string()), TKind::Sdf2500) << "a folder";
}

}  // namespace
}  // namespace chizro
