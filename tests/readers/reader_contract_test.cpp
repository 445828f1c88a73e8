// What every reader does alike, one row per data kind with a fixture file: a
// missing file gives no leaf, OpenFile leaves the leaf to its caller, and
// through a project a paint loads the leaf with a definition for every
// class, an unload and a reload give the same figures, and the figures land
// in the project's system as recorded in tests/data/contract/<row>.dump.
// The failure contract (what a reader keeps when a file fails part-way) is
// each reader's own and tested beside it; in tests/data/contract/bad_files.tsv
// one bad file of each text and binary reader says the file and the place of
// its error (the XML downloads' rows stand beside their readers).
#include <gtest/gtest.h>

#include <string>

#include "model/draw_class.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "platform/errors.h"
#include "readers/data_kinds.h"
#include "support/leaf_dump.h"

namespace chizro::test {
namespace {

struct ContractCase {
  const char* Name;
  int Kind;
  const char* Input;   // relative to the source tree
  TOpenMode OpenMode;
  bool Golden = true;  // false: the reader's own golden files cover the figures
};

void PrintTo(const ContractCase& c, std::ostream* os) { *os << c.Input; }

class ReaderContract : public ::testing::TestWithParam<ContractCase> {};

TEST_P(ReaderContract, OpenFileGivesNoLeafForAMissingFileAndLeavesTheLeafToItsCaller) {
  const ContractCase& c = GetParam();
  const auto reader = MakeReader(c.Kind);
  reader->SetProgramFolder(SourcePath());
  TMapLeafGrp leaves(nullptr);
  EXPECT_EQ(reader->OpenFile(leaves, DataPath("no-such-file.txt")), nullptr);
  if (c.OpenMode == TOpenMode::File) {
    const auto leaf = reader->OpenFile(leaves, SourcePath(c.Input));
    ASSERT_TRUE(leaf);
    EXPECT_EQ(leaf->FileName, SourcePath(c.Input));
    EXPECT_EQ(leaf->Leaves(), &leaves);
  }
  EXPECT_EQ(leaves.Count(), 0);
}

TEST_P(ReaderContract, PaintLoadsAndAReloadGivesTheSameFigures) {
  const ContractCase& c = GetParam();
  TMapProject project{DefaultBuilders(), nullptr, SourcePath()};
  project.Open(SourcePath(c.Input), c.Kind, c.OpenMode);
  const TMapTheme& theme = *project.Themes->Items(0);
  ASSERT_GE(theme.Leaves->Count(), 1);
  const auto paintAt = [&](double x, double y) {
    project.View->DeviceRect = {0, 0, 1000, 1000};
    project.SetScale(2500);
    project.View->CenterX = x;
    project.View->CenterY = y;
    project.Draw();
  };
  std::string dumps;
  for (int i = 0; i < theme.Leaves->Count(); ++i) {
    const TMapLeaf& leaf = *theme.Leaves->Items(i);
    const double x = (leaf.Extent.left + leaf.Extent.right) / 2;
    const double y = (leaf.Extent.top + leaf.Extent.bottom) / 2;
    paintAt(x, y);
    ASSERT_TRUE(leaf.Loaded) << leaf.FileName;
    ASSERT_TRUE(leaf.HasFigures());
    ASSERT_TRUE(leaf.DrawClasses);
    for (const auto& grp : leaf.FigGrps)
      for (const auto& fig : grp->Figures()) {
        const TDrawClass* cls = leaf.DrawClasses->Find(fig->ClassCode);
        ASSERT_TRUE(cls && cls->ClassDef) << "no definition of " << fig->ClassCode;
      }
    const std::string loaded = DumpLeaf(leaf);
    for (int n = 0; n < 10 && leaf.Loaded; ++n) paintAt(-900000, -900000);
    ASSERT_FALSE(leaf.Loaded);
    paintAt(x, y);
    ASSERT_TRUE(leaf.Loaded);
    EXPECT_EQ(DumpLeaf(leaf), loaded);
    dumps += loaded;
  }
  if (c.Golden) ExpectGolden(dumps, std::string("contract/") + c.Name + ".dump");
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ReaderContract,
    ::testing::Values(
        // JGD2000 sheets in a JGD2000 project: nothing moves.
        ContractCase{"SdfFolder", KindNumber(TKind::Sdf2500), "samples/sdf", TOpenMode::Folder, false},
        ContractCase{"SdfTokyoSheet", KindNumber(TKind::Sdf2500), "tests/data/sdf/disc/07MD623", TOpenMode::File},
        ContractCase{"Ksj", KindNumber(TKind::Ksj), "tests/data/ksj/N03-85_13_sample.txt", TOpenMode::File},
        ContractCase{"GkuPnt", KindNumber(TKind::GkuPnt), "tests/data/gkupnt/13101-17.0a_chiyoda.csv",
                     TOpenMode::File},
        ContractCase{"StcXml", KindNumber(TKind::StcXml), "tests/data/xml/chiyoda_sjis.xml", TOpenMode::File},
        ContractCase{"Fgd", KindNumber(TKind::Fgd), "tests/data/fgd/FG-GML-533946-BldA-20230101-0001.xml",
                     TOpenMode::File},
        ContractCase{"Plateau", KindNumber(TKind::Plateau), "tests/data/plateau/footprint_uro3.gml",
                     TOpenMode::File},
        ContractCase{"Enc", KindNumber(TKind::Enc), "tests/data/enc/JP4TEST1.lst.txt", TOpenMode::File},
        ContractCase{"Raster", KindNumber(TKind::Raster), "tests/data/raster/tokyo.bmp", TOpenMode::File},
        ContractCase{"GpsTokyo", KindNumber(TKind::GpsWpt), "tests/data/gps/track_tokyo_dm.txt", TOpenMode::File},
        ContractCase{"Vector", KindNumber(TKind::Vector), "tests/data/vector/09LD183.vec",
                     TOpenMode::File},
        ContractCase{"Shape", KindNumber(TKind::Shape), "tests/data/shape/lines_zone9_jgd2011.shp",
                     TOpenMode::File},
        ContractCase{"GeoJson", KindNumber(TKind::GeoJson), "tests/data/geojson/crs_jgd2011.geojson",
                     TOpenMode::File}),
    [](const auto& row) { return std::string(row.param.Name); });

INSTANTIATE_TEST_SUITE_P(TextAndBinary, ReaderBadFile,
                         ::testing::ValuesIn(BadFileRows("contract/bad_files.tsv")),
                         RowName<BadFileCase>);

}  // namespace
}  // namespace chizro::test
