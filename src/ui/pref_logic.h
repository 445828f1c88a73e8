// The output settings dialog "出力設定" apart from any toolkit: its layout,
// the rows and layer mode read from the settings file, the values each
// combo box offers, the check of a typed value and the save. The Qt dialog
// and the Win32 dialog are thin shells over it. All texts here are UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "output/output_settings.h"

namespace chizro {

// The dialog's caption and size [px].
inline constexpr char kPrefCaption[] = "出力設定";
inline constexpr int kPrefWidth = 552;
inline constexpr int kPrefHeight = 479;

// A control's place inside its parent [px].
struct TPrefBox {
  int Left;
  int Top;
  int Width;
  int Height;
};

// The group box "レイヤー分け" and its three radio buttons (inside it), in
// the order of kPrefModes.
inline constexpr char kPrefGroupCaption[] = "レイヤー分け";
inline constexpr TPrefBox kPrefGroupBox = {16, 8, 505, 49};
inline constexpr TLayerMode kPrefModes[3] = {TLayerMode::Layer, TLayerMode::Group,
                                             TLayerMode::None};
inline constexpr const char* kPrefModeCaptions[3] = {"レイヤーに出力", "レイヤーグループに出力",
                                                     "レイヤー分けしない"};
inline constexpr TPrefBox kPrefModeBoxes[3] = {
    {16, 16, 113, 17}, {164, 16, 153, 17}, {360, 16, 129, 17}};

// The map's row below the group box: the coordinate system (a drop-down
// list of kPrefZoneCount choices, ZoneChoices) and the contour interval of
// elevation models (an edit box; empty for the interval by cell size).
inline constexpr char kPrefZoneCaption[] = "座標系";
inline constexpr TPrefBox kPrefZoneLabel = {16, 70, 44, 17};
inline constexpr TPrefBox kPrefZoneBox = {60, 66, 301, 22};
inline constexpr int kPrefZoneCount = 20;
inline constexpr char kPrefContourCaption[] = "等高線間隔(m)";
inline constexpr TPrefBox kPrefContourLabel = {376, 70, 84, 17};
inline constexpr TPrefBox kPrefContourBox = {460, 66, 61, 22};

// The five columns: the caption over each (at kPrefLabelTop) and where a
// row writes its field, from the row's left edge.
inline constexpr int kPrefLabelTop = 104;
inline constexpr const char* kPrefColumnCaptions[TOutputSettings::kFieldCount] = {
    "データ分類", "レイヤー", "線色", "線種", "文字種"};
inline constexpr int kPrefLabelLeft[TOutputSettings::kFieldCount] = {24, 192, 280, 360, 440};
inline constexpr int kPrefFieldX[TOutputSettings::kFieldCount] = {5, 200, 280, 360, 440};

// The list of rows, each row kPrefRowHeight high.
inline constexpr TPrefBox kPrefListBox = {16, 120, 505, 281};
inline constexpr int kPrefRowHeight = 22;
// The four editable combo boxes for fields 1 to 4 of the selected row: left
// edge inside the list and width; each sits 2 pixels below the row's top.
inline constexpr int kPrefComboLeft[4] = {195, 275, 355, 435};
inline constexpr int kPrefComboWidth = 41;

// OK and Cancel.
inline constexpr TPrefBox kPrefOkBox = {152, 416, 75, 25};
inline constexpr TPrefBox kPrefCancelBox = {280, 416, 89, 25};

// What a typed value did to its row.
struct TPrefEdit {
  enum TResult {
    Unchanged,  // no row selected, or an empty text while typing
    Stored,     // stored as Text (normalised: a hexadecimal digit in capitals)
    Refused,    // JW_CAD cannot read it: Message says why, Text is the row's value
  };
  TResult Result = Unchanged;
  std::string Text;     // what the combo box is to show now
  std::string Message;  // the refusal, naming the field and the values allowed
};

// The rows and the layer mode while the dialog is open. It edits only the
// entries the file holds; it never adds or removes one.
class TPrefLogic final {
public:
  // Reads the layer mode and every "Elements" entry of the settings file
  // `fileName`, in file order; the edits of a previous opening are dropped.
  // Save writes back to the same file.
  void Load(const std::string& fileName);

  TLayerMode Mode() const noexcept { return mode_; }
  void SetMode(TLayerMode mode) noexcept { mode_ = mode; }
  // The layer combo box is disabled when no layer separation is written;
  // the row keeps its layer value.
  bool LayerEditable() const noexcept { return mode_ != TLayerMode::None; }

  int RowCount() const noexcept { return static_cast<int>(settings_.Rows.size()); }
  // Field `field` of row `row` as shown; "" for a field the entry lacks (a
  // short entry shows what it has; saving reports it).
  std::string FieldText(int row, std::size_t field) const;
  const TOutputSettings& Settings() const noexcept { return settings_; }

  // The values the combo box of field 1 to 4 lists: those JW_CAD reads.
  static std::vector<std::string> Choices(std::size_t field);

  // `text` typed or chosen in the combo box of field 1 to 4 of row `row`.
  TPrefEdit Edit(int row, std::size_t field, const std::string& text);

  // The project's coordinate system: 0 for "自動" (the zone the first data
  // chooses: the one it states, or the one the law gives its place), else
  // the zone 1 to 19.
  int Zone() const noexcept { return settings_.Zone.Number(); }
  void SetZone(int zone) noexcept { settings_.Zone = TZone::Chosen(zone); }
  // The captions of the coordinate system's list, by zone (index 0 "自動"),
  // each zone with the areas the notice gives it.
  static std::vector<std::string> ZoneChoices();

  // The contour interval as shown: "" for the interval by cell size.
  std::string ContourText() const;
  // A contour interval typed: Stored (with the text to show) or Refused
  // (the text is the interval kept, the message says what is allowed).
  TPrefEdit EditContour(const std::string& text);

  // Writes the layer mode and every row back to the settings file. Errors
  // (an entry of too few fields, a file that cannot be written) are thrown.
  void Save() const;

private:
  TOutputSettings settings_;
  TLayerMode mode_ = TLayerMode::None;
  std::string fileName_;
};

}  // namespace chizro
