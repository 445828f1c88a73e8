// Class definitions: the per-data-kind definition file ("def\Sdf25.ini" and
// the like) that names the classes a reader produces and how each is drawn
// and labelled, and the symbol images that point classes refer to.
//
// A definition file is a profile file with these sections:
//   [Size]     SymSize=<pixels>             symbol image size (default 16)
//   [Symbols]  <key>=<file>                 symbol images, relative to the program's directory
//   [C_<code>] ClassTitle=<text>            one section per class
//              Order=<integer>              drawing and output order (default 0)
//              Visible=<flag>,<min scale>,<max scale>
//              Pen=<colour>,<style>,<width>
//              Brush=<colour>,<style>
//              Font=<colour>,<face>,<size>,<bold>,<italic>,<underline>,<strike-out>,<opaque>
//              Prop=<label on>,<source>[,<text index>[,<property name>]]   (default "0,0")
//              Symbol=<key of [Symbols]>
// Multi-field values are comma text with integers in decimal or "$" hex;
// "Order" and "SymSize" are whole values in decimal or "0x" hex.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/map_object.h"
#include "platform/graphics.h"
#include "platform/ini_file.h"
#include "platform/program_dir.h"
#include "platform/sorted.h"

namespace chizro {

class TClassDefGrp;

// One class of a definition file. Group is the list that holds the class.
class TClassDef final : public TMapObject {
public:
  // `code` becomes Name.
  TClassDef(std::string code, TClassDefGrp* group);

  // Whether the class is shown at the scale denominator `scale`: Visible must
  // be non-zero, and each bound above 0 must hold (both bounds inclusive).
  bool IsVisibleAt(double scale) const noexcept;

  std::string Title;
  std::int32_t Order = 0;  // smaller first in the output and on top on screen
  TPen Pen;
  TBrush Brush;
  TFont Font;
  std::uint8_t OpaqueText = 0;    // non-zero: labels stand on a white box
  std::string SymbolName;         // key in [Symbols], or empty
  std::int16_t SymbolIndex = -1;  // position of SymbolName in the group's SymbolKeys, or -1
  double MinScale = 0.0;          // scale denominators; a bound of 0 or less is not applied
  double MaxScale = 0.0;
  std::uint8_t Visible = 0;  // zero hides the class at every scale
  std::uint8_t LabelOn = 0;
  std::int16_t LabelSource = 0;     // 0: Texts[LabelAttrIndex]; 1: property LabelAttrName
  std::int16_t LabelAttrIndex = 0;  // zero-based position in the figure's Texts
  std::string LabelAttrName;
  TClassDefGrp* Group;  // not owned
};

// The classes of one definition file, sorted by Order after a load, and the
// symbol images they refer to.
class TClassDefGrp final : public TMapObject {
public:
  TClassDefGrp();
  ~TClassDefGrp() override;

  // Loads a definition file, replacing whatever the group held. Returns false,
  // with the group empty, when the file does not exist. A class section that
  // lacks "Visible", "Pen", "Brush" or "Font", or whose value has too few
  // fields, throws EListIndexError with the index of the first missing field;
  // a numeric field that is not an integer throws EConvertError. After an
  // error every class of the file exists in file order, those not yet read
  // still as constructed. The symbol images load through `images` (not
  // owned) from their files, named relative to `programFolder`; without a
  // loader the keys stand but no image loads.
  bool LoadFromFile(const std::string& fileName, TBitmapLoader* images = nullptr,
                    const std::string& programFolder = ProgramDir());

  int Count() const noexcept { return static_cast<int>(items_.size()); }
  // The class at `i` (0 <= i < Count()); EListIndexError otherwise.
  TClassDef* Items(int i) const;
  // Appends a class and makes this group its Group; a null class adds
  // nothing and gives null.
  TClassDef* Add(std::unique_ptr<TClassDef> def);
  void Clear() noexcept { items_.clear(); }

  // Whether the class with exactly this code (letter case counts) is shown at
  // `scale`. When several classes carry the code, the last in Items decides;
  // when none does, false.
  bool IsClassVisible(std::string_view code, double scale) const;

  // The image of the symbol key at `symbolIndex` (a TClassDef's SymbolIndex),
  // or null when the index is -1 or the key has no image.
  const TBitmap* SymbolImage(int symbolIndex) const;

  // Longest class code: characters of a section name beyond "C_" and these
  // are dropped.
  static constexpr std::size_t kMaxCodeLength = 99;
  static constexpr int kDefaultSymSize = 16;

  int SymSize = kDefaultSymSize;  // [px]
  // Keys of [Symbols], sorted without regard to case; each carries the index
  // of its image in Images, or -1 when its file gave no image.
  TSortedStrings<int> SymbolKeys;
  // The file names of the keys, in the order of SymbolKeys.
  std::vector<std::string> SymbolFiles;
  // One image per key that has one, each drawn SymSize pixels square.
  TImageList Images{kDefaultSymSize, kDefaultSymSize};

private:
  void LoadSymbols(const TIniFile& ini, TBitmapLoader* images, const std::string& programFolder);
  void ReadClass(const TIniFile& ini, TClassDef& def) const;
  void SortByOrder();

  std::vector<std::unique_ptr<TClassDef>> items_;
};

}  // namespace chizro
