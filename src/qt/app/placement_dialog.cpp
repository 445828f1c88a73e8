#include "qt/app/placement_dialog.h"

#include <QBrush>
#include <QColor>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/main_logic.h"
#include "ui/placement_logic.h"

namespace chizro {

TPlacementDialog::TPlacementDialog(QWidget* parent, TMainLogic& logic)
    : QDialog(parent), logic_(logic) {
  setObjectName(QStringLiteral("FormPlacement"));
  setModal(false);
  resize(520, 400);
  auto* layout = new QVBoxLayout(this);

  Hint = new QLabel(this);
  Hint->setWordWrap(true);
  layout->addWidget(Hint);
  Note = new QLabel(this);
  Note->setWordWrap(true);
  layout->addWidget(Note);

  Points = new QTableWidget(0, static_cast<int>(kPlacementColumns.size()), this);
  QStringList headers;
  for (const char* h : kPlacementColumns) headers << QString::fromUtf8(h);
  Points->setHorizontalHeaderLabels(headers);
  Points->setSelectionBehavior(QAbstractItemView::SelectRows);
  Points->setSelectionMode(QAbstractItemView::SingleSelection);
  Points->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Points->verticalHeader()->setVisible(false);
  Points->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  layout->addWidget(Points, 1);

  auto* typed = new QHBoxLayout;
  typed->addWidget(new QLabel(QStringLiteral("X (北)"), this));
  EditX = new QLineEdit(this);
  typed->addWidget(EditX);
  typed->addWidget(new QLabel(QStringLiteral("Y (東)"), this));
  EditY = new QLineEdit(this);
  typed->addWidget(EditY);
  Enter = new QPushButton(QStringLiteral("入力"), this);
  typed->addWidget(Enter);
  layout->addLayout(typed);

  auto* fit = new QHBoxLayout;
  Remove = new QPushButton(QStringLiteral("削除"), this);
  fit->addWidget(Remove);
  fit->addStretch(1);
  Helmert = new QRadioButton(QStringLiteral("ヘルマート変換"), this);
  Affine = new QRadioButton(QStringLiteral("アフィン変換"), this);
  fit->addWidget(Helmert);
  fit->addWidget(Affine);
  layout->addLayout(fit);

  Summary = new QLabel(this);
  Summary->setWordWrap(true);
  layout->addWidget(Summary);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  Ok = new QPushButton(QStringLiteral("OK"), this);
  Cancel = new QPushButton(QStringLiteral("キャンセル"), this);
  buttons->addWidget(Ok);
  buttons->addWidget(Cancel);
  layout->addLayout(buttons);

  connect(Enter, &QPushButton::clicked, this, [this] { EnterClick(); });
  connect(EditY, &QLineEdit::returnPressed, this, [this] { EnterClick(); });
  connect(Remove, &QPushButton::clicked, this, [this] { RemoveClick(); });
  connect(Ok, &QPushButton::clicked, this, [this] { OkClick(); });
  connect(Cancel, &QPushButton::clicked, this, [this] { CancelClick(); });
  connect(Helmert, &QRadioButton::toggled, this, [this](bool on) {
    if (!on || !logic_.Placement()) return;
    logic_.Placement()->SetFit(TFitKind::Helmert);
    Refresh();
    logic_.PlacementEdited();
  });
  connect(Affine, &QRadioButton::toggled, this, [this](bool on) {
    if (!on || !logic_.Placement()) return;
    logic_.Placement()->SetFit(TFitKind::Affine);
    Refresh();
    logic_.PlacementEdited();
  });
  ShowError = [this](const QString& message) {
    QMessageBox::critical(this, windowTitle(), message);
  };
}

void TPlacementDialog::Refresh() {
  const TPlacementLogic* p = logic_.Placement();
  if (!p) return;
  setWindowTitle(QString::fromStdString(p->Title()));
  Hint->setText(QString::fromStdString(p->Hint()));
  Note->setText(QString::fromStdString(p->Note()));
  Note->setVisible(!p->Note().empty());
  const std::vector<TPlacementRow> rows = p->Rows();
  Points->setRowCount(static_cast<int>(rows.size()));
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (std::size_t c = 0; c < rows[r].Cells.size(); ++c) {
      auto* item = new QTableWidgetItem(QString::fromStdString(rows[r].Cells[c]));
      if (c > 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (rows[r].Large) item->setForeground(QBrush(QColor(200, 0, 0)));
      Points->setItem(static_cast<int>(r), static_cast<int>(c), item);
    }
  const QSignalBlocker blockH(Helmert), blockA(Affine);
  Helmert->setChecked(p->Fit() == TFitKind::Helmert);
  Affine->setChecked(p->Fit() == TFitKind::Affine);
  Summary->setText(QString::fromStdString(p->Summary()));
  Ok->setEnabled(p->CanAccept());
}

void TPlacementDialog::EnterClick() {
  TPlacementLogic* p = logic_.Placement();
  if (!p) return;
  const std::string error =
      p->EnterTarget(EditX->text().toStdString(), EditY->text().toStdString());
  if (!error.empty()) {
    ShowError(QString::fromStdString(error));
    return;
  }
  EditX->clear();
  EditY->clear();
  Refresh();
  logic_.PlacementEdited();
}

void TPlacementDialog::RemoveClick() {
  TPlacementLogic* p = logic_.Placement();
  const int row = Points->currentRow();
  if (!p || row < 0) return;
  p->Remove(static_cast<std::size_t>(row));
  Refresh();
  logic_.PlacementEdited();
}

void TPlacementDialog::OkClick() {
  // Out of the way while the map opens again and its fit is said; back
  // when the logic keeps it open.
  hide();
  if (!logic_.FinishPlacement(true)) show();
}

void TPlacementDialog::CancelClick() {
  logic_.FinishPlacement(false);
  hide();
}

void TPlacementDialog::reject() { CancelClick(); }

}  // namespace chizro
