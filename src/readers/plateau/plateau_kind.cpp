// The row of PLATEAU 3D city models (CityGML, data kind 54) in the kind
// table. An XML document whose root is "CityModel" and that declares a
// CityGML namespace (opengis.net/citygml); a zip that holds ".gml" files
// under a "udx" folder, as a city's download does.
#include <algorithm>
#include <exception>

#include "readers/common/file_head.h"
#include "readers/common/leaf_path.h"
#include "readers/common/zip_source.h"
#include "readers/data_kinds.h"
#include "readers/plateau/plateau_builder.h"

namespace chizro {
namespace {

constexpr std::string_view kPlateauFiles[] = {".gml", kArchiveEnding};

bool IdentifyPlateau(const TFileHead& head) {
  if (head.IsXml())
    return head.XmlRoot() == "CityModel" &&
           head.XmlText().find("opengis.net/citygml") != std::string_view::npos;
  if (!head.IsZip()) return false;
  // The head lists ".xml" and ".zip" members only: the ".gml" files are
  // looked for in the archive itself.
  std::vector<std::string> members;
  try {
    members = ArchiveMembers(head.FileName(), {".gml"});
  } catch (const std::exception&) {
    return false;
  }
  return std::any_of(members.begin(), members.end(), [](const std::string& m) {
    const std::string inner = TLeafPath::Parse(m).Innermost();
    return inner.starts_with("udx/") || inner.find("/udx/") != std::string::npos;
  });
}

}  // namespace

extern const TDataKind kPlateauKind = {TKind::Plateau,
                                       "\\def\\Plateau.ini",
                                       MakeBuilder<TMapBuilder_Plateau>,
                                       "3D都市モデル PLATEAU CityGML (*.gml *.GML *.zip *.ZIP)",
                                       true,
                                       true,
                                       kPlateauFiles,
                                       IdentifyPlateau,
                                       false,
                                       nullptr};

}  // namespace chizro
