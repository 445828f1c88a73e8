#include "output/jwc_writer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
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

std::string Quoted(const std::string& path) { return "'" + PathForMessage(path) + "'"; }

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
          pickX_ = static_cast<double>(StrToFloat(fields[1]));
          if (fields.size() < 3) throw EListIndexError(2);
          pickY_ = static_cast<double>(StrToFloat(fields[2]));
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
            const double x = static_cast<double>(OutX(fig->LabelX));
            const double y = static_cast<double>(OutY(fig->LabelY));
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
  double OutX(double x) const { return static_cast<double>(pickX_) + (double{x} - ox_) * 1000.0; }
  double OutY(double y) const { return static_cast<double>(pickY_) - (double{oy_} - y) * 1000.0; }

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

// Fraction digits that a value of the plain range with at most 15
// significant digits can have: 0.0001 * 10^k < 10^15 gives k <= 18.
constexpr std::size_t kMaxFractionDigits = 18;

// 5^k for k = 0..kMaxFractionDigits.
constexpr std::array<std::uint64_t, kMaxFractionDigits + 1> kPow5 = [] {
  std::array<std::uint64_t, kMaxFractionDigits + 1> p{};
  p[0] = 1;
  for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 5;
  return p;
}();

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The largest numerator n for which n * 5^k still has 15 digits.
constexpr std::array<std::uint64_t, kMaxFractionDigits + 1> kMaxNumerator = [] {
  std::array<std::uint64_t, kMaxFractionDigits + 1> m{};
  for (std::size_t i = 0; i < m.size(); ++i) m[i] = (std::uint64_t{999999999999999}) / kPow5[i];
  return m;
}();

// 10^k for k = 0..19, the powers below 2^64.
constexpr std::array<std::uint64_t, 20> kPow10 = [] {
  std::array<std::uint64_t, 20> p{};
  p[0] = 1;
  for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 10;
  return p;
}();

int DecimalLength(std::uint64_t v) noexcept {
  // log10(2) ~ 1233 / 4096: an estimate from the bit length, then one step.
  if (v == 0) return 1;
  const int guess = static_cast<int>((std::bit_width(v) * 1233) >> 12);
  return guess + (v >= kPow10[static_cast<std::size_t>(guess)] ? 1 : 0);
}

// Writes exactly `length` decimal digits of `v` (zero-padded on the left).
char* WriteDigits(std::uint64_t v, int length, char* out) noexcept {
  char* p = out + length;
  while (p - out >= 2) {
    const std::size_t pair = static_cast<std::size_t>(v % 100) * 2;
    v /= 100;
    *--p = kDigitPairs[pair + 1];
    *--p = kDigitPairs[pair];
  }
  if (p != out) *--p = static_cast<char>('0' + v % 10);
  return out + length;
}

// The values whose exact binary value has at most 15 significant decimal
// digits and lies in the plain range, as almost every vertex does after its
// rounding to single precision: the digits are then the exact value, with
// nothing to round. Returns null for any other value.
char* FormatExact(double value, char* out) noexcept {
  const double a = std::fabs(value);
  if (!(a >= 0.0001 && a < 1e15)) return nullptr;
  // A normal number: a = n / 2^k with the 53-bit significand n, then n made
  // odd. a < 2^50 gives k > 0.
  const auto bits = std::bit_cast<std::uint64_t>(a);
  std::uint64_t n = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  int k = 1075 - static_cast<int>(bits >> 52);
  const int shift = std::min(k, std::countr_zero(n));
  n >>= shift;
  k -= shift;
  if (k > static_cast<int>(kMaxFractionDigits) || n > kMaxNumerator[static_cast<std::size_t>(k)])
    return nullptr;
  // a = n * 5^k / 10^k exactly, and n * 5^k has at most 15 digits: its
  // integer part is a's, its last k digits the fraction.
  const auto whole = static_cast<std::uint64_t>(a);
  char* o = out;
  if (value < 0) *o++ = '-';
  o = WriteDigits(whole, DecimalLength(whole), o);
  if (k == 0) return o;
  const std::uint64_t fraction =
      n * kPow5[static_cast<std::size_t>(k)] - whole * kPow10[static_cast<std::size_t>(k)];
  // n is odd, so the last fraction digit is 5: no trailing zeros.
  *o++ = '.';
  return WriteDigits(fraction, k, o);
}

