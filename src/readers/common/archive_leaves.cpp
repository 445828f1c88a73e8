#include "readers/common/archive_leaves.h"

#include <algorithm>
#include <cstdint>
#include <system_error>
#include <thread>

#include "model/map_leaf.h"
#include "model/map_theme.h"
#include "model/open_progress.h"
#include "platform/parallel.h"
#include "platform/file_path.h"
#include "readers/common/reader_util.h"
#include "readers/common/xml_source.h"

namespace chizro {

std::vector<std::filesystem::path> XmlAndZipFilesBelow(const std::string& folderName) {
  namespace fs = std::filesystem;
  std::error_code ec;
  std::vector<fs::path> files;
  for (fs::recursive_directory_iterator it(FsPath(folderName), ec), end; !ec && it != end;
       it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    const std::string name = PathText(it->path());
    if (EndsWithNoCase(name, ".xml") || EndsWithNoCase(name, ".zip")) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

void ReadFolderFiles(const std::vector<std::filesystem::path>& files,
                     const std::function<void(std::size_t)>& read,
                     const std::function<void(std::size_t)>& take) {
  // Batches of a few files per core keep the cores busy while the steps
  // (and a cancel) come as the files are taken.
  const std::size_t batch = std::max<std::size_t>(16, 4 * std::thread::hardware_concurrency());
  const auto total = static_cast<std::int64_t>(files.size());
  for (std::size_t start = 0; start < files.size(); start += batch) {
    const std::size_t end = std::min(files.size(), start + batch);
    ForEachIndex(end - start, [&](std::size_t k) { read(start + k); });
    for (std::size_t i = start; i < end; ++i) {
      ReportOpenFiles(PathForMessage(PathText(files[i].filename())), static_cast<std::int64_t>(i),
                      total);
      take(i);
    }
  }
}

std::unique_ptr<TMapLeaf> NewFileLeaf(TMapLeafGrp& leaves, const std::string& leafFileName) {
  auto leaf = std::make_unique<TMapLeaf>(&leaves);
  leaf->FileName = leafFileName;
  leaf->SheetName = BaseName(InnermostName(leafFileName));
  leaf->Name = leaf->SheetName.substr(0, leaf->SheetName.rfind('.'));
  return leaf;
}

std::unique_ptr<TMapLeaf> PassOverForeign(const std::string& leafFileName, const TXmlStop& stop,
                                          std::string* reason) {
  if (!reason) throw XmlError(leafFileName, stop.Detail, stop.Place);
  *reason = LocatedText(leafFileName, stop.Detail, stop.Place);
  return nullptr;
}

void AdoptLeaf(TMapLeafGrp& leaves, std::unique_ptr<TMapLeaf> leaf) {
  leaf->RecordSourceState();
  if (const TMapTheme* theme = leaves.Theme()) {
    leaf->SetCoordSystem(theme->CoordMode, theme->Zone, theme->Datum);
    leaf->Zone = theme->Zone;
  }
  leaves.Add(std::move(leaf));
}

std::unique_ptr<TMapLeaf> AdoptArchiveLeaves(
    TMapLeafGrp& leaves, std::vector<std::unique_ptr<TMapLeaf>> opened,
    const std::vector<std::pair<std::string, std::string>>& failed) {
  TExtentBuilder siblings;
  for (const auto& leaf : opened) siblings.Add(TExtentBuilder{false, leaf->Extent});
  const TMapLeaf& model = *opened.front();
  for (const auto& entry : failed) {
    auto leaf = std::make_unique<TMapLeaf>(&leaves);
    leaf->FileName = entry.first;
    leaf->SheetName = BaseName(InnermostName(entry.first));
    leaf->Name = leaf->SheetName;
    leaf->CoordMode = model.CoordMode;
    leaf->Zone = model.Zone;
    leaf->Datum = model.Datum;
    leaf->Extent = siblings.Rect;
    opened.push_back(std::move(leaf));
  }
  std::unique_ptr<TMapLeaf> last = std::move(opened.back());
  opened.pop_back();
  for (auto& leaf : opened) AdoptLeaf(leaves, std::move(leaf));
  return last;
}

std::unique_ptr<TMapLeaf> LeafOfArchive(TMapLeafGrp& leaves, const std::string& archive,
                                        TArchiveScan scan, const std::string& what) {
  if (scan.Leaves.empty()) {
    if (!scan.Failed.empty()) throw EInOutError(scan.Failed.front().second);
    if (scan.AnyOpen) return nullptr;
    throw EInOutError(Quoted(archive) + " には" + what + "のファイルがありません" +
                      (scan.Foreign.empty() ? std::string() : " (" + scan.Foreign + ")"));
  }
  return AdoptArchiveLeaves(leaves, std::move(scan.Leaves), scan.Failed);
}

}  // namespace chizro
