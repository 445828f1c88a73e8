// The plan of sdfgen's city: the street grid (u along the streets running
// east-north-east, v across them, metres from a point near Tokyo station),
// the deterministic noise every choice is hashed from, the names of towns,
// municipalities, rivers and railways, and the rings in world metres that
// the sheets are cut from. Internal to sdfgen_city.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "coords/geodesy.h"

namespace chizro::sdfgen {

// ---------------------------------------------------------------------------
// Deterministic noise: every random choice is a hash of the seed and the
// integer coordinates of what is chosen, so a sheet does not depend on which
// other sheets are written.

std::uint64_t Hash(std::uint64_t seed, std::initializer_list<long long> parts);

// Uniform in [0, 1).
double Rand01(std::uint64_t seed, std::initializer_list<long long> parts);

long long FloorDiv(long long a, long long b);
long long Mod(long long a, long long b);

// ---------------------------------------------------------------------------
// The city plan in grid coordinates (u along the streets running east-north-
// east, v across them), metres from a point near Tokyo station.

constexpr double kOriginX = -6000.0;  // easting of the grid origin [m]
constexpr double kOriginY = -35400.0;
constexpr double kAngle = 8.0 * kDegToRad;
constexpr double kMainU = 330.0;  // main street spacing [m]
constexpr double kMainV = 300.0;
constexpr double kJitter = 35.0;
constexpr double kMinorU = 62.0;  // minor street spacing at density 1 [m]; / sqrt(density)
constexpr double kMinorV = 46.0;
constexpr double kLot = 8.0;  // lot width at density 1 [m]; / sqrt(density), at least 5 m

// Coastline (a straight sea wall): land where v >= kCoastV0 + kCoastSlope u.
constexpr double kCoastV0 = -4100.0;
constexpr double kCoastSlope = 0.25;

// Tags 'U' and 'V' for the two line families.
constexpr long long kTagU = 1, kTagV = 2, kTagGround = 3, kTagBuilding = 4, kTagLot = 5,
                    kTagControl = 6, kTagPublic = 7, kTagTown = 8, kTagShape = 9, kTagSplit = 10,
                    kTagPond = 11;

struct TUV {
  double u, v;
};
struct TXY {
  double x, y;
};

TXY ToXY(TUV p);
TUV ToUV(TXY p);

enum class TLineType { Road, Minor, River, Rail };

struct TLine {
  double Pos = 0;  // u of a u-line (running along v), v of a v-line
  TLineType Type = TLineType::Road;
  int Level = 1106;  // administrative boundary code of a main line, 0 for minor
  long long Main = 0;
  int Minor = 0;    // 0 for the main line itself
  double Half = 3;  // half width of the street, railway or river [m]
};

double MainPos(std::uint64_t seed, long long tag, long long m);

TLine MainLine(std::uint64_t seed, long long tag, long long m);

int MinorCount(long long tag, double width, double density);

// All lines (main and minor) of one family whose main interval meets
// [lo, hi], in order.
std::vector<TLine> LinesBetween(std::uint64_t seed, long long tag, double lo, double hi,
                                double density);

// Municipality of the main cell east of u-line m and north of v-line n:
// counted by the boundary lines (level above district) at or before it.
long long MunicipalityU(long long m);
long long MunicipalityV(long long n);

// ---------------------------------------------------------------------------
// Names (UTF-8 here, Shift_JIS in the files)

const std::vector<std::string_view>& TownNames();

std::string Kanji(int n);

std::string FullWidthDigits(long long n);

// The town of a main cell: towns are groups of 3 x 2 main cells, their
// districts numbered 1 to 6.
std::string TownName(std::uint64_t seed, long long m, long long n);
int ChomeNumber(long long m, long long n);

bool EastPrefecture(long long m);

std::string MunicipalityName(long long mu, long long mv, bool east);

std::string MunicipalityCode(long long mu, long long mv, bool east);

std::string RiverName(long long m);
std::string RailwayName(long long n);

// ---------------------------------------------------------------------------
// Geometry: rings in world metres, each vertex carrying the tag (record code
// and arc kind) of the edge that starts at it; clipped to the sheet frame
// and to the land, then rounded to centimetres.

constexpr int kKindLine = 0;      // a real line, drawn as an arc of its own
constexpr int kKindAttrLine = 5;  // drawn only through its attribute record
constexpr int kKindClosure = 9;   // a sheet-edge or river-mouth closure

struct TTag {
  int Code = 0;
  int Kind = kKindLine;
  friend bool operator==(const TTag&, const TTag&) = default;
};

struct TVertex {
  TXY P;
  TTag Edge;
};
using TRing = std::vector<TVertex>;

struct TCm {
  long long x = 0, y = 0;
  friend bool operator==(const TCm&, const TCm&) = default;
  friend bool operator<(const TCm& a, const TCm& b) { return a.x != b.x ? a.x < b.x : a.y < b.y; }
};
struct TCmVertex {
  TCm P;
  TTag Edge;
};
using TCmRing = std::vector<TCmVertex>;

// a x + b y + c >= 0 inside
struct THalfPlane {
  double a, b, c;
  double Eval(TXY p) const { return a * p.x + b * p.y + c; }
};

// The crossing of segment p-q with the plane's border, computed from the two
// end points in one fixed order so that both rings sharing an edge get the
// very same point.
TXY Crossing(TXY p, TXY q, const THalfPlane& h);

TRing ClipRing(const TRing& ring, const THalfPlane& h, TTag border);

long long ToCm(double metres);

double AreaCm(const TCmRing& r);

TCm Centroid(const TCmRing& r);

// A ring in grid coordinates, counter-clockwise, each edge with its tag.
TRing RingFromUV(const std::vector<std::pair<TUV, TTag>>& pts);

// The rectangle [u0,u1] x [v0,v1], counter-clockwise from its south-west
// corner, with one tag for every edge.
std::vector<std::pair<TUV, TTag>> Rect(double u0, double v0, double u1, double v1, TTag tag);

}  // namespace chizro::sdfgen
