// The elevation model of 基盤地図情報 (数値標高モデル: DEM1A, DEM5A/5B/5C,
// DEM10A/10B) and its contour lines.
//
// A DEM file is an FGD dataset ("FG-GML-<mesh>-DEM5A-<date>.xml") whose one
// feature is "DEM": a GML grid coverage.
//   gml:Envelope        the outer edge of the cells, "lat lon" corners [deg]
//                       in fguuid:jgd2000.bl, jgd2011.bl or jgd2024.bl
//                       (JGD2011 and JGD2024 are held as the JGD2000 frame)
//   gml:GridEnvelope    low and high cell numbers "x y": the grid's size
//   gml:tupleList       one tuple "種別,value" [m] per cell, blank-separated;
//                       "-9999." is no data; the list may end early, the
//                       cells after it have no data
//   gml:sequenceRule    order "+x-y": rows from the north-west corner, x fastest
//   gml:startPoint      "x y": the first tuple is cell y·width + x, the cells
//                       before it have no data
// The list comes before the rule and the start point, so a tile's values are
// held until the file is read to its end. The bytes may begin with a BOM.
//
// One surface per download: the tiles of one zip or folder that share a
// cell size and touch each other form one grid (a "DEM set"), contoured as a
// whole, so lines run on across tile edges. Where tiles overlap, the first
// tile in path order that has data gives the value. A DEM set is one leaf:
// its FileName is the one tile's path, or "<zip or folder>|DEM-<cell>s"
// (with "-2", "-3", ... for further sets of that cell size), and the reader
// keeps the set's tiles under that name (TDemSets).
//
// The contours are polylines of class "主曲線", and "計曲線" every fifth
// level with the elevation as text 0; see readers/common/contour.h for the rules.
// The interval is the project's (TMapProject::ContourInterval) or, when that
// is 0, the definition file's "[Contour]" value for the nominal cell size
// ("DEM1", "DEM5", "DEM10"), else 1, 2 and 10 m.
#pragma once

#include <cstddef>
#include <exception>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace chizro {

class TByteSource;
class TMapLeaf;
class TMapLeafGrp;

// Class codes of the contour lines (Shift_JIS).
extern const char* const kMainContourCode;   // 主曲線
extern const char* const kIndexContourCode;  // 計曲線

// Upper bound of the cells of one tile and of one DEM set's grid.
inline constexpr std::size_t kMaxDemTileCells = std::size_t{1} << 24;
inline constexpr std::size_t kMaxDemSetCells = std::size_t{1} << 27;
// The most cells the grid of a set may have for each cell of its tiles.
inline constexpr double kMaxDemSpread = 16;

// What the head of a DEM file says, up to its tuple list.
struct TDemHeader {
  std::string Path;  // the leaf path of the file
  double South = 0, West = 0, North = 0, East = 0;  // [deg]
  int Width = 0;
  int Height = 0;
  double CellX() const { return (East - West) / Width; }   // [deg]
  double CellY() const { return (North - South) / Height; }  // [deg]
};

// A decoded tile: Width · Height values [m] from the north-west corner,
// x fastest; NaN where there is no data.
struct TDemTile {
  TDemHeader Header;
  std::vector<float> Values;
};

enum class TDemKind { NotFgd, NotDem, Dem };

// Reads the head of a file: whether it is an FGD file with a DEM feature,
// and if so its header. EInOutError naming the file and line for a DEM file
// whose head cannot be used (a missing or bad envelope or grid, an unknown
// srsName, malformed XML).
TDemKind ReadDemHeader(const std::string& path, TDemHeader& header);
TDemKind ReadDemHeader(TByteSource& source, const std::string& path, TDemHeader& header);

// Decodes a whole DEM file. EInOutError naming the file and the line (a
// tuple that is not "種別,value", more tuples than the grid holds, a start
// point outside the grid, a sequence rule other than "+x-y", malformed XML).
void DecodeDem(TByteSource& source, const std::string& path, TDemTile& tile);
void DecodeDem(const std::string& path, TDemTile& tile);

// The nominal cell size of a tile [m]: 1, 5 or 10.
int NominalCellMetres(const TDemHeader& header);
// The default interval [m] for a cell size: the definition file's
// "[Contour]" key "DEM<n>" when it holds a positive number, else 1, 2, 10.
double DefaultContourInterval(const std::string& defFileName, int cellMetres);

// The DEM sets of the tiles found in one zip, folder or file: tiles of one
// cell size that touch, in path order; sets in order of their first tile.
std::vector<std::vector<TDemHeader>> GroupDemTiles(std::vector<TDemHeader> tiles);

// One grid over the tiles of a set: North-west corner, cell size, and
// Width · Height values (NaN: no data).
struct TDemGrid {
  double West = 0, North = 0, CellX = 0, CellY = 0;
  int Width = 0;
  int Height = 0;
  std::vector<float> Values;
};
// The empty grid over a set's tiles. EInOutError when it would hold more
// than kMaxDemSetCells cells.
TDemGrid DemFrame(const std::vector<TDemHeader>& tiles, const std::string& setName);
// Copies a tile into the grid where the grid has no data yet.
void PlaceTile(TDemGrid& grid, const TDemTile& tile);

// Contours a grid into the leaf's polyline list (latitude/longitude, as the
// grid); `interval` [m] > 0. The values stand at the cells' centres; at the
// outer edge of the grid the lines run on to the cells' outer edge, each
// cell's value holding out to it. Next to a cell without data they end
// half a cell short of its centre (readers/common/contour.h). EInOutError naming `setName` when the interval
// is too fine for the grid; the lines traced so far stay on the leaf.
void ContourIntoLeaf(const TDemGrid& grid, double interval, TMapLeaf& leaf,
                     const std::string& setName);

// The DEM sets a reader has opened, by leaf FileName.
class TDemSets {
public:
  // Leaves for the sets of `tiles` found in `container` (a zip, folder or
  // the file itself) that are not in `leaves` yet, in latitude/longitude
  // (JGD2000 frame) with the tiles' outer edge as extent (Load narrows it).
  std::vector<std::unique_ptr<TMapLeaf>> MakeLeaves(TMapLeafGrp& leaves,
                                                    const std::string& container,
                                                    std::vector<TDemHeader> tiles);
  // A DEM file whose head failed: loading its leaf throws `error` again.
  void AddBroken(const std::string& leafFileName, std::exception_ptr error);
  bool Has(const std::string& leafFileName) const;
  // Decodes the set's tiles, mosaics and contours them at `interval` [m]
  // (0: the default for the cell size from `defFileName`) into the leaf.
  // The leaf's extent becomes the outer edge of the cells with values.
  // The first error of a tile is thrown after the others are contoured.
  void Load(TMapLeaf& leaf, double interval, const std::string& defFileName) const;
  // Drops the figures and load errors of the DEM leaves in the list, so that
  // they are contoured anew when next in view.
  void Reset(TMapLeafGrp& leaves) const;

private:
  struct TSet {
    std::vector<TDemHeader> Tiles;
    std::exception_ptr Error;
  };
  std::map<std::string, TSet> sets_;
};

}  // namespace chizro
