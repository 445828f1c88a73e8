// The XML area reader, on a small-area boundary file in the statistics
// bureau's style and on documents written by the tests.
#include "readers/stcxml_builder.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "coords/projection.h"
#include "model/map_figure.h"
#include "model/map_leaf.h"
#include "platform/errors.h"
#include "platform/sjis.h"
#include "test_support.h"

namespace chizro {
namespace {

using Points = std::vector<TFPoint>;
using Texts = std::vector<std::string>;

std::string Sjis(std::string_view utf8) { return Utf8ToSjis(utf8); }

// UTF-8 text in another encoding, through iconv.
std::string Encode(std::string_view utf8, const char* encoding) {
  iconv_t cd = iconv_open(encoding, "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no iconv for test");
  std::string out(utf8.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(utf8.data());
  std::size_t srcLeft = utf8.size();
  char* dst = out.data();
  std::size_t dstLeft = out.size();
  const std::size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (rc == static_cast<std::size_t>(-1)) throw std::runtime_error("iconv failed in test");
  out.resize(out.size() - dstLeft);
  return out;
}

// One feature of a generated document: its coordinate text and properties.
struct Feature {
  std::string Coordinates;
  std::vector<std::pair<std::string, std::string>> Props;
};

std::string FeatureXml(const Feature& f) {
  std::string s =
      "<GeometricFeature><FeatureType>小地域</FeatureType><Geometry><Polygon>"
      "<OuterBoundary><LinearRing><Coordinates>" +
      f.Coordinates + "</Coordinates></LinearRing></OuterBoundary></Polygon></Geometry>";
  for (const auto& [type, value] : f.Props)
    s += "<Property propertytypename=\"" + type + "\">" + value + "</Property>";
  return s + "</GeometricFeature>";
}

// A whole document in UTF-8, on one line, with the space's extent text
// `bounds` and the features after it.
std::string DocumentXml(const std::vector<Feature>& features,
                        std::string_view bounds = "-7000,-36000,-5000,-34000",
                        std::string_view srs = "JGD2000,XY,m,9",
                        std::string_view encoding = "UTF-8") {
  std::string s = "<?xml version=\"1.0\" encoding=\"" + std::string(encoding) +
                  "\"?><G-XML><MetricGeospace category=\"テスト地区\" "
                  "spatialreferencesystem=\"" +
                  std::string(srs) + "\"><GeospaceDescription><Coordinates>" + std::string(bounds) +
                  "</Coordinates></GeospaceDescription>";
  for (const Feature& f : features) s += FeatureXml(f);
  return s + "</MetricGeospace></G-XML>";
}

const Feature kSquare{"-6400,-35500,-6000,-35500,-6000,-35200,-6400,-35200",
                      {{"KEY_CODE", "131010010"}, {"MOJI", "丸の内"}}};

class StcXmlTest : public ::testing::Test {
protected:
  std::unique_ptr<TMapLeaf> Open(std::string_view bytes) {
    const std::string path = dir_.File("area.xml");
    test::WriteFile(path, bytes);
    return builder_.OpenFile(leaves_, path);
  }
  std::unique_ptr<TMapLeaf> OpenXml(const std::vector<Feature>& features) {
    return Open(DocumentXml(features));
  }

  test::TempDir dir_;
  TMapLeafGrp leaves_{nullptr};
  TMapBuilder_STCXML builder_;
};

TFigPolygon* Polygon(const TMapLeaf& leaf, int i) {
  return static_cast<TFigPolygonGrp*>(leaf.FigGrps.at(0).get())->Item(i);
}
TFigPolyline* Polyline(const TMapLeaf& leaf, int i) {
  return static_cast<TFigPolylineGrp*>(leaf.FigGrps.at(1).get())->Item(i);
}

TEST_F(StcXmlTest, ReadsABoundaryFileInShiftJis) {
  const std::string path = std::string(CHIZRO_TEST_DATA_DIR) + "/xml/chiyoda_sjis.xml";
  const auto leaf = builder_.OpenFile(leaves_, path);
  ASSERT_TRUE(leaf);
  EXPECT_TRUE(leaf->Loaded);
  EXPECT_EQ(leaf->FileName, path);
  EXPECT_EQ(leaf->Name, Sjis("千代田区小地域"));
  EXPECT_EQ(leaf->SheetName, leaf->Name);
  EXPECT_EQ(leaf->CoordMode, kModePlane);
  EXPECT_EQ(leaf->Zone, 9);
  EXPECT_EQ(leaf->IdleCount, 0);
  EXPECT_EQ(leaf->Extent, (TFRect{-6600, -34800, -5600, -35800}));

  ASSERT_EQ(leaf->FigGrpCount(), 2);
  const TFigGrp& polygons = *leaf->FigGrps[0];
  const TFigGrp& polylines = *leaf->FigGrps[1];
  EXPECT_EQ(polygons.Kind(), TFigKind::Polygon);
  EXPECT_EQ(polylines.Kind(), TFigKind::Polyline);
  EXPECT_EQ(polygons.Name, leaf->Name);
  EXPECT_EQ(polylines.Name, leaf->Name);
  ASSERT_EQ(polygons.Count(), 2);
  ASSERT_EQ(polylines.Count(), 2);

  const TFigPolygon* first = Polygon(*leaf, 0);
  EXPECT_EQ(first->ClassCode, "TYO");
  EXPECT_EQ(first->Name, "131010010");
  EXPECT_EQ(first->Texts, Texts{Sjis("丸の内１丁目")});
  EXPECT_EQ(first->Points, (Points{{-6400.5f, -35500.25f},
                                   {-6000, -35500.25f},
                                   {-6000, -35200},
                                   {-6400.5f, -35200},
                                   {-6400.5f, -35500.25f}}));
  EXPECT_EQ(first->Extent, (TFRect{-6400.5f, -35200, -6000, -35500.25f}));
  float northing = 0;
  float easting = 0;
  // A leaf without a theme has datum code 0, which is taken as TOKYO.
  LatLonToXY(kBessel1841, 9, northing, easting, 35.6812, 139.7645);
  EXPECT_FLOAT_EQ(first->LabelX, easting);
  EXPECT_FLOAT_EQ(first->LabelY, northing);
  // The label lies in the feature the file describes.
  EXPECT_GT(first->LabelX, -6400.5f);
  EXPECT_LT(first->LabelX, -6000.0f);

  // The second feature has no label point of its own: it is labelled at its
  // own middle, not at the first feature's point.
  const TFigPolygon* second = Polygon(*leaf, 1);
  EXPECT_EQ(second->Name, "131010020");
  EXPECT_EQ(second->Texts, (Texts{Sjis("丸の内２丁目"), Sjis("（東京駅）")}));
  EXPECT_FLOAT_EQ(second->LabelX, -5850);
  EXPECT_FLOAT_EQ(second->LabelY, -35050);

  for (int i = 0; i < 2; ++i) {
    const TFigPolyline* line = Polyline(*leaf, i);
    EXPECT_EQ(line->ClassCode, "TYO");
    EXPECT_TRUE(line->Name.empty());
    EXPECT_TRUE(line->Texts.empty());
    EXPECT_EQ(line->Points, Polygon(*leaf, i)->Points);
    EXPECT_EQ(line->LabelX, Polygon(*leaf, i)->LabelX);
    EXPECT_EQ(line->LabelY, Polygon(*leaf, i)->LabelY);
  }
}

struct EncodingCase {
  const char* Name;
  const char* Declared;  // encoding named in the XML declaration
  const char* Iconv;     // how the test writes the bytes
  std::string_view Bom;
};

class StcXmlEncodingTest : public StcXmlTest, public ::testing::WithParamInterface<EncodingCase> {};

TEST_P(StcXmlEncodingTest, TextsComeOutInShiftJis) {
  const EncodingCase& c = GetParam();
  const std::string xml =
      DocumentXml({{"0,0,10,0,10,10", {{"MOJI", "東京都千代田区～一丁目"}, {"KEY_CODE", "K1"}}}},
                  "0,0,10,10", "JGD2000,XY,m,9", c.Declared);
  const auto leaf = Open(std::string(c.Bom) + Encode(xml, c.Iconv));
  ASSERT_TRUE(leaf);
  EXPECT_EQ(leaf->Name, Sjis("テスト地区"));
  EXPECT_EQ(Polygon(*leaf, 0)->Texts, Texts{Sjis("東京都千代田区～一丁目")});
  EXPECT_EQ(Polygon(*leaf, 0)->Name, "K1");
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, StcXmlEncodingTest,
    ::testing::Values(EncodingCase{"Utf8", "UTF-8", "UTF-8", ""},
                      EncodingCase{"Utf8WithBom", "UTF-8", "UTF-8", "\xEF\xBB\xBF"},
                      EncodingCase{"Utf16LittleEndian", "UTF-16", "UTF-16LE", "\xFF\xFE"},
                      EncodingCase{"Utf16BigEndian", "UTF-16", "UTF-16BE", "\xFE\xFF"},
                      EncodingCase{"ShiftJis", "Shift_JIS", "CP932", ""},
                      EncodingCase{"EucJp", "EUC-JP", "EUC-JP", ""}),
    [](const auto& row) { return std::string(row.param.Name); });

TEST_F(StcXmlTest, FirstChildOfTheSpaceAndOfAFeatureAreNotSearched) {
  // A feature as the space's first child, and properties as a feature's
  // first two children, are skipped.
  const std::string xml =
      "<?xml version=\"1.0\"?><G-XML><MetricGeospace category=\"c\" "
      "spatialreferencesystem=\"a,b,c,9\">" +
      FeatureXml({"1,1,2,2", {}}) +
      "<Wrapper><GeometricFeature><Property propertytypename=\"KEY_CODE\">skipped0</Property>"
      "<Property propertytypename=\"MOJI\">skipped1</Property>"
      "<Geometry><Coordinates>5,5,6,6</Coordinates></Geometry>"
      "<Property propertytypename=\"KEY_CODE\">taken</Property>"
      "<Holder><Property propertytypename=\"MOJI\">nested</Property></Holder>"
      "</GeometricFeature></Wrapper></MetricGeospace></G-XML>";
  const auto leaf = Open(xml);
  ASSERT_EQ(leaf->FigGrps.at(0)->Count(), 1);
  const TFigPolygon* polygon = Polygon(*leaf, 0);
  EXPECT_EQ(polygon->Points, (Points{{5, 5}, {6, 6}}));
  EXPECT_EQ(polygon->Name, "taken");
  EXPECT_EQ(polygon->Texts, Texts{"nested"});
}

TEST_F(StcXmlTest, OddCoordinateCountDropsTheLastItemAndOneItemGivesNoFigure) {
  const auto leaf = OpenXml({{"1,2,3,4,5", {}}, {"7", {}}, {"", {}}, {"8,9", {}}});
  ASSERT_EQ(leaf->FigGrpCount(), 2);
  ASSERT_EQ(leaf->FigGrps[0]->Count(), 2);
  ASSERT_EQ(leaf->FigGrps[1]->Count(), 2);
  EXPECT_EQ(Polygon(*leaf, 0)->Points, (Points{{1, 2}, {3, 4}}));
  EXPECT_EQ(Polygon(*leaf, 1)->Points, (Points{{8, 9}}));
}

TEST_F(StcXmlTest, LabelPointIsProjectedOnlyForAFeatureWithBothCodes) {
  const auto leaf = OpenXml({
      {"0,0,100,0,100,50", {{"X_CODE", "139.75"}, {"Y_CODE", "35.5"}}},
      {"200,200,300,400", {}},                          // none of its own
      {"-10,-10,10,30", {{"X_CODE", "140.0"}}},         // only one of them
      {"0,0,2,2", {{"Y_CODE", "36"}, {"X_CODE", ""}}},  // an empty code is no code
  });
  float northing = 0;
  float easting = 0;
  LatLonToXY(kBessel1841, 9, northing, easting, 35.5, 139.75);
  EXPECT_FLOAT_EQ(Polygon(*leaf, 0)->LabelX, easting);
  EXPECT_FLOAT_EQ(Polygon(*leaf, 0)->LabelY, northing);
  EXPECT_FLOAT_EQ(Polygon(*leaf, 1)->LabelX, 250);
  EXPECT_FLOAT_EQ(Polygon(*leaf, 1)->LabelY, 300);
  EXPECT_FLOAT_EQ(Polygon(*leaf, 2)->LabelX, 0);
  EXPECT_FLOAT_EQ(Polygon(*leaf, 2)->LabelY, 10);
  EXPECT_FLOAT_EQ(Polygon(*leaf, 3)->LabelX, 1);
  EXPECT_FLOAT_EQ(Polygon(*leaf, 3)->LabelY, 1);
  EXPECT_FLOAT_EQ(Polyline(*leaf, 1)->LabelX, 250);
}

struct ExtentCase {
  const char* Name;
  const char* Bounds;
  TFRect Expected;
};

class StcXmlExtentTest : public StcXmlTest, public ::testing::WithParamInterface<ExtentCase> {};

TEST_P(StcXmlExtentTest, ExtentComesFromTheSpaceOrElseFromTheFeatures) {
  const auto leaf =
      Open(DocumentXml({{"-50,10,20,40", {}}, {"30,-5,35,0", {}}}, GetParam().Bounds));
  EXPECT_EQ(leaf->Extent, GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Spaces, StcXmlExtentTest,
    ::testing::Values(ExtentCase{"FourItems", "-100 -200 300 400", {-100, 400, 300, -200}},
                      ExtentCase{"ThreeItems", "1,2,3", {-50, 40, 35, -5}},
                      ExtentCase{"FiveItems", "1,2,3,4,5", {-50, 40, 35, -5}},
                      ExtentCase{"NoText", "", {-50, 40, 35, -5}}),
    [](const auto& row) { return std::string(row.param.Name); });

TEST_F(StcXmlTest, DocumentWithoutSpaceLoadsWithoutFigures) {
  const auto leaf = Open("<?xml version=\"1.0\"?><G-XML><Other/></G-XML>");
  ASSERT_TRUE(leaf);
  EXPECT_TRUE(leaf->Loaded);
  EXPECT_EQ(leaf->FigGrpCount(), 0);
  EXPECT_TRUE(leaf->Name.empty());
}

TEST_F(StcXmlTest, SpaceWithoutFeaturesStillGetsItsTwoLists) {
  const auto leaf = OpenXml({});
  ASSERT_EQ(leaf->FigGrpCount(), 2);
  EXPECT_EQ(leaf->FigGrps[0]->Count(), 0);
  EXPECT_EQ(leaf->FigGrps[1]->Count(), 0);
}

TEST_F(StcXmlTest, MissingFileGivesNoLeafAndNoFolderForm) {
  EXPECT_EQ(builder_.OpenFile(leaves_, dir_.File("missing.xml")), nullptr);
  EXPECT_EQ(builder_.OpenFile(leaves_, dir_.Path().string()), nullptr);
  EXPECT_EQ(builder_.OpenFolder(leaves_, dir_.Path().string()), nullptr);
}

TEST_F(StcXmlTest, BrokenDocumentLeavesTheLeafUnloaded) {
  const auto leaf = OpenXml({kSquare});
  test::WriteFile(leaf->FileName, "<?xml version=\"1.0\"?><G-XML><MetricGeospace>");
  leaf->Unload();
  try {
    builder_.LoadLeaf(*leaf, nullptr, 0);
    FAIL() << "a broken document was read";
  } catch (const EInOutError& e) {
    EXPECT_NE(std::string(e.what()).find("area.xml"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(leaf->Loaded);
  EXPECT_EQ(leaf->FigGrpCount(), 0);
  // The parser is fit for the next file.
  test::WriteFile(leaf->FileName, DocumentXml({kSquare}));
  builder_.LoadLeaf(*leaf, nullptr, 0);
  EXPECT_TRUE(leaf->Loaded);
}

TEST_F(StcXmlTest, BadNumbersAndZonesEndTheLoad) {
  EXPECT_THROW(Open(DocumentXml({kSquare}, "0,0,1,1", "JGD2000,XY,9")), EListIndexError);
  EXPECT_THROW(Open(DocumentXml({kSquare}, "0,0,1,1", "JGD2000,XY,m,IX")), EConvertError);
  EXPECT_THROW(Open(DocumentXml({kSquare}, "0,0,1,1", "JGD2000,XY,m,20")), EZoneError);
  EXPECT_THROW(OpenXml({{"1,2,x,4", {}}}), EFloatConvertError);
  EXPECT_THROW(OpenXml({{"1,2", {{"X_CODE", "東経139"}, {"Y_CODE", "35"}}}}), EFloatConvertError);
  EXPECT_THROW(Open("<G-XML>not closed"), EInOutError);
  EXPECT_THROW(Open(""), EInOutError);
  EXPECT_THROW(Open("\x89PNG\r\n\x1a\n binary"), EInOutError);
}

// --- Untrusted documents ---------------------------------------------------

TEST_F(StcXmlTest, ExternalEntityIsNeverRead) {
  const std::string secret = dir_.File("secret.txt");
  test::WriteFile(secret, "TOP-SECRET");
  for (const std::string& uri : {"file://" + secret, secret}) {
    const std::string xml =
        "<?xml version=\"1.0\"?><!DOCTYPE G-XML [<!ENTITY s SYSTEM \"" + uri +
        "\">]><G-XML><MetricGeospace category=\"c\" spatialreferencesystem=\"a,b,c,9\"><D/>" +
        FeatureXml({"1,1", {{"MOJI", "&s;"}, {"KEY_CODE", "[&s;]"}}}) + "</MetricGeospace></G-XML>";
    // The document may be refused or read without the entity, but the
    // file's text never reaches the model or the message.
    std::string seen;
    try {
      const auto leaf = Open(xml);
      ASSERT_TRUE(leaf);
      const TFigPolygon* polygon = Polygon(*leaf, 0);
      seen = polygon->Name;
      for (const std::string& text : polygon->Texts) seen += text;
    } catch (const EInOutError& e) {
      seen = e.what();
    }
    EXPECT_EQ(seen.find("TOP-SECRET"), std::string::npos) << seen;
  }
}

TEST_F(StcXmlTest, ExternalDtdIsNeverLoaded) {
  // A DTD that would give the space a default category if it were read.
  test::WriteFile(dir_.File("evil.dtd"), "<!ATTLIST MetricGeospace category CDATA \"FROM-DTD\">");
  const std::string xml = "<?xml version=\"1.0\"?><!DOCTYPE G-XML SYSTEM \"file://" +
                          dir_.File("evil.dtd") +
                          "\"><G-XML><MetricGeospace spatialreferencesystem=\"a,b,c,9\"><D/>" +
                          FeatureXml({"1,1", {}}) + "</MetricGeospace></G-XML>";
  const auto leaf = Open(xml);
  ASSERT_TRUE(leaf);
  EXPECT_EQ(leaf->Name, "");
  EXPECT_EQ(leaf->FigGrps.at(0)->Count(), 1);
}

TEST_F(StcXmlTest, InternalSubsetWithoutEntitiesIsRead) {
  const std::string xml =
      "<?xml version=\"1.0\"?><!DOCTYPE G-XML [<!ATTLIST MetricGeospace category CDATA "
      "\"dflt\">]><G-XML><MetricGeospace spatialreferencesystem=\"a,b,c,9\"><D/>" +
      FeatureXml({"1,1", {{"MOJI", "A&amp;B &lt;&#x6771;&gt;"}}}) + "</MetricGeospace></G-XML>";
  const auto leaf = Open(xml);
  EXPECT_EQ(leaf->Name, "dflt");
  EXPECT_EQ(Polygon(*leaf, 0)->Texts, Texts{Sjis("A&B <東>")});
}

TEST_F(StcXmlTest, EntityExpansionBombsEndTheLoadQuickly) {
  std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE G-XML [<!ENTITY l0 \"lol\">";
  for (int i = 1; i < 10; ++i) {
    laughs += "<!ENTITY l" + std::to_string(i) + " \"";
    for (int j = 0; j < 10; ++j) laughs += "&l" + std::to_string(i - 1) + ";";
    laughs += "\">";
  }
  laughs +=
      "]><G-XML><MetricGeospace category=\"&l9;\" spatialreferencesystem=\"a,b,c,9\"/>"
      "</G-XML>";
  // One large entity referenced many times (quadratic blow-up).
  std::string quadratic = "<?xml version=\"1.0\"?><!DOCTYPE G-XML [<!ENTITY a \"" +
                          std::string(100000, 'a') + "\">]><G-XML><MetricGeospace>";
  for (int i = 0; i < 20000; ++i) quadratic += "&a;";
  quadratic += "</MetricGeospace></G-XML>";

  for (const std::string* bomb : {&laughs, &quadratic}) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(Open(*bomb), EInOutError);
    // Generous: the point is that it does not expand gigabytes.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  }
}

TEST_F(StcXmlTest, DeeplyNestedDocumentIsSearchedWithoutRecursion) {
  constexpr int kDepth = 200000;
  std::string xml = "<?xml version=\"1.0\"?><G-XML>";
  xml.reserve(kDepth * 8 + 200);
  for (int i = 0; i < kDepth; ++i) xml += "<a>";
  for (int i = 0; i < kDepth; ++i) xml += "</a>";
  xml += "<MetricGeospace category=\"deep\" spatialreferencesystem=\"a,b,c,9\"/></G-XML>";
  const auto leaf = Open(xml);
  EXPECT_EQ(leaf->Name, "deep");
}

TEST(StcXmlRegistry, KindFiftyOneIsTheXmlAreaReader) {
  const auto builder = DefaultBuilders().CreateBuilder(kKindStcXml);
  EXPECT_NE(dynamic_cast<TMapBuilder_STCXML*>(builder.get()), nullptr);
}

}  // namespace
}  // namespace chizro
