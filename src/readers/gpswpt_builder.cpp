#include "readers/gpswpt_builder.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <vector>

#include "coords/datum.h"
#include "model/map_leaf.h"
#include "platform/comma_text.h"
#include "platform/convert.h"
#include "platform/errors.h"
#include "readers/reader_util.h"
#include "readers/text_filer.h"
#include "readers/topology.h"

namespace chizro {

namespace {

constexpr std::string_view kClass = "TRK";

// Column indices named by the header lines; 0 while not named (item 0 is the
// record letter, so 0 never names a data column).
struct TColumns {
  std::size_t Datum = 0;
  std::size_t Latitude = 0;
  std::size_t Longitude = 0;
  std::size_t Date = 0;
  std::size_t Time = 0;
  std::size_t Alt = 0;
};

// ASCII letters in capitals; Shift_JIS double-byte characters stay as they are.
std::string UpperAscii(std::string_view s) {
  std::string out(s);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const auto c = static_cast<unsigned char>(out[i]);
    if (IsSjisLeadByte(c)) {
      ++i;
    } else if (c >= 'a' && c <= 'z') {
      out[i] = static_cast<char>(c - 'a' + 'A');
    }
  }
  return out;
}

// Item `index` of a line; the list-index error when the line is shorter.
const std::string& At(const std::vector<std::string>& items, std::size_t index) {
  if (index >= items.size()) throw EListIndexError(static_cast<long long>(index));
  return items[index];
}

// The item of a column, or an empty text for a column no header named.
std::string Optional(const std::vector<std::string>& items, std::size_t index) {
  return index == 0 ? std::string() : At(items, index);
}

void ReadHeader(const std::vector<std::string>& items, TColumns& columns) {
  for (std::size_t i = 1; i < items.size(); ++i) {
    const std::string& name = items[i];
    if (name == "DATUM") {
      columns.Datum = i;
    } else if (name == "LATITUDE") {
      columns.Latitude = i;
    } else if (name == "LONGITUDE") {
      columns.Longitude = i;
    } else if (name == "DATE") {
      columns.Date = i;
    } else if (name == "TIME") {
      columns.Time = i;
    } else if (name == "ALT") {
      columns.Alt = i;
    }
  }
}

// How the positions of the track lines are written.
enum class TUnit { Degrees, Minutes, Seconds };

// A units line: "U  LAT LON" and one of "DEG" (decimal degrees), "DM"
// (degrees and decimal minutes) or "DMS" (degrees, minutes and seconds).
// Anything else (grid coordinates such as "UTM UPS") is an error that names
// the line: positions are never read in a unit the file does not state.
TUnit ReadUnits(const std::vector<std::string>& items, const std::string& line,
                const std::string& fileName) {
  if (items.size() == 4 && UpperAscii(items[1]) == "LAT" && UpperAscii(items[2]) == "LON") {
    const std::string unit = UpperAscii(items[3]);
    if (unit == "DEG") return TUnit::Degrees;
    if (unit == "DM") return TUnit::Minutes;
    if (unit == "DMS") return TUnit::Seconds;
  }
  throw EInOutError(Quoted(fileName) + " の単位 '" + line + "' は読めません");
}

// A coordinate item: a hemisphere letter and a number, or a number alone.
// `negative` is the letter that turns the value negative ("S" or "W");
// `unit` says how the number is written: ddd.dddd, dddmm.mmmm or
// dddmmss.sss.
float Coordinate(std::string_view item, char negative, TUnit unit) {
  std::string_view number = item;
  bool negate = false;
  if (!item.empty()) {
    const char first = item.front();
    const bool bare =
        (first >= '0' && first <= '9') || first == '+' || first == '-' || first == '.';
    if (!bare) {
      negate = first == negative;
      number.remove_prefix(1);
    }
  }
  double value = StrToFloat(number);
  if (unit == TUnit::Minutes) {
    const double magnitude = std::fabs(value);
    const double degrees = std::floor(magnitude / 100);
    const double result = degrees + (magnitude - degrees * 100) / 60;
    value = value < 0 ? -result : result;
  } else if (unit == TUnit::Seconds) {
    const double magnitude = std::fabs(value);
    const double degrees = std::floor(magnitude / 10000);
    const double rest = magnitude - degrees * 10000;
    const double minutes = std::floor(rest / 100);
    const double result = degrees + minutes / 60 + (rest - minutes * 100) / 3600;
    value = value < 0 ? -result : result;
  }
  if (negate) value = -value;
  if (!(std::fabs(value) <= static_cast<double>(FLT_MAX))) throw EFloatConvertError(number);
  return static_cast<float>(value);
}

std::string PointName(int n) {
  char buf[24];
  const int len = std::snprintf(buf, sizeof buf, "%.10d", n);
  return std::string(buf, static_cast<std::size_t>(len));
}

}  // namespace

