#include "readers/common/archive_leaves.h"

#include "model/map_leaf.h"
#include "model/map_theme.h"
#include "platform/errors.h"
#include "platform/file_path.h"
#include "readers/common/file_scan.h"
#include "readers/common/leaf_path.h"
#include "readers/common/reader_util.h"
#include "readers/common/xml_parser.h"

namespace chizro {

std::unique_ptr<TMapLeaf> NewFileLeaf(TMapLeafGrp& leaves, const std::string& leafFileName) {
  auto leaf = std::make_unique<TMapLeaf>(&leaves);
  leaf->FileName = leafFileName;
  leaf->SheetName = BaseName(TLeafPath::Parse(leafFileName).Innermost());
  leaf->Name = leaf->SheetName.substr(0, leaf->SheetName.rfind('.'));
  return leaf;
}

void FinishBuiltLeaf(TMapLeaf& leaf) {
  if (leaf.HasFigures())
    leaf.Loaded = true;
  else
    leaf.Unload();
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

std::vector<std::unique_ptr<TMapLeaf>> WithFailedLeaves(
    TMapLeafGrp& leaves, std::vector<std::unique_ptr<TMapLeaf>> opened,
    const std::vector<std::pair<std::string, std::string>>& failed) {
  TExtentBuilder siblings;
  for (const auto& leaf : opened) siblings.Add(TExtentBuilder{false, leaf->Extent});
  const TMapLeaf& model = *opened.front();
  for (const auto& entry : failed) {
    auto leaf = std::make_unique<TMapLeaf>(&leaves);
    leaf->FileName = entry.first;
    leaf->SheetName = BaseName(TLeafPath::Parse(entry.first).Innermost());
    leaf->Name = leaf->SheetName;
    leaf->CoordMode = model.CoordMode;
    leaf->Zone = model.Zone;
    leaf->Datum = model.Datum;
    leaf->Extent = siblings.Rect;
    opened.push_back(std::move(leaf));
  }
  return opened;
}

std::unique_ptr<TMapLeaf> AdoptArchiveLeaves(
    TMapLeafGrp& leaves, std::vector<std::unique_ptr<TMapLeaf>> opened,
    const std::vector<std::pair<std::string, std::string>>& failed) {
  opened = WithFailedLeaves(leaves, std::move(opened), failed);
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
