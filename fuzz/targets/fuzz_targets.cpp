#include "fuzz/targets/fuzz_targets.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <filesystem>
#include <fstream>
#include <memory>
#include <span>
#include <sstream>

#include "iso8211.h"
#include "model/class_def.h"
#include "model/map_figure.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "model/survey_data.h"
#include "output/jwc_writer.h"
#include "output/output_settings.h"
#include "platform/canvas.h"
#include "platform/comma_text.h"
#include "platform/errors.h"
#include "platform/ini_file.h"
#include "platform/program_dir.h"
#include "readers/common/control_points.h"
#include "readers/data_kinds.h"
#include "readers/enc/enc_builder.h"
#include "readers/fgd/fgd_builder.h"
#include "readers/geojson/geojson_builder.h"
#include "readers/gkupnt/gkupnt_builder.h"
#include "readers/gps/gpswpt_builder.h"
#include "readers/gpx/gpx_builder.h"
#include "readers/ksj/ksj_builder.h"
#include "readers/moj/moj_builder.h"
#include "readers/plateau/plateau_builder.h"
#include "readers/raster/raster_builder.h"
#include "readers/sdf/sdf2500_builder.h"
#include "readers/shape/shape_builder.h"
#include "readers/sima/sima_builder.h"
#include "readers/stcxml/stcxml_builder.h"
#include "readers/vector/vector_builder.h"
#include "s57_listing.h"

