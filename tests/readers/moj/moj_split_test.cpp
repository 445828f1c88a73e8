// 地図XML files read in parts on several threads, as a large file is: the
// fixtures' tables read by a reader that cuts every file in three parts must
// give their golden dumps and their errors at the same places; a generated
// map of many records, plain and placed by control points, read in parts
// must give the one-piece read's figures, and its damaged copies (an error
// late in the file, an id defined again in a later part, a namespace
// declared on a section) the one-piece read's message and kept figures.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/map_leaf.h"
#include "platform/errors.h"
#include "readers/common/xml_split.h"
#include "readers/moj/moj_builder.h"
#include "support/cancel_in_parts.h"
#include "support/leaf_dump.h"
#include "test_support.h"

namespace chizro::test {
namespace {

template <class Case>
std::vector<Case> InParts(std::vector<Case> rows) {
  for (Case& row : rows)
    row.Reader = [] { return std::make_unique<TMapBuilder_Moj>(TMojSplit{1, 3}); };
  return rows;
}

INSTANTIATE_TEST_SUITE_P(MojInParts, ReaderGolden,
                         ::testing::ValuesIn(InParts(GoldenRows("moj/golden.tsv"))),
                         RowName<GoldenCase>);
INSTANTIATE_TEST_SUITE_P(MojInParts, ReaderBadFile,
                         ::testing::ValuesIn(InParts(BadFileRows("moj/bad_files.tsv"))),
                         RowName<BadFileCase>);

std::string Fixed(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", v);
  return text;
}

// A map of n by n square parcels of 10 m, each side one curve shared by the
// two parcels it parts (every third with a position written inline), a
// control point at every seventh grid point, a numbered boundary point at
// each, a boundary line item of a varying kind per curve, every fifth parcel
// a road placeholder, and two sheets. The grid's north-east is (x, y) =
// (north, east) of its first point plus 10 m steps.
std::string MapText(int n, bool local) {
  const double north = local ? 100 : -35000, east = local ? 200 : 12000;
  const int side = n + 1;
  const auto point = [side](int i, int j) { return std::to_string(i * side + j + 1); };
  std::string t =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<地図 xmlns=\"http://www.moj.go.jp/MINJI/tizuxml\" "
      "xmlns:zmn=\"http://www.moj.go.jp/MINJI/tizuzumen\">\n"
      "\t<地図名>生成図</地図名>\n\t<座標系>" +
      std::string(local ? "任意座標系" : "公共座標9系") + "</座標系>\n\t<空間属性>\n";
  for (int i = 0; i < side; ++i)
    for (int j = 0; j < side; ++j)
      t += "\t\t<zmn:GM_Point id=\"P" + point(i, j) +
           "\"><zmn:GM_Point.position><zmn:DirectPosition><zmn:X>" + Fixed(north + 10 * i) +
           "</zmn:X><zmn:Y>" + Fixed(east + 10 * j) +
           "</zmn:Y></zmn:DirectPosition></zmn:GM_Point.position></zmn:GM_Point>\n";
  // Curves: first the west-east ones (H), then the south-north ones (V).
  int curves = 0;
  const auto curve = [&](int i0, int j0, int i1, int j1) {
    ++curves;
    const auto ref = [&](int i, int j) {
      return "<zmn:GM_PointArray.column><zmn:GM_Position.indirect><zmn:GM_PointRef.point idref=\"P" +
             point(i, j) + "\"/></zmn:GM_Position.indirect></zmn:GM_PointArray.column>";
    };
    t += "\t\t<zmn:GM_Curve id=\"C" + std::to_string(curves) +
         "\"><zmn:GM_Curve.segment><zmn:GM_LineString><zmn:GM_LineString.controlPoint>" + ref(i0, j0);
    if (curves % 3 == 0)
      t += "<zmn:GM_PointArray.column><zmn:GM_Position.direct><zmn:X>" +
           Fixed(north + 5 * (i0 + i1)) + "</zmn:X><zmn:Y>" + Fixed(east + 5 * (j0 + j1)) +
           "</zmn:Y></zmn:GM_Position.direct></zmn:GM_PointArray.column>";
    t += ref(i1, j1) + "</zmn:GM_LineString.controlPoint></zmn:GM_LineString></zmn:GM_Curve.segment>"
                       "</zmn:GM_Curve>\n";
  };
  for (int i = 0; i < side; ++i)
    for (int j = 0; j < n; ++j) curve(i, j, i, j + 1);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < side; ++j) curve(i, j, i + 1, j);
  const auto h = [n](int i, int j) { return std::to_string(i * n + j + 1); };
  const auto v = [n, side](int i, int j) { return std::to_string(side * n + i * side + j + 1); };
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      t += "\t\t<zmn:GM_Surface id=\"F" + h(i, j) +
           "\"><zmn:GM_Surface.patch><zmn:GM_Polygon><zmn:GM_Polygon.boundary>"
           "<zmn:GM_SurfaceBoundary><zmn:GM_SurfaceBoundary.exterior><zmn:GM_Ring>";
      for (const std::string& c : {h(i, j), v(i, j + 1), h(i + 1, j), v(i, j)})
        t += "<zmn:GM_CompositeCurve.generator idref=\"C" + c + "\"/>";
      t += "</zmn:GM_Ring></zmn:GM_SurfaceBoundary.exterior></zmn:GM_SurfaceBoundary>"
           "</zmn:GM_Polygon.boundary></zmn:GM_Polygon></zmn:GM_Surface.patch></zmn:GM_Surface>\n";
    }
  t += "\t</空間属性>\n\t<主題属性>\n";
  for (int k = 1; k <= side * side; ++k) {
    const std::string id = std::to_string(k);
    if (k % 7 == 0)
      t += "\t\t<基準点><名称>K" + id + "</名称><基準点種別>多角点</基準点種別><形状 idref=\"P" + id +
           "\"/></基準点>\n";
    t += "\t\t<筆界点><点番名>" + id + "</点番名><形状 idref=\"P" + id + "\"/></筆界点>\n";
  }
  const char* kinds[] = {"筆界線", "大字界線", "筆界線", "未描画線", "丁目界線"};
  for (int k = 1; k <= curves; ++k)
    t += "\t\t<筆界線><形状 idref=\"C" + std::to_string(k) + "\"/><線種別>" + kinds[k % 5] +
         "</線種別></筆界線>\n";
  for (int k = 1; k <= n * n; ++k)
    t += "\t\t<筆 id=\"H" + std::to_string(k) + "\"><大字名>生成</大字名><地番>" +
         (k % 5 == 0 ? "道-" : "") + std::to_string(k) + "</地番><形状 idref=\"F" +
         std::to_string(k) + "\"/></筆>\n";
  t += "\t</主題属性>\n";
  for (int s = 0; s < 2; ++s) {
    t += "\t<図郭><地図番号>Z" + std::to_string(s) + "</地図番号><縮尺分母>500</縮尺分母>";
    const char* corners[] = {"左下座標", "右下座標", "右上座標", "左上座標"};
    const int at[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    for (int c = 0; c < 4; ++c)
      t += std::string("<") + corners[c] + "><zmn:X>" + Fixed(north + 10 * n * at[c][0]) +
           "</zmn:X><zmn:Y>" + Fixed(east + 5 * n * (s + at[c][1])) + "</zmn:Y></" + corners[c] +
           ">";
    t += "</図郭>\n";
  }
  return t + "</地図>\n";
}

// The four outer corners of a local map by their 点番名, placed 35 km south
// and 12 km east and turned by 0.01 rad.
std::string SidecarText(int n) {
  const int side = n + 1;
  std::string t = "名前,x,y,X,Y\n";
  for (const auto& [i, j] : {std::pair{0, 0}, {0, n}, {n, n}, {n, 0}}) {
    const double x = 100 + 10 * i, y = 200 + 10 * j;
    t += std::to_string(i * side + j + 1) + ",,," +
         Fixed(-35000 + x * std::cos(0.01) - y * std::sin(0.01)) + "," +
         Fixed(12000 + x * std::sin(0.01) + y * std::cos(0.01)) + "\n";
  }
  return t;
}

// What a read gave: the leaf's dump after the open (and a load when the open
// did not build it) and after a load of its own, the message of an error
// and the notice; and how many reads joined parts.
struct TReadOutcome {
  std::string Opened, Loaded, Error, Notice;
  unsigned Joined = 0;
};

TReadOutcome ReadWith(const std::string& path, unsigned parts) {
  std::atomic<unsigned> joined{0};
  TMapBuilder_Moj reader(TMojSplit{1, parts, &joined});
  TMapLeafGrp leaves(nullptr);
  TReadOutcome out;
  std::unique_ptr<TMapLeaf> leaf;
  try {
    leaf = reader.OpenFile(leaves, path);
    if (!leaf->Loaded) reader.LoadLeaf(*leaf, nullptr, 2500);
  } catch (const EChizroError& e) {
    out.Error = e.what();
  }
  if (leaf) {
    out.Opened = DumpLeaf(*leaf);
    out.Notice = leaf->Notice;
    leaf->Unload();
    try {
      reader.LoadLeaf(*leaf, nullptr, 2500);
    } catch (const EChizroError& e) {
      out.Error += std::string("\n") + e.what();
    }
    out.Loaded = DumpLeaf(*leaf);
  }
  out.Joined = joined;
  return out;
}

struct TSplitCase {
  std::string Name;
  bool Local;
  // Damages the text; `joins` tells whether the parts are still joined.
  std::function<void(std::string&)> Damage;
  bool Joins;
  const char* Mentions;  // in the error; empty: none
};

void PrintTo(const TSplitCase& c, std::ostream* os) { *os << c.Name; }

class MojGeneratedInParts : public ::testing::TestWithParam<TSplitCase> {};

TEST_P(MojGeneratedInParts, GivesTheOnePieceRead) {
  const TSplitCase& c = GetParam();
  constexpr int kGrid = 12;
  TempDir dir;
  const std::string path = dir.File("13101-0001.xml");
  std::string text = MapText(kGrid, c.Local);
  if (c.Damage) c.Damage(text);
  WriteFile(path, text);
  if (c.Local) WriteFile(path + ".gcp", SidecarText(kGrid));

  const TReadOutcome whole = ReadWith(path, 1);
  EXPECT_EQ(whole.Joined, 0u);
  if (*c.Mentions) {
    EXPECT_NE(whole.Error.find(c.Mentions), std::string::npos) << whole.Error;
  } else {
    EXPECT_EQ(whole.Error, "");
  }
  if (c.Local) {
    EXPECT_NE(whole.Notice.find("ヘルマート変換 4点"), std::string::npos) << whole.Notice;
  }
  for (const unsigned parts : {2u, 7u}) {
    const TReadOutcome cut = ReadWith(path, parts);
    // The open and the load each read the file once.
    EXPECT_EQ(cut.Joined, c.Joins ? 2u : 0u) << parts << " parts";
    EXPECT_EQ(cut.Error, whole.Error) << parts << " parts";
    EXPECT_EQ(cut.Notice, whole.Notice) << parts << " parts";
    EXPECT_EQ(cut.Opened, whole.Opened) << parts << " parts";
    EXPECT_EQ(cut.Loaded, whole.Loaded) << parts << " parts";
  }
}

// The text from the last `what` on, with `from` in it replaced by `to`.
std::function<void(std::string&)> LastReplaced(std::string what, std::string from, std::string to) {
  return [=](std::string& text) {
    const std::size_t at = text.find(from, text.rfind(what));
    ASSERT_NE(at, std::string::npos);
    text.replace(at, from.size(), to);
  };
}

INSTANTIATE_TEST_SUITE_P(
    Moj, MojGeneratedInParts,
    ::testing::Values(
        TSplitCase{"Plain", false, nullptr, true, ""},
        TSplitCase{"PlacedByItsSidecar", true, nullptr, true, ""},
        // The last point's zmn:X is not a number: its element is named.
        TSplitCase{"ANumberLate", false, LastReplaced("<zmn:GM_Point ", ".000</zmn:X>", ",000</zmn:X>"),
                   false, "zmn:GM_Point id=\"P169\""},
        // The parser's error in the last parcel keeps its line.
        TSplitCase{"MalformedLate", false, LastReplaced("<筆 ", "</筆>", "</筆x>"), false, "行目"},
        // The last curve takes the first one's id, far from it in the file.
        TSplitCase{"AnIdDefinedAgainLate", false,
                   LastReplaced("<zmn:GM_Curve ", "id=\"C312\"", "id=\"C1\""), false,
                   "id=\"C1\": 入出力エラー: id が重複しています"},
        // The geometry's prefix bound anew on its section: none of it is
        // zmn's, so the items' shapes are missing; a part's head, which
        // does not repeat the declaration, would see them.
        TSplitCase{"ANamespaceOnASection", false,
                   LastReplaced("<空間属性>", "<空間属性>", "<空間属性 xmlns:zmn=\"urn:other\">"),
                   false, "がありません"}),
    RowName<TSplitCase>);

// The window's cancel, asked on the calling thread while the parts are read,
// ends the open with no leaf and every thread joined.
TEST(MojInPartsCancel, EndsTheOpen) {
  TempDir dir;
  const std::string path = dir.File("13101-0001.xml");
  WriteFile(path, MapText(12, false));
  TMapBuilder_Moj reader(TMojSplit{1, 4});
  ExpectOpenCancelledInParts(reader, path);
}

// The cuts of a generated map: each before a record of the section it lies
// in, after a record's end; the parts after the first reopen the root and
// that section, those before the last close both.
TEST(XmlSplit, CutsInsideTheSectionsOfRecords) {
  TempDir dir;
  const std::string path = dir.File("map.xml");
  const std::string text = MapText(6, false);
  WriteFile(path, text);
  const std::string root = text.substr(0, text.find('>', text.find("<地図")) + 1);
  const std::vector<TXmlSection> sections = {{"空間属性", {"GM_Point", "GM_Curve"}},
                                             {"主題属性", {"筆"}}};
  const auto size = static_cast<std::int64_t>(text.size());
  const std::vector<TXmlPart> parts = SplitXmlSections(path, size, 4, sections);
  ASSERT_GE(parts.size(), 3u);
  EXPECT_EQ(parts.front().Begin, 0);
  EXPECT_EQ(parts.front().Head, "");
  EXPECT_EQ(parts.back().End, size);
  EXPECT_EQ(parts.back().Tail, "");
  const std::int64_t thematic = static_cast<std::int64_t>(text.find("<主題属性>"));
  // The last quarter holds the surfaces, which are not records here, and
  // the items.
  EXPECT_GT(parts.back().Begin, thematic);
  for (std::size_t i = 1; i < parts.size(); ++i) {
    const std::int64_t at = parts[i].Begin;
    EXPECT_EQ(parts[i - 1].End, at);
    const std::string section = at < thematic ? "空間属性" : "主題属性";
    EXPECT_EQ(parts[i].Head, root + "<" + section + ">");
    EXPECT_EQ(parts[i - 1].Tail, "</" + section + "></地図>");
    // A record of the section starts there, right after another's end.
    const std::string record = at < thematic ? "<zmn:GM_" : "<筆 ";
    EXPECT_EQ(text.compare(static_cast<std::size_t>(at), record.size(), record), 0);
    EXPECT_EQ(text.compare(static_cast<std::size_t>(at) - 4, 4, ">\n\t\t"), 0);
  }
  // A document in another encoding is not cut.
  std::string sjis = text;
  sjis.replace(sjis.find("UTF-8"), 5, "Shift_JIS");
  WriteFile(path, sjis);
  EXPECT_TRUE(SplitXmlSections(path, static_cast<std::int64_t>(sjis.size()), 4, sections).empty());
}

}  // namespace
}  // namespace chizro::test
