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
  int Kind;
};
void PrintTo(const TKindCase& row, std::ostream* os) { *os << row.Path; }

class KindOfFileTest : public ::testing::TestWithParam<TKindCase> {};

TEST_P(KindOfFileTest, TheContentNamesTheKind) {
  const std::string path = std::string(GetParam().Path).starts_with("samples/")
                               ? std::string(CHIZRO_SOURCE_DIR) + "/" + GetParam().Path
                               : std::string(CHIZRO_TEST_DATA_DIR) + "/" + GetParam().Path;
  EXPECT_EQ(KindOfFile(path), GetParam().Kind) << path;
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, KindOfFileTest,
    ::testing::Values(
        TKindCase{"ksj/N03-85_13_sample.txt", kKindKsj},
        TKindCase{"ksj/KS-META-N03-85_13.txt", kKindKsj},
        TKindCase{"gkupnt/13101-17.0a_chiyoda.csv", kKindGkuPnt},
        TKindCase{"gps/columns_not_named.txt", kKindGpsWpt},
        TKindCase{"gpx/cut_short.gpx", kKindGpx}, TKindCase{"xml/chiyoda_sjis.xml", kKindStcXml},
        TKindCase{"xml/encoding_utf16_little_endian.xml", kKindStcXml},
        TKindCase{"fgd/FG-GML-533946-BldA-20230101-0001.xml", kKindFgd},
        TKindCase{"dem/block_2x2.zip", kKindFgd}, TKindCase{"moj/local.xml", kKindMoj},
        TKindCase{"moj/12103-0000.zip", kKindMoj}, TKindCase{"enc/soundings.txt", kKindEnc},
        TKindCase{"enc/JP4TEST1.lst", kKindEnc}, TKindCase{"raster/tokyo.bmp", kKindRaster},
        TKindCase{"vector/09LD183.vec", kKindVectorBase + kKindSdf2500},
        TKindCase{"samples/sdf/09LD183/09LD183.txt", kKindSdf2500},
        TKindCase{"no such file", kKindSdf2500}),
    [](const auto& row) { return test::TestNameOf(row.param.Path); });

TEST(KindOfFile, AFileNoReaderClaimsIsLeftToTheSdfReader) {
  test::TempDir dir;
  test::WriteFile(dir.File("notes.txt"), "not a map\r\n");
  test::WriteFile(dir.File("empty.xml"), "");
  EXPECT_EQ(KindOfFile(dir.File("notes.txt")), kKindSdf2500);
  EXPECT_EQ(KindOfFile(dir.File("empty.xml")), kKindSdf2500);
  EXPECT_EQ(KindOfFile(dir.Path().string()), kKindSdf2500) << "a folder";
}

}  // namespace
}  // namespace chizro
