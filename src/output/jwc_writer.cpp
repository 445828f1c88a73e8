#include "output/jwc_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string_view>
#include <system_error>
#include <vector>

#include "model/class_def.h"
#include "model/draw_class.h"
#include "model/leaf_prefetch.h"
#include "model/map_figure.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "output/jwc_number.h"
#include "output/output_settings.h"
#include "platform/comma_text.h"
#include "platform/convert.h"
#include "platform/errors.h"
#include "platform/file_path.h"
#include "platform/program_dir.h"
#include "platform/sjis.h"

namespace chizro {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kRequestFile = "JWC_TEMP.TXT";
constexpr std::string_view kResultFile = "temp.txt";
constexpr std::string_view kMarkerClass = "7301";

// The point classes of cadastral maps that JW_CAD is given as points: survey
// control points with the marker, as the map sheets' class 7301, and parcel
// boundary points as plain points. Class codes are Shift_JIS.
const std::string& ControlPointClass() {
  static const std::string code = Utf8ToSjis("基準点");
  return code;
}
const std::string& BoundaryPointClass() {
  static const std::string code = Utf8ToSjis("筆界点");
  return code;
}
constexpr std::size_t kBufferSize = std::size_t{1} << 20;  // [bytes]

// The result file while it is written: a temporary file beside "temp.txt",
// filled through a large buffer, renamed into place by Commit and removed by
// the destructor otherwise.
class TResultFile final {
public:
  explicit TResultFile(std::string target)
      : target_(std::move(target)),
        temp_(target_ + ".tmp~"),
        buffer_(std::make_unique<char[]>(kBufferSize)),
        pos_(buffer_.get()),
        end_(buffer_.get() + kBufferSize) {
    file_ = OpenFile(temp_, "wb");
    if (!file_) throw EInOutError(Quoted(temp_) + " を作成できません");
  }
  ~TResultFile() {
    if (file_) std::fclose(file_);
    if (!committed_) {
      std::error_code ignored;
      fs::remove(FsPath(temp_), ignored);
    }
  }
  TResultFile(const TResultFile&) = delete;
  TResultFile& operator=(const TResultFile&) = delete;

  // Room for `n` more bytes (n <= kLineRoom) at the write position.
  char* Room(std::size_t n) {
    if (static_cast<std::size_t>(end_ - pos_) < n) Flush();
    return pos_;
  }
  void Advance(char* to) noexcept { pos_ = to; }

  void Text(std::string_view s) {
    if (static_cast<std::size_t>(end_ - pos_) < s.size()) {
      Flush();
      if (s.size() > kBufferSize) {
        Write(s.data(), s.size());
        return;
      }
    }
    std::memcpy(pos_, s.data(), s.size());
    pos_ += s.size();
  }
  void Coord(double v) { pos_ = FormatJwcCoord(v, Room(kJwcNumberMax)); }
  void Char(char c) {
    char* p = Room(1);
    *p = c;
    pos_ = p + 1;
  }
  void EndLine() {
    char* p = Room(2);
    p[0] = '\r';
    p[1] = '\n';
    pos_ = p + 2;
  }
  void Line(std::string_view s) {
    Text(s);
    EndLine();
  }

  void Commit() {
    Flush();
    const int rc = std::fclose(file_);
    file_ = nullptr;
    if (rc != 0) ThrowWriteError();
    std::error_code ec;
    RenameOver(FsPath(temp_), FsPath(target_), ec);
    if (ec) throw EInOutError(Quoted(target_) + " を作成できません: " + ec.message());
    committed_ = true;
  }

  // The most a vertex or point line takes.
  static constexpr std::size_t kLineRoom = 2 * kJwcNumberMax + 32;

private:
  void Flush() {
    Write(buffer_.get(), static_cast<std::size_t>(pos_ - buffer_.get()));
    pos_ = buffer_.get();
  }
  void Write(const char* data, std::size_t n) {
    if (n > 0 && std::fwrite(data, 1, n, file_) != n) ThrowWriteError();
  }
  [[noreturn]] void ThrowWriteError() const {
    throw EInOutError(Quoted(temp_) + " に書き込めません");
  }

