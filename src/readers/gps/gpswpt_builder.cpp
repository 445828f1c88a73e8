#include "readers/gps/gpswpt_builder.h"

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
#include "platform/file_path.h"
#include "platform/text_case.h"
#include "readers/common/reader_util.h"
#include "readers/common/text_filer.h"
#include "readers/common/topology.h"

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
double Coordinate(std::string_view item, char negative, TUnit unit) {
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
  return FiniteReal(value, number);
}

std::string PointName(int n) { return ZeroPadded(n, 10); }

// The track of one file, read line by line.
class TTrackReader {
public:
  explicit TTrackReader(const std::string& fileName) : fileName_(fileName) {}

  // Reads every line after the first.
  void ReadFile() {
    TTextFiler file(fileName_);
    std::vector<std::string> items;
    if (!file.Eof()) file.ReadLine();
    LocatedAt(
        fileName_,
        [&] { return TErrorPlace::Line(static_cast<unsigned long long>(file.LineNumber())); },
        [&] {
          while (!file.Eof()) {
            const std::string& line = file.ReadLine();
            if (SplitCommaText(line, items) == 0) continue;
            const std::string& letter = items[0];
            if (letter == "M") {
              ReadDatum(items);
            } else if (letter == "H") {
              // "H  TN <name>" opens the next track: no line joins it to the last.
              if (items.size() > 1 && items[1] == "TN") newTrack_ = true;
              ReadHeader(items, columns_);
              if (columns_.Latitude > 0 && columns_.Longitude > 0) trackKnown_ = true;
            } else if (letter == "U") {
              unit_ = ReadUnits(items, line, fileName_);
            } else if (letter == "T" && trackKnown_) {
              ReadTrackPoint(items);
            }
          }
        });
  }

  // Puts the points and lines read so far on the leaf, with their extent
  // and the file's datum.
  void AttachTo(TMapLeaf& leaf) {
    if (n_ == 0) leaf.NoFigureReason = "航跡点がありません";
    if (n_ > 0) leaf.Extent = extent_.Rect;
    points_.AddToLeaf(leaf, kClass, attributes_);
    arcs_.AddToLeaf(leaf, kClass, TArcKinds{0});
    leaf.Datum = datum_ == "WGS84" ? TDatum::Wgs84 : TDatum::Tokyo;
  }

private:
  void ReadDatum(const std::vector<std::string>& items) {
    if (columns_.Datum == 0) return;
    std::string datum = At(items, columns_.Datum);
    datum += At(items, columns_.Datum + 1);
    datum_ = UpperAscii(datum);
  }

  // One point, its texts, and the line from the point before it on the same
  // track. Every item is read before anything is added.
  void ReadTrackPoint(const std::vector<std::string>& items) {
    const double y = Coordinate(At(items, columns_.Latitude), 'S', unit_);
    const double x = Coordinate(At(items, columns_.Longitude), 'W', unit_);
    std::string date = Optional(items, columns_.Date);
    std::string time = Optional(items, columns_.Time);
    std::string alt = Optional(items, columns_.Alt);
    ++n_;
    const std::string name = PointName(n_);

    auto pnt = std::make_unique<TPntElement>();
    pnt->Name = name;
    pnt->Code = kClass;
    pnt->X = x;
    pnt->Y = y;
    points_.AddElement(std::move(pnt));
    extent_.Add(TFPoint{x, y});

    auto atr = std::make_unique<TAtrElement>();
    atr->Name = name;
    atr->Code = kClass;
    atr->Values.reserve(3);
    atr->AddValue(std::move(date));
    atr->AddValue(std::move(time));
    atr->AddValue(std::move(alt));
    attributes_.AddElement(std::move(atr));

    if (n_ >= 2 && !newTrack_) {
      auto arc = std::make_unique<TArcElement>();
      arc->Name = PointName(n_ - 1);
      arc->Code = kClass;
      arc->Kind = 0;
      arc->Points.reserve(2);
      arc->AddPoint(previous_);
      arc->AddPoint({x, y});
      arcs_.AddElement(std::move(arc));
    }
    previous_ = {x, y};
    newTrack_ = false;
  }

  const std::string& fileName_;
  TPntList points_;
  TAtrList attributes_;
  TArcList arcs_;
  TColumns columns_;
  bool trackKnown_ = false;
  bool newTrack_ = false;
  TUnit unit_ = TUnit::Degrees;
  std::string datum_;
  int n_ = 0;
  TFPoint previous_;
  TExtentBuilder extent_;
};

}  // namespace

void TMapBuilder_GPSWPT::PrepareLeaf(TMapLeaf& leaf) const {
  leaf.SheetName = BaseName(leaf.FileName);
  leaf.Name = leaf.SheetName;
  leaf.IdleCount = 1;
}

void TMapBuilder_GPSWPT::LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* /*classDefs*/,
                                  double /*scale*/) {
  TTrackReader track(leaf.FileName);
  ReadThenAttach([&] { track.ReadFile(); }, [&] { track.AttachTo(leaf); });
  leaf.Loaded = true;
}

}  // namespace chizro