std::unique_ptr<TMapLeaf> TMapBuilder_GPSWPT::OpenFile(TMapLeafGrp& leaves,
                                                       const std::string& fileName) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(fileName, ec)) return nullptr;
  auto leaf = std::make_unique<TMapLeaf>(&leaves);
  leaf->SheetName = BaseName(fileName);
  leaf->Name = leaf->SheetName;
  leaf->FileName = fileName;
  leaf->CoordMode = kModeLatLon;
  LoadLeaf(*leaf, nullptr, 0);
  leaf->IdleCount = 1;
  return leaf;
}

void TMapBuilder_GPSWPT::LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* /*classDefs*/,
                                  float /*scale*/) {
  TPntList points;
  TAtrList attributes;
  TArcList arcs;
  TColumns columns;
  bool trackKnown = false;
  bool newTrack = false;
  TUnit unit = TUnit::Degrees;
  std::string datum;
  int n = 0;
  TFPoint previous;
  TFRect extent;

  TTextFiler file(leaf.FileName);
  std::vector<std::string> items;
  if (!file.Eof()) file.ReadLine();
  while (!file.Eof()) {
    const std::string& line = file.ReadLine();
    if (SplitCommaText(line, items) == 0) continue;
    const std::string& letter = items[0];
    if (letter == "M") {
      if (columns.Datum > 0) {
        datum = At(items, columns.Datum);
        datum += At(items, columns.Datum + 1);
        datum = UpperAscii(datum);
      }
    } else if (letter == "H") {
      // "H  TN <name>" opens the next track: no line joins it to the last.
      if (items.size() > 1 && items[1] == "TN") newTrack = true;
      ReadHeader(items, columns);
      if (columns.Latitude > 0 && columns.Longitude > 0) trackKnown = true;
    } else if (letter == "U") {
      unit = ReadUnits(items, line, leaf.FileName);
    } else if (letter == "T" && trackKnown) {
      ++n;
      const float y = Coordinate(At(items, columns.Latitude), 'S', unit);
      const float x = Coordinate(At(items, columns.Longitude), 'W', unit);
      const std::string name = PointName(n);

      auto pnt = std::make_unique<TPntElement>();
      pnt->Name = name;
      pnt->Code = kClass;
      pnt->X = x;
      pnt->Y = y;
      points.AddElement(std::move(pnt));

      if (n == 1) {
        extent = {x, y, x, y};
      } else {
        extent.left = std::min(extent.left, x);
        extent.right = std::max(extent.right, x);
        extent.top = std::max(extent.top, y);
        extent.bottom = std::min(extent.bottom, y);
      }

      auto atr = std::make_unique<TAtrElement>();
      atr->Name = name;
      atr->Code = kClass;
      atr->Values.reserve(3);
      atr->AddValue(Optional(items, columns.Date));
      atr->AddValue(Optional(items, columns.Time));
      atr->AddValue(Optional(items, columns.Alt));
      attributes.AddElement(std::move(atr));

      if (n >= 2 && !newTrack) {
        auto arc = std::make_unique<TArcElement>();
        arc->Name = PointName(n - 1);
        arc->Code = kClass;
        arc->Kind = 0;
        arc->Points.reserve(2);
        arc->AddPoint(previous);
        arc->AddPoint({x, y});
        arcs.AddElement(std::move(arc));
      }
      previous = {x, y};
      newTrack = false;
    }
  }
  if (n == 0) leaf.NoFigureReason = "航跡点がありません";

  if (n > 0) leaf.Extent = extent;
  points.AddToLeaf(leaf, kClass, attributes);
  arcs.AddToLeaf(leaf, kClass, TArcKinds{0});
  leaf.Datum = datum == "WGS84" ? kDatumWgs84 : kDatumTokyo;
  leaf.Loaded = true;
}

}  // namespace chizro