  std::string target_;
  std::string temp_;
  std::FILE* file_ = nullptr;
  std::unique_ptr<char[]> buffer_;
  char* pos_;
  char* end_;
  bool committed_ = false;
};

std::string ReadRequestFile(const std::string& path) {
  std::ifstream in(FsPath(path), std::ios::binary);
  if (!in)
    throw EFileNotFound(path,
                        "JW_CAD の外部変形から chizro を起動してください (JW_CAD の"
                        "［その他］－［外部変形］で chizro.bat を選びます)。JW_CAD はそのとき "
                        "JWC_TEMP.TXT を作り、chizro はそれを読んで temp.txt を書きます。");
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw EInOutError(Quoted(path) + " を読めません");
  return data;
}

// One output run: settings, pick point, origin and the last class written.
class TJwcWriter final {
public:
  TJwcWriter(const TOutputSettings& settings, TResultFile& out, TJwcStats& stats)
      : settings_(settings), out_(out), stats_(stats) {}

  // Copies the request lines up to the first empty one, without "hq", and
  // takes the pick point from an "hp1" line.
  // Errors name `fileName` and the line.
  void CopyRequest(std::string_view data, const std::string& fileName) {
    std::vector<std::string> fields;
    std::size_t pos = 0;
    unsigned long long lineNumber = 0;
    while (pos < data.size()) {
      ++lineNumber;
      std::size_t end = data.find('\n', pos);
      const std::size_t next = end == std::string_view::npos ? data.size() : end + 1;
      if (end == std::string_view::npos) end = data.size();
      std::string_view line = data.substr(pos, end - pos);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      pos = next;
      if (line.empty()) break;
      if (line == "hq") continue;
      if (line.starts_with("hp1")) {
        LocatedAt(fileName, [&] { return TErrorPlace::Line(lineNumber); }, [&] {
          SplitCommaText(line, fields);
          if (fields.size() < 2) throw EListIndexError(1);
          pickX_ = StrToFloat(fields[1]);
          if (fields.size() < 3) throw EListIndexError(2);
          pickY_ = StrToFloat(fields[2]);
        });
      }
      out_.Line(line);
    }
  }

  void SetOrigin(double x, double y) {
    ox_ = x;
    oy_ = y;
  }

  void WriteClass(const TDrawClass& cls) {
    WriteAttributes(cls.Name);
    const TClassDef* def = cls.ClassDef;
    const bool labelled = def && def->LabelOn != 0 && def->LabelAttrIndex >= 0;
    for (const TFigure* fig : cls.Figures) {
      switch (fig->Kind()) {
        case TFigKind::Polygon:
        case TFigKind::Polyline:
          for (const TFPoint& p : fig->Points) {
            char* o = out_.Room(TResultFile::kLineRoom);
            o = FormatJwcCoord(OutX(p.x), o);
            *o++ = ' ';
            o = FormatJwcCoord(OutY(p.y), o);
            *o++ = '\r';
            *o++ = '\n';
            out_.Advance(o);
          }
          stats_.Vertices += static_cast<std::int64_t>(fig->Points.size());
          break;
        case TFigKind::Point:
          if (fig->ClassCode == ControlPointClass() || fig->ClassCode == kMarkerClass) {
            const double x = OutX(fig->LabelX);
            const double y = OutY(fig->LabelY);
            PointLine(x, y);
            out_.Text(" 1 0 -6");
            out_.EndLine();
            PointLine(x, y);
            out_.EndLine();
            ++stats_.Points;
          } else if (fig->ClassCode == BoundaryPointClass()) {
            // A boundary point is a plain point, without the marker.
            PointLine(OutX(fig->LabelX), OutY(fig->LabelY));
            out_.EndLine();
            ++stats_.Points;
          }
          break;
        case TFigKind::Raster:
          break;
      }
      if (labelled && fig->Texts.size() > static_cast<std::size_t>(def->LabelAttrIndex))
        WriteLabel(*fig, fig->Texts[static_cast<std::size_t>(def->LabelAttrIndex)]);
      out_.EndLine();
      ++stats_.Figures;
    }
  }

private:
  double OutX(double x) const { return pickX_ + (x - ox_) * 1000.0; }
  double OutY(double y) const { return pickY_ - (oy_ - y) * 1000.0; }

  void PointLine(double x, double y) {
    out_.Text("pt ");
    out_.Coord(x);
    out_.Char(' ');
    out_.Coord(y);
  }

  // The attribute records of a class, written when its code differs from
  // the last one and the settings list it.
  void WriteAttributes(const std::string& code) {
    if (code == lastCode_) return;
    lastCode_ = code;
    const TElementRow* row = settings_.Find(code);
    if (!row) return;
    switch (settings_.Mode()) {
      case TLayerMode::Layer:
        Record("ly", row->Field(1), 1);
        break;
      case TLayerMode::Group:
        Record("lg", row->Field(1), 1);
        break;
      case TLayerMode::None:
        break;
    }
    Record("lc", row->Field(2), 2);
    Record("lt", row->Field(3), 3);
    Record("cn", row->Field(4), 4);
  }