// How far a written coordinate may lie from its value, in units of 0.001: a
// hair below one, so that the rounding of the product above cannot carry a
// form past 0.001.
constexpr double kCoordTolerance = 0.999;

}  // namespace

char* FormatJwcNumber(double value, char* out) noexcept {
  if (std::isnan(value)) return std::strcpy(out, "NAN") + 3;
  if (std::isinf(value))
    return value < 0 ? std::strcpy(out, "-INF") + 4 : std::strcpy(out, "INF") + 3;
  if (value == 0) {
    *out = '0';
    return out + 1;
  }
  if (char* end = FormatExact(value, out)) return end;

  // Fifteen significant digits, correctly rounded: d.dddddddddddddde[+-]x.
  char sci[kJwcNumberMax];
  const auto res = std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific, 14);
  const char* p = sci;
  char* o = out;
  if (*p == '-') {
    *o++ = '-';
    ++p;
  }
  char digits[15];
  int n = 0;
  for (; p < res.ptr && *p != 'e'; ++p)
    if (*p != '.') digits[n++] = *p;
  int exponent = 0;
  std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), res.ptr, exponent);
  while (n > 1 && digits[n - 1] == '0') --n;

  if (exponent >= -4 && exponent <= 14) {
    if (exponent < 0) {
      *o++ = '0';
      *o++ = '.';
      for (int i = -1; i > exponent; --i) *o++ = '0';
      for (int i = 0; i < n; ++i) *o++ = digits[i];
    } else {
      for (int i = 0; i <= exponent; ++i) *o++ = i < n ? digits[i] : '0';
      if (n > exponent + 1) {
        *o++ = '.';
        for (int i = exponent + 1; i < n; ++i) *o++ = digits[i];
      }
    }
    return o;
  }
  *o++ = digits[0];
  if (n > 1) {
    *o++ = '.';
    for (int i = 1; i < n; ++i) *o++ = digits[i];
  }
  *o++ = 'E';
  return std::to_chars(o, out + kJwcNumberMax, exponent).ptr;
}

namespace {

// Whether rounding n to a multiple of `step` (half up) moves it by at most
// one unit; `rest` is n modulo step. A farther multiple lies at least 1.5
// units from the value, which is within half a unit of n, so it can never
// meet the tolerance and needs no exact test.
constexpr bool NearMultiple(std::uint64_t rest, std::uint64_t step) noexcept {
  return rest <= 1 || rest >= step - 1;
}

// Whether q * step lies within the tolerance of `units`.
bool WithinTolerance(std::uint64_t q, std::uint64_t step, double units) noexcept {
  return std::fabs(static_cast<double>(q * step) - units) <= kCoordTolerance;
}

// "000" to "999", four bytes apart, and two bytes to spare at the end, so
// that four bytes can be copied from any digit of the table.
constexpr std::array<char, 4002> kDigitTriples = [] {
  std::array<char, 4002> t{};
  for (std::size_t i = 0; i < 1000; ++i) {
    t[4 * i] = static_cast<char>('0' + i / 100);
    t[4 * i + 1] = static_cast<char>('0' + i / 10 % 10);
    t[4 * i + 2] = static_cast<char>('0' + i % 10);
  }
  return t;
}();

// The coordinate writers below store four bytes at a time and return the end
// of the digits: up to three bytes past it are overwritten, which the
// kJwcNumberMax bytes of room allow (a coordinate takes at most 14).

// Writes g (below 1000) without leading zeros.
char* WriteLeadingTriple(std::uint64_t g, char* out) noexcept {
  const std::size_t skip = g < 10 ? 2 : g < 100 ? 1 : 0;
  std::memcpy(out, &kDigitTriples[4 * g + skip], 4);
  return out + 3 - skip;
}

// Writes g (below 1000) as three digits.
char* WriteTriple(std::uint64_t g, char* out) noexcept {
  std::memcpy(out, &kDigitTriples[4 * g], 4);
  return out + 3;
}

// Writes v (below 10^9) without leading zeros.
char* WriteWhole(std::uint64_t v, char* out) noexcept {
  if (v < 1000) return WriteLeadingTriple(v, out);
  if (v < 1000000) {
    const std::uint64_t high = v / 1000;
    return WriteTriple(v - high * 1000, WriteLeadingTriple(high, out));
  }
  const std::uint64_t high = v / 1000000;
  const std::uint64_t rest = v - high * 1000000;
  const std::uint64_t middle = rest / 1000;
  return WriteTriple(rest - middle * 1000, WriteTriple(middle, WriteLeadingTriple(high, out)));
}

}  // namespace

