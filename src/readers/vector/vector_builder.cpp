#include "readers/vector/vector_builder.h"
#include "readers/common/reader_util.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <optional>
#include <string_view>
#include <type_traits>

#include "model/map_figure.h"
#include "model/map_leaf.h"
#include "platform/errors.h"
#include "platform/file_path.h"

namespace chizro {

namespace {

constexpr std::size_t kHeaderSize = 592;
constexpr std::size_t kBlockHeaderSize = 264;
constexpr std::size_t kRecordSize = 48;
constexpr std::size_t kFixedTextSize = 256;
constexpr std::size_t kPointSize = 8;
constexpr std::size_t kLengthSize = 4;  // a text length before its bytes

constexpr int kFigPoint = 1;
constexpr int kFigPolyline = 2;
constexpr int kFigPolygon = 3;

std::int32_t LoadInt(const unsigned char* p) noexcept {
  const std::uint32_t u = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                          static_cast<std::uint32_t>(p[2]) << 16 |
                          static_cast<std::uint32_t>(p[3]) << 24;
  return static_cast<std::int32_t>(u);
}

double LoadReal(const unsigned char* p) noexcept {
  return std::bit_cast<float>(static_cast<std::uint32_t>(LoadInt(p)));
}

// A fixed-width text: its bytes up to the first NUL.
std::string_view LoadFixedText(const unsigned char* p, std::size_t width) noexcept {
  const void* nul = std::memchr(p, 0, width);
  const std::size_t n =
      nul ? static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - p) : width;
  return {reinterpret_cast<const char*>(p), n};
}

// The fields of the file header.
struct THeader {
  std::string Title;
  std::array<TFPoint, 4> Corners{};
  TFRect Extent;
  std::int32_t Datum = 0;
  std::int32_t CoordMode = 0;
  std::int32_t Zone = 0;
  std::int32_t BlockCount = 0;
};

// `p` holds kHeaderSize bytes.
THeader ParseHeader(const unsigned char* p) {
  THeader h;
  h.Title = LoadFixedText(p + 8, kFixedTextSize);
  for (std::size_t i = 0; i < h.Corners.size(); ++i) {
    h.Corners[i] = {LoadReal(p + 268 + 8 * i), LoadReal(p + 272 + 8 * i)};
  }
  h.Extent = {LoadReal(p + 300), LoadReal(p + 304), LoadReal(p + 308), LoadReal(p + 312)};
  h.Datum = LoadInt(p + 316);
  h.CoordMode = LoadInt(p + 320);
  h.Zone = LoadInt(p + 324);
  h.BlockCount = LoadInt(p + 588);
  return h;
}

// The model's value of a header code; an unknown code is an error at its
// offset.
template <class T>
T KnownCode(std::optional<T> value, std::int32_t code, const char* field, unsigned long long offset,
            const std::string& fileName) {
  if (value) return *value;
  EInOutError error(std::string(field) + " " + std::to_string(code) + " は不明です");
  error.Locate(fileName, TErrorPlace::Offset(offset));
  throw error;
}

void FillLeaf(TMapLeaf& leaf, THeader& h, const std::string& fileName) {
  leaf.FileName = fileName;
  leaf.Name = BaseName(fileName);
  leaf.SheetName = std::move(h.Title);
  leaf.Corners = h.Corners;
  leaf.Extent = h.Extent;
  leaf.Datum = DatumOfCode(h.Datum);
  leaf.CoordMode = KnownCode(CoordModeOfCode(h.CoordMode), h.CoordMode, "座標系", 320, fileName);
  leaf.Zone = TZone::OfStored(h.Zone);
}

std::ifstream OpenInput(const std::string& fileName) {
  std::ifstream in(FsPath(fileName), std::ios::binary);
  if (!in) throw EInOutError(Quoted(fileName) + " を開けません");
  return in;
}

[[noreturn]] void ThrowShortHeader(const std::string& fileName) {
  throw EInOutError(Quoted(fileName) + " はヘッダより短いファイルです");
}

// Reads the records of a whole file held in memory. Every read is checked
// against the bytes that remain, and every count against the least number
// of bytes its items take, before anything is allocated for it.
class TRecordReader {
public:
  TRecordReader(std::string_view data, const std::string& fileName)
      : p_(reinterpret_cast<const unsigned char*>(data.data())),
        end_(p_ + data.size()),
        begin_(p_),
        fileName_(fileName) {}

