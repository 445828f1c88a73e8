#include "qt/app/pref_dialog.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyledItemDelegate>

#include "ui/guard.h"

namespace chizro {
namespace {

QRect Box(const TPrefBox& b) { return {b.Left, b.Top, b.Width, b.Height}; }

// Draws a row: a box with grey lines between rows, then the five fields.
class TRowDelegate final : public QStyledItemDelegate {
public:
  TRowDelegate(const TPrefLogic& logic, QObject* parent)
      : QStyledItemDelegate(parent), logic_(logic) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const QRect r = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->setPen(QColor(176, 176, 176));
    painter->setBrush(selected ? option.palette.highlight() : option.palette.base());
    painter->drawRect(r.adjusted(0, 0, -1, 0));
    painter->setPen(selected ? option.palette.highlightedText().color()
                             : option.palette.text().color());
    for (std::size_t i = 0; i < TOutputSettings::kFieldCount; ++i)
      painter->drawText(QRect(r.left() + kPrefFieldX[i], r.top() + 2, 400, r.height() - 2),
                        Qt::AlignLeft | Qt::AlignTop,
                        QString::fromStdString(logic_.FieldText(index.row(), i)));
    painter->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
    return {kPrefListBox.Width, kPrefRowHeight};
  }

private:
  const TPrefLogic& logic_;
};

// Draws a choice of the coordinate system's list wrapped to the list's
// width: a choice wider than the list (XIII's list of Hokkaido's
// municipalities on a screen 1024 pixels wide) takes two lines instead of
// being cut.
class TWrapDelegate final : public QStyledItemDelegate {
public:
  TWrapDelegate(int textWidth, QObject* parent)
      : QStyledItemDelegate(parent), textWidth_(textWidth) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->fillRect(option.rect, selected ? option.palette.highlight() : option.palette.base());
    painter->setPen(selected ? option.palette.highlightedText().color()
                             : option.palette.text().color());
    painter->drawText(option.rect.adjusted(kPad, kPad, -kPad, -kPad),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                      index.data().toString());
    painter->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QRect text = option.fontMetrics.boundingRect(QRect(0, 0, textWidth_, 100000),
                                                       Qt::TextWordWrap, index.data().toString());
    return {textWidth_ + 2 * kPad, text.height() + 2 * kPad};
  }

  static constexpr int kPad = 3;

private:
  int textWidth_;
};

QComboBox* MakeCombo(QWidget* parent, std::size_t field) {
  auto* combo = new QComboBox(parent);
  combo->setEditable(true);
  for (const std::string& choice : TPrefLogic::Choices(field))
    combo->addItem(QString::fromStdString(choice));
  combo->setGeometry(kPrefComboLeft[field - 1], 0, kPrefComboWidth, kPrefRowHeight - 4);
  combo->hide();
  return combo;
}

}  // namespace

TFormPref::TFormPref(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromUtf8(kPrefCaption));
  setFixedSize(kPrefWidth, kPrefHeight);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

  GroupBox1 = new QGroupBox(QString::fromUtf8(kPrefGroupCaption), this);
  GroupBox1->setGeometry(Box(kPrefGroupBox));
  QRadioButton** radios[] = {&radLayer, &radGroup, &radNone};
  for (int i = 0; i < 3; ++i) {
    auto* r = new QRadioButton(QString::fromUtf8(kPrefModeCaptions[i]), GroupBox1);
    r->setGeometry(Box(kPrefModeBoxes[i]));
    connect(r, &QRadioButton::clicked, this, [this] { radLayerClick(); });
    *radios[i] = r;
  }

  auto* zoneLabel = new QLabel(QString::fromUtf8(kPrefZoneCaption), this);
  zoneLabel->setGeometry(Box(kPrefZoneLabel));
  cmbZone = new QComboBox(this);
  cmbZone->setGeometry(Box(kPrefZoneBox));
  for (const std::string& choice : TPrefLogic::ZoneChoices())
    cmbZone->addItem(QString::fromStdString(choice));
  // The list is as wide as its longest zone (its areas in full), but no
  // wider than the screen less a margin (the popup is moved onto the
  // screen): there the longest choices wrap.
  {
    const QFontMetrics metrics(cmbZone->font());
    int widest = 0;
    for (int i = 0; i < cmbZone->count(); ++i)
      widest = std::max(widest, metrics.horizontalAdvance(cmbZone->itemText(i)));
    const int chrome = 2 * TWrapDelegate::kPad + 2 * cmbZone->view()->frameWidth() +
                       style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4;
    const QScreen* screen = this->screen();
    const int screenWidth = screen ? screen->availableGeometry().width() : 1024;
    const int listWidth = std::max(kPrefZoneBox.Width, std::min(widest + chrome, screenWidth - 32));
    cmbZone->setItemDelegate(new TWrapDelegate(listWidth - chrome, cmbZone));
    cmbZone->view()->setMinimumWidth(listWidth);
    cmbZone->view()->setMaximumWidth(listWidth);
  }
  connect(cmbZone, &QComboBox::currentIndexChanged, this,
          [this](int index) { logic_.SetZone(index); });
  auto* contourLabel = new QLabel(QString::fromUtf8(kPrefContourCaption), this);
  contourLabel->setGeometry(Box(kPrefContourLabel));
  edtContour = new QLineEdit(this);
  edtContour->setGeometry(Box(kPrefContourBox));
  connect(edtContour, &QLineEdit::editingFinished, this, [this] { edtContourDone(); });

  for (std::size_t i = 0; i < TOutputSettings::kFieldCount; ++i) {
    auto* label = new QLabel(QString::fromUtf8(kPrefColumnCaptions[i]), this);
    label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
    label->move(kPrefLabelLeft[i], kPrefLabelTop);
  }

  ListBox = new QListWidget(this);
  ListBox->setGeometry(Box(kPrefListBox));
  ListBox->setItemDelegate(new TRowDelegate(logic_, ListBox));
  ListBox->setUniformItemSizes(true);
  connect(ListBox, &QListWidget::currentRowChanged, this, [this] { PlaceCombos(); });

  // The combo boxes live inside the list, so their left edges count from it.
  cmbLayer = MakeCombo(ListBox->viewport(), 1);
  cmbPen = MakeCombo(ListBox->viewport(), 2);
  cmbSyu = MakeCombo(ListBox->viewport(), 3);
  cmbMoji = MakeCombo(ListBox->viewport(), 4);
  for (QComboBox* c : {cmbLayer, cmbPen, cmbSyu, cmbMoji})
    connect(c, &QComboBox::editTextChanged, this, [this, c] { cmbLayerChange(c); });

  BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
  BitBtn1->setGeometry(Box(kPrefOkBox));
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  BitBtn2 = new QPushButton(QStringLiteral("キャンセル"), this);
  BitBtn2->setGeometry(Box(kPrefCancelBox));
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

  ShowError = [this](const QString& message) {
    QMessageBox::critical(this, windowTitle(), message);
  };
}

