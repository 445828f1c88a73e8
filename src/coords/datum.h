// Geodetic datums: the datums and their codes and names, conversion from the
// packed degree-minute-second form to decimal degrees, and the datum shift
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

#include <cstdint>
#include <mutex>
#include <optional>
#include <string_view>

#include "coords/geodesy.h"

struct pj_ctx;    // PJ_CONTEXT of proj.h
struct PJconsts;  // PJ of proj.h

namespace chizro {

// The datum of projects, themes, leaves and figures. The values are the codes
// the binary vector file stores.
enum class TDatum : std::int32_t {
  Tokyo = 1,
  Jgd2000 = 2,
  Wgs84 = 3,
};

// The datum of a stored code (the binary vector file's): 2 JGD2000, 3 WGS84,
// and every other code TOKYO, as the files written with codes 0 and 4 mean.
constexpr TDatum DatumOfCode(std::int32_t code) noexcept {
  if (code == 2 || code == 3) return static_cast<TDatum>(code);
  return TDatum::Tokyo;
}
constexpr std::int32_t CodeOfDatum(TDatum datum) noexcept {
  return static_cast<std::int32_t>(datum);
}

// True for the datums of the JGD2000 / WGS 84 frame.
constexpr bool IsJgd2000Frame(TDatum datum) noexcept { return datum != TDatum::Tokyo; }

// "TOKYO", "JGD2000" or "WGS84".
std::string_view DatumName(TDatum datum);

// Packed sexagesimal form ddd.mmss... to decimal degrees: whole degrees, then
// two digits of minutes, then the seconds with their own fraction (139.5 is
// 139°50'00", 35.39175148 is 35°39'17.5148"). Negative angles carry the sign
// on the whole value. The binary rounding of decimal input is absorbed, so
// DmsToDeg(132.1) is 132 + 10/60 and not 132°09'99.99...".
double DmsToDeg(double dms);

// The point [deg] moved from one datum to another. JGD2000 and WGS84 are one
// frame (nothing moves between them); between it and TOKYO the point goes
// through TTokyoJgdShift::Shared().
TLatLon ConvertDatum(TDatum src, TDatum dst, TLatLon point);

// The GSI 3-parameter geocentric translation computed without PROJ: geodetic
// [deg] at height 0 on one ellipsoid, to geocentric, translated, back to
// geodetic on the other (Bessel 1841 <-> GRS80); the height is dropped.
TLatLon HelmertTokyoToJgd(TLatLon point);
TLatLon HelmertJgdToTokyo(TLatLon point);

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

// A point moved by a TTokyoJgdShift [deg], and whether PROJ moved it (false
// when the built-in translation stood in).
struct TShiftedPoint {
  TLatLon Point;
  bool ByProj;
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

  // The process-wide instance that ConvertDatum uses, set up on first use and
  // released at exit.
  static const TTokyoJgdShift& Shared();

  TShiftMethod Method() const noexcept { return method_; }

  // [deg] in and out. A point that PROJ cannot move gets the built-in
  // translation, so the result is always a usable position.
  TShiftedPoint TokyoToJgd(TLatLon point) const;
  TShiftedPoint JgdToTokyo(TLatLon point) const;

private:
  // The point moved by `op`; nothing when there is no `op` or PROJ cannot
  // move the point.
  std::optional<TLatLon> Transform(PJconsts* op, TLatLon point) const;
  void Release() noexcept;

  pj_ctx* context_ = nullptr;
  PJconsts* toJgd_ = nullptr;
  PJconsts* toTokyo_ = nullptr;
  TShiftMethod method_ = TShiftMethod::Builtin;
  mutable std::mutex mutex_;
};

}  // namespace chizro