  std::size_t Remaining() const noexcept { return static_cast<std::size_t>(end_ - p_); }

  // Takes the next n bytes.
  const unsigned char* Take(std::size_t n) {
    if (n > Remaining()) ThrowTruncated();
    const unsigned char* at = p_;
    p_ += n;
    return at;
  }

  std::int32_t Int() { return LoadInt(Take(4)); }

  // A count of items that take at least `minSize` bytes each: negative
  // counts and counts the rest of the file cannot hold are errors.
  std::size_t Count(std::int32_t count, std::size_t minSize, const unsigned char* at) const {
    if (count < 0) Fail("個数 " + std::to_string(count) + " が不正です", at);
    const std::size_t n = static_cast<std::size_t>(count);
    if (n > Remaining() / minSize) ThrowTruncated();
    return n;
  }

  // A text of `length` bytes; an empty string for a length of 0 or less.
  std::string_view Text(std::int32_t length) {
    if (length <= 0) return {};
    const std::size_t n = static_cast<std::size_t>(length);
    return {reinterpret_cast<const char*>(Take(n)), n};
  }

  [[noreturn]] void ThrowTruncated() const { Fail("ファイルが途中で終わっています", p_); }
  [[noreturn]] void ThrowUnknownKind(std::int32_t kind, const unsigned char* at) const {
    Fail("図形種別 " + std::to_string(kind) + " は不明です", at);
  }

private:
  // EInOutError with `detail`, naming the file and the offset of `at`.
  [[noreturn]] void Fail(const std::string& detail, const unsigned char* at) const {
    EInOutError error(detail);
    error.Locate(fileName_, TErrorPlace::Offset(static_cast<unsigned long long>(at - begin_)));
    throw error;
  }

  const unsigned char* p_;
  const unsigned char* end_;
  const unsigned char* begin_;
  const std::string& fileName_;
};

// Fills `fig` from the rest of its record: `rec` is the 48-byte fixed part,
// the variable data follow at the reader's position.
void ReadFigure(TRecordReader& in, const unsigned char* rec, TFigure& fig) {
  fig.LabelX = LoadReal(rec + 12);
  fig.LabelY = LoadReal(rec + 16);
  fig.Extent = {LoadReal(rec + 20), LoadReal(rec + 24), LoadReal(rec + 28), LoadReal(rec + 32)};

  const std::size_t n = in.Count(LoadInt(rec + 36), kPointSize, rec + 36);
  if (n > 0) {
    const unsigned char* pts = in.Take(n * kPointSize);
    // The file stores single-precision pairs; the model holds doubles.
    fig.Points.resize(n);
    for (std::size_t i = 0; i < n; ++i)
      fig.Points[i] = {LoadReal(pts + 8 * i), LoadReal(pts + 8 * i + 4)};
  }

  // Each value takes at least its length. A value of length 0 or less is not
  // stored, so the values after it move up one place.
  const std::size_t m = in.Count(LoadInt(rec + 40), kLengthSize, rec + 40);
  for (std::size_t i = 0; i < m; ++i) {
    const std::int32_t length = in.Int();
    if (length > 0) fig.AddText(std::string(in.Text(length)));
  }

  // Properties are appended and the list sorted once: setting them one by
  // one would sort k times, which a figure with a huge k turns into a hang.
  // For distinct names the order is the same; among names equal without
  // regard to case the lookup may land on another of them.
  const std::size_t k = in.Count(LoadInt(rec + 44), kLengthSize, rec + 44);
  for (std::size_t i = 0; i < k; ++i) {
    const std::int32_t keyLength = in.Int();
    if (keyLength <= 0) continue;  // ends the property; no value follows
    std::string key(in.Text(keyLength));
    const std::int32_t valueLength = in.Int();
    fig.Props.Add(std::move(key), std::string(in.Text(valueLength)));
  }
  if (k > 0) fig.Props.Sort();
}

// The figure records of `blocks` class blocks into the three lists.
void ReadBlocks(TRecordReader& in, std::size_t blocks, TFigPolygonGrp& polygons,
                TFigPolylineGrp& polylines, TFigPointGrp& points) {
  for (std::size_t b = 0; b < blocks; ++b) {
    const unsigned char* block = in.Take(kBlockHeaderSize);
    const std::string_view classCode = LoadFixedText(block + 1, kFixedTextSize);
    const std::size_t figures = in.Count(LoadInt(block + 260), kRecordSize, block + 260);
    for (std::size_t f = 0; f < figures; ++f) {
      const unsigned char* rec = in.Take(kRecordSize);
      const std::int32_t kind = LoadInt(rec + 4);
      TFigure* fig = nullptr;
      switch (kind) {
        case kFigPoint:
          fig = points.New();
          break;
        case kFigPolyline:
          fig = polylines.New();
          break;
        case kFigPolygon:
          fig = polygons.New();
          break;
        default:
          // The kind decides what the record is; a record of another kind
          // means the file is not what this reader knows, so nothing after
          // it can be trusted either.
          in.ThrowUnknownKind(kind, rec + 4);
      }
      fig->ClassCode = classCode;
      ReadFigure(in, rec, *fig);
    }
  }
}

}  // namespace

