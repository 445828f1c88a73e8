#include "readers/kind_of_file.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "platform/file_path.h"
#include "readers/common/file_head.h"
#include "readers/common/xml_source.h"

namespace chizro {
namespace {

// A folder judged by its content looks at this many of its files at most.
constexpr int kFilesLookedAt = 16;

// The files below `folder` (and its subfolders), in path order, whose
// names end in one of the endings that a folder scan of some kind reads.
std::vector<std::filesystem::path> ScannedFilesBelow(const std::string& folder) {
  std::vector<std::string_view> endings;
  for (const TDataKind* row : DataKinds())
    for (const std::string_view ending : row->FolderFiles)
      if (std::find(endings.begin(), endings.end(), ending) == endings.end())
        endings.push_back(ending);
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (std::filesystem::recursive_directory_iterator it(FsPath(folder), ec), end;
       !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    const std::string name = PathText(it->path());
    for (const std::string_view ending : endings)
      if (EndsWithNoCase(name, ending)) {
        files.push_back(it->path());
        break;
      }
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

TKind KindOfFile(const std::string& fileName) {
  if (!IsRegularFile(fileName)) return TKind::Sdf2500;
  const TFileHead head(fileName);
  for (const bool catchAll : {false, true})
    for (const TDataKind* row : DataKinds())
      if (row->Identify && row->CatchAll == catchAll && row->Identify(head)) return row->Kind;
  return TKind::Sdf2500;
}

TOpenTarget KindOfFolder(const std::string& folderName, TKind chosen) {
  const std::string name = PathText(FsPath(folderName).filename());
  for (const char* ext : {".txt", ".TXT"})
    if (IsRegularFile(PathText(FsPath(folderName) / (name + ext))))
      return {TKind::Sdf2500, TOpenMode::File};
  if (chosen != TKind::ByContent) return {chosen, TOpenMode::Folder};
  int looked = 0;
  for (const std::filesystem::path& file : ScannedFilesBelow(folderName)) {
    const TDataKind* row = FindDataKind(KindOfFile(PathText(file)));
    if (row && row->Folder) return {row->Kind, TOpenMode::Folder};
    if (++looked == kFilesLookedAt) break;
  }
  return {};
}

}  // namespace chizro
