// The reader of the 1:2500 digital map in its SDF text form (data kind 11):
// a tree of sheet folders, each one map sheet of comma-separated text files
// of arcs, polygons, points and attributes sorted into layer folders.
//
//   <sheet>/<sheet>.txt          sheet description: free text lines, then
//                                the sheet name, the scale, the zone line
//                                (a unit line may stand before it or after)
//   GYOUSEI/GYOUSEI.ARC, SI_TYO.PGN/.ATR, TYOME.PGN/.ATR
//   GAIKU/GAIKU.ARC, GAIKU.PGN/.ATR
//   OTHERS/OTHERS.ARC, ZYOUTI.PGN/.ATR, TETUDOU.ATR, EKI.PNT/.ATR
//   MIZU/MIZU.ARC, MIZU.PGN/.ATR
//   TATEMONO/TATEMONO.ARC, TATEMONO.PGN/.ATR
//   ROAD/ROADNTWK.ARC, ROAD.ATR
//   KIJUNTEN/SANKAKU.PNT/.ATR
//
// Layer files (.ARC, .PGN, .PNT) begin with a header line whose items 8 and
// 9 are the y [m] and x [m] offsets added to every coordinate of the file;
// record lines begin with "L" (arcs), "A" (polygons) or "P" (points) and the
// four-digit record code, which becomes the figures' ClassCode. Coordinate
// pairs are northing first: "y,x" [m], plane rectangular coordinates of the
// sheet's zone and datum.
//
// The zone line holds the zone and the corners as (northing, easting) pairs
// [m]: "zone,SW,NE" in the first edition (1997, TOKYO datum), or
// "zone,c1,c3,c2,c4,datum" later (c1 south-west, c3 north-east, c2
// north-west, c4 south-east; datum "0" TOKYO, anything else JGD2000).
//
// The data comes from Windows media: folder and file names are matched
// without regard to letter case, so "gyousei/Gyousei.arc" serves for
// "GYOUSEI\GYOUSEI.ARC" on a case-sensitive file system too. Lines of blanks
// only and an end-of-file byte (Ctrl-Z) at the end of any file are skipped.
//
// Opening reads only the description file; LoadLeaf reads each layer file of
// the sheet once, in the nine steps of the layer table below, attaching the
// figure lists to the leaf as it goes. A data error (a missing line or item:
// EListIndexError; a number that does not convert: EConvertError or
// EFloatConvertError) ends the load with the lists attached so far, and the
// leaf stays not Loaded.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/map_builder.h"
#include "readers/common/text_filer.h"

namespace chizro {

class TArcList;
class TAtrList;
class TPgnList;
class TPntList;

class TMapBuilder_Sdf2500 final : public TMapBuilder {
public:
  TMapBuilder_Sdf2500() = default;

  // Opens one sheet: `fileName` is the sheet folder, or its description file
  // (extension ".txt" in any letter case). Null when the folder holds no
  // description file of its own name or no line of it names the sheet. A
  // description that ends after the name throws EListIndexError, a scale or
  // a corner that is not a real EFloatConvertError, a zone that is not an
  // integer EConvertError; no leaf remains then.
  std::unique_ptr<TMapLeaf> OpenFile(TMapLeafGrp& leaves, const std::string& fileName) override;

  // Finds every sheet folder below `folderName` (see ScanFolder), opens each
  // one not yet in `leaves` (by SheetName) and appends it. Returns `leaves`.
  // A sheet that fails to open is passed over; once the scan is done, the
  // errors of all such sheets are thrown together as one EScanError, with
  // every good sheet already appended.
  TMapLeafGrp* OpenFolder(TMapLeafGrp& leaves, const std::string& folderName) override;

