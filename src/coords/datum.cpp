// Datum names, packed DMS conversion, and the Tokyo <-> JGD2000
// shift through PROJ with two fallbacks (explicit pipeline, built-in
// geocentric translation).
#include "coords/datum.h"

#include <proj.h>

#include <cmath>
#include <string>

#include "platform/program_dir.h"

namespace chizro {
namespace {

// Rounding absorbed by DmsToDeg [s]: far above the binary
// noise of a packed value (about 1e-10 s) and far below any real precision
// (1e-7 s is a few micrometres on the ground).
constexpr double kDmsSnapSeconds = 1e-7;

// GSI translation from the TOKYO datum to JGD2000, geocentric [m].
constexpr double kShiftX = -146.414;
constexpr double kShiftY = 507.337;
constexpr double kShiftZ = 680.507;

// The same translation as PROJ pipelines over latitude-first degrees, for a
// PROJ without its database. push/pop keep the height out of the result, as
// the database operation does.
constexpr const char* kPipelineToJgd =
    "+proj=pipeline +step +proj=axisswap +order=2,1 "
    "+step +proj=unitconvert +xy_in=deg +xy_out=rad +step +proj=push +v_3 "
    "+step +proj=cart +ellps=bessel "
    "+step +proj=helmert +x=-146.414 +y=507.337 +z=680.507 "
    "+step +inv +proj=cart +ellps=GRS80 "
    "+step +proj=pop +v_3 +step +proj=unitconvert +xy_in=rad +xy_out=deg "
    "+step +proj=axisswap +order=2,1";
constexpr const char* kPipelineToTokyo =
    "+proj=pipeline +step +proj=axisswap +order=2,1 "
    "+step +proj=unitconvert +xy_in=deg +xy_out=rad +step +proj=push +v_3 "
    "+step +proj=cart +ellps=GRS80 "
    "+step +proj=helmert +x=146.414 +y=-507.337 +z=-680.507 "
    "+step +inv +proj=cart +ellps=bessel "
    "+step +proj=pop +v_3 +step +proj=unitconvert +xy_in=rad +xy_out=deg "
    "+step +proj=axisswap +order=2,1";

TLatLon GeocentricShift(const TEllipsoid& from, const TEllipsoid& to, double sign, TLatLon point) {
  // Geodetic at height 0 on `from` to geocentric.
  const double phi = point.Lat * kDegToRad;
  const double lambda = point.Lon * kDegToRad;
  const double sinPhi = std::sin(phi);
  const double n0 = from.A / std::sqrt(1.0 - from.E2 * sinPhi * sinPhi);
  const double x = n0 * std::cos(phi) * std::cos(lambda) + sign * kShiftX;
  const double y = n0 * std::cos(phi) * std::sin(lambda) + sign * kShiftY;
  const double z = n0 * (1.0 - from.E2) * sinPhi + sign * kShiftZ;

  // Back to geodetic on `to` by the fixed-point iteration
  // tan(phi) = (z + e2 N sin(phi)) / p; each step shrinks the error by about
  // e2 (1/150), so a handful of steps reach full precision. Stays finite on
  // the axis (p = 0).
  const double p = std::hypot(x, y);
  double lat = std::atan2(z, p * (1.0 - to.E2));
  for (int i = 0; i < 10; ++i) {
    const double sinLat = std::sin(lat);
    const double n = to.A / std::sqrt(1.0 - to.E2 * sinLat * sinLat);
    const double next = std::atan2(z + to.E2 * n * sinLat, p);
    const bool done = std::fabs(next - lat) < 1e-15;
    lat = next;
    if (done) break;
  }
  return {lat * kRadToDeg, std::atan2(y, x) * kRadToDeg};
}

void DiscardProjLog(void* /*data*/, int /*level*/, const char* /*message*/) {}

}  // namespace

std::string_view DatumName(TDatum datum) {
  switch (datum) {
    case TDatum::Tokyo:
      return "TOKYO";
    case TDatum::Jgd2000:
      return "JGD2000";
    case TDatum::Wgs84:
      return "WGS84";
  }
  return {};
}

double DmsToDeg(double dms) {
  // Scaling by 10^4 turns ddd.mmss into dddmmss.s; the rounding of that
  // product removes the binary noise of a packed value with up to four
  // decimals (132.1 is stored as 132.09999999999999).
  const double scaled = std::fabs(dms) * 1e4;
  const double degrees = std::floor((scaled + kDmsSnapSeconds) / 1e4);
  const double rest = scaled - degrees * 1e4;  // mmss.s
  // A remainder a hair below a whole minute belongs to that minute; the
  // clamp catches the remainder a hair below zero after the division above
  // rounded up to the next degree.
  const double minutes = std::fmax(0.0, std::floor((rest + kDmsSnapSeconds) / 100.0));
  const double seconds = rest - minutes * 100.0;  // may be a hair below zero
  const double value = degrees + minutes / 60.0 + seconds / 3600.0;
  return std::signbit(dms) ? -value : value;
}

void SetProjSearchPath(PJ_CONTEXT* context) {
#ifdef _WIN32
  // PROJ takes file names in UTF-8 on Windows.
  const std::u8string utf8 = ExecutableFolder().u8string();
  const std::string folder(utf8.begin(), utf8.end());
  const char* paths[] = {folder.c_str()};
  proj_context_set_search_paths(context, 1, paths);
#else
  (void)context;
#endif
}

TLatLon HelmertTokyoToJgd(TLatLon point) {
  return GeocentricShift(kBessel1841, kGrs80, 1.0, point);
}

TLatLon HelmertJgdToTokyo(TLatLon point) {
  return GeocentricShift(kGrs80, kBessel1841, -1.0, point);
}

TTokyoJgdShift::TTokyoJgdShift(TShiftMethod preferred) {
  if (preferred == TShiftMethod::Builtin) return;
  context_ = proj_context_create();
  if (context_ == nullptr) return;
  SetProjSearchPath(context_);
  // Failures are handled by falling back, so PROJ need not print them (a
  // missing proj.db is reported even at PJ_LOG_NONE; a silent sink is not).
  proj_log_level(context_, PJ_LOG_NONE);
  proj_log_func(context_, nullptr, &DiscardProjLog);

  if (preferred == TShiftMethod::Database) {
    // No area of interest: PROJ picks, per point, the most accurate
    // operation whose grids are present. EPSG axis order (latitude first) is
    // kept, which is also the order of our pairs.
    toJgd_ = proj_create_crs_to_crs(context_, "EPSG:4301", "EPSG:4612", nullptr);
    toTokyo_ = proj_create_crs_to_crs(context_, "EPSG:4612", "EPSG:4301", nullptr);
    if (toJgd_ != nullptr && toTokyo_ != nullptr) {
      method_ = TShiftMethod::Database;
      return;
    }
    proj_destroy(toJgd_);
    proj_destroy(toTokyo_);
  }

  toJgd_ = proj_create(context_, kPipelineToJgd);
  toTokyo_ = proj_create(context_, kPipelineToTokyo);
  if (toJgd_ != nullptr && toTokyo_ != nullptr) {
    method_ = TShiftMethod::Pipeline;
    return;
  }
  Release();
}

TTokyoJgdShift::~TTokyoJgdShift() { Release(); }

void TTokyoJgdShift::Release() noexcept {
  proj_destroy(toJgd_);  // both accept nullptr
  proj_destroy(toTokyo_);
  toJgd_ = nullptr;
  toTokyo_ = nullptr;
  if (context_ != nullptr) proj_context_destroy(context_);
  context_ = nullptr;
  method_ = TShiftMethod::Builtin;
}

const TTokyoJgdShift& TTokyoJgdShift::Shared() {
  static const TTokyoJgdShift shared;
  return shared;
}

std::optional<TLatLon> TTokyoJgdShift::Transform(PJ* op, TLatLon point) const {
  if (op == nullptr) return std::nullopt;
  PJ_COORD c = proj_coord(point.Lat, point.Lon, 0.0, 0.0);
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    c = proj_trans(op, PJ_FWD, c);
    if (!std::isfinite(c.v[0]) || !std::isfinite(c.v[1])) {
      proj_errno_reset(op);
      return std::nullopt;
    }
  }
  return TLatLon{c.v[0], c.v[1]};
}

TShiftedPoint TTokyoJgdShift::TokyoToJgd(TLatLon point) const {
  if (const std::optional<TLatLon> moved = Transform(toJgd_, point)) return {*moved, true};
  return {HelmertTokyoToJgd(point), false};
}

TShiftedPoint TTokyoJgdShift::JgdToTokyo(TLatLon point) const {
  if (const std::optional<TLatLon> moved = Transform(toTokyo_, point)) return {*moved, true};
  return {HelmertJgdToTokyo(point), false};
}

TLatLon ConvertDatum(TDatum src, TDatum dst, TLatLon point) {
  switch (src) {
    case TDatum::Tokyo:
      if (dst != TDatum::Tokyo) return TTokyoJgdShift::Shared().TokyoToJgd(point).Point;
      break;
    case TDatum::Jgd2000:
    case TDatum::Wgs84:
      if (dst == TDatum::Tokyo) return TTokyoJgdShift::Shared().JgdToTokyo(point).Point;
      break;
  }
  return point;
}

}  // namespace chizro
