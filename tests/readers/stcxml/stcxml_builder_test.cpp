// The XML area reader on documents under tests/data/xml (a small-area
// boundary file in the statistics bureau's style, every encoding, and small
// documents for its search and number rules) against golden dumps; the
// errors; and untrusted documents written here.
#include "readers/stcxml/stcxml_builder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "model/map_leaf.h"
#include "platform/errors.h"
#include "platform/sjis.h"
#include "support/leaf_dump.h"
#include "test_support.h"

namespace chizro::test {
namespace {

INSTANTIATE_TEST_SUITE_P(StcXml, ReaderGolden, ::testing::ValuesIn(GoldenRows("xml/golden.tsv")),
                         RowName<GoldenCase>);

class StcXmlBadDocument : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(StcXmlBadDocument, EndsTheLoad) {
  const auto& [name, error] = GetParam();
  TMapBuilder_STCXML reader;
  TMapLeafGrp leaves(nullptr);
  const std::string path = DataPath(std::string("xml/bad/") + name + ".xml");
  EXPECT_EQ(ErrorOf([&] { reader.OpenFile(leaves, path); }), error);
}

INSTANTIATE_TEST_SUITE_P(Documents, StcXmlBadDocument,
                         ::testing::Values(std::pair{"srs_three_items", "list 3"},
                                           std::pair{"zone_not_a_number", "integer 'IX'"},
                                           std::pair{"zone_twenty", "zone"},
                                           std::pair{"coordinate_not_a_number", "real 'x'"},
                                           // 東経139 in Shift_JIS
                                           std::pair{"label_code_not_a_number",
                                                     "real '\x93\x8C\x8C"
                                                     "o139'"},
                                           std::pair{"not_closed", "io"}, std::pair{"empty", "io"},
                                           std::pair{"binary", "io"},
                                           std::pair{"space_not_closed", "io"}),
                         [](const auto& row) { return std::string(row.param.first); });

class StcXmlTest : public ::testing::Test {
protected:
  std::unique_ptr<TMapLeaf> Open(const std::string& bytes) {
    WriteFile(dir.File("area.xml"), bytes);
    return reader.OpenFile(leaves, dir.File("area.xml"));
  }

  TempDir dir;
  TMapLeafGrp leaves{nullptr};
  TMapBuilder_STCXML reader;
};

TEST_F(StcXmlTest, BrokenDocumentLeavesTheLeafUnloadedAndTheParserFitForTheNext) {
  const auto leaf = Open(ReadFile(DataPath("xml/square.xml")));
  leaf->Unload();
  leaf->FileName = DataPath("xml/bad/space_not_closed.xml");
  const std::string m = MessageOf<EInOutError>([&] { reader.LoadLeaf(*leaf, nullptr, 0); });
  EXPECT_NE(m.find("space_not_closed.xml"), std::string::npos) << m;
  EXPECT_FALSE(leaf->Loaded);
  EXPECT_EQ(leaf->FigGrpCount(), 0);
  leaf->FileName = DataPath("xml/square.xml");
  reader.LoadLeaf(*leaf, nullptr, 0);
  EXPECT_TRUE(leaf->Loaded);
}

// --- Untrusted documents ---------------------------------------------------

const std::string kFeature =
    "<GeometricFeature><FeatureType>x</FeatureType><Geometry><Coordinates>1,1</Coordinates>"
    "</Geometry><Property propertytypename=\"MOJI\">&s;</Property>"
    "<Property propertytypename=\"KEY_CODE\">[&s;]</Property></GeometricFeature>";

TEST_F(StcXmlTest, ExternalEntityIsNeverRead) {
  WriteFile(dir.File("secret.txt"), "TOP-SECRET");
  for (const std::string& uri : {"file://" + dir.File("secret.txt"), dir.File("secret.txt")}) {
    const std::string xml =
        "<?xml version=\"1.0\"?><!DOCTYPE G-XML [<!ENTITY s SYSTEM \"" + uri +
        "\">]><G-XML><MetricGeospace category=\"c\" spatialreferencesystem=\"a,b,c,9\"><D/>" +
        kFeature + "</MetricGeospace></G-XML>";
    // The document may be refused or read without the entity, but the
    // file's text never reaches the model or the message.
    std::string seen;
    try {
      const auto leaf = Open(xml);
      ASSERT_TRUE(leaf);
      seen = DumpLeaf(*leaf);
    } catch (const EInOutError& e) {
      seen = e.what();
    }
    EXPECT_EQ(seen.find("TOP-SECRET"), std::string::npos) << seen;
  }
}

TEST_F(StcXmlTest, ExternalDtdIsNeverLoaded) {
  // A DTD that would give the space a default category if it were read.
  WriteFile(dir.File("evil.dtd"), "<!ATTLIST MetricGeospace category CDATA \"FROM-DTD\">");
  const auto leaf =
      Open("<?xml version=\"1.0\"?><!DOCTYPE G-XML SYSTEM \"file://" + dir.File("evil.dtd") +
           "\"><G-XML><MetricGeospace spatialreferencesystem=\"a,b,c,9\"><D/>"
           "<GeometricFeature><FeatureType>x</FeatureType><Geometry>"
           "<Coordinates>1,1</Coordinates></Geometry></GeometricFeature>"
           "</MetricGeospace></G-XML>");
  ASSERT_TRUE(leaf);
  EXPECT_EQ(leaf->Name, "");
  EXPECT_EQ(leaf->FigGrps.at(0)->Count(), 1);
}

// Entities nested ten deep (tests/data/xml/untrusted/billion_laughs.xml), and one large entity
// referenced many times (quadratic blow-up).
TEST_F(StcXmlTest, EntityExpansionBombsEndTheLoadQuickly) {
  std::string quadratic = "<?xml version=\"1.0\"?><!DOCTYPE G-XML [<!ENTITY a \"" +
                          std::string(100000, 'a') + "\">]><G-XML><MetricGeospace>";
  for (int i = 0; i < 20000; ++i) quadratic += "&a;";
  quadratic += "</MetricGeospace></G-XML>";
  for (const std::string& bomb :
       {ReadFile(DataPath("xml/untrusted/billion_laughs.xml")), quadratic}) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(Open(bomb), EInOutError);
    // Generous: the point is that it does not expand gigabytes.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  }
}

TEST_F(StcXmlTest, DeeplyNestedDocumentIsSearchedWithoutRecursion) {
  constexpr int kDepth = 200000;
  std::string xml = "<?xml version=\"1.0\"?><G-XML>";
  for (int i = 0; i < kDepth; ++i) xml += "<a>";
  for (int i = 0; i < kDepth; ++i) xml += "</a>";
  xml += "<MetricGeospace category=\"deep\" spatialreferencesystem=\"a,b,c,9\"/></G-XML>";
  EXPECT_EQ(Open(xml)->Name, "deep");
}

}  // namespace
}  // namespace chizro::test
