#include "support/leaf_dump.h"

#include <gtest/gtest.h>
#include <proj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>

#include "model/draw_class.h"
#include "model/map_figure.h"
#include "platform/errors.h"
#include "platform/program_dir.h"
#include "platform/sjis.h"
#include "readers/common/reader_util.h"
#include "test_support.h"

namespace chizro::test {
namespace {

namespace fs = std::filesystem;

// Paths below tests/data lose that prefix; other paths (scratch folders)
// keep only their last part (as the readers take it: after the last "\\",
// ":" or "/"), so that a dump does not depend on where the
// test ran. Separators show as '/' (GenericPath).
std::string Relative(std::string s) {
  std::string g = GenericPath(s);
  const std::string data = GenericPath(DataPath()) + "/";
  if (const auto at = g.find(data); at != std::string::npos) return g.erase(at, data.size());
  const std::string source = GenericPath(SourcePath()) + "/";
  if (const auto at = g.find(source); at != std::string::npos) return g.erase(at, source.size());
  const std::string temp = GenericPath(fs::temp_directory_path().string());
  if (g.starts_with(temp)) return BaseName(g);
  return s;
}

std::string Escaped(std::string_view text, bool highBytes) {
  std::string out;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || c == '\\' || (highBytes && u >= 0x80)) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", u);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

std::string Text(const std::string& sjis) {
  const std::string utf8 = SjisToUtf8(sjis);
  return Utf8ToSjis(utf8) == sjis ? Escaped(utf8, false) : Escaped(sjis, true);
}

std::string Num(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.12g", v);
  return text;
}

std::string Rect(const TFRect& r) {
  return Num(r.left) + " " + Num(r.top) + " " + Num(r.right) + " " + Num(r.bottom);
}

const char* KindName(TFigKind kind) {
  static const char* const names[] = {"polygon", "polyline", "point", "raster"};
  return names[static_cast<int>(kind)];
}

}  // namespace

std::string DataPath(std::string_view relative) {
  const std::string root = CHIZRO_TEST_DATA_DIR;
  return relative.empty() ? root : root + "/" + std::string(relative);
}

std::vector<TFPoint> MojExcerptPlaces() {
  std::vector<TFPoint> places;
  for (const TableRow& r : ReadTable(DataPath("sima/46505-3411-1_excerpt.parcels.tsv"))) {
    if (r.at(0) == "point") {
      places.push_back({std::stod(r.at(3)), std::stod(r.at(2))});
      continue;
    }
    std::stringstream ss(r.at(3));
    for (std::string c; ss >> c;) {
      const std::size_t comma = c.find(',');
      places.push_back({std::stod(c.substr(comma + 1)), std::stod(c.substr(0, comma))});
    }
  }
  return places;
}

std::string SourcePath(std::string_view relative) {
  const std::string root = fs::path(CHIZRO_TEST_DATA_DIR).parent_path().parent_path().string();
  return relative.empty() ? root : root + "/" + std::string(relative);
}

std::string DumpLeaf(const TMapLeaf& leaf, const TClassDefGrp* classDefs) {
  std::string s = "leaf " + Relative(leaf.FileName) + "\nname " + Text(Relative(leaf.Name)) +
                  "\nsheet " + Text(Relative(leaf.SheetName)) + "\nmode " +
                  std::to_string(CodeOfCoordMode(leaf.CoordMode)) + " datum " +
                  std::to_string(CodeOfDatum(leaf.Datum)) + " zone " + std::to_string(leaf.Zone.Number()) +
                  (leaf.Loaded ? " loaded" : "") + "\nextent " + Rect(leaf.Extent) + "\ncorners";
  for (const TFPoint& p : leaf.Corners) s += " " + Num(p.x) + " " + Num(p.y);
  s += "\n";
  if (!leaf.NoFigureReason.empty()) s += "reason " + leaf.NoFigureReason + "\n";
  for (const auto& grp : leaf.FigGrps) {
    s += "group " + Text(grp->Name) + " " + KindName(grp->Kind()) + " " +
         std::to_string(grp->Count()) + "\n";
    for (const auto& fig : grp->Figures()) {
      s += " fig " + Text(fig->ClassCode) + " name " + Text(fig->Name) + " label " +
           Num(fig->LabelX) + " " + Num(fig->LabelY) + "\n";
      for (const std::string& t : fig->Texts) s += "  text " + Text(t) + "\n";
      for (std::size_t i = 0; i < fig->Props.Count(); ++i)
        s += "  prop " + Text(fig->Props[i].Key) + "=" + Text(fig->Props[i].Object) + "\n";
      s += "  extent " + Rect(fig->Extent) + "\n";
      if (!fig->Points.empty()) {
        s += "  points " + std::to_string(fig->Points.size());
        for (const TFPoint& p : fig->Points) s += " " + Num(p.x) + " " + Num(p.y);
        s += "\n";
      }
      if (!classDefs) continue;
      for (int i = 0; i < classDefs->Count(); ++i) {
        const TClassDef* def = classDefs->Items(i);
        if (def->Name != fig->ClassCode) continue;
        if (def->LabelOn)
          s += "  shows " + Text(TDrawClass(fig->ClassCode, def).LabelOf(*fig)) + "\n";
        break;
      }
    }
  }
  return s;
}

std::string DumpClassDefs(const TClassDefGrp& defs) {
  std::string s = "symsize " + std::to_string(defs.SymSize) + " images " +
                  std::to_string(defs.Images.Count()) + " of " +
                  std::to_string(defs.Images.Width()) + "x" + std::to_string(defs.Images.Height()) +
                  "\n";
  for (std::size_t i = 0; i < defs.SymbolKeys.Count(); ++i) {
    s += "key " + Text(defs.SymbolKeys[i].Key) + " file " + Text(defs.SymbolFiles.at(i));
    if (const TBitmap* image = defs.SymbolImage(static_cast<int>(i)))
      s += " image " + std::to_string(image->Width()) + "x" + std::to_string(image->Height());
    s += "\n";
  }
  const auto n = [](auto v) { return " " + std::to_string(v); };
  for (int i = 0; i < defs.Count(); ++i) {
    const TClassDef& c = *defs.Items(i);
    const TFont& f = c.Font;
    s += "class " + Text(c.Name) + " title " + Text(c.Title) + " order" + n(c.Order) +
         "\n visible" + n(c.Visible) + " " + Num(c.MinScale) + " " + Num(c.MaxScale) + " pen" +
         n(c.Pen.Color) + n(c.Pen.Style) + n(c.Pen.Width) + " brush" + n(c.Brush.Color) +
         n(c.Brush.Style) + "\n font" + n(f.Color) + " [" + Text(f.Name) + "]" + n(f.Size) +
         " bius" + n(f.Bold) + n(f.Italic) + n(f.Underline) + n(f.StrikeOut) + " opaque" +
         n(c.OpaqueText) + "\n label" + n(c.LabelOn) + n(c.LabelSource) + n(c.LabelAttrIndex) +
         " [" + Text(c.LabelAttrName) + "] symbol [" + Text(c.SymbolName) + "]" + n(c.SymbolIndex) +
         "\n";
  }
  return s;
}

void ExpectGolden(const std::string& dump, const std::string& golden) {
  const std::string path = DataPath(golden);
  if (const char* update = std::getenv("CHIZRO_UPDATE_GOLDEN");
      update && std::string(update) == "1") {
    fs::create_directories(fs::path(path).parent_path());
    WriteFile(path, dump);
    return;
  }
  std::string expected;
  try {
    expected = ReadFile(path);
  } catch (const std::exception&) {
    ADD_FAILURE() << "no golden file " << golden << " (CHIZRO_UPDATE_GOLDEN=1 writes it)";
    return;
  }
  EXPECT_EQ(dump, expected) << "differs from " << golden;
}

std::unique_ptr<TMapBuilder> MakeReader(int kind) {
  return DefaultBuilders().CreateBuilder(kind, nullptr);
}

const TClassDefGrp& ShippedClassDefs(int kind) {
  static std::map<int, std::unique_ptr<TClassDefGrp>> cache;
  auto& defs = cache[kind];
  if (!defs) {
    defs = std::make_unique<TClassDefGrp>();
    const std::string file = NativePath(DefaultBuilders().DefFileForKind(kind));
    if (!file.empty()) defs->LoadFromFile(SourcePath(file.substr(1)));
  }
  return *defs;
}

std::unique_ptr<TMapLeaf> OpenLoaded(int kind, const std::string& path) {
  static TMapLeafGrp leaves(nullptr);
  const auto reader = MakeReader(kind);
  auto leaf = reader->OpenFile(leaves, path);
  if (leaf && !leaf->Loaded) reader->LoadLeaf(*leaf, &ShippedClassDefs(kind), 2500);
  return leaf;
}

TEST_P(ReaderGolden, MatchesItsDump) {
  const GoldenCase& c = GetParam();
  const auto reader = c.Reader ? c.Reader() : MakeReader(c.Kind);
  reader->SetProgramFolder(!c.ProgramDir.empty() ? DataPath(c.ProgramDir) : SourcePath());
  TMapLeafGrp leaves(nullptr);
  const auto leaf =
      reader->OpenFile(leaves, fs::path(DataPath(c.Input)).lexically_normal().string());
  ASSERT_TRUE(leaf) << c.Input;
  const TClassDefGrp& defs = ShippedClassDefs(c.Kind);
  if (!leaf->Loaded) reader->LoadLeaf(*leaf, &defs, 2500);
  const std::string golden =
      !c.Golden.empty() ? c.Golden : fs::path(c.Input).replace_extension(".dump").string();
  const std::string dump = DumpLeaf(*leaf, &defs);
  ExpectGolden(dump, golden);
  // Freed and loaded again (a file read whole at its open too), the leaf is
  // built the same.
  leaf->Unload();
  reader->LoadLeaf(*leaf, &defs, 2500);
  EXPECT_EQ(DumpLeaf(*leaf, &defs), dump);
}
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ReaderGolden);

