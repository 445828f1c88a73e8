// Survey data of a leaf as named points and parcels through them: what a
// reader of cadastral or survey files can hand out again as SIMA (the
// writer in output/sima_writer.h). Coordinates are those of the leaf as its
// reader builds it (the leaf's system when it was opened).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace chizro {

struct TSurveyPoint {
  std::string Name;  // Shift_JIS; may be empty
  double X = 0;      // easting [m], the model's x
  double Y = 0;      // northing [m], the model's y
  std::optional<double> H;
};

struct TSurveyParcel {
  std::string Name;                 // Shift_JIS: a 地番 or a 画地名
  std::vector<std::uint32_t> Ring;  // indices into the points, closing point not repeated
};

struct TSurveyData {
  std::vector<TSurveyPoint> Points;
  std::vector<TSurveyParcel> Parcels;
  // Parts of parcels that a ring of points cannot hold (holes), passed over.
  std::uint64_t HolesSkipped = 0;
};

}  // namespace chizro
