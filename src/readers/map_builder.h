// The reader interface: every map data kind is read by a TMapBuilder. A theme
// creates the reader of its data kind once and drives it through three
// operations.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace chizro {

class TClassDefGrp;
class TMapLeaf;
class TMapLeafGrp;

class TMapBuilder {
public:
  virtual ~TMapBuilder() = default;

  // Creates one leaf owned by (but not added to) `leaves` for a single file,
  // with its FileName, names, Extent (and Corners) and the coordinate system
  // the data is in. Null when the file is not of this kind or cannot be used;
  // data errors may throw.
  virtual std::unique_ptr<TMapLeaf> OpenFile(TMapLeafGrp& leaves, const std::string& fileName) = 0;

  // Scans a folder, adds one leaf per data unit to `leaves` and returns it;
  // readers without a folder form return null.
  virtual TMapLeafGrp* OpenFolder(TMapLeafGrp& leaves, const std::string& folderName) = 0;

  // Builds the figures of `leaf` in the leaf's own coordinate system and sets
  // Loaded. `classDefs` may be null (a reader loading from its own OpenFile);
  // `scale` is the view's scale denominator, 0 from OpenFile.
  virtual void LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* classDefs, float scale) = 0;

protected:
  TMapBuilder() = default;
  TMapBuilder(const TMapBuilder&) = delete;
  TMapBuilder& operator=(const TMapBuilder&) = delete;
};

// Data-kind codes.
inline constexpr int kKindSdf2500 = 11;
inline constexpr int kKindKsj = 21;
inline constexpr int kKindGkuPnt = 22;
inline constexpr int kKindStcXml = 51;
inline constexpr int kKindFgd = 52;
inline constexpr int kKindEnc = 61;
inline constexpr int kKindRaster = 81;
inline constexpr int kKindGpsWpt = 91;
inline constexpr int kKindVectorBase = 1000;

// The definition file of a data kind relative to the program's folder,
// beginning with the separator ("\def\Sdf25.ini"); kinds of 1000 and above
// use the file of (kind mod 1000). Empty for an unknown kind.
std::string DefFileForKind(int dataKind);

// The reader of a data kind, or null when the kind has none.
std::unique_ptr<TMapBuilder> CreateBuilder(int dataKind);

// Puts another reader in place of a kind's own (an empty factory restores
// it). Used by tests to drive the model with readers of their own.
using TBuilderFactory = std::function<std::unique_ptr<TMapBuilder>()>;
void SetBuilderFactory(int dataKind, TBuilderFactory factory);

}  // namespace chizro