  // Reads the layers of the sheet folder leaf.FileName:
  //   1 GYOUSEI   polygons "SITYO", polygons "TYOME", arcs "SITYO"
  //   2 GAIKU     polygons "GAIKU", arcs "GAIKU"     (only when class "1108"
  //               is visible at `scale`)
  //   3 OTHERS    polygons "ZYOUTI", lines "TETUDOU", arcs "OTHERS"
  //   4 MIZU      polygons "MIZU", arcs "MIZU"
  //   5 TATEMONO  polygons "TATEMONO", arcs "TATEMONO"
  //   6 ROAD      lines "ROAD" (only when class "2110" is visible at `scale`)
  //   7 EKI       points "EKI"
  //   8 SANKAKU   points "SANKAKU"
  //   9 the sheet frame: line "ZUKAKU" and point "ZUKAKU" (code "0000"),
  //     the point labelled with the sheet name
  // Arcs become lines of their own only for kinds 0 to 4. Sets Loaded at the
  // end; an error on the way leaves it false with the lists attached so far.
  void LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* classDefs, double scale) override;
  // The reader keeps no state: each load reads its own sheet.
  bool ConcurrentLoads() const override { return true; }

  // Opens the sheet folder `folder` (the part of the algorithm shared by
  // OpenFile and OpenFolder).
  static std::unique_ptr<TMapLeaf> OpenSheet(TMapLeafGrp& leaves, const std::string& folder);
};

namespace sdf2500 {

// The record lines of a whole file, read at once and handed out one by one
// as views into the file's bytes, split by TLineCursor: lines of blanks only
// and end-of-file bytes (Ctrl-Z) at the end are passed over. A missing file
// has no lines.
class TRecordLines final {
public:
  explicit TRecordLines(const std::string& fileName);
  static TRecordLines FromText(std::string text);

  // The next line; false at the end.
  bool Next(std::string_view& line) noexcept;
  // The next line; EListIndexError with the line's index at the end.
  std::string_view Need();
  // Bytes not yet handed out.
  std::size_t Remaining() const noexcept { return cursor_.Remaining(); }
  // The file read (empty for a text), and the 1-based line of the file
  // handed out last, for messages.
  const std::string& FileName() const noexcept { return fileName_; }
  unsigned long long LineNumber() const noexcept { return cursor_.LineNumber(); }

private:
  TRecordLines() = default;
  void SetText(std::string text);

  std::string fileName_;
  std::string data_;
  TLineCursor cursor_{std::string_view()};
  int index_ = 0;
};

// One directory listed once, its entries found without regard to letter case
// (an entry of exactly that name first). A missing directory has no entries.
class TDirIndex final {
public:
  explicit TDirIndex(std::string dir);

  // The path of the regular file named `name`, or empty.
  std::string FindFile(std::string_view name) const;
  // The path of the directory named `name`, or empty.
  std::string FindDir(std::string_view name) const;

  struct Entry {
    std::string Name;
    bool IsDir = false;
    bool IsFile = false;
  };
  // The entries in name order (letter case ignored first, then counted).
  const std::vector<Entry>& Entries() const noexcept { return entries_; }
  std::string PathOf(std::string_view name) const;

private:
  const Entry* Lookup(std::string_view name) const;

  std::string dir_;
  std::vector<Entry> entries_;
};

// The parsers of the four file kinds, filling the topology lists.
// A missing or empty file throws EListIndexError(0): every one of them needs
// its header line.
void ReadArcFile(TRecordLines& lines, TArcList& arcs);
void ReadPgnFile(TRecordLines& lines, TPgnList& pgns);
void ReadPntFile(TRecordLines& lines, TPntList& pnts);
void ReadAtrFile(TRecordLines& lines, TAtrList& atrs);

// The most values an attribute record may lack at its end (values past the
// items of its line are empty texts). A record that claims more throws
// EListIndexError at its first missing item, so that a broken count cannot
// make the reader build millions of empty values.
inline constexpr int kMaxMissingAttrValues = 256;

}  // namespace sdf2500

}  // namespace chizro
