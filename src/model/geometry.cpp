#include "model/geometry.h"

#include "coords/datum.h"
#include "coords/projection.h"

namespace chizro {

void ConvertPoint(const TCoordSystem& from, const TCoordSystem& to, double& x, double& y) {
  const int fromZone = (from.Zone.IsStated() ? from.Zone : to.Zone).Number();
  const int toZone = (to.Zone.IsStated() ? to.Zone : from.Zone).Number();
  TLatLon geo{y, x};
  if (from.Mode != TCoordMode::LatLon)
    geo = XYToLatLon(EllipsoidOfDatum(from.Datum), fromZone, y, x);
  geo = ConvertDatum(from.Datum, to.Datum, geo);
  if (to.Mode != TCoordMode::LatLon) {
    const TPlanePoint plane = LatLonToXY(EllipsoidOfDatum(to.Datum), toZone, geo.Lat, geo.Lon);
    y = plane.X;
    x = plane.Y;
  } else {
    y = geo.Lat;
    x = geo.Lon;
  }
}

}  // namespace chizro
