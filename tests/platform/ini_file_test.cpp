#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/sorted.h"
#include "test_support.h"

namespace chizro {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using Names = std::vector<std::string>;

class IniFileTest : public ::testing::Test {
protected:
  TempDir dir;
  std::string path = dir.File("settings.ini");
};

TEST_F(IniFileTest, ReadsValuesWithoutRegardToCaseTrimmedAndUnquoted) {
  WriteFile(path,
            "[Layers]\r\n"
            "  Output =  L  \r\n"
            "[Elements]\r\n"
            "A=\"quoted value\"\r\n"
            "B='single'\r\n"
            "C=\"only one\r\n"
            "D=  \"a\" and \"b\"  \r\n"
            "E=x=y\r\n");
  const TIniFile ini(path);
  EXPECT_EQ(ini.ReadString("layers", "OUTPUT", "?"), "L");
  EXPECT_EQ(ini.ReadString("Elements", "a", ""), "quoted value");
  EXPECT_EQ(ini.ReadString("Elements", "b", ""), "single");
  EXPECT_EQ(ini.ReadString("Elements", "c", ""), "\"only one");
  EXPECT_EQ(ini.ReadString("Elements", "d", ""), "a\" and \"b");
  EXPECT_EQ(ini.ReadString("Elements", "e", ""), "x=y");
  EXPECT_EQ(ini.ReadString("Elements", "missing", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadString("Nowhere", "A", "dflt"), "dflt");
}

TEST_F(IniFileTest, LfOnlyFileAndShiftJisBytesReadUnchanged) {
  const std::string sjisTitle = "\x93\x9B\x98\x48";  // 道路
  WriteFile(path, "[C_2101]\nClassTitle=" + sjisTitle + "\n\x95\x5C=1\n");
  const TIniFile ini(path);
  EXPECT_EQ(ini.ReadString("C_2101", "ClassTitle", ""), sjisTitle);
  EXPECT_EQ(ini.ReadString("C_2101", "\x95\x5C", ""), "1");
}

TEST_F(IniFileTest, FirstOfDuplicateSectionsAndKeysWins) {
  WriteFile(path, "[S]\nk=1\nK=2\n[other]\nk=9\n[s]\nk=3\nz=4\n");
  const TIniFile ini(path);
  EXPECT_EQ(ini.ReadString("S", "k", ""), "1");
  EXPECT_EQ(ini.ReadString("s", "z", "none"), "none");
  EXPECT_EQ(ini.ReadSection("S"), (Names{"k"}));
  EXPECT_EQ(ini.ReadSections(), (Names{"S", "other"}));
}

TEST_F(IniFileTest, ListsKeysAndSectionsInFileOrder) {
  WriteFile(path, "; comment\n[Zeta]\nb=1\na=2\n\nnot a key\nc=3\n[Alpha]\n[Mid]\nx=1\n");
  const TIniFile ini(path);
  EXPECT_EQ(ini.ReadSections(), (Names{"Zeta", "Alpha", "Mid"}));
  EXPECT_EQ(ini.ReadSection("zeta"), (Names{"b", "a", "c"}));
  EXPECT_TRUE(ini.ReadSection("Alpha").empty());
  EXPECT_TRUE(ini.ReadSection("missing").empty());
}

TEST_F(IniFileTest, CutsValuesAt2047Bytes) {
  WriteFile(path, "[S]\nlong=" + std::string(3000, 'v') + "\n");
  EXPECT_EQ(TIniFile(path).ReadString("S", "long", "").size(), 2047u);
}

TEST_F(IniFileTest, MissingFileReadsEmptyAndWriteCreatesIt) {
  TIniFile ini(path);
  EXPECT_TRUE(ini.ReadSections().empty());
  ini.WriteString("Layers", "Output", "N");
  EXPECT_EQ(ReadFile(path), "[Layers]\r\nOutput=N\r\n");
  EXPECT_EQ(TIniFile(path).ReadString("Layers", "Output", ""), "N");
}

TEST_F(IniFileTest, WriteKeepsEveryOtherLineAndTheFileLineEnds) {
  const std::string original =
      "; prepared settings\n"
      "[Layers]\n"
      "output = G\n"
      "\n"
      "[Elements]\n"
      "2101=road,1,2,3,4  ; note\n"
      "\n";
  WriteFile(path, original);
  TIniFile ini(path);
  ini.WriteString("LAYERS", "Output", "L");
  ini.WriteString("Elements", "2102", "rail,2,2,2,2");
  ini.WriteString("New", "k", "v");
  EXPECT_EQ(ReadFile(path),
            "; prepared settings\n"
            "[Layers]\n"
            "output =L\n"
            "\n"
            "[Elements]\n"
            "2101=road,1,2,3,4  ; note\n"
            "2102=rail,2,2,2,2\n"
            "\n"
            "[New]\n"
            "k=v\n");
  const TIniFile reread(path);
  EXPECT_EQ(reread.ReadString("Layers", "Output", ""), "L");
  EXPECT_EQ(reread.ReadSection("Elements"), (Names{"2101", "2102"}));
}

// A file edited by hand may mix line ends: every line keeps its own, so a
// write cannot turn "[A\r\r\n" (a section "A\r") into "[A\r\n" (a section "A").
TEST_F(IniFileTest, WriteKeepsTheLineEndOfEveryLine) {
  WriteFile(path, "a=1\n[A\r\r\nx=1\r\n[A]\r\nb=2\nlast\r");
  TIniFile ini(path);
  EXPECT_EQ(ini.ReadString("A", "x", ""), "") << "\"A\\r\" is a section of its own";
  ini.WriteString("A", "c", "3");
  EXPECT_EQ(ReadFile(path), "a=1\n[A\r\r\nx=1\r\n[A]\r\nb=2\nlast\r\nc=3");
  EXPECT_EQ(TIniFile(path).ReadString("A", "c", ""), "3");
  ini.WriteString("B", "d", "4");
  EXPECT_EQ(ReadFile(path), "a=1\n[A\r\r\nx=1\r\n[A]\r\nb=2\nlast\r\nc=3\n\n[B]\nd=4");
}

TEST_F(IniFileTest, FailedWriteLeavesTheFileAsItWas) {
  const std::string original = "[S]\r\nk=1\r\n";
  WriteFile(path, original);
  TIniFile ini(path);
  // A directory where the temporary file must go makes the write fail.
  std::filesystem::create_directory(path + ".tmp~");
  WriteFile(path + ".tmp~/block", "x");
  EXPECT_THROW(ini.WriteString("S", "k", "2"), EInOutError);
  EXPECT_EQ(ReadFile(path), original);
  EXPECT_EQ(ini.ReadString("S", "k", ""), "1");
}

TEST(CompareText, FoldsAsciiLettersOnly) {
  EXPECT_EQ(CompareText("abc", "ABC"), 0);
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_GT(CompareText("b", "A"), 0);
  EXPECT_LT(CompareText("ab", "abc"), 0);
  EXPECT_NE(CompareText("\x82\xa0", "\x82\x80"), 0);
}

}  // namespace
}  // namespace chizro
