#include "readers/common/file_scan.h"

#include <algorithm>
#include <cstdint>
#include <system_error>
#include <thread>
#include <utility>

#include "model/map_leaf.h"
#include "model/open_progress.h"
#include "platform/errors.h"
#include "platform/file_path.h"
#include "platform/parallel.h"
#include "readers/common/archive_leaves.h"
#include "readers/common/leaf_path.h"
#include "readers/common/zip_source.h"

namespace chizro {

namespace {

using TParts = std::vector<std::unique_ptr<TFileGatherer::TPart>>;

// The gatherer's check of a file. A reader's error is the file's; the
// gatherer registers it on the way.
std::unique_ptr<TFileGatherer::TPart> CheckGathered(TFileGatherer& gatherer,
                                                    const std::string& leafFileName) {
  try {
    return gatherer.Check(leafFileName);
  } catch (const EChizroError&) {
    gatherer.Broken(leafFileName, std::current_exception());
    throw;
  }
}

// The scan of an archive's members. Opened on its own (`folderParts` null),
// each member is a step of the open, an archive of a single member is read
// once (its leaf is built while it is scanned), and the parts gathered
// become leaves here. As one of a folder's files, its parts go to
// `folderParts`, to be gathered with the folder's. A cancel of the open
// ends the scan (Cancelled) with what the members read whole before it gave;
// the member being read when it came is dropped.
TArchiveScan ScanArchive(const TFileScan& kind, TMapLeafGrp& leaves, const std::string& archive,
                         TParts* folderParts) {
  const std::vector<std::string> members =
      ArchiveMembers(archive, kind.Endings, kind.NestedArchives);
  const bool own = !folderParts;
  const bool build = own && members.size() == 1;
  TArchiveScan scan;
  scan.Members = members.size();
  TParts parts;
  std::int64_t done = 0;
  try {
    for (const std::string& path : members) {
      if (own)
        ReportOpenFiles(PathForMessage(TLeafPath::Parse(path).Innermost()), done++,
                        static_cast<std::int64_t>(members.size()));
      if (leaves.FindByFileName(path)) {
        scan.AnyOpen = true;
        continue;
      }
      try {
        if (kind.Gatherer) {
          if (std::unique_ptr<TFileGatherer::TPart> part = CheckGathered(*kind.Gatherer, path)) {
            parts.push_back(std::move(part));
            continue;
          }
        }
        std::string reason;
        if (auto leaf = kind.ReadLeaf(leaves, path, &reason, build))
          scan.Leaves.push_back(std::move(leaf));
        else if (scan.Foreign.empty())
          scan.Foreign = reason;
      } catch (const EChizroError& e) {
        scan.Failed.emplace_back(path, e.what());
      }
    }
  } catch (const EOpenCancelled&) {
    scan.Cancelled = true;
  }
  if (folderParts) {
    for (auto& part : parts) folderParts->push_back(std::move(part));
  } else if (!parts.empty()) {
    std::vector<std::unique_ptr<TMapLeaf>> made =
        kind.Gatherer->MakeLeaves(leaves, archive, std::move(parts));
    if (made.empty()) scan.AnyOpen = true;
    for (auto& leaf : made) scan.Leaves.push_back(std::move(leaf));
  }
  return scan;
}

}  // namespace

std::vector<std::filesystem::path> FilesBelow(const std::string& folderName,
                                              const std::vector<std::string_view>& endings) {
  namespace fs = std::filesystem;
  std::error_code ec;
  std::vector<fs::path> files;
  for (fs::recursive_directory_iterator it(FsPath(folderName), ec), end; !ec && it != end;
       it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    const std::string name = PathText(it->path());
    if (std::any_of(endings.begin(), endings.end(),
                    [&](std::string_view e) { return EndsWithNoCase(name, e); }))
      files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

void ReadFolderFiles(const std::vector<std::filesystem::path>& files,
                     const std::function<void(std::size_t)>& read,
                     const std::function<void(std::size_t)>& take,
                     const std::function<void(std::size_t)>& keep) {
  // Batches of a few files per core keep the cores busy while the steps
  // (and a cancel) come as the files are taken.
  const std::size_t batch = std::max<std::size_t>(16, 4 * std::thread::hardware_concurrency());
  const auto total = static_cast<std::int64_t>(files.size());
  for (std::size_t start = 0; start < files.size(); start += batch) {
    const std::size_t end = std::min(files.size(), start + batch);
    ForEachIndex(end - start, [&](std::size_t k) { read(start + k); });
    std::size_t i = start;
    bool taking = false;
    try {
      for (; i < end; ++i) {
        taking = false;
        ReportOpenFiles(PathForMessage(PathText(files[i].filename())),
                        static_cast<std::int64_t>(i), total);
        taking = true;
        take(i);
      }
    } catch (const EOpenCancelled&) {
      // The rest of the batch is read already: what it gave stays. A file
      // whose take the cancel cut (a zip, read as it is taken) keeps what
      // its take kept.
      for (std::size_t j = taking ? i + 1 : i; j < end; ++j) keep(j);
      throw EOpenCancelled(total);
    }
  }
}

std::unique_ptr<TMapLeaf> TFileScan::OpenFile(TMapLeafGrp& leaves,
                                              const std::string& fileName) const {
  if (!IsRegularFile(fileName)) return nullptr;
  if (IsArchiveName(fileName)) {
    TArchiveScan scan = ScanArchive(*this, leaves, fileName, nullptr);
    if (!scan.Cancelled) return LeafOfArchive(leaves, fileName, std::move(scan), What);
    // Cancelled: the members read whole go into the list in their own
    // system, as a folder's files do (the list adopts them as the cancel
    // passes), and the cancel goes on with the number of members.
    const std::size_t members = scan.Members;
    std::vector<std::unique_ptr<TMapLeaf>> kept;
    if (!scan.Leaves.empty())
      kept = WithFailedLeaves(leaves, std::move(scan.Leaves), scan.Failed);
    for (auto& leaf : kept) leaves.Add(std::move(leaf));
    throw EOpenCancelled(static_cast<std::int64_t>(members));
  }
  if (Gatherer) {
    if (std::unique_ptr<TFileGatherer::TPart> part = CheckGathered(*Gatherer, fileName)) {
      TParts parts;
      parts.push_back(std::move(part));
      std::vector<std::unique_ptr<TMapLeaf>> made =
          Gatherer->MakeLeaves(leaves, fileName, std::move(parts));
      return made.empty() ? nullptr : std::move(made.front());
    }
  }
  return ReadLeaf(leaves, fileName, nullptr, true);
}

TMapLeafGrp* TFileScan::OpenFolder(TMapLeafGrp& leaves, const std::string& folderName) const {
  if (!IsDirectory(folderName)) return nullptr;
  std::vector<std::string_view> endings = Endings;
  endings.push_back(kArchiveEnding);
  const std::vector<std::filesystem::path> files = FilesBelow(folderName, endings);

  // The plain files are read on all cores at once (each is parsed whole for
  // its extent); what each gave is taken in file order, as if they had been
  // read in turn.
  struct TFileRead {
    bool Read = false;           // not a zip, not open yet
    bool GatherBroken = false;   // the error is of the gatherer's check
    std::unique_ptr<TFileGatherer::TPart> Part;
    std::unique_ptr<TMapLeaf> Leaf;
    std::exception_ptr Error;
  };
  std::vector<TFileRead> reads(files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::string name = PathText(files[i]);
    reads[i].Read = !IsArchiveName(name) && !leaves.FindByFileName(name);
  }
  std::vector<std::string> errors;
  TParts parts;  // the folder's parts are gathered together
  const auto read = [&](std::size_t i) {
    TFileRead& file = reads[i];
    if (!file.Read) return;
    const std::string name = PathText(files[i]);
    try {
      if (Gatherer) {
        try {
          file.Part = Gatherer->Check(name);
        } catch (const EChizroError&) {
          file.GatherBroken = true;
          throw;
        }
        if (file.Part) return;
      }
      std::string foreign;
      file.Leaf = ReadLeaf(leaves, name, &foreign, false);
    } catch (...) {
      file.Error = std::current_exception();
    }
  };
  const auto take = [&](std::size_t i) {
    const std::string name = PathText(files[i]);
    TFileRead& file = reads[i];
    try {
      if (IsArchiveName(name)) {
        TArchiveScan archive = ScanArchive(*this, leaves, name, &parts);
        for (auto& leaf : archive.Leaves) leaves.Add(std::move(leaf));
        for (const auto& failed : archive.Failed) errors.push_back(failed.second);
        if (archive.Cancelled) throw EOpenCancelled();
      } else if (file.Read) {
        if (file.Error) {
          try {
            std::rethrow_exception(file.Error);
          } catch (const EChizroError&) {
            if (file.GatherBroken) Gatherer->Broken(name, std::current_exception());
            throw;
          }
        }
        if (file.Part)
          parts.push_back(std::move(file.Part));
        else if (file.Leaf)
          leaves.Add(std::move(file.Leaf));
      }
    } catch (const EChizroError& e) {
      errors.push_back(e.what());
    }
  };
  // After a cancel, the plain files read whole are still taken (a zip is
  // not read before its take).
  const auto keep = [&](std::size_t i) {
    if (reads[i].Read) take(i);
  };
  const auto gather = [&] {
    if (Gatherer)
      for (auto& leaf : Gatherer->MakeLeaves(leaves, folderName, std::move(parts)))
        leaves.Add(std::move(leaf));
  };
  try {
    ReadFolderFiles(files, read, take, keep);
  } catch (const EOpenCancelled&) {
    gather();  // the tiles taken make their surface
    throw;
  }
  gather();
  if (!errors.empty()) throw EInOutError(errors.front());
  return &leaves;
}

}  // namespace chizro
