// The 1:2500 SDF map's row of the kind table. A sheet description file has
// no signature of its own: the SDF map takes what no other format claims
// (the fallback of the recognition), and a sheet folder (a folder holding
// "<its name>.txt") opens as the one sheet it is.
#include "platform/file_path.h"
#include "readers/data_kinds.h"
#include "readers/sdf/sdf2500_builder.h"

namespace chizro {
namespace {

bool IsSheetFolder(const std::string& folderName) {
  const std::string name = PathText(FsPath(folderName).filename());
  for (const char* ext : {".txt", ".TXT"})
    if (IsRegularFile(PathText(FsPath(folderName) / (name + ext)))) return true;
  return false;
}

}  // namespace

extern const TDataKind kSdf2500Kind = {TKind::Sdf2500,
                                       "\\def\\Sdf25.ini",
                                       MakeBuilder<TMapBuilder_Sdf2500>,
                                       "数値地図2500 シート記述ファイル (*.txt *.TXT)",
                                       true,
                                       true,
                                       {},
                                       nullptr,
                                       false,
                                       IsSheetFolder};

}  // namespace chizro
