// Where a polygon's label goes: the pole of inaccessibility, the interior
// point farthest from the outline (found by subdividing cells, after V.
// Agafonkin's "polylabel"). Unlike the middle of the bounding box or the
// centroid it lies inside an L-shaped or curved polygon and keeps out of its
// holes, so a parcel's lot number stands on the parcel.
#pragma once

#include <optional>
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

// The area centroid of a ring that is convex (every turn the same way, a
// turn of under a milliradian taken as straight; the first point may be
// repeated at the end): inside it, and found in one pass
// where the pole search takes thousands of steps, so that readers of many
// simple polygons (buildings, surveyed parcels) label the convex ones there.
// nullopt for a ring that is not convex or has no area. Worked out about the
// first vertex, so that zone coordinates far from the origin keep their
// millimetres.
std::optional<TFPoint> ConvexCentroid(const TFPointGrp& ring);

}  // namespace chizro
