#include "readers/kind_of_file.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "platform/file_path.h"
#include "readers/common/file_head.h"
#include "readers/common/file_scan.h"

namespace chizro {
namespace {

// A folder judged by its content looks at this many of its files at most.
constexpr int kFilesLookedAt = 16;

// The endings of the files that a folder scan of some kind reads.
std::vector<std::string_view> ScannedEndings() {
  std::vector<std::string_view> endings;
  for (const TDataKind* row : DataKinds())
    for (const std::string_view ending : row->FolderFiles)
      if (std::find(endings.begin(), endings.end(), ending) == endings.end())
        endings.push_back(ending);
  return endings;
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
  for (const TDataKind* row : DataKinds())
    if (row->UnitFolder && row->UnitFolder(folderName)) return {row->Kind, TOpenMode::File};
  if (chosen != TKind::ByContent) return {chosen, TOpenMode::Folder};
  int looked = 0;
  for (const std::filesystem::path& file : FilesBelow(folderName, ScannedEndings())) {
    const TDataKind* row = FindDataKind(KindOfFile(PathText(file)));
    if (row && row->Folder) return {row->Kind, TOpenMode::Folder};
    if (++looked == kFilesLookedAt) break;
  }
  return {};
}

}  // namespace chizro
