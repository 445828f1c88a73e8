// The scan that the readers of downloads coming as files, zips (also zips in
// zips) and folders of them share: which files and archive members are the
// reader's, in which order, the steps of the open's progress, the parallel
// read of a folder's files, and what becomes of a file that is open already,
// of another format, or broken. The reader gives the endings of its files and
// the read of one file (TFileScan); a reader that gathers some files into
// leaves of their own gives a hook for them (TFileGatherer).
//
//   a file          the reader's read, building the leaf at once
//   a ".zip"        one leaf per member of the reader's endings not yet in the
//                   list (readers/common/archive_leaves.h: LeafOfArchive);
//                   a single member is built at once; each member is a step
//   a folder        its files of the reader's endings and its ".zip" files,
//                   in path order below it; the plain files are read on all
//                   cores, each file a step; the first error of a file that
//                   gave no leaf is thrown once the scan is complete
#pragma once

#include <cstddef>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "readers/common/leaf_path.h"

namespace chizro {

// The files that XML downloads come as, and that a folder of them is judged
// by: the XML files and the zips that hold them.
inline constexpr std::string_view kXmlDownloadFiles[] = {".xml", kArchiveEnding};

class TMapLeaf;
class TMapLeafGrp;

// The files below a folder and its subfolders whose names end in one of
// `endings` (small letters), in path order.
std::vector<std::filesystem::path> FilesBelow(const std::string& folderName,
                                              const std::vector<std::string_view>& endings);

// Goes through the files of a folder in order, each a step of the open's
// progress named by the file's name: `read(i)` runs for a batch of files at
// a time on all cores (it must not throw and must touch only its own file's
// result), then `take(i)` for each of the batch in file order on this
// thread. A cancel of the open comes before a take: the files taken before
// it stay taken, `keep(i)` runs for the files of the batch not taken yet
// (read whole already), and EOpenCancelled goes on with the number of files.
void ReadFolderFiles(const std::vector<std::filesystem::path>& files,
                     const std::function<void(std::size_t)>& read,
                     const std::function<void(std::size_t)>& take,
                     const std::function<void(std::size_t)>& keep);

// The hook of a reader that gathers some of its files into leaves of their
// own instead of one leaf per file: the FGD elevation-model tiles of a zip,
// a folder or a file make one surface. The files of a folder's zips are
// gathered with the folder's.
class TFileGatherer {
public:
  // What the reader keeps of a file to gather.
  struct TPart {
    virtual ~TPart() = default;
  };

  virtual ~TFileGatherer() = default;
  // Runs first on every file (on any core for a folder's files): the file's
  // part when it is one to gather, else null (the file is then read as the
  // reader's). A reader's error (EChizroError) is the file's error.
  virtual std::unique_ptr<TPart> Check(const std::string& leafFileName) const = 0;
  // In file order on the scan's thread: the Check of the file failed with
  // `error`, a reader's error.
  virtual void Broken(const std::string& leafFileName, std::exception_ptr error) = 0;
  // The leaves of the parts found in `container` (the archive, the folder,
  // the file itself), in file order, not yet in `leaves`.
  virtual std::vector<std::unique_ptr<TMapLeaf>> MakeLeaves(
      TMapLeafGrp& leaves, const std::string& container,
      std::vector<std::unique_ptr<TPart>> parts) = 0;
};

struct TFileScan {
  // Reads the file or archive member `leafFileName` for its leaf (a new leaf
  // of `leaves`, not added): null when it is of another format, with the
  // reason in `foreign` (null: the located error is thrown instead). With
  // `build` the same pass builds the figures (a file opened on its own, the
  // single member of an archive opened on its own). EChizroError for a file
  // of the reader's format that cannot be used. For a folder's files it runs
  // on all cores, with `build` false: it must touch only its own file.
  using TReadLeaf = std::function<std::unique_ptr<TMapLeaf>(
      TMapLeafGrp& leaves, const std::string& leafFileName, std::string* foreign, bool build)>;

  // The endings of the reader's files, in small letters (".xml").
  std::vector<std::string_view> Endings;
  // Zips inside a zip are looked into too, one level deep.
  bool NestedArchives = false;
  // What the reader's files are, in the error of an archive without one:
  // "<archive> には<What>のファイルがありません".
  std::string What;
  TReadLeaf ReadLeaf;
  // Files gathered into leaves of their own; null for none.
  TFileGatherer* Gatherer = nullptr;

  // TMapBuilder::OpenFile of the reader: null when no file of that name
  // exists; a ".zip" gives one leaf per member as LeafOfArchive says (all
  // but the last added to `leaves`), any other file its one leaf.
  std::unique_ptr<TMapLeaf> OpenFile(TMapLeafGrp& leaves, const std::string& fileName) const;
  // TMapBuilder::OpenFolder of the reader: null when there is no such
  // folder; else the leaves of its files are added to `leaves`, and the
  // first error of a file that gave no leaf is thrown at the end.
  TMapLeafGrp* OpenFolder(TMapLeafGrp& leaves, const std::string& folderName) const;
};

}  // namespace chizro
