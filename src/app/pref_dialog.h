// The output settings dialog "出力設定": the layer mode and, for every class
// the settings file lists, its layer, line colour, line type and text type.
// It edits only the entries the file holds; it never adds or removes one.
#pragma once

#include <QDialog>

#include <functional>
#include <string>

#include "output/output_settings.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace chizro {

class TFormPref final : public QDialog {
  Q_OBJECT
public:
  explicit TFormPref(QWidget* parent = nullptr);

  // Reads the settings file into the dialog and shows it modally.
  void ShowSettings();
  // The first half of ShowSettings: reads the file and fills the list.
  void FillFromFile();

  // Stores a combo box's text into its field of the selected row when
  // JW_CAD can read it (hexadecimal digits in capitals). A value out of
  // range is refused with a message naming the field and the values
  // allowed, and the combo box goes back to the row's value; an empty text
  // (while typing) leaves the row as it is.
  void cmbLayerChange(QComboBox* sender);
  // Follows a change of the layer mode on the selected row.
  void radLayerClick();
  // Saves the settings and closes the dialog with OK. Errors (an entry of
  // too few fields, a file that cannot be written) are shown and the dialog
  // stays open.
  void BitBtn1Click();

  const TOutputSettings& Rows() const noexcept { return settings_; }

  // Shows an error; a message box unless replaced (tests).
  std::function<void(const QString&)> ShowError;

  QGroupBox* GroupBox1 = nullptr;
  QRadioButton* radLayer = nullptr;
  QRadioButton* radGroup = nullptr;
  QRadioButton* radNone = nullptr;
  QListWidget* ListBox = nullptr;
  QComboBox* cmbLayer = nullptr;
  QComboBox* cmbPen = nullptr;
  QComboBox* cmbSyu = nullptr;
  QComboBox* cmbMoji = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QPushButton* BitBtn2 = nullptr;

private:
  // Moves the four combo boxes onto the selected row (or hides them).
  void PlaceCombos();

  TOutputSettings settings_;
  std::string fileName_;
};

}  // namespace chizro
