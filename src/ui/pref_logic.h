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
inline constexpr int kPrefHeight = 447;

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

// The five columns: the caption over each (at kPrefLabelTop) and where a
// row writes its field, from the row's left edge.
inline constexpr int kPrefLabelTop = 72;
inline constexpr const char* kPrefColumnCaptions[TOutputSettings::kFieldCount] = {
    "データ分類", "レイヤー", "線色", "線種", "文字種"};
inline constexpr int kPrefLabelLeft[TOutputSettings::kFieldCount] = {24, 192, 280, 360, 440};
inline constexpr int kPrefFieldX[TOutputSettings::kFieldCount] = {5, 200, 280, 360, 440};

// The list of rows, each row kPrefRowHeight high.
inline constexpr TPrefBox kPrefListBox = {16, 88, 505, 281};
inline constexpr int kPrefRowHeight = 22;
// The four editable combo boxes for fields 1 to 4 of the selected row: left
// edge inside the list and width; each sits 2 pixels below the row's top.
inline constexpr int kPrefComboLeft[4] = {195, 275, 355, 435};
inline constexpr int kPrefComboWidth = 41;

// OK and Cancel.
inline constexpr TPrefBox kPrefOkBox = {152, 384, 75, 25};
inline constexpr TPrefBox kPrefCancelBox = {280, 384, 89, 25};

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
  // beside the program, in file order; the edits of a previous opening are
  // dropped.
  void Load();

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

  // Writes the layer mode and every row back to the settings file. Errors
  // (an entry of too few fields, a file that cannot be written) are thrown.
  void Save() const;

private:
  TOutputSettings settings_;
  TLayerMode mode_ = TLayerMode::None;
  std::string fileName_;
};

}  // namespace chizro