namespace chizro::fuzz {

namespace {

// The scratch folder goes away when the process ends normally (the fuzzer
// exits through exit(), the test binary returns from main).
struct TScratch {
  std::string Path;
  TScratch() {
    const auto base = std::filesystem::exists("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                          : std::filesystem::temp_directory_path();
    const auto path = base / ("chizro-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path);
    Path = path.string();
  }
  ~TScratch() {
    std::error_code ignored;
    std::filesystem::remove_all(Path, ignored);
  }
};

}  // namespace

const std::string& ScratchDir() {
  static const TScratch scratch;
  return scratch.Path;
}

std::string WriteScratch(std::string_view name, const std::uint8_t* data, std::size_t size) {
  const std::string path = ScratchDir() + "/" + std::string(name);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return path;
}

int FuzzCommaText(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto fields = SplitCommaText(text);
  // Fields never hold more bytes than the text.
  std::size_t total = 0;
  for (const auto& f : fields) total += f.size();
  if (total > size) __builtin_trap();
  return 0;
}

int FuzzIniFile(const std::uint8_t* data, std::size_t size) {
  const std::string path = WriteScratch("settings.ini", data, size);
  TIniFile ini(path);
  for (const auto& section : ini.ReadSections())
    for (const auto& key : ini.ReadSection(section)) {
      if (ini.ReadString(section, key, "").size() > TIniFile::kMaxValueLength) __builtin_trap();
      ini.ReadInteger(section, key, 0);
    }
  ini.WriteString("Layers", "Output", "L");
  if (TIniFile(path).ReadString("Layers", "Output", "") != "L") __builtin_trap();
  return 0;
}

int FuzzClassDefs(const std::uint8_t* data, std::size_t size) {
  const std::string path = WriteScratch("defs.ini", data, size);
  TClassDefGrp defs;
  try {
    defs.LoadFromFile(path);
  } catch (const EConvertError&) {
  } catch (const EListIndexError&) {
  }
  for (int i = 0; i < defs.Count(); ++i) defs.IsClassVisible(defs.Items(i)->Name, 2500);
  return 0;
}

namespace {

// The names the single-file readers' inputs are written under, by their own
// harnesses and by the pipeline harness.
constexpr const char* kKsjFile = "N03-85_13.txt";
constexpr const char* kGkuPntFile = "13101.csv";
constexpr const char* kGpsFile = "track.txt";
constexpr const char* kXmlFile = "area.xml";
constexpr const char* kFgdFile = "FG-GML-533946-BldA-20230101-0001.xml";
constexpr const char* kPlateauFile = "53394611_bldg_6697_op.gml";
constexpr const char* kFgdZip = "FG-GML-533946-ALL-20230101.zip";
constexpr const char* kEncFile = "cell.txt";
constexpr const char* kVectorFile = "map.vec";
constexpr const char* kSimaFile = "points.sim";
constexpr const char* kGeoJsonFile = "N03_13.geojson";

}  // namespace

int FuzzVectorReader(const std::uint8_t* data, std::size_t size) {
  const std::string path = WriteScratch(kVectorFile, data, size);
  TMapBuilder_Vector reader;
  TMapLeafGrp leaves(nullptr);
  try {
    std::unique_ptr<TMapLeaf> leaf = reader.OpenFile(leaves, path);
    if (leaf) reader.LoadLeaf(*leaf, nullptr, 0);
  } catch (const EInOutError&) {
  }
  return 0;
}

namespace {

// Opens a file with a reader and loads what it opened. The errors a reader
// may raise for bad data are all of the runtime's data error kinds; any
// other exception escapes to the fuzzer as a finding.
void OpenAndLoad(TMapBuilder& reader, const std::string& path,
                 const TClassDefGrp* classDefs = nullptr, double scale = 0) {
  TMapLeafGrp leaves(nullptr);
  try {
    std::unique_ptr<TMapLeaf> leaf = reader.OpenFile(leaves, path);
    if (leaf) reader.LoadLeaf(*leaf, classDefs, scale);
  } catch (const EChizroError&) {
  }
}

std::string_view Bytes(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace

namespace {

// Makes `dir` anew and writes the parts of the input, separated by lines
// "====", as the files `names` in turn. Files beyond the last part are not
// written.
void LayOutParts(const std::filesystem::path& dir, std::span<const char* const> names,
                 const std::uint8_t* data, std::size_t size) {
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  std::string_view rest = Bytes(data, size);
  for (const char* name : names) {
    if (rest.empty()) break;
    const std::size_t cut = rest.find("\n====\n");
    const std::string_view part = rest.substr(0, cut);
    const auto path = dir / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(part.data(), static_cast<std::streamsize>(part.size()));
    rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 6);
  }
}

// Lays out a sheet folder from the input: the description file, then the
// layer files in the order below, separated by lines "====". Gives the path
// of the description file.
std::string LayOutSdfSheet(const std::uint8_t* data, std::size_t size) {
  static const char* const kFiles[] = {
      "09LD183.txt",           "GYOUSEI/GYOUSEI.ARC",   "GYOUSEI/SI_TYO.PGN",
      "GYOUSEI/SI_TYO.ATR",    "GYOUSEI/TYOME.PGN",     "GYOUSEI/TYOME.ATR",
      "GAIKU/GAIKU.ARC",       "GAIKU/GAIKU.PGN",       "GAIKU/GAIKU.ATR",
      "OTHERS/OTHERS.ARC",     "OTHERS/ZYOUTI.PGN",     "OTHERS/ZYOUTI.ATR",
      "OTHERS/TETUDOU.ATR",    "OTHERS/EKI.PNT",        "OTHERS/EKI.ATR",
      "MIZU/MIZU.ARC",         "MIZU/MIZU.PGN",         "MIZU/MIZU.ATR",
      "TATEMONO/TATEMONO.ARC", "TATEMONO/TATEMONO.PGN", "TATEMONO/TATEMONO.ATR",
      "ROAD/ROADNTWK.ARC",     "ROAD/ROAD.ATR",         "KIJUNTEN/SANKAKU.PNT",
      "KIJUNTEN/SANKAKU.ATR"};
  const std::filesystem::path sheet = std::filesystem::path(ScratchDir()) / "09LD183";
  LayOutParts(sheet, kFiles, data, size);
  return (sheet / kFiles[0]).string();
}

// Lays out a Shapefile from the input: the .shp, .shx, .dbf, .prj and .cpg,
// separated by lines "====". Gives the path of the .shp.
std::string LayOutShapefile(const std::uint8_t* data, std::size_t size) {
  static const char* const kFiles[] = {"road.shp", "road.shx", "road.dbf", "road.prj", "road.cpg"};
  const std::filesystem::path dir = std::filesystem::path(ScratchDir()) / "shape";
  LayOutParts(dir, kFiles, data, size);
  return (dir / kFiles[0]).string();
}

// A small bitmap for the raster reader; the header beside it is the input.
std::string WriteRasterPair(const std::uint8_t* header, std::size_t size) {
  static const unsigned char kBmp[] = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0,   54,  0,   0, 0,  40,
                                       0,   0,   0,  1, 0, 0, 0, 1, 0, 0,   0,   1,   0, 24, 0,
                                       0,   0,   0,  0, 4, 0, 0, 0, 0, 0,   0,   0,   0, 0,  0,
                                       0,   0,   0,  0, 0, 0, 0, 0, 0, 255, 255, 255, 0};
  const std::string image = WriteScratch("map.bmp", kBmp, sizeof kBmp);
  WriteScratch("map.HDR", header, size);
  return image;
}

}  // namespace

// The input is a sheet folder (see LayOutSdfSheet). It is opened as a sheet
// and loaded with the shipped class definitions at 1:2500, so that the layers
// shown only at some scales are read too; then the folder above it is
// scanned for sheets.
int FuzzSdfSheet(const std::uint8_t* data, std::size_t size) {
  static const auto defs = [] {
    auto loaded = std::make_unique<TClassDefGrp>();
    loaded->LoadFromFile(std::string(CHIZRO_SOURCE_DIR) + "/def/Sdf25.ini");
    return loaded;
  }();
  const std::filesystem::path sheet =
      std::filesystem::path(LayOutSdfSheet(data, size)).parent_path();
  TMapBuilder_Sdf2500 reader;
  OpenAndLoad(reader, sheet.string(), defs.get(), 2500);
  TMapLeafGrp leaves(nullptr);
  try {
    reader.OpenFolder(leaves, sheet.parent_path().string());
  } catch (const EChizroError&) {
  }
  return 0;
}

namespace {

// Writes the input as one file and opens and loads it with a reader.
template <class TReader>
int FuzzOneFile(const char* name, const std::uint8_t* data, std::size_t size,
                const std::string& programFolder = ProgramDir()) {
  TReader reader;
  reader.SetProgramFolder(programFolder);
  OpenAndLoad(reader, WriteScratch(name, data, size));
  return 0;
}

}  // namespace

int FuzzKsj(const std::uint8_t* data, std::size_t size) {
  return FuzzOneFile<TMapBuilder_Ksj>(kKsjFile, data, size);
}

int FuzzGkuPnt(const std::uint8_t* data, std::size_t size) {
  return FuzzOneFile<TMapBuilder_GkuPnt>(kGkuPntFile, data, size);
}

int FuzzGpsTrack(const std::uint8_t* data, std::size_t size) {
  return FuzzOneFile<TMapBuilder_GPSWPT>(kGpsFile, data, size);
}

int FuzzXmlArea(const std::uint8_t* data, std::size_t size) {
  return FuzzOneFile<TMapBuilder_STCXML>(kXmlFile, data, size);
}

// An input that begins as a zip archive does is opened as the archive (one
// leaf per member), anything else as one GML file.
int FuzzFgd(const std::uint8_t* data, std::size_t size) {
  const bool zip = size >= 4 && Bytes(data, 4) == std::string_view("PK\x03\x04", 4);
  TMapBuilder_Fgd reader;
  TMapLeafGrp leaves(nullptr);
  try {
    std::unique_ptr<TMapLeaf> last =
        reader.OpenFile(leaves, WriteScratch(zip ? kFgdZip : kFgdFile, data, size));
    if (last) leaves.Add(std::move(last));
    for (int i = 0; i < leaves.Count(); ++i) reader.LoadLeaf(*leaves.Items(i), nullptr, 0);
  } catch (const EChizroError&) {
  }
  return 0;
}

namespace {

// What a reader makes of a plain FGD file, as text: the error's message, or
// the leaf's system, extent and every figure (class, texts, vertices).
std::string FgdResult(TFgdSplit split, const std::string& path) {
  TMapBuilder_Fgd reader(split);
  TMapLeafGrp leaves(nullptr);
  std::ostringstream out;
  out.precision(17);
  try {
    std::unique_ptr<TMapLeaf> leaf = reader.OpenFile(leaves, path);
    if (!leaf) return "no leaf";
    if (!leaf->Loaded) reader.LoadLeaf(*leaf, nullptr, 0);
    out << static_cast<int>(leaf->CoordMode) << ' ' << leaf->Zone.Number() << ' ' << leaf->Extent.left
        << ' ' << leaf->Extent.bottom << ' ' << leaf->Extent.right << ' ' << leaf->Extent.top
        << '\n';
    for (int g = 0; g < leaf->FigGrpCount(); ++g)
      for (const auto& fig : leaf->FigGrps[static_cast<std::size_t>(g)]->Figures()) {
        out << g << ' ' << fig->ClassCode;
        for (const std::string& text : fig->Texts) out << " [" << text << ']';
        for (const TFPoint& p : fig->Points) out << ' ' << p.x << ',' << p.y;
        out << '\n';
      }
  } catch (const EChizroError& e) {
    out << "error: " << e.what();
  }
  return out.str();
}

}  // namespace

// A plain FGD file read in parts (three, from any size) gives what one read
// of it gives: the same figures in the same order, or the same error.
int FuzzFgdSplit(const std::uint8_t* data, std::size_t size) {
  const std::string path = WriteScratch(kFgdFile, data, size);
  const std::string whole = FgdResult(TFgdSplit{INT64_MAX, 1}, path);
  const std::string parts = FgdResult(TFgdSplit{1, 3}, path);
  if (whole != parts) {
    std::fprintf(stderr, "read whole:\n%s\nread in parts:\n%s\n", whole.c_str(), parts.c_str());
    std::abort();
  }
  return 0;
}

// An elevation model file, or a zip of tiles when the input begins as a zip
// does: opened, mosaicked and contoured at the default interval of its cell
// size.
int FuzzFgdDem(const std::uint8_t* data, std::size_t size) {
  const bool zip = size >= 4 && Bytes(data, 4) == std::string_view("PK\x03\x04", 4);
  TMapBuilder_Fgd reader;
  TMapLeafGrp leaves(nullptr);
  try {
    std::unique_ptr<TMapLeaf> last = reader.OpenFile(
        leaves, WriteScratch(zip ? "FG-GML-4930-DEM5A.zip" : "FG-GML-4930-50-00-DEM5A-20240101.xml",
                             data, size));
    if (last) leaves.Add(std::move(last));
    for (int i = 0; i < leaves.Count(); ++i) reader.LoadLeaf(*leaves.Items(i), nullptr, 0);
  } catch (const EChizroError&) {
  }
  return 0;
}

// The input is a 地図XML file, or a zip (of zips) of them.
// What the 地図XML reader made of a file: every leaf's state and figures,
// and the message that ended the read.
std::string MojRead(TMapBuilder_Moj& reader, const std::string& path) {
  TMapLeafGrp leaves(nullptr);
  std::ostringstream out;
  try {
    std::unique_ptr<TMapLeaf> last = reader.OpenFile(leaves, path);
    if (last) leaves.Add(std::move(last));
    for (int i = 0; i < leaves.Count(); ++i) reader.LoadLeaf(*leaves.Items(i), nullptr, 0);
  } catch (const EChizroError& e) {
    out << "error " << e.what() << '\n';
  }
  out.precision(17);
  for (int i = 0; i < leaves.Count(); ++i) {
    const TMapLeaf& leaf = *leaves.Items(i);
    out << "leaf " << leaf.Loaded << ' ' << leaf.Notice << '\n';
    for (const auto& grp : leaf.FigGrps)
      for (const auto& fig : grp->Figures()) {
        out << fig->ClassCode << ' ' << fig->LabelX << ' ' << fig->LabelY;
        for (const TFPoint& p : fig->Points) out << ' ' << p.x << ',' << p.y;
        for (const std::string& t : fig->Texts) out << " '" << t << '\'';
        out << '\n';
      }
  }
  return out.str();
}

// A plain file is also read cut in three parts (readers/common/xml_split.h),
// which must come to the same as the one read.
int FuzzMoj(const std::uint8_t* data, std::size_t size) {
  const bool zip = size >= 4 && Bytes(data, 4) == std::string_view("PK\x03\x04", 4);
  const std::string path =
      WriteScratch(zip ? "12103-0000.zip" : "12103-0000-1.xml", data, size);
  TMapBuilder_Moj reader;
  const std::string whole = MojRead(reader, path);
  if (!zip) {
    TMapBuilder_Moj inParts(TMojSplit{1, 3});
    if (MojRead(inParts, path) != whole) __builtin_trap();
  }
  return 0;
}

// The chart reader looks up attribute names in "def\\EncAttr.ini" of the
// program directory: the shipped table of the source tree stands in for it.
int FuzzEncListing(const std::uint8_t* data, std::size_t size) {
  return FuzzOneFile<TMapBuilder_Enc>(kEncFile, data, size, CHIZRO_SOURCE_DIR);
}

// The input is the ".HDR" header of a small bitmap.
int FuzzRasterHeader(const std::uint8_t* data, std::size_t size) {
  TMapBuilder_Raster reader;
  OpenAndLoad(reader, WriteRasterPair(data, size));
  return 0;
}

// The input is an S-57 chart cell (ISO/IEC 8211) for the listing tool.
int FuzzIso8211Cell(const std::uint8_t* data, std::size_t size) {
  std::ostringstream listing;
  std::ostringstream warnings;
  try {
    iso8211::WriteListing(Bytes(data, size), listing, &warnings);
  } catch (const iso8211::TFormatError&) {
  }
  return 0;
}

namespace {

// A reader that gives every file one small leaf of fixed figures: a polygon
// and a point with labels of their own class codes, so that every class the
// settings name can be met. The writer harness needs a map, not a file.
class TFixedBuilder final : public TMapBuilder {
public:
  std::unique_ptr<TMapLeaf> OpenFile(TMapLeafGrp& leaves, const std::string& fileName) override {
    auto leaf = std::make_unique<TMapLeaf>(&leaves);
    leaf->FileName = fileName;
    leaf->SheetName = fileName;
    leaf->CoordMode = TCoordMode::Plane;
    leaf->Datum = TDatum::Jgd2000;
    leaf->Extent = {0, 100, 100, 0};
    return leaf;
  }
  void LoadLeaf(TMapLeaf& leaf, const TClassDefGrp*, double) override {
    auto polygons = std::make_unique<TFigPolygonGrp>();
    auto points = std::make_unique<TFigPointGrp>();
    static const char* const kCodes[] = {"1101", "2101", "7301", "0000"};
    double at = 10;
    for (const char* code : kCodes) {
      TFigure* polygon = polygons->New();
      polygon->ClassCode = code;
      polygon->Points = {{at, at}, {at + 5, at}, {at + 5, at + 5}, {at, at}};
      polygon->LabelX = at;
      polygon->LabelY = at;
      polygon->Texts = {std::string("label ") + code, "second"};
      polygon->UpdateExtent();
      TFigure* point = points->New();
      point->ClassCode = code;
      point->Points = {{at + 1, at + 1}};
      point->LabelX = at + 1;
      point->LabelY = at + 1;
      point->Texts = {"P", "Q"};
      point->UpdateExtent();
      at += 20;
    }
    leaf.AddFigGrp(std::move(polygons));
    leaf.AddFigGrp(std::move(points));
    leaf.Loaded = true;
  }
};

// The definition files of the readers' table, every kind read by TFixedBuilder.
class TFixedBuilders final : public TBuilderRegistry {
public:
  std::string DefFileForKind(int kind) const override {
    return DefaultBuilders().DefFileForKind(kind);
  }
  std::unique_ptr<TMapBuilder> CreateBuilder(int, TBitmapLoader*) const override {
    return std::make_unique<TFixedBuilder>();
  }
};

}  // namespace

// The input is the program directory of a JW_CAD transformation: the request
// file "JWC_TEMP.TXT", then the settings file "def\chizro.ini", then the
// class definitions of the theme, separated by lines "====" (a file the input
// does not reach is missing). The writer runs over two leaves of fixed figures.
int FuzzJwcRequest(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path dir = std::filesystem::path(ScratchDir()) / "jwc";
  static const char* const kFiles[] = {"JWC_TEMP.TXT", "def/chizro.ini", "def/Sdf25.ini"};
  LayOutParts(dir, kFiles, data, size);
  try {
    const TFixedBuilders builders;
    TMapProject project(builders, nullptr, dir.string());
    project.Open("a", KindNumber(TKind::Sdf2500), TOpenMode::File);
    project.Open("b", KindNumber(TKind::Sdf2500), TOpenMode::File);
    project.SetPixelsPerInch(96);
    project.SetScale(2500);
    const TJwcStats stats = ExportJwc(project, TJwcFiles::In(dir.string()));
    // A run that reports success has left its result.
    if (!std::filesystem::exists(stats.FileName)) __builtin_trap();
  } catch (const EChizroError&) {
    // A failed run leaves no result behind.
    if (std::filesystem::exists(dir / "temp.txt")) __builtin_trap();
  }
  return 0;
}

namespace {

// A drawing surface that draws nothing but reads every point it is given, so
// that the sanitizers see a bad span.
class TFuzzCanvas final : public TCanvas {
public:
  TRect ClipRect() const override { return {0, 0, 640, 480}; }
  void FillRect(const TRect&) override {}
  void Rectangle(const TRect&) override {}
  void Polygon(std::span<const TPoint> points) override { Touch(points); }
  void Polyline(std::span<const TPoint> points) override { Touch(points); }
  void TextOut(int x, int y, std::string_view text) override {
    sum_ +=
        static_cast<unsigned>(x) + static_cast<unsigned>(y) + static_cast<unsigned>(text.size());
  }
  int TextWidth(std::string_view text) override { return static_cast<int>(text.size()) * 6; }
  void StretchDraw(const TRect& r, const TBitmap&) override {
    sum_ += static_cast<unsigned>(r.left) + static_cast<unsigned>(r.right);
  }

private:
  void Touch(std::span<const TPoint> points) {
    for (const TPoint& p : points) sum_ += static_cast<unsigned>(p.x) + static_cast<unsigned>(p.y);
  }
  unsigned long sum_ = 0;
};

// The program directory of the pipeline: the shipped definition files and
// settings, and a request file with a pick point.
const std::filesystem::path& PipelineHome() {
  static const std::filesystem::path home = [] {
    const auto dir = std::filesystem::path(ScratchDir()) / "home";
    std::filesystem::create_directories(dir / "def");
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(CHIZRO_SOURCE_DIR) / "def"))
      std::filesystem::copy_file(entry.path(), dir / "def" / entry.path().filename(),
                                 std::filesystem::copy_options::overwrite_existing);
    std::ofstream(dir / "JWC_TEMP.TXT", std::ios::binary) << "hq\r\nhk 0\r\nhp1 100 200\r\n";
    return dir;
  }();
  return home;
}

}  // namespace

// The whole conversion with hostile data: the first byte chooses the data
// kind, the rest is laid out as that kind's harness does. The file is opened
// into a project, drawn, written for JW_CAD, then the project is switched to
// latitude/longitude on the Tokyo datum and drawn again.
int FuzzConvert(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t selector = data[0];
  ++data;
  --size;
  // By selector: the file name each kind's harness uses (the sheet folder
  // and the bitmap with its header are laid out by their own helpers).
  struct TKindFile {
    int Kind;
    const char* Name;
  };
  static constexpr TKindFile kKinds[] = {
      {KindNumber(TKind::Sdf2500), nullptr},    {KindNumber(TKind::Ksj), kKsjFile},
      {KindNumber(TKind::GkuPnt), kGkuPntFile}, {KindNumber(TKind::StcXml), kXmlFile},
      {KindNumber(TKind::Enc), kEncFile},       {KindNumber(TKind::Raster), nullptr},
      {KindNumber(TKind::GpsWpt), kGpsFile},    {KindNumber(TKind::Vector), kVectorFile},
      {KindNumber(TKind::Plateau), kPlateauFile}, {KindNumber(TKind::Sima), kSimaFile},
      {KindNumber(TKind::Shape), nullptr},        {KindNumber(TKind::GeoJson), kGeoJsonFile}};
  const TKindFile& chosen = kKinds[selector % std::size(kKinds)];
  const int kind = chosen.Kind;
  const std::string path = kind == KindNumber(TKind::Sdf2500)  ? LayOutSdfSheet(data, size)
                           : kind == KindNumber(TKind::Raster) ? WriteRasterPair(data, size)
                           : kind == KindNumber(TKind::Shape)  ? LayOutShapefile(data, size)
                                                 : WriteScratch(chosen.Name, data, size);
  const std::filesystem::path& home = PipelineHome();
  TFuzzCanvas canvas;
  try {
    TMapProject project{DefaultBuilders(), nullptr, home.string()};
    project.SetCanvas(&canvas);
    project.Open(path, kind, TOpenMode::File);
    project.SetPixelsPerInch(96);
    project.SetScale(2500);
    project.Draw();
    ExportJwc(project, TJwcFiles::In(home.string()));
    project.SetCoordSystem(TCoordMode::LatLon, TZone::Stated(9), TDatum::Tokyo);
    project.Draw();
  } catch (const EChizroError&) {
  }
  std::error_code ignored;
  std::filesystem::remove(home / "temp.txt", ignored);
  return 0;
}

// A GPX file opened (which reads it whole) and, when damage stopped the
// open after some figures, loaded as the first paint would.
int FuzzGpx(const std::uint8_t* data, std::size_t size) {
  return FuzzOneFile<TMapBuilder_Gpx>("track.gpx", data, size);
}

// A PLATEAU CityGML file, or a city's zip when the input begins as a zip
// does, opened and every leaf loaded (the zip's code lists named from it).
int FuzzPlateau(const std::uint8_t* data, std::size_t size) {
  const bool zip = size >= 4 && Bytes(data, 4) == std::string_view("PK\x03\x04", 4);
  TMapBuilder_Plateau reader;
  reader.SetProgramFolder(CHIZRO_SOURCE_DIR);
  TMapLeafGrp leaves(nullptr);
  try {
    std::unique_ptr<TMapLeaf> last = reader.OpenFile(
        leaves, WriteScratch(zip ? "13999_city_citygml_op.zip" : kPlateauFile, data, size));
    if (last) leaves.Add(std::move(last));
    for (int i = 0; i < leaves.Count(); ++i) reader.LoadLeaf(*leaves.Items(i), nullptr, 0);
  } catch (const EChizroError&) {
  }
  return 0;
}

// A SIMA file opened, loaded, and read again for its points and parcels as
// the SIMA output reads it; the same bytes as a control-point file.
int FuzzSima(const std::uint8_t* data, std::size_t size) {
  try {
    ReadControlFile(WriteScratch("control.gcp", data, size)).ForMap("maps.zip|a.xml");
  } catch (const EChizroError&) {
  }
  TMapBuilder_Sima reader;
  TMapLeafGrp leaves(nullptr);
  try {
    std::unique_ptr<TMapLeaf> leaf = reader.OpenFile(leaves, WriteScratch(kSimaFile, data, size));
    if (!leaf) return 0;
    TSurveyData survey;
    reader.SurveyData(*leaf, survey);
    for (const TSurveyParcel& parcel : survey.Parcels)
      for (const std::uint32_t i : parcel.Ring)
        if (i >= survey.Points.size()) __builtin_trap();
    reader.LoadLeaf(*leaf, nullptr, 0);
  } catch (const EChizroError&) {
  }
  return 0;
}

// A Shapefile laid out from the input (LayOutShapefile), opened and loaded.
int FuzzShape(const std::uint8_t* data, std::size_t size) {
  const std::string path = LayOutShapefile(data, size);
  TMapBuilder_Shape reader;
  OpenAndLoad(reader, path);
  return 0;
}

// A GeoJSON file opened (which reads it whole) and loaded.
int FuzzGeoJson(const std::uint8_t* data, std::size_t size) {
  return FuzzOneFile<TMapBuilder_GeoJson>(kGeoJsonFile, data, size);
}

const TFuzzTargetInfo* FuzzTargets(std::size_t& count) {
  static const TFuzzTargetInfo targets[] = {
      {"comma_text", FuzzCommaText},
      {"ini_file", FuzzIniFile},
      {"class_defs", FuzzClassDefs},
      {"vector_reader", FuzzVectorReader},
      {"sdf_sheet", FuzzSdfSheet},
      {"ksj", FuzzKsj},
      {"gkupnt", FuzzGkuPnt},
      {"gps_track", FuzzGpsTrack},
      {"xml_area", FuzzXmlArea},
      {"fgd", FuzzFgd},
      {"fgd_dem", FuzzFgdDem},
      {"fgd_split", FuzzFgdSplit},
      {"moj", FuzzMoj},
      {"enc_listing", FuzzEncListing},
      {"raster_header", FuzzRasterHeader},
      {"iso8211_cell", FuzzIso8211Cell},
      {"jwc_request", FuzzJwcRequest},
      {"convert", FuzzConvert},
      {"gpx", FuzzGpx},
      {"plateau", FuzzPlateau},
      {"sima", FuzzSima},
      {"shape", FuzzShape},
      {"geojson", FuzzGeoJson},
  };
  count = std::size(targets);
  return targets;
}

}  // namespace chizro::fuzz
