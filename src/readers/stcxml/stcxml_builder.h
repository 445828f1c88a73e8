// The reader of XML small-area boundary files (data kind 51): a G-XML style
// document whose "MetricGeospace" element holds "GeometricFeature" elements,
// each an area given by a coordinate list in plane rectangular coordinates
// [m] with properties for its key code, its texts and a label point in
// latitude/longitude [deg]. Every feature becomes one polygon and one
// polyline of the class "TYO" with the same vertices. One file is one leaf.
//
// The document is parsed into a DOM tree by Xerces-C++, which takes the
// encoding from the XML declaration (UTF-8, UTF-16, Shift_JIS, EUC-JP...);
// every text is converted from the parser's UTF-16 into Shift_JIS (CP932).
//
// The file is untrusted: the parser never reads another file or the network
// (no external DTD, no external entities, no schemas), and a document that
// declares entities is refused, so that neither an entity-expansion bomb nor
// an external entity can make the load read or build more than the file
// itself holds.
#pragma once

#include <memory>
#include <string>

#include "readers/common/reader_util.h"

namespace chizro {

// OpenFile gives a leaf in plane rectangular coordinates, loaded at once; a
// file that is not well-formed XML, or that breaks the rules above, throws
// EInOutError.
class TMapBuilder_STCXML final : public TSingleFileBuilder {
public:
  // Creates the parser (and starts the XML runtime once per process).
  TMapBuilder_STCXML();
  ~TMapBuilder_STCXML() override;

  // Reads the leaf's file into one polygon list and one polyline list, both
  // named after the "category" of the space, and sets the leaf's Name,
  // SheetName, Zone and Extent. A document that is not well-formed attaches
  // nothing; an error in a feature ends the load with the features before it
  // attached. `classDefs` and `scale` are not used.
  //
  // A feature with its own "X_CODE" and "Y_CODE" is labelled at that point,
  // projected into the leaf's zone; any other feature at the centre of its
  // vertices' bounding box. When the space gives no extent of four numbers,
  // the leaf's Extent is the bounding box of all feature vertices.
  void LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* classDefs, double scale) override;

private:
  struct TParser;
  std::unique_ptr<TParser> parser_;
};

}  // namespace chizro
