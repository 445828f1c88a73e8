// The row of GeoJSON in the kind table. A text whose first character (after
// a byte order mark and blanks) opens an object and whose head names a
// GeoJSON member or type ("FeatureCollection", "Feature", "coordinates"), or
// a zip with a ".geojson" member (at any folder depth of the archive).
#include "readers/common/file_head.h"
#include "readers/common/file_scan.h"
#include "readers/common/zip_source.h"
#include "readers/data_kinds.h"
#include "readers/geojson/geojson_builder.h"

namespace chizro {
namespace {

constexpr std::string_view kGeoJsonFiles[] = {".geojson", ".json", kArchiveEnding};

bool IdentifyGeoJson(const TFileHead& head) {
  if (head.IsZip()) {
    try {
      return !ArchiveMembers(head.FileName(), {".geojson"}, false).empty();
    } catch (const std::exception&) {
      return false;
    }
  }
  std::string_view text = head.Bytes();
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos || text[first] != '{') return false;
  for (const std::string_view mark : {"\"FeatureCollection\"", "\"Feature\"", "\"coordinates\""})
    if (text.find(mark) != std::string_view::npos) return true;
  return false;
}

}  // namespace

extern const TDataKind kGeoJsonKind = {TKind::GeoJson,
                                       "\\def\\Shape.ini",
                                       MakeBuilder<TMapBuilder_GeoJson>,
                                       "GeoJSON (*.geojson *.GEOJSON *.json *.JSON *.zip *.ZIP)",
                                       true,
                                       true,
                                       kGeoJsonFiles,
                                       IdentifyGeoJson,
                                       false,
                                       nullptr};

}  // namespace chizro
