#include "cli/convert.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "coords/datum.h"
#include "coords/projection.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "output/jwc_writer.h"
#include "output/output_settings.h"
#include "platform/errors.h"
#include "platform/file_path.h"
#include "platform/graphics.h"
#include "platform/offscreen.h"
#include "platform/program_dir.h"
#include "readers/data_kinds.h"
#include "readers/kind_of_file.h"

namespace chizro {
namespace {

constexpr const char* kUsage =
    "usage: chizro-convert [--home DIR] [--kind N] [--folder] [--zone Z] [--scale S]\n"
    "                      [--size WxH] [--preview FILE.png] [--contour M] MAP...\n"
    "\n"
    "Opens each MAP (a file, or with --folder a folder of sheets) as map data of\n"
    "kind N (default: the kind the file's content shows; a folder is read as the\n"
    "1:2500 SDF map), paints it at 1:S (default 2500) on\n"
    "a W x H pixel view (default 688x451) and writes JW_CAD's \"temp.txt\" from\n"
    "\"JWC_TEMP.TXT\" and \"def/chizro.ini\" in the program directory DIR (default:\n"
    "the directory of this program).\n"
    "\n"
    "  --home DIR          program directory (def/, JWC_TEMP.TXT, temp.txt)\n"
    "  --kind N            data kind of the maps (see below)\n"
    "  --folder            scan each MAP as a folder of sheets\n"
    "  --zone Z            plane rectangular zone of the project, 1 to 19 (default:\n"
    "                      [Map] Zone of def/chizro.ini, else the zone the first\n"
    "                      map states, or the law gives its place)\n"
    "  --scale S           scale denominator of the view\n"
    "  --size WxH          size of the view in pixels\n"
    "  --preview FILE.png  also write the view after the last paint as a PNG\n"
    "  --contour M         interval of contour lines from elevation models [m]\n"
    "                      (default: [Map] ContourInterval of def/chizro.ini,\n"
    "                      else by cell size, from the definition file)\n"
    "\n"
    "Data kinds (+: also as a folder; 1000 and above: the vector file):\n";

// Where each kind of data is had today, and which kinds are of the past.
constexpr const char* kSources =
    "\n"
    "Where the data comes from today:\n"
    "  52        基盤地図情報 (vector GML and the elevation models DEM1A to DEM10B):\n"
    "            the GSI download service https://service.gsi.go.jp/kiban/ (free\n"
    "            registration); open the downloaded zip as it is\n"
    "  53        登記所備付地図 (地図XML): G空間情報センター https://www.geospatial.jp/,\n"
    "            data set \"登記所備付地図データ\"; open the zip of a municipality\n"
    "  22        街区レベル位置参照情報: https://nlftp.mlit.go.jp/isj/ (the CSV file)\n"
    "  92        GPX: written by GPS receivers, phones and mapping programs\n"
    "  61        S-57 electronic charts (a .000 cell): make its record list with\n"
    "            chizro-enclist first\n"
    "  81        a Windows bitmap with its .HDR world header beside it\n"
    "Of the past (no longer distributed; files people still have):\n"
    "  11        数値地図2500 (空間データ基盤), SDF text from CD-ROM discs\n"
    "  21        国土数値情報 in the fixed-column text format; today's downloads at\n"
    "            https://nlftp.mlit.go.jp/ksj/ are GML and Shapefile, not read here\n"
    "  91        GPS tracks in PCX5 text\n"
    "Without --kind the kind is taken from each file's content.\n";

constexpr std::size_t kHelpColumn = 10;

// The usage text with the table of data kinds.
std::string Usage() {
  std::string usage = kUsage;
  for (const TDataKind& kind : DataKinds()) {
    char code[16];
    std::snprintf(code, sizeof code, "  %d%s", kind.Kind, kind.Folder ? "+" : "");
    usage += code;
    usage.append(kHelpColumn - std::min(usage.size() - usage.rfind('\n') - 1, kHelpColumn - 1),
                 ' ');
    usage += kind.Filter;
    usage += "\n";
  }
  return usage + kSources;
}

constexpr int kPixelsPerInch = 96;
constexpr int kMaxViewSize = 16384;

struct TOptions {
  std::string Home;
  int Kind = kKindByContent;
  bool Folder = false;
  int Zone = 0;  // 0: chosen by the data
  double Scale = 2500;
  int Width = 688;
  int Height = 451;
  std::string Preview;
  double Contour = 0;  // 0: the default by cell size
  std::vector<std::string> Maps;
  bool Help = false;
};

class TUsageError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

template <class T>
std::optional<T> ParseNumber(std::string_view text) {
  T value{};
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc{} || ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

TOptions ParseArgs(const std::vector<std::string>& args) {
  TOptions o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (arg == "--") {
      o.Maps.insert(o.Maps.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
      break;
    }
    if (!arg.starts_with("--")) {
      o.Maps.emplace_back(arg);
      continue;
    }
    // "--name value" or "--name=value".
    std::string_view name = arg;
    std::optional<std::string> inlineValue;
    if (const auto eq = arg.find('='); eq != std::string_view::npos) {
      name = arg.substr(0, eq);
      inlineValue = std::string(arg.substr(eq + 1));
    }
    auto value = [&]() -> std::string {
      if (inlineValue) return *inlineValue;
      if (i + 1 >= args.size()) throw TUsageError(std::string(name) + " needs a value");
      return args[++i];
    };
    auto bad = [&](const std::string& v) {
      return TUsageError("bad value for " + std::string(name) + ": '" + v + "'");
    };
    if (name == "--help" || name == "-h") {
      o.Help = true;
    } else if (name == "--folder") {
      if (inlineValue) throw TUsageError("--folder takes no value");
      o.Folder = true;
    } else if (name == "--home") {
      o.Home = value();
      if (o.Home.empty()) throw bad(o.Home);
    } else if (name == "--kind") {
      const std::string v = value();
      const auto kind = ParseNumber<int>(v);
      if (!kind || !FindDataKind(*kind)) throw bad(v);
      o.Kind = *kind;
    } else if (name == "--zone") {
      const std::string v = value();
      const auto zone = ParseNumber<int>(v);
      if (!zone || *zone < kMinZone || *zone > kMaxZone)
        throw TUsageError("bad value for --zone: '" + v + "' (a zone number from " +
                          std::to_string(kMinZone) + " to " + std::to_string(kMaxZone) + ")");
      o.Zone = *zone;
    } else if (name == "--scale") {
      const std::string v = value();
      const auto scale = ParseNumber<double>(v);
      if (!scale || !(*scale > 0) || !std::isfinite(*scale)) throw bad(v);
      o.Scale = *scale;
    } else if (name == "--size") {
      const std::string v = value();
      const auto x = v.find_first_of("xX");
      const auto w = x == std::string::npos ? std::nullopt : ParseNumber<int>(v.substr(0, x));
      const auto h = x == std::string::npos ? std::nullopt : ParseNumber<int>(v.substr(x + 1));
      if (!w || !h || *w <= 0 || *h <= 0 || *w > kMaxViewSize || *h > kMaxViewSize) throw bad(v);
      o.Width = *w;
      o.Height = *h;
    } else if (name == "--preview") {
      o.Preview = value();
      if (o.Preview.empty()) throw bad(o.Preview);
    } else if (name == "--contour") {
      const std::string v = value();
      const auto interval = ParseNumber<double>(v);
      if (!interval || !(*interval > 0) || !std::isfinite(*interval)) throw bad(v);
      o.Contour = *interval;
    } else {
      throw TUsageError("unknown option " + std::string(name));
    }
  }
  if (!o.Help && o.Maps.empty()) throw TUsageError("no map given");
  return o;
}

int LeafCount(const TMapProject& project, int kind) {
  for (int i = 0; i < project.Themes->Count(); ++i)
    if (project.Themes->Items(i)->DataKind == kind)
      return project.Themes->Items(i)->Leaves->Count();
  return 0;
}

std::string Describe(const std::exception& e) { return e.what(); }

// Makes DIR the program directory.
void UseProgramDir(const std::string& dir) {
  std::error_code ec;
  const auto home = std::filesystem::absolute(FsPath(dir), ec);
  if (ec || !std::filesystem::is_directory(home, ec))
    throw std::runtime_error("no such program directory: '" + dir + "'");
  SetProgramDir(PathText(home));
}

// The project as the window makes it: plane rectangular, JGD2000, zone 9
// until data chooses another; the zone and contour interval of the settings
// file unless the command line gives them.
void SetUpProject(TMapProject& project, const TOptions& options) {
  project.View->ClearBackground = true;
  project.CoordMode = TCoordMode::Plane;
  project.Datum = TDatum::Jgd2000;
  project.Zone = 9;
  TOutputSettings settings;
  settings.Load(TOutputSettings::DefaultFileName());
  const int zone = options.Zone != 0 ? options.Zone : settings.Zone;
  if (zone != 0) {
    project.Zone = zone;
    project.ZoneFixed = true;
  }
  project.SetContourInterval(options.Contour != 0 ? options.Contour : settings.ContourInterval);
}

// Opens every map. Returns the errors of folder scans that still opened
// other sheets: the good sheets are written, the errors reported after them.
std::vector<std::string> OpenMaps(TMapProject& project, const TOptions& options) {
  std::vector<std::string> partial;
  for (const std::string& map : options.Maps) {
    int kind = options.Kind;
    if (kind == kKindByContent) kind = options.Folder ? kKindSdf2500 : KindOfFile(map);
    const int before = LeafCount(project, kind);
    try {
      project.Open(map, kind, options.Folder ? TOpenMode::Folder : TOpenMode::File);
    } catch (const EChizroError& e) {
      if (LeafCount(project, kind) == before) throw;
      partial.push_back(Describe(e));
      continue;
    }
    if (LeafCount(project, kind) == before) {
      // Nothing new: not data of this kind, or opened already.
      throw std::runtime_error("no new map data in '" + map + "' (data kind " +
                               std::to_string(kind) +
                               (options.Folder ? ", folder" : "; a folder needs --folder") + ")");
    }
  }
  return partial;
}

// Paints the view once, then writes "temp.txt". The writer paints once per
// sheet so that each is loaded; no one sees those paints here, so only the
// last one, the preview (when asked for), reaches the canvas. Without a canvas the view keeps
// its size, and the same sheets load and unload.
TJwcStats PaintAndWrite(TMapProject& project, TCanvas& canvas, const TOptions& options) {
  project.SetPixelsPerInch(kPixelsPerInch);
  project.SetScale(options.Scale);
  const bool preview = !options.Preview.empty();
  // Without a preview no one sees this paint either: the view keeps its
  // size, and the sheets in it load all the same.
  if (!preview) project.SetCanvas(nullptr);
  project.Draw();
  return ExportJwc(project, [&](int leaf, int leaves) {
    project.SetCanvas(preview && leaf + 1 == leaves ? &canvas : nullptr);
  });
}

void PrintSummary(std::ostream& out, const TMapProject& project, const TJwcStats& stats,
                  std::chrono::steady_clock::time_point start) {
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  char time[32];
  std::snprintf(time, sizeof time, "%.3f", seconds);
  const int themes = project.Themes->Count();
  out << "chizro-convert: " << themes << (themes == 1 ? " theme, " : " themes, ") << stats.Leaves
      << (stats.Leaves == 1 ? " leaf, " : " leaves, ") << stats.Figures << " figures, "
      << stats.Vertices << " vertices written to '" << stats.FileName << "' in " << time
      << " s (zone " << project.Zone << ", " << DatumName(project.Datum) << ")\n";
}

// The conversion of parsed options; errors are thrown.
int Convert(const TOptions& options, std::ostream& out, std::ostream& err) {
  const auto start = std::chrono::steady_clock::now();
  if (!options.Home.empty()) UseProgramDir(options.Home);
  const std::unique_ptr<TBitmapLoader> loader = MakeBitmapLoader();
  TMapProject project{DefaultBuilders(), loader.get()};
  SetUpProject(project, options);
  const std::unique_ptr<TOffscreenSurface> surface =
      MakeOffscreenSurface(options.Width, options.Height, kPixelsPerInch);
  if (!surface) throw std::runtime_error("cannot make a view of that size");
  project.SetCanvas(&surface->Canvas());

  const std::vector<std::string> partial = OpenMaps(project, options);
  for (const std::string& notice : project.TakeNotices())
    out << "chizro-convert: " << notice << "\n";
  const TJwcStats stats = PaintAndWrite(project, surface->Canvas(), options);
  if (!options.Preview.empty() && !surface->SavePng(options.Preview))
    throw std::runtime_error("cannot write the preview '" + options.Preview + "'");

  PrintSummary(out, project, stats, start);
  for (const std::string& message : partial) err << "chizro-convert: " << message << "\n";
  return partial.empty() ? 0 : 1;
}

}  // namespace

int RunConvert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  TOptions options;
  try {
    options = ParseArgs(args);
  } catch (const TUsageError& e) {
    err << "chizro-convert: " << e.what() << "\n" << Usage();
    return 2;
  }
  if (options.Help) {
    out << Usage();
    return 0;
  }
  try {
    return Convert(options, out, err);
  } catch (const std::exception& e) {
    err << "chizro-convert: " << Describe(e) << "\n";
    return 1;
  }
}

}  // namespace chizro
