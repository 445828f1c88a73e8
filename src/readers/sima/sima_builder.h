// The reader of SIMA files (測量データ共通フォーマット, data kind 93): the
// points and parcels that surveying instruments and surveying programs
// exchange (records in readers/common/sima_records.h).
//
//   座標点   every A01 point, labelled with its 点名; texts 0 点名,
//            1 点番号, 2 標高 (empty when not measured)
//   標高     the same points, labelled with their height (only those that
//            have one); hidden by the definition file as shipped
//   画地     every D00..D99 parcel as a closed polygon through its B01
//            points, labelled with its 画地名 inside it (a convex parcel at
//            its centroid, any other at its pole of inaccessibility);
//            texts 0 画地名, 1 画地番号
//
// X is the northing and Y the easting [m]; the model holds (easting,
// northing). SIMA names no coordinate system: the coordinates are plane
// rectangular coordinates of the project's zone, as the settings or the
// command line fix it, or as data opened before chose it. While nothing has
// (the zone automatic and the SIMA file the first data), the leaf is drawn
// in its own coordinates with a notice, and the zone the user then chooses
// places it (TMapLeaf::AwaitsZone).
#pragma once

#include <memory>
#include <string>

#include "model/map_builder.h"

namespace chizro {

class TMapBuilder_Sima final : public TMapBuilder {
public:
  TMapBuilder_Sima();
  ~TMapBuilder_Sima() override;

  // Null when no file of that name exists. Otherwise the file is read at
  // once into a loaded leaf. A file whose records stop at a fault after some
  // points gives a leaf over what was read, not loaded, so that the first
  // paint loads it and reports the fault. EInOutError when the file has no
  // SIMA record, or when the fault comes before the first point.
  std::unique_ptr<TMapLeaf> OpenFile(TMapLeafGrp& leaves, const std::string& fileName) override;

  // Builds the three lists. A fault of the records (too few fields, a
  // coordinate that is not a number, a parcel of a point not in the file)
  // throws EInOutError naming the file and the line, with what was read
  // before it built and attached.
  void LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* classDefs, double scale) override;
  bool ConcurrentLoads() const override { return true; }

  bool SurveyData(const TMapLeaf& leaf, TSurveyData& data) override;
};

}  // namespace chizro
