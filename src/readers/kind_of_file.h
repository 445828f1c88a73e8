// What a file or folder opened without a chosen kind is: the window's
// "すべてのファイル" and a folder chosen in its dialog, and the converter
// without --kind.
#pragma once

#include <string>

#include "model/map_builder.h"
#include "readers/data_kinds.h"

namespace chizro {

// The data kind whose reader takes `fileName`: the rows of the kind table
// are asked in their order (a row that takes any document of its form last),
// each by its recognition of the file's first bytes. The 1:2500 SDF map when
// no row claims the file, for a folder, and for a file that cannot be read.
TKind KindOfFile(const std::string& fileName);

// How a folder opens, and as which kind.
struct TOpenTarget {
  TKind Kind = TKind::Sdf2500;
  TOpenMode Mode = TOpenMode::Folder;
};

// How the folder `folderName` opens: a folder that is one unit of a kind (a
// sheet folder of the SDF map, one that holds "<its name>.txt") as that
// unit, like a single file; any other folder as a scan
// of its files with the `chosen` kind, or (TKind::ByContent) with the kind
// of the first of its files that a folder scan reads and whose kind is read
// by folders (the SDF map's sheet scan when none is).
TOpenTarget KindOfFolder(const std::string& folderName, TKind chosen);

}  // namespace chizro
