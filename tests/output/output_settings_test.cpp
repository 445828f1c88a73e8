// The output settings model: reading "Layers"/"Output" and the "Elements"
// entries in file order, and saving them back.
#include "output/output_settings.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/comma_text.h"
#include "platform/errors.h"
#include "test_support.h"

namespace chizro {
namespace {

using Fields = std::vector<std::string>;

const std::string kBuilding = "\x8C\x9A\x95\xA8";  // 建物 (its second byte is "\x9A")

class OutputSettingsTest : public ::testing::Test {
protected:
  std::string Load(const std::string& text) {
    test::WriteFile(path, text);
    settings.Load(path);
    return path;
  }

  test::TempDir dir;
  std::string path = dir.File("chizro.ini");
  TOutputSettings settings;
};

// Entries are read in file order, trimmed and unquoted; a save writes five
// fields per entry, as edited, and keeps the rest of the file.
TEST_F(OutputSettingsTest, ReadsTheEntriesInFileOrderAndSavesThemBack) {
  const std::string head = "; prepared with the program\r\n[Layers]\r\nOutput=";
  Load(head + "G\r\n\r\n[Elements]\r\n2110=" + kBuilding +
       ",3,1,1,2\r\n1101=\"town hall\",A,5,7,7,extra\r\n0000=frame , 0 , 2 ,2,5\r\n"
       "Road=r,1,1,1,1\r\n[Other]\r\nKeep=this\r\n");
  EXPECT_EQ(settings.Mode(), TLayerMode::Group);
  ASSERT_EQ(settings.Rows.size(), 4u);
  EXPECT_EQ(settings.Rows[0].Key, "2110");
  EXPECT_EQ(settings.Rows[0].Fields, (Fields{kBuilding, "3", "1", "1", "2"}));
  EXPECT_EQ(settings.Rows[1].Fields, (Fields{"town hall", "A", "5", "7", "7", "extra"}));
  EXPECT_EQ(settings.Rows[2].Fields, (Fields{"frame", "0", "2", "2", "5"}));
  EXPECT_EQ(settings.Find("ROAD"), &settings.Rows[3]);
  EXPECT_EQ(settings.Find("road "), nullptr);
  EXPECT_EQ(settings.Find("9999"), nullptr);

  settings.SetMode(TLayerMode::Layer);
  settings.Rows[0].Fields[4] = "12";  // typed into the text type: kept as typed
  settings.Save(path);
  EXPECT_EQ(test::ReadFile(path), head + "L\r\n\r\n[Elements]\r\n2110=" + kBuilding +
                                      ",3,1,1,12\r\n1101=\"town hall\",A,5,7,7\r\n"
                                      "0000=frame,0,2,2,5\r\nRoad=r,1,1,1,1\r\n"
                                      "[Other]\r\nKeep=this\r\n");
  TOutputSettings again;
  again.Load(path);
  EXPECT_EQ(again.Mode(), TLayerMode::Layer);
  EXPECT_EQ(again.Rows[1].Fields, (Fields{"town hall", "A", "5", "7", "7"}));
}

TEST_F(OutputSettingsTest, AMissingFileReadsEmptyAndSavesOnlyTheMode) {
  settings.Load(path);
  EXPECT_EQ(settings.Mode(), TLayerMode::None);
  EXPECT_TRUE(settings.Rows.empty());
  settings.Save(path);
  EXPECT_EQ(test::ReadFile(path), "[Layers]\r\nOutput=N\r\n");
}

TEST_F(OutputSettingsTest, AShortEntryStopsTheSaveBeforeAnythingIsWritten) {
  const std::string text = "[Layers]\r\nOutput=G\r\n[Elements]\r\n1=a,1,2,3,4\r\n2=b,1,2,3\r\n";
  Load(text);
  settings.SetMode(TLayerMode::None);
  settings.Rows[0].Fields[1] = "9";
  try {
    settings.Save(path);
    FAIL() << "no error";
  } catch (const EListIndexError& e) {
    EXPECT_EQ(e.Index(), 4);
  }
  EXPECT_EQ(test::ReadFile(path), text);
  EXPECT_THROW(settings.Rows[1].Field(4), EListIndexError);
  EXPECT_EQ(settings.Rows[1].Field(3), "3");
}

TEST_F(OutputSettingsTest, AValueThatWouldLoseItsOuterQuotesIsProtected) {
  Load("[Elements]\r\n1=x,1,2,3,4\r\n");
  settings.Rows[0].Fields = {"a b", "1", "2", "3", "c d"};
  settings.Save(path);
  TOutputSettings again;
  again.Load(path);
  EXPECT_EQ(again.Rows[0].Fields, (Fields{"a b", "1", "2", "3", "c d"}));
}

// The rows of tests/data/output/setting_values.tsv.
class SettingValueTest : public ::testing::TestWithParam<test::TableRow> {};

TEST_P(SettingValueTest, KeepsWhatJwCadReadsAndRefusesTheRest) {
  const test::TableRow& r = GetParam();
  const std::optional<std::string> got = SettingValue(std::stoul(r.at(1)), r.at(2));
  EXPECT_EQ(got.value_or("refused"), r.at(3));
}

INSTANTIATE_TEST_SUITE_P(Fields, SettingValueTest,
                         ::testing::ValuesIn(test::ReadTable(std::string(CHIZRO_TEST_DATA_DIR) +
                                                             "/output/setting_values.tsv")),
                         test::TableRowName);

}  // namespace
}  // namespace chizro
