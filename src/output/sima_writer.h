// SIMA out: the points and parcels of what is open, as a SIMA file
// (測量データ共通フォーマット) that surveying programs and instruments read.
//
//   G00,01,<title>,
//   Z00,座標ﾃﾞｰﾀ,
//   A00,
//   A01,<number>,<name>,<X>,<Y>,<H>,     X north, Y east [m], to the millimetre
//   A99,
//   Z00,区画ﾃﾞｰﾀ,
//   D00,<number>,<name>,                 a parcel: its 地番 or 画地名
//   B01,<number>,<name>,                 its points in order, not closed
//   D99,
//
// What a reader can hand out as survey data goes (TMapBuilder::SurveyData:
// 地図XML boundary and control points and 筆, SIMA points and parcels);
// other kinds are counted and passed over. Coordinates are in the project's
// zone; data in arbitrary coordinates is written in its own. A point is
// written once however many parcels pass through it: points of one name at
// one place (to the millimetre) are one. Shift_JIS, CR LF.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace chizro {

class TMapProject;

struct TSimaStats {
  std::int64_t Points = 0;
  std::int64_t Parcels = 0;
  int Leaves = 0;            // leaves written
  int LeavesSkipped = 0;     // leaves of kinds without points and parcels
  int LocalLeaves = 0;       // leaves written in their own coordinates
  std::int64_t HolesSkipped = 0;
  std::string FileName;
};

// Called before each leaf is read: its zero-based index among all leaves
// and their number.
using TSimaProgress = std::function<void(int leafIndex, int leafCount)>;

// Writes `fileName` whole or not at all (a temporary file beside it takes
// its place once complete). EInOutError naming the file when it cannot be
// written, or when nothing open has points or parcels (the file is then not
// written); what a reader throws goes on.
TSimaStats ExportSima(TMapProject& project, const std::string& fileName,
                      const TSimaProgress& progress = {});

}  // namespace chizro
