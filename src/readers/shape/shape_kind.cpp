// The row of Shapefiles in the kind table. A file whose first four bytes are
// the Shapefile's file code (9994, big-endian), or a zip with a ".shp"
// member (at any folder depth of the archive).
#include "readers/common/file_head.h"
#include "readers/common/file_scan.h"
#include "readers/common/zip_source.h"
#include "readers/data_kinds.h"
#include "readers/shape/shape_builder.h"

namespace chizro {
namespace {

constexpr std::string_view kShapeFiles[] = {".shp", kArchiveEnding};

bool IdentifyShape(const TFileHead& head) {
  if (head.StartsWith(std::string_view("\x00\x00\x27\x0A", 4))) return true;
  if (!head.IsZip()) return false;
  try {
    return !ArchiveMembers(head.FileName(), {".shp"}, false).empty();
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

extern const TDataKind kShapeKind = {TKind::Shape,
                                     "\\def\\Shape.ini",
                                     MakeBuilder<TMapBuilder_Shape>,
                                     "Shapefile (*.shp *.SHP *.zip *.ZIP)",
                                     true,
                                     true,
                                     kShapeFiles,
                                     IdentifyShape,
                                     false,
                                     nullptr};

}  // namespace chizro
