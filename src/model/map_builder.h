// The reader interface, which is all the model knows of the readers: every
// map data kind is read by a TMapBuilder, which a theme gets from the
// project's TBuilderRegistry once and drives through three operations.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "platform/program_dir.h"

namespace chizro {

class TBitmapLoader;
class TClassDefGrp;
class TMapLeaf;
class TMapLeafGrp;
struct TSurveyData;

// How a file name given to the project is opened: as a folder of data units
// the reader scans, or as one file.
enum class TOpenMode { Folder, File };

// Failure contract of every reader: an error while building figures
// (LoadLeaf) ends the load with what was built so far attached to the leaf
// and Loaded left false; the theme then keeps those figures on show and
// remembers the error. OpenFile and OpenFolder give null for a file or
// folder that does not exist; an error while opening leaves no leaf of that
// file, while the leaves a folder scan added before its error stay.
class TMapBuilder {
public:
  virtual ~TMapBuilder() = default;

  // Creates one leaf owned by (but not added to) `leaves` for a single file,
  // with its FileName, names, Extent (and Corners) and the coordinate system
  // the data is in. Null when the file is not of this kind or cannot be used;
  // data errors may throw.
  virtual std::unique_ptr<TMapLeaf> OpenFile(TMapLeafGrp& leaves, const std::string& fileName) = 0;

  // Scans a folder, adds one leaf per data unit to `leaves` and returns it.
  // Kinds without a folder form keep this one, which adds nothing and gives
  // null.
  virtual TMapLeafGrp* OpenFolder(TMapLeafGrp& /*leaves*/, const std::string& /*folderName*/) {
    return nullptr;
  }

  // Builds the figures of `leaf` in the leaf's own coordinate system and sets
  // Loaded. `classDefs` may be null (a reader loading from its own OpenFile);
  // `scale` is the view's scale denominator, 0 from OpenFile.
  virtual void LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* classDefs, double scale) = 0;

  // The project's contour interval changed: a reader whose figures depend on
  // it unloads those of its leaves in `leaves` (and forgets their load
  // errors), so that the next paint builds them anew. Others do nothing.
  virtual void ContourIntervalChanged(TMapLeafGrp& /*leaves*/) {}

  // True when LoadLeaf may run for different leaves on several threads at
  // once (the reader keeps no state of its own that a load changes), so
  // that the leaves of a folder can be loaded ahead on a worker pool.
  virtual bool ConcurrentLoads() const { return false; }

  // Reads the leaf's file again for its named points and its parcels as
  // rings of them (in the leaf's system as its reader opened it), appending
  // to `data`. False for kinds that have no such data (the default).
  // EInOutError as LoadLeaf throws it.
  virtual bool SurveyData(const TMapLeaf& /*leaf*/, TSurveyData& /*data*/) { return false; }

  // The program directory whose files (beside the definition files) a
  // reader may read: the theme hands it its project's; the executable's
  // folder until then.
  const std::string& ProgramFolder() const noexcept { return programFolder_; }
  void SetProgramFolder(std::string folder) { programFolder_ = std::move(folder); }

protected:
  TMapBuilder() = default;
  TMapBuilder(const TMapBuilder&) = delete;
  TMapBuilder& operator=(const TMapBuilder&) = delete;

private:
  std::string programFolder_ = ProgramDir();
};

// The data kinds a project can open: for each its definition file and its
// reader. The project is handed one (the readers' table in the programs,
// one of their own in tests).
class TBuilderRegistry {
public:
  virtual ~TBuilderRegistry() = default;
  // The definition file of a data kind relative to the program's folder,
  // beginning with the separator ("\def\Sdf25.ini"); empty for an unknown
  // kind.
  virtual std::string DefFileForKind(int dataKind) const = 0;
  // A new reader of the data kind, or null when the kind has none. Readers
  // of images load them through `images` (not owned; null: none load).
  virtual std::unique_ptr<TMapBuilder> CreateBuilder(int dataKind,
                                                     TBitmapLoader* images) const = 0;
};

}  // namespace chizro