  // The settings were checked before the run, so every value is in range;
  // this writes hexadecimal digits in capitals.
  void Record(std::string_view name, const std::string& value, std::size_t field) {
    out_.Text(name);
    out_.Line(SettingValue(field, value).value_or(value));
  }

  void WriteLabel(const TFigure& fig, const std::string& text) {
    out_.Text("ch ");
    out_.Coord(OutX(fig.LabelX));
    out_.Char(' ');
    out_.Coord(OutY(fig.LabelY));
    out_.Text(" 1 0 \"");
    // A line break inside a label would start a record of its own.
    for (const char c : text) out_.Char(c == '\r' || c == '\n' ? ' ' : c);
    out_.EndLine();
    ++stats_.Labels;
  }

  const TOutputSettings& settings_;
  TResultFile& out_;
  TJwcStats& stats_;
  double pickX_ = 0;
  double pickY_ = 0;
  double ox_ = 0;
  double oy_ = 0;
  std::string lastCode_;
};

// The error for a run that found nothing to write, naming what was written
// from: the file of a single leaf, else the first theme's title.
ENoFigures NothingToWrite(const TMapProject& project) {
  std::string source = "(地図なし)";
  if (project.Themes->Count() > 0) {
    const TMapTheme& theme = *project.Themes->Items(0);
    if (theme.Leaves->Count() == 1)
      source = theme.Leaves->Items(0)->FileName;
    else
      source = theme.Title.empty() ? theme.DefFileName : theme.Title;
  }
  return ENoFigures(source, "出力できる線・点・文字がありません");
}

}  // namespace

TJwcFiles TJwcFiles::In(const std::string& programFolder) {
  return {ProgramPath(programFolder, kRequestFile), ProgramPath(programFolder, kResultFile),
          TOutputSettings::FileIn(programFolder)};
}

TJwcStats ExportJwc(TMapProject& project, const TJwcFiles& files, const TJwcProgress& progress) {
  TJwcStats stats;
  const std::string& requestPath = files.Request;
  stats.FileName = files.Result;

  // Read anew on every run, so that the dialog's changes take effect. A
  // missing settings file gives no layer records and no attributes.
  TOutputSettings settings;
  settings.Load(files.Settings);
  std::string request = ReadRequestFile(requestPath);
  // From here on no earlier result may be taken for this run's.
  std::error_code ec;
  fs::remove(FsPath(stats.FileName), ec);
  if (ec) throw EInOutError(Quoted(stats.FileName) + " を削除できません: " + ec.message());
  // A hand-edited settings file may hold what JW_CAD cannot read.
  settings.CheckRanges();

  TResultFile out(stats.FileName);
  TJwcWriter writer(settings, out, stats);
  writer.CopyRequest(request, requestPath);
  request.clear();

  if (project.Themes->Count() > 0) {
    TMapTheme& theme = *project.Themes->Items(0);
    writer.SetOrigin(theme.Extent.left, theme.Extent.top);
    TMapView& view = *project.View;
    const int count = theme.Leaves->Count();
    // The leaves are read and built ahead on the other cores while this
    // thread paints and writes them in order.
    std::vector<TMapLeaf*> order;
    for (int i = 0; i < count; ++i) order.push_back(theme.Leaves->Items(i));
    TLeafPrefetch prefetch(theme, order);
    for (int i = 0; i < count; ++i) {
      if (progress) progress(i, count);
      TMapLeaf& leaf = *theme.Leaves->Items(i);
      prefetch.Reach(leaf);
      view.CenterX = (leaf.Extent.left + leaf.Extent.right) / 2;
      view.CenterY = (leaf.Extent.top + leaf.Extent.bottom) / 2;
      // A leaf whose load failed holds at best part of its data: read it
      // again, so that the output is whole or ends with the error.
      if (!leaf.LoadError.empty()) {
        leaf.Unload();
        leaf.LoadError.clear();
      }
      project.Draw();
      const TDrawClassGrp& classes = *leaf.DrawClasses;
      for (int c = 0; c < classes.Count(); ++c) writer.WriteClass(*classes.Items(c));
      ++stats.Leaves;
    }
  }
  // A drawing without a single line, point or text is no result: JW_CAD
  // would take it silently and the user would look for the map in vain.
  if (stats.Vertices == 0 && stats.Points == 0 && stats.Labels == 0) throw NothingToWrite(project);
  out.Commit();
  return stats;
}

}  // namespace chizro