TEST_P(ReaderBadFile, ReportsTheFileAndThePlaceAndKeepsWhatWasBuilt) {
  const BadFileCase& c = GetParam();
  const std::string path = DataPath(c.File);
  const std::unique_ptr<TMapBuilder> reader = c.Reader ? c.Reader() : MakeReader(c.Kind);
  reader->SetProgramFolder(SourcePath());  // the shipped def/ files
  ASSERT_TRUE(reader);
  TMapLeafGrp leaves(nullptr);
  std::optional<EChizroError> error;
  std::size_t kept = 0;
  try {
    const auto leaf = reader->OpenFile(leaves, path);
    ASSERT_FALSE(c.AtOpen) << "opened without error";
    ASSERT_TRUE(leaf);
    try {
      reader->LoadLeaf(*leaf, nullptr, 0);
    } catch (const EChizroError& e) {
      error = e;
    }
    EXPECT_FALSE(leaf->Loaded);
    for (const auto& grp : leaf->FigGrps) kept += static_cast<std::size_t>(grp->Count());
  } catch (const EChizroError& e) {
    ASSERT_TRUE(c.AtOpen) << e.what();
    error = e;
  }
  ASSERT_TRUE(error) << "no error";
  const std::string message = error->what();
  EXPECT_EQ(error->FileName(), path);
  EXPECT_EQ(error->Place().Kind, c.Place.Kind) << message;
  EXPECT_EQ(error->Place().Number, c.Place.Number) << message;
  EXPECT_EQ(error->Place().Id, c.Place.Id) << message;
  const std::string number = std::to_string(c.Place.Number);
  const std::string where =
      "'" + path + "'" +
      (c.Place.Kind == TErrorPlace::TKind::Element ? " の要素 " + c.Place.Id
       : c.Place.Kind == TErrorPlace::TKind::Offset ? " の " + number + " バイト目 (先頭が 0)"
                                                    : " の " + number + " 行目") +
      ": ";
  EXPECT_EQ(message.substr(0, where.size()), where) << message;
  for (const std::string& m : c.Mentions)
    EXPECT_NE(message.find(m, where.size()), std::string::npos) << m << " in " << message;
  EXPECT_EQ(kept, c.KeptFigures);
}
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ReaderBadFile);

