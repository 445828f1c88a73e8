#include "cli/convert_command.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "coords/datum.h"
#include "coords/projection.h"
#include "platform/file_path.h"
#include "platform/offscreen.h"
#include "platform/program_dir.h"
#include "readers/data_kinds.h"
#include "service/map_service.h"

namespace chizro {
namespace {

constexpr const char* kUsage =
    "usage: chizro-convert [--home DIR] [--kind N] [--folder] [--zone Z] [--scale S]\n"
    "                      [--size WxH] [--preview FILE.png] [--contour M] MAP...\n"
    "\n"
    "Opens each MAP (a file, a zip or a folder) as map data of kind N (default:\n"
    "the kind its content shows; a folder by the kind of its files, a folder of\n"
    "SDF sheets as the 1:2500 SDF map), paints it at 1:S (default 2500) on a\n"
    "W x H pixel view (default 688x451) and writes JW_CAD's \"temp.txt\" from\n"
    "\"JWC_TEMP.TXT\" and \"def/chizro.ini\" in the program directory DIR (default:\n"
    "the directory of this program).\n"
    "\n"
    "  --home DIR          program directory (def/, JWC_TEMP.TXT, temp.txt)\n"
    "  --kind N            data kind of the maps (see below)\n"
    "  --folder            scan each MAP as a folder (a folder is also scanned\n"
    "                      without it)\n"
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
  for (const TDataKind* kind : DataKinds()) {
    char code[16];
    std::snprintf(code, sizeof code, "  %d%s", KindNumber(kind->Kind), kind->Folder ? "+" : "");
    usage += code;
    usage.append(kHelpColumn - std::min(usage.size() - usage.rfind('\n') - 1, kHelpColumn - 1),
                 ' ');
    usage += kind->Filter;
    usage += "\n";
  }
  return usage + kSources;
}

constexpr int kMaxViewSize = 16384;

struct TOptions {
  std::string Home;
  TKind Kind = TKind::ByContent;
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
      if (!kind || *kind == KindNumber(TKind::ByContent) || !FindDataKind(KindOfNumber(*kind)))
        throw bad(v);
      o.Kind = KindOfNumber(*kind);
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

// Makes DIR, as given, the program directory's absolute path text.
std::string ProgramFolderOf(const std::string& dir) {
  std::error_code ec;
  const auto home = std::filesystem::absolute(FsPath(dir), ec);
  if (ec || !std::filesystem::is_directory(home, ec))
    throw std::runtime_error("no such program directory: '" + dir + "'");
  return PathText(home);
}

TConvertJob JobOf(const TOptions& options) {
  TConvertJob job;
  job.ProgramFolder = options.Home.empty() ? ProgramDir() : ProgramFolderOf(options.Home);
  job.Kind = options.Kind;
  job.Folder = options.Folder;
  job.Overrides = {options.Zone != 0 ? TZone::Stated(options.Zone) : TZone(), options.Contour};
  job.Scale = options.Scale;
  job.Width = options.Width;
  job.Height = options.Height;
  job.Preview = options.Preview;
  job.Maps = options.Maps;
  return job;
}

void PrintSummary(std::ostream& out, const TConvertResult& r) {
  char time[32];
  std::snprintf(time, sizeof time, "%.3f", r.Seconds);
  const TJwcStats& stats = r.Stats;
  out << "chizro-convert: " << r.Themes << (r.Themes == 1 ? " theme, " : " themes, ")
      << stats.Leaves << (stats.Leaves == 1 ? " leaf, " : " leaves, ") << stats.Figures
      << " figures, " << stats.Vertices << " vertices written to '" << stats.FileName << "' in "
      << time << " s (zone " << r.Zone.Number() << ", " << DatumName(r.Datum) << ")\n";
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
    const TConvertResult result =
        ConvertMaps(JobOf(options), {MakeBitmapLoader, MakeOffscreenSurface});
    for (const std::string& notice : result.Notices) out << "chizro-convert: " << notice << "\n";
    PrintSummary(out, result);
    for (const std::string& message : result.Partial) err << "chizro-convert: " << message << "\n";
    return result.Partial.empty() ? 0 : 1;
  } catch (const std::exception& e) {
    err << "chizro-convert: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace chizro