char* FormatJwcCoord(double value, char* out) noexcept {
  const double a = std::fabs(value);
  if (!(a < 1e9)) return FormatJwcNumber(value, out);
  // In units of the last place kept, 0.001: below 1e12, where a double still
  // resolves 0.0002 of a unit, so the tolerance below is met with room.
  const double units = a * 1000.0;
  // Rounded half away from zero, as llround does: units - n is exact for a
  // non-negative value below 2^52.
  auto n = static_cast<std::uint64_t>(units);
  if (units - static_cast<double>(n) >= 0.5) ++n;
  std::uint64_t whole = n / 1000;
  const std::uint64_t rest = n - whole * 1000;
  // The coarsest rounding that stays within one unit of the value, kept in
  // thousandths (1000 carries into the whole part).
  std::uint64_t thousandths = rest;
  if (NearMultiple(rest, 1000) && WithinTolerance((n + 500) / 1000, 1000, units)) {
    thousandths = (rest + 500) / 1000 * 1000;
  } else if (NearMultiple(rest % 100, 100) && WithinTolerance((n + 50) / 100, 100, units)) {
    thousandths = (rest + 50) / 100 * 100;
  } else if (NearMultiple(rest % 10, 10) && WithinTolerance((n + 5) / 10, 10, units)) {
    thousandths = (rest + 5) / 10 * 10;
  }
  if (thousandths == 1000) {
    ++whole;
    thousandths = 0;
  }
  if (whole == 0 && thousandths == 0) {
    *out = '0';
    return out + 1;
  }
  char* o = out;
  if (value < 0) *o++ = '-';
  // A value just below 10^9 may round up to it.
  o = whole < 1000000000 ? WriteWhole(whole, o) : WriteDigits(whole, DecimalLength(whole), o);
  if (thousandths == 0) return o;
  *o++ = '.';
  // Three digits written, the trailing zeros then left out.
  WriteTriple(thousandths, o);
  return o + (thousandths % 100 == 0 ? 1 : thousandths % 10 == 0 ? 2 : 3);
}

namespace {

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

TJwcStats ExportJwc(TMapProject& project, const TJwcProgress& progress) {
  TJwcStats stats;
  const std::string requestPath = ProgramPath(kRequestFile);
  stats.FileName = ProgramPath(kResultFile);

  // Read anew on every run, so that the dialog's changes take effect. A
  // missing settings file gives no layer records and no attributes.
  TOutputSettings settings;
  settings.Load(TOutputSettings::DefaultFileName());
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
      view.CenterX = static_cast<double>((double{leaf.Extent.left} + leaf.Extent.right) / 2);
      view.CenterY = static_cast<double>((double{leaf.Extent.top} + leaf.Extent.bottom) / 2);
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
