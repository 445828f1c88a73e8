// The output settings dialog "出力設定": the layer mode and, for every class
// the settings file lists, its layer, line colour, line type and text type.
// A Qt shell over TPrefLogic, which holds the rows and checks and saves them.
#pragma once

#include <QDialog>

#include <functional>

#include "ui/pref_logic.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace chizro {

class TFormPref final : public QDialog {
  Q_OBJECT
public:
  explicit TFormPref(QWidget* parent = nullptr);

  // Reads the settings file `fileName` into the dialog and shows it
  // modally. True when the settings were saved (OK).
  bool ShowSettings(const std::string& fileName);
  // The first half of ShowSettings: reads the file and fills the list.
  void FillFromFile(const std::string& fileName);

  // Hands a combo box's text to the selected row; a refused value is shown
  // and the combo box goes back to the row's value.
  void cmbLayerChange(QComboBox* sender);
  // Follows a change of the layer mode on the selected row.
  void radLayerClick();
  // Hands the typed contour interval to the logic; a refused one is shown and
  // the box goes back to the interval kept.
  void edtContourDone();
  // Saves the settings and closes the dialog with OK. Errors are shown and
  // the dialog stays open.
  void BitBtn1Click();

  const TPrefLogic& Logic() const noexcept { return logic_; }

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
  QComboBox* cmbZone = nullptr;
  QLineEdit* edtContour = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QPushButton* BitBtn2 = nullptr;

private:
  // Moves the four combo boxes onto the selected row (or hides them).
  void PlaceCombos();
  TLayerMode CheckedMode() const;

  TPrefLogic logic_;
};

}  // namespace chizro
