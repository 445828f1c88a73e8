#include "readers/raster/raster_builder.h"
#include "readers/common/reader_util.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <filesystem>
#include <string_view>
#include <vector>

#include "model/map_figure.h"
#include "model/map_leaf.h"
#include "platform/comma_text.h"
#include "platform/convert.h"
#include "platform/errors.h"
#include "platform/file_path.h"
#include "platform/graphics.h"
#include "platform/text_case.h"
#include "readers/common/text_filer.h"

namespace chizro {

namespace {

// The class of an image: up to three characters of its extension after the
// dot, in capitals; empty for a name without extension.
std::string ClassOf(const std::string& fileName) {
  const std::size_t dot = FindLastOf(fileName, ".\\:/");
  if (dot == std::string::npos || fileName[dot] != '.') return {};
  return UpperAscii(fileName.substr(dot + 1, 3));
}

// The header's values; a keyword that is missing counts as 0.
struct THeader {
  std::int32_t Cols = 0;
  std::int32_t Rows = 0;
  double UlX = 0;
  double UlY = 0;
  double XDim = 0;
  double YDim = 0;
};

THeader ReadHeader(const std::string& headerName) {
  THeader h;
  TTextFiler file(headerName);
  std::vector<std::string> items;
  LocatedAt(
      headerName,
      [&] { return TErrorPlace::Line(static_cast<unsigned long long>(file.LineNumber())); },
      [&] {
        while (!file.Eof()) {
          if (SplitCommaText(file.ReadLine(), items) == 0) continue;
          const std::string keyword = UpperAscii(items[0]);
          std::int32_t* integer = nullptr;
          double* real = nullptr;
          if (keyword == "NCOLS") {
            integer = &h.Cols;
          } else if (keyword == "NROWS") {
            integer = &h.Rows;
          } else if (keyword == "ULXMAP") {
            real = &h.UlX;
          } else if (keyword == "ULYMAP") {
            real = &h.UlY;
          } else if (keyword == "XDIM") {
            real = &h.XDim;
          } else if (keyword == "YDIM") {
            real = &h.YDim;
          } else {
            continue;
          }
          if (items.size() < 2) throw EListIndexError(1);
          if (integer) {
            *integer = StrToInt(items[1]);
          } else {
            *real = StrToFloat(items[1]);
          }
        }
      });

  return h;
}

}  // namespace

std::string TMapBuilder_Raster::HeaderFileName(const std::string& imageFileName) {
  // The last four characters are the dot and a three-letter extension.
  const std::size_t keep = imageFileName.size() - std::min<std::size_t>(imageFileName.size(), 4);
  const std::string base = imageFileName.substr(0, keep);
  std::string header = base + ".HDR";
  if (!IsFile(header)) {
    std::string lower = base + ".hdr";
    if (IsFile(lower)) header = std::move(lower);
  }
  return header;
}

std::unique_ptr<TMapLeaf> TMapBuilder_Raster::OpenFile(TMapLeafGrp& leaves,
                                                       const std::string& fileName) {
  const std::string headerName = HeaderFileName(fileName);
  if (!IsFile(fileName) || !IsFile(headerName)) return nullptr;
  auto leaf = std::make_unique<TMapLeaf>(&leaves);
  leaf->FileName = fileName;
  leaf->CoordMode = TCoordMode::LatLon;
  leaf->SheetName = BaseName(fileName);
  leaf->Name = fileName;

  const THeader h = ReadHeader(headerName);
  const double left = h.UlX;
  const double right = h.UlX + h.Cols * h.XDim;
  const double top = h.UlY;
  const double bottom = h.UlY - h.Rows * h.YDim;
  for (const double v : {left, right, top, bottom}) {
    if (!(std::fabs(v) <= static_cast<double>(FLT_MAX)))
      throw EInOutError(Quoted(headerName) + " の画像の範囲が大きすぎます");
  }
  const TFRect extent{left, top, right, bottom};
  leaf->Zone = TZone::Unstated();
  leaf->Extent = extent;
  leaf->Corners = {TFPoint{extent.left, extent.top}, TFPoint{extent.left, extent.bottom},
                   TFPoint{extent.right, extent.bottom}, TFPoint{extent.right, extent.top}};
  return leaf;
}

void TMapBuilder_Raster::LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* /*classDefs*/,
                                  double /*scale*/) {
  auto owned = std::make_unique<TFigRasterGrp>();
  owned->Name = ClassOf(leaf.FileName);
  TFigRasterGrp* rasters = leaf.AddFigGrp(std::move(owned));

  TFigRaster* fig = rasters->New();
  const TFRect& r = leaf.Extent;
  fig->LabelX = (r.left + r.right) / 2;
  fig->LabelY = (r.top + r.bottom) / 2;
  fig->Extent = r;
  fig->ClassCode = rasters->Name;

  if (images_) {
    fig->Image = images_->LoadBitmap(leaf.FileName);
    if (!fig->Image) throw EInOutError(Quoted(leaf.FileName) + " はビットマップとして読めません");
  }
  leaf.Loaded = true;
}

}  // namespace chizro