std::vector<GoldenCase> GoldenRows(const std::string& table) {
  std::vector<GoldenCase> rows;
  for (TableRow& r : ReadTable(DataPath(table))) {
    r.resize(std::max<std::size_t>(r.size(), 5));
    rows.push_back({r[0], std::stoi(r[1]), r[2], r[3], r[4], {}});
  }
  return rows;
}

std::vector<BadFileCase> BadFileRows(const std::string& table) {
  std::vector<BadFileCase> rows;
  for (const TableRow& r : ReadTable(DataPath(table))) {
    const std::string& place = r.at(5);
    const std::string what = place.substr(place.find(' ') + 1);
    const TErrorPlace at = place.starts_with("line ")     ? TErrorPlace::Line(std::stoull(what))
                           : place.starts_with("offset ") ? TErrorPlace::Offset(std::stoull(what))
                                                          : TErrorPlace::Element(what);
    const std::vector<std::string> mentions(r.begin() + 6, r.end());
    rows.push_back({r[0], std::stoi(r[1]), r[2], r[3] == "open", std::stoul(r[4]), at, mentions, {}});
  }
  return rows;
}

TFPoint ProjTransform(const std::string& from, const std::string& to, double x, double y) {
  PJ* op = proj_create_crs_to_crs(PJ_DEFAULT_CTX, from.c_str(), to.c_str(), nullptr);
  EXPECT_NE(op, nullptr) << from << " -> " << to;
  if (!op) return {};
  PJ* normalized = proj_normalize_for_visualization(PJ_DEFAULT_CTX, op);
  proj_destroy(op);
  const PJ_COORD c = proj_trans(normalized, PJ_FWD, proj_coord(x, y, 0, 0));
  proj_destroy(normalized);
  return {c.xy.x, c.xy.y};
}

std::string ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const EListIndexError& e) {
    return "list " + std::to_string(e.Index());
  } catch (const EConvertError& e) {
    return "integer '" + e.Text() + "'";
  } catch (const EFloatConvertError& e) {
    return "real '" + e.Text() + "'";
  } catch (const EZoneError&) {
    return "zone";
  } catch (const EInOutError&) {
    return "io";
  }
  return "";
}

}  // namespace chizro::test