void TFormPref::FillFromFile(const std::string& fileName) {
  ListBox->clear();
  logic_.Load(fileName);
  switch (logic_.Mode()) {
    case TLayerMode::Layer:
      radLayer->setChecked(true);
      break;
    case TLayerMode::Group:
      radGroup->setChecked(true);
      break;
    case TLayerMode::None:
      radNone->setChecked(true);
      break;
  }
  {
    const QSignalBlocker block(cmbZone);
    cmbZone->setCurrentIndex(logic_.Zone());
  }
  edtContour->setText(QString::fromStdString(logic_.ContourText()));
  for (int i = 0; i < logic_.RowCount(); ++i) {
    auto* item = new QListWidgetItem(ListBox);
    item->setSizeHint(QSize(kPrefListBox.Width, kPrefRowHeight));
  }
  PlaceCombos();
}

bool TFormPref::ShowSettings(const std::string& fileName) {
  FillFromFile(fileName);
  return exec() == QDialog::Accepted;
}

void TFormPref::edtContourDone() {
  const TPrefEdit edit = logic_.EditContour(edtContour->text().toStdString());
  if (edit.Result != TPrefEdit::Refused) return;
  edtContour->setText(QString::fromStdString(edit.Text));
  ShowError(QString::fromStdString(edit.Message));
}

TLayerMode TFormPref::CheckedMode() const {
  return radLayer->isChecked()   ? TLayerMode::Layer
         : radGroup->isChecked() ? TLayerMode::Group
                                 : TLayerMode::None;
}

void TFormPref::PlaceCombos() {
  QComboBox* combos[] = {cmbLayer, cmbPen, cmbSyu, cmbMoji};
  for (QComboBox* c : combos) c->hide();
  const int row = ListBox->currentRow();
  if (row < 0 || row >= logic_.RowCount()) return;
  const QRect r = ListBox->visualItemRect(ListBox->item(row));
  cmbLayer->setEnabled(logic_.LayerEditable());
  for (std::size_t i = 0; i < 4; ++i) {
    QComboBox* c = combos[i];
    const QSignalBlocker block(c);  // placing is not editing
    c->move(c->x(), r.top() + 2);
    c->setEditText(QString::fromStdString(logic_.FieldText(row, i + 1)));
    c->show();
    c->update();
  }
}

void TFormPref::cmbLayerChange(QComboBox* sender) {
  std::size_t field = 4;
  if (sender == cmbLayer) field = 1;
  if (sender == cmbPen) field = 2;
  if (sender == cmbSyu) field = 3;
  const QString text = sender->currentText();
  const TPrefEdit edit = logic_.Edit(ListBox->currentRow(), field, text.toStdString());
  if (edit.Result == TPrefEdit::Unchanged) return;
  const QString shown = QString::fromStdString(edit.Text);
  if (shown != text) {
    const QSignalBlocker block(sender);
    sender->setEditText(shown);
  }
  if (edit.Result == TPrefEdit::Refused) {
    ShowError(QString::fromStdString(edit.Message));
    return;
  }
  ListBox->viewport()->update();
}

void TFormPref::radLayerClick() {
  logic_.SetMode(CheckedMode());
  if (ListBox->currentRow() >= 0) {
    PlaceCombos();
    ListBox->viewport()->repaint();
  }
}

void TFormPref::BitBtn1Click() {
  logic_.SetMode(CheckedMode());
  // A contour interval typed without leaving the box counts too.
  const TPrefEdit contour = logic_.EditContour(edtContour->text().toStdString());
  if (contour.Result == TPrefEdit::Refused) {
    edtContour->setText(QString::fromStdString(contour.Text));
    ShowError(QString::fromStdString(contour.Message));
    return;
  }
  if (Guarded([this] { logic_.Save(); },
              [this](const std::string& message) { ShowError(QString::fromStdString(message)); }))
    accept();
}

}  // namespace chizro
