// The settings dialog's rows without a toolkit: read, edited, checked and
// saved back to the settings file beside the program.
#include "ui/pref_logic.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/ini_file.h"
#include "platform/sjis.h"
#include "test_support.h"

namespace chizro {
namespace {

namespace fs = std::filesystem;

class PrefLogicTest : public ::testing::Test {
protected:
  void SetUp() override { fs::create_directory(home.Path() / "def"); }
  void WriteSettings(const std::string& utf8) { test::WriteFile(Ini(), Utf8ToSjis(utf8)); }
  std::string Saved(const char* key) const {
    return SjisToUtf8(TIniFile(Ini()).ReadString("Elements", key, ""));
  }
  std::string Ini() const { return home.File("def/chizro.ini"); }

  test::TempDir home;
  TPrefLogic pref;
};

TEST_F(PrefLogicTest, ReadsTheModeAndSavesEveryEntryBackInFileOrder) {
  WriteSettings(
      "[Layers]\r\nOutput=G\r\n[Elements]\r\n"
      "2110=道路,1,2,3,4,extra\r\n1108=\"街区 界\",2,3,1,1\r\n");
  pref.Load(Ini());
  EXPECT_EQ(pref.Mode(), TLayerMode::Group);
  ASSERT_EQ(pref.RowCount(), 2);
  EXPECT_EQ(pref.FieldText(1, 0), "街区 界");
  EXPECT_EQ(pref.FieldText(0, 5), "extra");
  EXPECT_EQ(pref.FieldText(2, 0), "") << "no such row";
  pref.Save();
  EXPECT_EQ(TIniFile(Ini()).ReadString("Layers", "Output", ""), "G");
  EXPECT_EQ(Saved("2110"), "道路,1,2,3,4");
  EXPECT_EQ(Saved("1108"), "\"街区 界\",2,3,1,1");
  EXPECT_EQ(TIniFile(Ini()).ReadSection("Elements").front(), "2110");

  // No layer separation disables the layer but keeps its value.
  EXPECT_TRUE(pref.LayerEditable());
  pref.SetMode(TLayerMode::None);
  EXPECT_FALSE(pref.LayerEditable());
  pref.Save();
  EXPECT_EQ(TIniFile(Ini()).ReadString("Layers", "Output", ""), "N");
  EXPECT_EQ(Saved("2110"), "道路,1,2,3,4");
}

// The map's row: the zone and the contour interval go to "Map" only once
// set, and a typed interval is checked.
TEST_F(PrefLogicTest, TheZoneAndTheContourIntervalAreSavedUnderMap) {
  WriteSettings("[Layers]\r\nOutput=L\r\n[Elements]\r\n2110=road,1,2,3,4\r\n");
  pref.Load(Ini());
  EXPECT_EQ(pref.Zone(), 0);
  EXPECT_EQ(pref.ContourText(), "");
  pref.Save();
  EXPECT_FALSE(TIniFile(Ini()).KeyExists("Map", "Zone")) << "automatic is the default, unwritten";

  const std::vector<std::string> zones = TPrefLogic::ZoneChoices();
  ASSERT_EQ(zones.size(), static_cast<std::size_t>(kPrefZoneCount));
  EXPECT_NE(zones[9].find("東京都"), std::string::npos) << zones[9];
  EXPECT_NE(zones[2].find("福岡県"), std::string::npos) << zones[2];
  EXPECT_NE(zones[5].find("鳥取県"), std::string::npos) << zones[5];

  pref.SetZone(2);
  for (const char* bad : {"-1", "abc", "1e5", "0x10", "1001"}) {
    const TPrefEdit edit = pref.EditContour(bad);
    EXPECT_EQ(edit.Result, TPrefEdit::Refused) << bad;
    EXPECT_NE(edit.Message.find(bad), std::string::npos) << edit.Message;
  }
  EXPECT_EQ(pref.EditContour(" 2.5 ").Result, TPrefEdit::Stored);
  pref.Save();
  EXPECT_EQ(TIniFile(Ini()).ReadString("Map", "Zone", ""), "2");
  EXPECT_EQ(TIniFile(Ini()).ReadString("Map", "ContourInterval", ""), "2.5");
  EXPECT_EQ(Saved("2110"), "road,1,2,3,4");

  pref.Load(Ini());
  EXPECT_EQ(pref.Zone(), 2);
  EXPECT_EQ(pref.ContourText(), "2.5");
  pref.SetZone(20);  // no such zone: automatic
  pref.EditContour("");
  pref.Save();
  EXPECT_EQ(TIniFile(Ini()).ReadString("Map", "Zone", ""), "0");
  EXPECT_EQ(TIniFile(Ini()).ReadString("Map", "ContourInterval", ""), "0");
}

TEST_F(PrefLogicTest, ALoadDropsTheEditsOfTheLastOpening) {
  WriteSettings("[Layers]\r\nOutput=L\r\n[Elements]\r\n2110=road,1,2,3,4\r\n");
  pref.Load(Ini());
  pref.Edit(0, 2, "5");
  pref.SetMode(TLayerMode::Group);
  pref.Load(Ini());  // cancelled, then opened again
  EXPECT_EQ(pref.FieldText(0, 2), "2");
  EXPECT_EQ(pref.Mode(), TLayerMode::Layer);
}

TEST_F(PrefLogicTest, NoSettingsFileMeansNoRowsAndNoSeparation) {
  pref.Load(Ini());
  EXPECT_EQ(pref.Mode(), TLayerMode::None);
  EXPECT_EQ(pref.RowCount(), 0);
  EXPECT_EQ(pref.Edit(0, 1, "3").Result, TPrefEdit::Unchanged);
  EXPECT_FALSE(fs::exists(Ini())) << "reading writes nothing";
  pref.Save();
  EXPECT_EQ(TIniFile(Ini()).ReadString("Layers", "Output", ""), "N");
}

// A value typed into a combo box: stored (normalised) when JW_CAD reads it,
// otherwise refused with the field and the values allowed named and the
// row kept (the ranges themselves are the output settings tests').
struct TypedCase {
  const char* Name;
  std::size_t Field;
  const char* Text;
  TPrefEdit::TResult Result;
  const char* Shown;    // what the combo box shows afterwards
  const char* Saved;    // the entry saved afterwards
  const char* Refusal;  // part of the message, null when accepted
};
void PrintTo(const TypedCase& row, std::ostream* os) { *os << row.Name; }

class PrefTypedTest : public PrefLogicTest, public ::testing::WithParamInterface<TypedCase> {};

TEST_P(PrefTypedTest, ValuesJwCadCannotReadAreRefused) {
  const TypedCase& c = GetParam();
  WriteSettings("[Layers]\r\nOutput=L\r\n[Elements]\r\n2110=road,1,2,3,4\r\n");
  pref.Load(Ini());
  const TPrefEdit edit = pref.Edit(0, c.Field, c.Text);
  EXPECT_EQ(edit.Result, c.Result);
  EXPECT_EQ(edit.Text, c.Shown);
  if (c.Refusal)
    EXPECT_NE(edit.Message.find(c.Refusal), std::string::npos) << edit.Message;
  else
    EXPECT_EQ(edit.Message, "");
  pref.Save();
  EXPECT_EQ(Saved("2110"), c.Saved);
}

INSTANTIATE_TEST_SUITE_P(
    Typed, PrefTypedTest,
    ::testing::Values(
        TypedCase{"LayerLowerCaseHex", 1, "c", TPrefEdit::Stored, "C", "road,C,2,3,4", nullptr},
        TypedCase{"ColourZero", 2, "0", TPrefEdit::Refused, "2", "road,1,2,3,4",
                  "線色 \"0\" は JW_CAD が読めません。線色 は 1～9 で指定してください。"},
        TypedCase{"LineTypeFullWidth", 3, "３", TPrefEdit::Refused, "3", "road,1,2,3,4", "線種"},
        TypedCase{"TextKindTen", 4, "10", TPrefEdit::Stored, "10", "road,1,2,3,10", nullptr},
        TypedCase{"EmptyWhileTyping", 4, "", TPrefEdit::Unchanged, "", "road,1,2,3,4", nullptr}),
    test::RowName<TypedCase>);

}  // namespace
}  // namespace chizro
