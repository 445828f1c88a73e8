// The definition files and the settings file that ship beside the program
// must load, and the settings must give every class of every kind an output
// entry: a class without one is written without layer, colour and type.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "model/class_def.h"
#include "platform/comma_text.h"
#include "platform/ini_file.h"
#include "readers/data_kinds.h"

namespace chizro {
namespace {

const std::filesystem::path kDefDir =
    std::filesystem::path(CHIZRO_TEST_DATA_DIR) / ".." / ".." / "def";

TEST(ShippedDefinitions, EveryKindLoadsAndEveryClassHasAnOutputEntry) {
  const TIniFile settings((kDefDir / "chizro.ini").string());
  std::set<std::string> elements;
  for (const std::string& key : settings.ReadSection("Elements")) {
    elements.insert(key);
    EXPECT_EQ(SplitCommaText(settings.ReadString("Elements", key, "")).size(), 5u) << key;
  }
  for (int kind : {KindNumber(TKind::Sdf2500), KindNumber(TKind::Ksj), KindNumber(TKind::GkuPnt), KindNumber(TKind::StcXml), KindNumber(TKind::Fgd), KindNumber(TKind::Moj), KindNumber(TKind::Enc),
                   KindNumber(TKind::Raster), KindNumber(TKind::GpsWpt), KindNumber(TKind::Gpx)}) {
    std::string file = DefaultBuilders().DefFileForKind(kind);
    file = file.substr(file.rfind('\\') + 1);
    SCOPED_TRACE(file);
    TClassDefGrp defs;
    ASSERT_TRUE(defs.LoadFromFile((kDefDir / file).string()));
    EXPECT_GT(defs.Count(), 0);
    for (int i = 0; i < defs.Count(); ++i)
      EXPECT_TRUE(elements.count(defs.Items(i)->Name)) << "no entry for " << defs.Items(i)->Name;
    EXPECT_FALSE(
        TIniFile((kDefDir / file).string()).ReadString("MapTheme", "ThemeTitle", "").empty());
  }
}

}  // namespace
}  // namespace chizro
