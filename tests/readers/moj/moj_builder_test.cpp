// The 地図XML (登記所備付地図) reader on fixtures written from the format
// (tests/data/moj) and an excerpt of a real download against golden dumps
// (boundaries written once with the higher class, lot numbers placed inside
// their parcels: checked by hand from the fixtures' points), the position of
// a 公共座標 file against PROJ, the 任意座標系 notice, zips inside a zip, and
// the errors of bad files.
#include "readers/moj/moj_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "model/map_leaf.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "platform/errors.h"
#include "platform/sjis.h"
#include "support/leaf_dump.h"
#include "test_support.h"

namespace chizro::test {
namespace {

namespace fs = std::filesystem;

GoldenCase Moj(const char* name, const char* input) { return {name, kKindMoj, input}; }

INSTANTIATE_TEST_SUITE_P(
    Moj, ReaderGolden,
    ::testing::Values(
        // A BOM and an xml-stylesheet instruction before the root. Checked by
        // hand (metres east and north of zmn:Y 12000, zmn:X -35000): the
        // L-shaped 100-1, the square 100-2 in its notch (their curves run
        // against each other on the shared sides) and 地区外-1 west of 100-1
        // give 15 ring segments, 12 distinct, each written once; (8,8)-(8,30)
        // is 大字界線 on one curve and 筆界線 on the other, and the higher
        // wins; a side shared with the placeholder is 筆界線. 100-1 is labelled
        // at the point farthest from its outline, (4.686, 4.686) on the corner
        // square's diagonal (8√2/(1+√2)), 100-2 at its centre (19, 19), the
        // placeholder on the middle line of its 10 by 30 m rectangle.
        Moj("ParcelsInZoneIX", "moj/parcels_zone9.xml"), Moj("LocalSystem", "moj/local.xml"),
        // A 20 m square parcel around a 10 m square courtyard parcel, whose
        // shared outline is written once (8 segments): the outer parcel's
        // label keeps out of the courtyard, at the point farthest from both
        // outlines, on a corner's diagonal 5√2/(1+√2) = 2.929 m from each.
        Moj("ParcelAroundACourtyard", "moj/hole.xml"),
        // Two neighbouring parcels of a real download: 2740-2 and 地区外-43777,
        // of 24 and 23 one-segment curves; 9 segments are on both (counted
        // with a script over the excerpt's text), so 38 are written: 24
        // 筆界線 and 14 地区外界線.
        Moj("RealExcerpt", "moj/46505-3411-1_excerpt.xml")),
    GoldenName);

std::string Utf8Class(const TFigure& fig) { return SjisToUtf8(fig.ClassCode); }

std::vector<const TFigure*> PointsOf(const TMapLeaf& leaf, const std::string& cls) {
  std::vector<const TFigure*> found;
  for (const auto& grp : leaf.FigGrps)
    for (const auto& fig : grp->Figures())
      if (fig->Kind() == TFigKind::Point && Utf8Class(*fig) == cls) found.push_back(fig.get());
  return found;
}

TEST(MojReader, PublicCoordinatesLandWherePROJPutsThem) {
  TMapProject project{DefaultBuilders()};
  project.CoordMode = TCoordMode::LatLon;
  project.Open(DataPath("moj/parcels_zone9.xml"), kKindMoj, TOpenMode::File);
  // The first file in public coordinates fixes the project's zone, with no
  // notice.
  EXPECT_EQ(project.Zone, 9);
  EXPECT_TRUE(project.TakeNotices().empty());
  TMapTheme& theme = *project.Themes->Items(0);
  ASSERT_EQ(theme.Leaves->Count(), 1);
  TMapLeaf& leaf = *theme.Leaves->Items(0);
  // Built by the open, then again by a load after the leaf was freed.
  for (const bool reload : {false, true}) {
    if (reload) {
      leaf.Unload();
      theme.LoadLeaf(leaf);
    }
    ASSERT_TRUE(leaf.Loaded);
    const auto control = PointsOf(leaf, "基準点");
    ASSERT_EQ(control.size(), 1u);
    // The control point T1: zmn:X -34965.000, zmn:Y 12035.000 in zone IX.
    const TFPoint ll = ProjTransform("EPSG:2451", "EPSG:4612", 12035.0, -34965.0);
    // Degrees held as doubles: 1e-8 deg is about a millimetre.
    const double tolerance = 1e-8;
    EXPECT_NEAR(control[0]->Points[0].x, ll.x, tolerance) << "reload " << reload;
    EXPECT_NEAR(control[0]->Points[0].y, ll.y, tolerance) << "reload " << reload;
  }
}

TEST(MojReader, LocalSystemStaysInItsCoordinatesAndIsNoticedOnce) {
  TMapProject project{DefaultBuilders()};
  project.Open(DataPath("moj/12103-0000.zip"), kKindMoj, TOpenMode::File);
  TMapTheme& theme = *project.Themes->Items(0);
  // Both inner zips, each one leaf; the text member is passed over.
  ASSERT_EQ(theme.Leaves->Count(), 2);
  const std::vector<std::string> notices = project.TakeNotices();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("任意座標系"), std::string::npos);
  EXPECT_NE(notices[0].find("ほかのデータとの位置関係は合っていません"), std::string::npos);
  EXPECT_TRUE(project.TakeNotices().empty());
  for (int i = 0; i < theme.Leaves->Count(); ++i) {
    TMapLeaf& leaf = *theme.Leaves->Items(i);
    EXPECT_NE(leaf.FileName.find("12103-0000.zip|12103-0000-"), std::string::npos);
    theme.LoadLeaf(leaf);
    ASSERT_TRUE(leaf.Loaded) << leaf.LoadError;
  }
  TMapLeaf& local = *theme.Leaves->Items(1);
  ASSERT_NE(local.FileName.find("12103-0000-2.xml"), std::string::npos);
  // The square parcel of the local file, zmn:X 100..110, zmn:Y 200..210,
  // stays where the file puts it although the project is in zone IX.
  const auto parcels = PointsOf(local, "筆");
  ASSERT_EQ(parcels.size(), 1u);
  EXPECT_NEAR(parcels[0]->LabelX, 205, 0.05);
  EXPECT_NEAR(parcels[0]->LabelY, 105, 0.05);
  EXPECT_EQ(project.Zone, 9);
}

// The good member opens; the bad one has a leaf that reports its error
// when it is loaded.
TEST(MojReader, AZipMemberThatFailsReportsItsErrorWhenLoaded) {
  TMapProject project{DefaultBuilders()};
  project.Open(DataPath("moj/bad/one_bad_member.zip"), kKindMoj, TOpenMode::File);
  TMapTheme& theme = *project.Themes->Items(0);
  ASSERT_EQ(theme.Leaves->Count(), 2);
  TMapLeaf& good = *theme.Leaves->Items(0);
  TMapLeaf& bad = *theme.Leaves->Items(1);
  EXPECT_NE(good.FileName.find("|a/local.xml"), std::string::npos) << good.FileName;
  EXPECT_NE(bad.FileName.find("|a/unknown_system.xml"), std::string::npos) << bad.FileName;
  theme.LoadLeaf(good);
  EXPECT_TRUE(good.Loaded);
  const std::string m = MessageOf<EInOutError>([&] { theme.LoadLeaf(bad); });
  EXPECT_NE(m.find("公共座標20系"), std::string::npos) << m;
  EXPECT_FALSE(bad.LoadError.empty());
  EXPECT_FALSE(bad.HasFigures());
}

TEST(MojReader, FolderModeFindsFilesAndZipsBelowIt) {
  TempDir dir;
  fs::create_directories(dir.Path() / "a" / "b");
  fs::copy_file(DataPath("moj/12103-0000.zip"), dir.Path() / "a" / "12103-0000.zip");
  fs::copy_file(DataPath("moj/parcels_zone9.xml"), dir.Path() / "a" / "b" / "p.xml");
  fs::copy_file(DataPath("moj/bad/other_schema.xml"), dir.Path() / "a" / "other.xml");
  TMapProject project{DefaultBuilders()};
  project.Open(dir.Path().string(), kKindMoj, TOpenMode::Folder);
  ASSERT_EQ(project.Themes->Count(), 1);
  EXPECT_EQ(project.Themes->Items(0)->Leaves->Count(), 3);
}

// Errors: what the message names, and how many figures stay built.
// Kept figures, by hand: the whole fixture builds 11 boundary polylines (one
// per curve whose segments are not written already) and the frame, 3 parcel
// points, 1 control point, 9 boundary points and 9 numbers: 34 figures.
const BadFileCase kBadFiles[] = {
    {"OtherSchema", kKindMoj, "moj/bad/other_schema.xml", true, {"地図XMLではありません", "ルート要素 'Dataset'"}, 0,
     TErrorPlace::Line(2)},
    {"UnknownSystem", kKindMoj, "moj/bad/unknown_system.xml", true, {"座標系", "公共座標20系"}, 0,
     TErrorPlace::Line(7)},
    {"DocumentTypeDeclaration", kKindMoj, "moj/bad/doctype.xml", true, {"<!DOCTYPE>"}, 0,
     TErrorPlace::Line(2)},
    // C9 refers to P77: the curve and the ring of 100-2 are lost (the
    // label of 100-2 and the segment (30,30)-(8,30)), the rest stays.
    {"DanglingPoint", kKindMoj, "moj/bad/dangling_point.xml", false, {"P77"}, 32,
     TErrorPlace::Element("zmn:GM_Curve id=\"C9\"")},
    // The line item of C14 names C99: C14 is still drawn as the placeholder's
    // ring carries it.
    {"DanglingCurve", kKindMoj, "moj/bad/dangling_curve.xml", false, {"C99"}, 34,
     TErrorPlace::Element("筆界線")},
    // 100-2's ring runs C8 then C1, which do not meet.
    {"RingNotJoined", kKindMoj, "moj/bad/ring_not_joined.xml", false, {"C1", "つながりません"}, 33,
     TErrorPlace::Element("筆 id=\"H2\" の面 F2")},
    // The file ends inside the parcel 100-2: the geometry, every line and
    // point item and 100-1 are read, the frame (after the items) is not:
    // 11 boundary polylines, 1 parcel, 1 control point and 18 boundary
    // point figures. The file ends on line 113.
    {"Truncated", kKindMoj, "moj/bad/truncated.xml", false, {"XML"}, 31, TErrorPlace::Line(113)},
    // 100-2 without its shape: passed over, the rest is read.
    {"MissingShape", kKindMoj, "moj/bad/missing_shape.xml", false, {"形状がありません"}, 33,
     TErrorPlace::Element("筆 id=\"H2\"")},
    {"NotANumber", kKindMoj, "moj/bad/not_a_number.xml", false, {"zmn:X", "-34992,000"}, 0,
     TErrorPlace::Element("zmn:GM_Point id=\"P3\"")},
};

INSTANTIATE_TEST_SUITE_P(Moj, ReaderBadFile, ::testing::ValuesIn(kBadFiles),
                         [](const auto& row) { return std::string(row.param.Name); });

}  // namespace
}  // namespace chizro::test
