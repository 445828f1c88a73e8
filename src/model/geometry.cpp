#include "model/geometry.h"

#include "coords/datum.h"
#include "coords/projection.h"

namespace chizro {

void ConvertPoint(const TCoordSystem& from, const TCoordSystem& to, double& x, double& y) {
  const int fromZone = from.Zone != 0 ? from.Zone : to.Zone;
  const int toZone = to.Zone != 0 ? to.Zone : from.Zone;
  double lat = y;
  double lon = x;
  if (from.Mode != kModeLatLon)
    XYToLatLon(EllipsoidOfDatum(from.Datum), fromZone, lat, lon, static_cast<double>(y),
               static_cast<double>(x));
  ConvertDatum(from.Datum, to.Datum, lat, lon, lat, lon);
  if (to.Mode != kModeLatLon) {
    double X = 0;
    double Y = 0;
    LatLonToXY(EllipsoidOfDatum(to.Datum), toZone, X, Y, lat, lon);
    lat = X;
    lon = Y;
  }
  y = static_cast<double>(lat);
  x = static_cast<double>(lon);
}

}  // namespace chizro
