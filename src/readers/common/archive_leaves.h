// What the readers of downloads that come as zips and folders (FGD GML,
// the land registry's map XML) share once their files are scanned
// (readers/common/file_scan.h): the leaves of files and archive members, and
// the leaves of an archive put into the list.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace chizro {

class TMapLeaf;
class TMapLeafGrp;
struct TXmlStop;

// A new leaf of `leaves` for the file or archive member `leafFileName`, as
// the XML readers' scans make them: the file's name its sheet name, that name
// without its extension its name.
std::unique_ptr<TMapLeaf> NewFileLeaf(TMapLeafGrp& leaves, const std::string& leafFileName);

// Settles a leaf whose figures its scan built (a file opened on its own):
// loaded, or without a figure left to be loaded, as a scanned leaf is.
void FinishBuiltLeaf(TMapLeaf& leaf);

// For a scan whose parse found a document of another format: null, with the
// reason (the file, the place and the reader's words) in `reason` when the
// caller asks for it (an archive or folder passes such files over), else
// the located error.
std::unique_ptr<TMapLeaf> PassOverForeign(const std::string& leafFileName, const TXmlStop& stop,
                                          std::string* reason);

// Puts a leaf a reader made itself into the list the way the theme does with
// the leaf it is given: the reader's system recorded, then converted into the
// theme's.
void AdoptLeaf(TMapLeafGrp& leaves, std::unique_ptr<TMapLeaf> leaf);

// `opened` (not empty) with one more leaf for each member of an archive that
// failed at open (its leaf path and message), as AdoptArchiveLeaves makes
// them; none is adopted yet.
std::vector<std::unique_ptr<TMapLeaf>> WithFailedLeaves(
    TMapLeafGrp& leaves, std::vector<std::unique_ptr<TMapLeaf>> opened,
    const std::vector<std::pair<std::string, std::string>>& failed);

// The leaves of an archive's members, `opened` (not empty), with one more for
// each member that failed at open (its leaf path and message): such a leaf
// lies over the extent of its siblings and in their system, so that it is
// loaded with them and its error is reported then. All but the last are
// adopted into `leaves`; the last is returned, for the theme to add.
std::unique_ptr<TMapLeaf> AdoptArchiveLeaves(
    TMapLeafGrp& leaves, std::vector<std::unique_ptr<TMapLeaf>> opened,
    const std::vector<std::pair<std::string, std::string>>& failed);

// What the scan of an archive found: leaves of its members not yet in the
// list, the members that failed before their first coordinate (leaf path,
// message), the first reason a member was of another format, and whether a
// member is in the list already. A scan cancelled by the user (`Cancelled`)
// holds the members read whole before the cancel; `Members` is how many the
// archive has of the reader's.
struct TArchiveScan {
  std::vector<std::unique_ptr<TMapLeaf>> Leaves;
  std::vector<std::pair<std::string, std::string>> Failed;
  std::string Foreign;
  bool AnyOpen = false;
  bool Cancelled = false;
  std::size_t Members = 0;
};

// The leaf an archive opened on its own gives, from its scan: the members'
// leaves adopted as AdoptArchiveLeaves does; with none, nothing when the
// archive is open already, else the first member's error, else
// "<archive> には<`what`>のファイルがありません" with the reason a member was
// passed over.
std::unique_ptr<TMapLeaf> LeafOfArchive(TMapLeafGrp& leaves, const std::string& archive,
                                        TArchiveScan scan, const std::string& what);

}  // namespace chizro
