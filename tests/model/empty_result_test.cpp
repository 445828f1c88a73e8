// A file that is read without error but yields no figure is refused by the
// project, with the file and the reader's reason in the message, and leaves
// nothing behind: no leaf, no view placed on it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "model/map_leaf.h"
#include "model/map_project.h"
#include "platform/errors.h"
#include "model/map_builder.h"
#include "readers/data_kinds.h"
#include "test_support.h"

namespace chizro {
namespace {

struct EmptyCase {
  const char* Name;
  int Kind;
  const char* File;    // under tests/data
  const char* Reason;  // UTF-8
};
void PrintTo(const EmptyCase& row, std::ostream* os) { *os << row.Name; }

class EmptyResult : public ::testing::TestWithParam<EmptyCase> {
protected:
  // The source tree stands for the program directory (def/).
  const std::string home =
      std::filesystem::path(CHIZRO_TEST_DATA_DIR).parent_path().parent_path().string();
};

TEST_P(EmptyResult, IsRefusedNamingTheFileAndWhy) {
  const EmptyCase& c = GetParam();
  const std::string path = std::string(CHIZRO_TEST_DATA_DIR) + "/" + c.File;
  TMapProject project{DefaultBuilders(), nullptr, home};
  const std::string message =
      test::MessageOf<ENoFigures>([&] { project.Open(path, c.Kind, TOpenMode::File); });
  EXPECT_NE(message.find(std::string(" (") + c.Reason), std::string::npos) << message;
  EXPECT_NE(message.find("'" + path + "'"), std::string::npos) << message;
  ASSERT_EQ(project.Themes->Count(), 1);
  EXPECT_EQ(project.Themes->Items(0)->Leaves->Count(), 0);
  EXPECT_FALSE(project.Placed);
}

INSTANTIATE_TEST_SUITE_P(
    Files, EmptyResult,
    ::testing::Values(EmptyCase{"GpsWaypointsOnly", KindNumber(TKind::GpsWpt), "gps/waypoints_only.txt",
                                "航跡点がありません"},
                      EmptyCase{"KsjLedger", KindNumber(TKind::Ksj), "ksj/KS-META-N03-85_13.txt",
                                "既知の分類の地物がありません"},
                      EmptyCase{"XmlOfAnotherSchema", KindNumber(TKind::StcXml), "xml/other_schema.xml",
                                "既知の分類の地物がありません"},
                      EmptyCase{"ChartListingWithoutGeometry", KindNumber(TKind::Enc), "enc/no_features.txt",
                                "座標のある地物がありません"},
                      EmptyCase{"GpxWithEmptySegmentOnly", KindNumber(TKind::Gpx), "gpx/empty.gpx",
                                "航跡、経路、地点がありません"}),
    test::RowName<EmptyCase>);

}  // namespace
}  // namespace chizro