std::unique_ptr<TMapLeaf> TMapBuilder_Vector::OpenFile(TMapLeafGrp& leaves,
                                                       const std::string& fileName) {
  if (!IsFile(fileName)) return nullptr;
  std::array<unsigned char, kHeaderSize> bytes{};
  {
    std::ifstream in = OpenInput(fileName);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::size_t>(in.gcount()) != bytes.size()) ThrowShortHeader(fileName);
  }
  if (bytes[0] != 'H') return nullptr;
  THeader header = ParseHeader(bytes.data());
  auto leaf = std::make_unique<TMapLeaf>(&leaves);
  FillLeaf(*leaf, header, fileName);
  return leaf;
}

void TMapBuilder_Vector::LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* /*classDefs*/,
                                  double /*scale*/) {
  // Copied: the leaf's FileName is rewritten from it below.
  const std::string fileName = leaf.FileName;
  const std::string data = ReadWholeFile(fileName);
  if (data.size() < kHeaderSize) ThrowShortHeader(fileName);
  TRecordReader in(data, fileName);
  const unsigned char* head = in.Take(kHeaderSize);
  if (head[0] != 'H') throw EInOutError(Quoted(fileName) + " はベクトルファイルではありません");
  THeader header = ParseHeader(head);
  const std::int32_t blockCount = header.BlockCount;
  FillLeaf(leaf, header, fileName);

  // Attached at the end, or when a corrupt record ends the read.
  std::unique_ptr<TFigPolygonGrp> polygons;
  std::unique_ptr<TFigPolylineGrp> polylines;
  std::unique_ptr<TFigPointGrp> points;
  const std::size_t blocks = in.Count(blockCount, kBlockHeaderSize, head + 588);
  if (blocks > 0) {
    polygons = std::make_unique<TFigPolygonGrp>();
    polylines = std::make_unique<TFigPolylineGrp>();
    points = std::make_unique<TFigPointGrp>();
    polygons->Name = leaf.Name;
    polylines->Name = leaf.Name;
    points->Name = leaf.Name;
  }

  auto attach = [&] {
    if (polygons) leaf.AddFigGrp(std::move(polygons))->UpdateExtents();
    if (polylines) leaf.AddFigGrp(std::move(polylines))->UpdateExtents();
    if (points) leaf.AddFigGrp(std::move(points))->UpdateExtents();
  };
  ReadThenAttach(
      [&] {
        if (blocks > 0) ReadBlocks(in, blocks, *polygons, *polylines, *points);
      },
      attach);
  leaf.Loaded = true;
}

}  // namespace chizro
