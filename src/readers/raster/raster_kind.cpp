// The row of georeferenced bitmaps in the kind table: a Windows bitmap ("BM").
#include "readers/common/file_head.h"
#include "readers/data_kinds.h"
#include "readers/raster/raster_builder.h"

namespace chizro {
namespace {

bool IdentifyRaster(const TFileHead& head) { return head.StartsWith("BM"); }

}  // namespace

extern const TDataKind kRasterKind = {
    TKind::Raster, "\\def\\Raster.ini", MakeBuilder<TMapBuilder_Raster>,
    "ビットマップ画像 (*.bmp *.BMP)", true, false, {}, IdentifyRaster, false, nullptr};

}  // namespace chizro
