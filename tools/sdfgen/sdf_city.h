// sdfgen: writes synthetic 1:2500 digital map sheets in the SDF text form
// that TMapBuilder_Sdf2500 reads: sheet folders with their
// description file and every layer file, Shift_JIS text with CR LF line ends.
//
// The city is one deterministic function of the plane rectangular position
// (zone 9, around Tokyo station) and the options: a street grid turned by 8
// degrees, main streets every ~330 m x ~300 m with minor streets between
// them, a river, a railway with stations, a straight sea wall to the south,
// town blocks with buildings, parks, schools, shrines and cemeteries, and
// administrative districts and municipalities along the main streets. A
// sheet is the part of that city inside its 2 km x 1.5 km frame, clipped at
// the frame, so adjacent sheets join seamlessly and any sheet can be written
// alone. Everything is fictional; the place names are common Japanese ones.
//
// A library of its own (sdfgen_city): the command line tools/sdfgen, the
// reader's tests and the benchmark link it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace chizro::sdfgen {

// ---------------------------------------------------------------------------
// Options and results

struct TCityOptions {
  std::string Origin = "09KD961";  // the north-west sheet of the city
  int SheetsX = 10;                // sheets from west to east
  int SheetsY = 10;                // sheets from north to south
  double Density = 1.0;            // blocks per area: 1 is a dense city centre
  std::uint64_t Seed = 1;
  double Buildings = 1.0;      // share of building lots that hold a building
  double ControlPoints = 1.0;  // share of street corners with a control point
  bool Tokyo = false;          // datum flag "0" (TOKYO) instead of "1" (JGD2000)
};

// The committed samples (samples/sdf): two adjacent sheets near Tokyo
// station, a light city.
TCityOptions SampleOptions();

struct TStats {
  long long Sheets = 0;
  long long Files = 0;
  long long Bytes = 0;
  long long Arcs = 0;
  long long Polygons = 0;
  long long Points = 0;      // point records (stations, control points)
  long long Attributes = 0;  // attribute records
  long long Vertices = 0;    // coordinate lines of the arc files

  TStats& operator+=(const TStats& o) {
    Sheets += o.Sheets;
    Files += o.Files;
    Bytes += o.Bytes;
    Arcs += o.Arcs;
    Polygons += o.Polygons;
    Points += o.Points;
    Attributes += o.Attributes;
    Vertices += o.Vertices;
    return *this;
  }
};

// ---------------------------------------------------------------------------
// Sheet names: zone (2 digits), the 30 km x 40 km block (row letter from
// +300 km southwards, column letter from -160 km eastwards), the 3 km x 4 km
// section (row digit, column digit, 0-9 each) and the quarter (1 NW, 2 NE,
// 3 SW, 4 SE) of 1.5 km x 2 km. Row and Col below count whole sheets from
// the north-west corner of the zone's grid.

struct TSheetId {
  int Zone = 9;
  int Row = 0;  // 0 .. 399, north to south
  int Col = 0;  // 0 .. 159, west to east

  double Top() const { return 300000.0 - 1500.0 * Row; }
  double Bottom() const { return Top() - 1500.0; }
  double Left() const { return -160000.0 + 2000.0 * Col; }
  double Right() const { return Left() + 2000.0; }
};

std::string SheetName(const TSheetId& id);
// False, with `id` unspecified, for anything but a sheet name of zones 1-19.
bool ParseSheetName(std::string_view s, TSheetId& id);

namespace detail {

// The splitmix64 step every random choice of the city is hashed with; also a
// reproducible random source for callers.
inline std::uint64_t Mix(std::uint64_t z) {
  z += 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace detail

// Writes one sheet folder below `outDir`.
TStats WriteSheet(const std::filesystem::path& outDir, const TCityOptions& o, const TSheetId& id);

// Writes the city's sheets below `outDir`, from the origin sheet eastwards
// and southwards. Throws std::invalid_argument for a bad origin.
TStats WriteCity(const std::filesystem::path& outDir, const TCityOptions& o);

// The point symbols of def/Sdf25.ini: a station (a white box with a black
// frame and a bar, as railway stations are drawn) and a control point (a
// triangle with a dot), black on white.
void WriteSymbols(const std::filesystem::path& dir);

}  // namespace chizro::sdfgen
