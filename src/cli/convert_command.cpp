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
    "使い方: chizro-convert [--home DIR] [--kind N] [--folder] [--zone Z] [--scale S]\n"
    "                       [--size WxH] [--preview FILE.png] [--contour M]\n"
    "                       [--sima FILE.sim] [--control FILE] [--fit affine] MAP...\n"
    "\n"
    "MAP (ファイル、zip またはフォルダ) をデータ種別 N の地図データとして開き (既定: 内容から\n"
    "判定。フォルダはその中のファイルから、SDF シートのフォルダは数値地図2500 として)、\n"
    "縮尺 1:S (既定 2500)、W x H ピクセル (既定 688x451) の表示に描いてから、プログラム\n"
    "フォルダ DIR (既定: このプログラムのフォルダ) の \"JWC_TEMP.TXT\" と \"def/chizro.ini\"\n"
    "から JW_CAD の \"temp.txt\" を書きます。\n"
    "\n"
    "  --home DIR          プログラムフォルダ (def/、JWC_TEMP.TXT、temp.txt のある所)\n"
    "  --kind N            地図データの種別 (下の一覧)\n"
    "  --folder            MAP をフォルダとして読む (フォルダはこれがなくても読みます)\n"
    "  --zone Z            プロジェクトの平面直角座標系 1〜19 (既定: def/chizro.ini の\n"
    "                      [Map] Zone、なければ最初の地図が示す系、または法令がその場所に\n"
    "                      定める系)\n"
    "  --scale S           表示の縮尺の分母\n"
    "  --size WxH          表示の大きさ [ピクセル]\n"
    "  --preview FILE.png  最後に描いた表示を PNG にも書く\n"
    "  --contour M         標高モデルから描く等高線の間隔 [m] (既定: def/chizro.ini の\n"
    "                      [Map] ContourInterval、なければ定義ファイルのセルの大きさ別の値)\n"
    "  --sima FILE.sim     temp.txt の代わりに、開いた地図の点と画地 (地図XML の筆界点・\n"
    "                      基準点と筆、SIMA の座標点と画地) をプロジェクトの系の SIMA\n"
    "                      ファイルに書く\n"
    "  --control FILE      任意座標の地図XML を、基準点ファイル (名前,x,y,X,Y) か SIMA\n"
    "                      ファイルの点で、プロジェクトの系に位置合わせする (地図の横の\n"
    "                      <地図ファイル名>.gcp があればそちらを使う)\n"
    "  --fit affine        位置合わせをアフィン変換で (既定: ヘルマート変換)\n"
    "\n"
    "データ種別 (+: フォルダも可、1000 以上: ベクトルファイル):\n";

