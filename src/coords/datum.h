// Geodetic datums: the datum codes and names, conversion between decimal
// degrees and the packed degree-minute-second form, and the datum shift
// between the TOKYO datum (Bessel 1841) and JGD2000, which also stands for
// WGS 84 here (the two agree to well within the accuracy of the map data).
//
// The shift itself runs through PROJ: the transformation that PROJ's database
// ranks best between EPSG:4301 (Tokyo) and EPSG:4612 (JGD2000) — the GSI
// TKY2JGD grid where it is installed, else the GSI 3-parameter geocentric
// translation (-146.414, +507.337, +680.507 m). Without a usable database the
// same translation runs as an explicit PROJ pipeline, and without PROJ at all
// it is computed here.
#pragma once

#include <mutex>
#include <string_view>

struct pj_ctx;    // PJ_CONTEXT of proj.h
struct PJconsts;  // PJ of proj.h

namespace chizro {

// Datum codes of projects, themes, leaves and the binary vector file.
inline constexpr int kDatumTokyo = 1;
inline constexpr int kDatumJgd2000 = 2;
inline constexpr int kDatumWgs84 = 3;

// True for the codes of the JGD2000 / WGS 84 frame (2 and 3).
constexpr bool IsJgd2000Frame(int datum) noexcept {
  return datum == kDatumJgd2000 || datum == kDatumWgs84;
}

// "TOKYO", "JGD2000" or "WGS84" for the codes 1 to 3; empty for other codes.
std::string_view DatumName(int code);

// Packed sexagesimal form ddd.mmss...: whole degrees, then two digits of
// minutes, then the seconds with their own fraction (139.5 is 139°50'00",
// 35.39175148 is 35°39'17.5148"). Negative angles carry the sign on the whole
// value. Both conversions absorb the binary rounding of decimal input, so
// DmsToDeg(132.1) is 132 + 10/60 and not 132°09'99.99...".
double DmsToDeg(double dms);  // packed [ddd.mmss] -> [deg]
double DegToDms(double deg);  // [deg] -> packed [ddd.mmss]

// Moves one point from the datum named srcName to the datum named dstName.
// `in` and `out` hold latitude then longitude, in packed DMS; they may be the
// same array. Names: "TOKYO" is the TOKYO datum; "WGS 84", "WGS84" and
// "JGD2000" are the JGD2000/WGS 84 frame. For equal datums or an unknown or
// null name the point is copied unchanged.
void DmsConv(const char* srcName, const char* dstName, const double in[2], double out[2]);

// Moves a point [deg] from datum code srcDatum to dstDatum. Codes 2 and 3 are
// one frame (nothing moves between them); every code other than 2 and 3 is
// taken as TOKYO. Shifts go through DmsConv in packed form.
void ConvertDatum(int srcDatum, int dstDatum, double lat, double lon, double& outLat,
                  double& outLon);

// The GSI 3-parameter geocentric translation computed without PROJ: geodetic
// [deg] at height 0 on one ellipsoid, to geocentric, translated, back to
// geodetic on the other (Bessel 1841 <-> GRS80); the height is dropped.
void HelmertTokyoToJgd(double lat, double lon, double& outLat, double& outLon);
void HelmertJgdToTokyo(double lat, double lon, double& outLat, double& outLon);

// Where PROJ looks for its database in `context` (null: PROJ's default
// context). On Windows only the folder of the executable, where proj.db
// ships; elsewhere PROJ's own search, which finds the system's installation.
void SetProjSearchPath(pj_ctx* context);

// How a TTokyoJgdShift moves points, from the most to the least accurate.
enum class TShiftMethod {
  Database,  // the operation PROJ's database ranks best
  Pipeline,  // the 3-parameter translation as an explicit PROJ pipeline
  Builtin,   // HelmertTokyoToJgd / HelmertJgdToTokyo
};

// Owns a PROJ context and the two transformations (Tokyo -> JGD2000 and back).
// Calls may come from several threads: each PROJ call is serialised.
class TTokyoJgdShift final {
public:
  // Sets up `preferred`, or the next method down when it cannot.
  explicit TTokyoJgdShift(TShiftMethod preferred = TShiftMethod::Database);
  ~TTokyoJgdShift();
  TTokyoJgdShift(const TTokyoJgdShift&) = delete;
  TTokyoJgdShift& operator=(const TTokyoJgdShift&) = delete;

  // The process-wide instance that DmsConv uses, set up on first use and
  // released at exit.
  static const TTokyoJgdShift& Shared();

  TShiftMethod Method() const noexcept { return method_; }

  // [deg] in and out. A point that PROJ cannot move gets the built-in
  // translation, so the result is always a usable position. True when PROJ
  // moved the point, false when the built-in translation stood in.
  bool TokyoToJgd(double lat, double lon, double& outLat, double& outLon) const;
  bool JgdToTokyo(double lat, double lon, double& outLat, double& outLon) const;

private:
  bool Transform(PJconsts* op, double lat, double lon, double& outLat, double& outLon) const;
  void Release() noexcept;

  pj_ctx* context_ = nullptr;
  PJconsts* toJgd_ = nullptr;
  PJconsts* toTokyo_ = nullptr;
  TShiftMethod method_ = TShiftMethod::Builtin;
  mutable std::mutex mutex_;
};

}  // namespace chizro
