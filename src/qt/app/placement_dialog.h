// The 位置合わせ dialog: a modeless Qt shell over the placement of
// TMainLogic (ui/placement_logic.h). It shows the hint, the point list with
// the residuals and the fit's summary; it takes typed X and Y, removes the
// selected point, switches the fit, and hands OK and キャンセル to the logic.
#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace chizro {

class TMainLogic;

class TPlacementDialog final : public QDialog {
  Q_OBJECT
public:
  TPlacementDialog(QWidget* parent, TMainLogic& logic);

  // Shows what the placement holds now.
  void Refresh();
  // The buttons' actions (also for tests).
  void EnterClick();
  void RemoveClick();
  void OkClick();
  void CancelClick();

  // Shows an error; a message box unless replaced (tests).
  std::function<void(const QString&)> ShowError;

  QLabel* Hint = nullptr;
  QLabel* Note = nullptr;
  QTableWidget* Points = nullptr;
  QLineEdit* EditX = nullptr;
  QLineEdit* EditY = nullptr;
  QPushButton* Enter = nullptr;
  QPushButton* Remove = nullptr;
  QRadioButton* Helmert = nullptr;
  QRadioButton* Affine = nullptr;
  QLabel* Summary = nullptr;
  QPushButton* Ok = nullptr;
  QPushButton* Cancel = nullptr;

protected:
  void reject() override;

private:
  TMainLogic& logic_;
};

}  // namespace chizro