// Where each kind of data is had today, and which kinds are of the past.
constexpr const char* kSources =
    "\n"
    "今日のデータの入手先:\n"
    "  52        基盤地図情報 (ベクトル GML と数値標高モデル DEM1A〜DEM10B): 国土地理院の\n"
    "            基盤地図情報ダウンロードサービス https://service.gsi.go.jp/kiban/ (無料の\n"
    "            利用者登録)。ダウンロードした zip をそのまま開きます\n"
    "  53        登記所備付地図 (地図XML): G空間情報センター https://www.geospatial.jp/ の\n"
    "            データセット \"登記所備付地図データ\"。市区町村の zip を開きます\n"
    "  54        3D都市モデル (PLATEAU、CityGML の建物と都市計画): G空間情報センター\n"
    "            https://www.geospatial.jp/ の \"3D都市モデル（Project PLATEAU）\"。都市の\n"
    "            CityGML の zip、またはその udx/bldg、udx/urf フォルダを開きます\n"
    "  22        街区レベル位置参照情報: https://nlftp.mlit.go.jp/isj/ (CSV ファイル)\n"
    "  92        GPX: GPS 受信機、スマートフォン、地図ソフトが書くファイル\n"
    "  93        SIMA: 測量機器や測量ソフトの座標・画地 (.sim)。座標は --zone の系の\n"
    "            平面直角座標として読みます\n"
    "  71, 72    国土数値情報 (用途地域、行政区域、道路など) と都市計画決定GISデータの\n"
    "            Shapefile と GeoJSON: https://nlftp.mlit.go.jp/ksj/ ほか。zip をそのまま開きます\n"
    "  61        S-57 電子海図 (.000 のセル): 先に chizro-enclist でレコードリストにします\n"
    "  81        Windows ビットマップ (横に .HDR のワールドヘッダ)\n"
    "以前のデータ (今は配布されていないが、手元に残るファイル):\n"
    "  11        数値地図2500 (空間データ基盤)、CD-ROM の SDF テキスト\n"
    "  21        国土数値情報の固定長テキスト形式。今日の https://nlftp.mlit.go.jp/ksj/ の\n"
    "            配布は Shapefile と GeoJSON で、71 と 72 で読みます\n"
    "  91        PCX5 テキストの GPS 航跡\n"
    "--kind がなければ、種別は各ファイルの内容から判定します。\n";

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
  std::string Sima;
  std::string Control;
  TFitKind Fit = TFitKind::Helmert;
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
      if (i + 1 >= args.size()) throw TUsageError(std::string(name) + " には値が必要です");
      return args[++i];
    };
    auto bad = [&](const std::string& v) {
      return TUsageError(std::string(name) + " の値が正しくありません: '" + v + "'");
    };
    if (name == "--help" || name == "-h") {
      o.Help = true;
    } else if (name == "--folder") {
      if (inlineValue) throw TUsageError("--folder は値をとりません");
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
        throw TUsageError("--zone の値が正しくありません: '" + v + "' (" +
                          std::to_string(kMinZone) + "〜" + std::to_string(kMaxZone) +
                          " の系番号)");
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
    } else if (name == "--sima") {
      o.Sima = value();
      if (o.Sima.empty()) throw bad(o.Sima);
    } else if (name == "--control") {
      o.Control = value();
      if (o.Control.empty()) throw bad(o.Control);
    } else if (name == "--fit") {
      const std::string v = value();
      if (v == "affine")
        o.Fit = TFitKind::Affine;
      else if (v == "helmert")
        o.Fit = TFitKind::Helmert;
      else
        throw TUsageError("--fit の値が正しくありません: '" + v + "' (affine か helmert)");
    } else if (name == "--contour") {
      const std::string v = value();
      const auto interval = ParseNumber<double>(v);
      if (!interval || !(*interval > 0) || !std::isfinite(*interval)) throw bad(v);
      o.Contour = *interval;
    } else {
      throw TUsageError("不明なオプションです: " + std::string(name));
    }
  }
  if (!o.Help && o.Maps.empty()) throw TUsageError("地図ファイルが指定されていません");
  return o;
}

// Makes DIR, as given, the program directory's absolute path text.
std::string ProgramFolderOf(const std::string& dir) {
  std::error_code ec;
  const auto home = std::filesystem::absolute(FsPath(dir), ec);
  if (ec || !std::filesystem::is_directory(home, ec))
    throw std::runtime_error("プログラムフォルダがありません: '" + dir + "'");
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
  job.Sima = options.Sima;
  job.ControlFile = options.Control;
  job.Fit = options.Fit;
  job.Maps = options.Maps;
  return job;
}

void PrintSummary(std::ostream& out, const TConvertResult& r) {
  char time[32];
  std::snprintf(time, sizeof time, "%.3f", r.Seconds);
  if (r.Sima) {
    out << "chizro-convert: " << SimaSummary(*r.Sima) << " (" << r.Zone.Number() << "系 "
        << DatumName(r.Datum) << "、" << time << " 秒)\n";
    return;
  }
  const TJwcStats& stats = r.Stats;
  out << "chizro-convert: テーマ " << r.Themes << "、リーフ " << stats.Leaves << "、図形 "
      << stats.Figures << "、頂点 " << stats.Vertices << " を '" << stats.FileName
      << "' に書きました (" << r.Zone.Number() << "系 " << DatumName(r.Datum) << "、" << time
      << " 秒)\n";
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
