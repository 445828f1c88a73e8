// Where a polygon's label goes: the pole of inaccessibility, the interior
// point farthest from the outline (found by subdividing cells, after V.
// Agafonkin's "polylabel"). Unlike the middle of the bounding box or the
// centroid it lies inside an L-shaped or curved polygon and keeps out of its
// holes, so a parcel's lot number stands on the parcel.
#pragma once

#include <vector>

#include "model/geometry.h"

namespace chizro {

// The label point of the polygon `rings`: the outer ring first, then its
// holes (inside and outside by the even-odd rule), each with or without its
// first point repeated at its end. Coordinates in metres: the search stops
// once the point is within a millimetre, or a thousandth of the outer ring's
// longer side, of the farthest one, and after 4000 cells. The first point
// for an outer ring without extent; (0, 0) for no ring.
TFPoint LabelPoint(const std::vector<TFPointGrp>& rings);

}  // namespace chizro
