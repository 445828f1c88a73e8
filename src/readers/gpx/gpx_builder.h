// The reader of GPX files (GPS Exchange Format 1.0 and 1.1, data kind 92),
// the XML that handheld receivers, phones, cycling computers and route
// planners write. The root element is "gpx" of the namespace
// http://www.topografix.com/GPX/1/0 or http://www.topografix.com/GPX/1/1 (or
// of no namespace, as a few writers leave it); only its own elements are
// read, so extensions of other namespaces pass by.
//
//   trk / trkseg   every track segment one polyline of the class "TRK";
//                  a segment of fewer than two points draws no line and is
//                  passed over
//   rte            every route one polyline of the class "RTE" through its
//                  rtept, passed over when it has fewer than two points
//   wpt            every waypoint one point of the class "WPT"
//
// Texts of a figure: a track line and a route line hold the "name" of their
// trk or rte, a waypoint its "name", "ele" and "time" in that order. A figure
// without a name has no texts at all, so that it is not labelled with an
// empty text. Figures are named by their running number in their class
// ("%0.10d"); the label point is the middle vertex of a line and the point
// itself. Elevation and time are optional everywhere and never required.
//
// Positions are the lat/lon attributes [deg] on WGS84, held in the JGD2000
// frame as the other GPS reader does: the leaf is in latitude/longitude with
// the datum WGS84.
//
// One file is one leaf, read as a stream (SAX2 of Xerces-C++) under the same
// hardening as the other XML readers: no DTD, no external entity, a document
// type declaration refused. Devices leave damaged files (a log cut short when
// the battery died, stale bytes of an earlier log spliced in): the figures
// read before the damage stay (a segment or route as far as it was read),
// and the error names the file, the line and the column.
#pragma once

#include <memory>
#include <string>

#include "model/map_builder.h"

namespace chizro {

class TMapBuilder_Gpx final : public TMapBuilder {
public:
  TMapBuilder_Gpx();
  ~TMapBuilder_Gpx() override;

  // Null when no file of that name exists. Otherwise the file is read at
  // once: a leaf named by the file, in latitude/longitude on WGS84, loaded
  // and kept loaded one paint longer (IdleCount 1). A file whose reading
  // stopped at damage after some figures gives a leaf over the extent of
  // those figures, not loaded, so that the first paint loads it and reports
  // the damage. EInOutError when the file is not GPX (naming the root
  // element found) or when the damage comes before the first figure.
  std::unique_ptr<TMapLeaf> OpenFile(TMapLeafGrp& leaves, const std::string& fileName) override;

  // Builds the "TRK" and "RTE" polyline lists and the "WPT" point list and
  // sets the leaf's Extent, CoordMode and Datum; a file without a track,
  // route or waypoint says so in NoFigureReason. Malformed XML, a position
  // that is missing, not a number or out of range, or a document type
  // declaration throws EInOutError naming the file and the line, with the
  // figures built before it attached (a segment or route cut short is drawn
  // as far as it was read). `classDefs` and `scale` are not used.
  void LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* classDefs, double scale) override;
};

}  // namespace chizro
