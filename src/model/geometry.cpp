#include "model/geometry.h"

#include "coords/datum.h"
#include "coords/projection.h"

namespace chizro {
namespace {

// "TOKYO" and "WGS 84" are the only two frames that move points: JGD2000 and
// WGS84 are one frame for this program.
bool SameFrame(int a, int b) { return (a == 2 || a == 3) == (b == 2 || b == 3); }

}  // namespace

void ConvertPointMode(int mode, int zone, float& x, float& y) {
  double a = 0;
  double b = 0;
  if (mode == kModeLatLon) {
    XYToLatLon(zone, a, b, static_cast<double>(y), static_cast<double>(x));
  } else {
    LatLonToXY(zone, a, b, static_cast<double>(y), static_cast<double>(x));
  }
  y = static_cast<float>(a);
  x = static_cast<float>(b);
}

void ConvertPointDatum(int coordMode, int zone, int from, int to, float& x, float& y) {
  if (SameFrame(from, to)) return;
  double lat = y;
  double lon = x;
  if (coordMode != kModeLatLon)
    XYToLatLon(zone, lat, lon, static_cast<double>(y), static_cast<double>(x));
  double outLat = 0;
  double outLon = 0;
  ConvertDatum(from, to, lat, lon, outLat, outLon);
  if (coordMode != kModeLatLon) {
    double X = 0;
    double Y = 0;
    LatLonToXY(zone, X, Y, outLat, outLon);
    outLat = X;
    outLon = Y;
  }
  y = static_cast<float>(outLat);
  x = static_cast<float>(outLon);
}

}  // namespace chizro
