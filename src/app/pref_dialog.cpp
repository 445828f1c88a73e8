#include "app/pref_dialog.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyledItemDelegate>

#include <exception>
#include <optional>

#include "platform/sjis.h"

namespace chizro {
namespace {

constexpr int kRowHeight = 22;
// Where the five fields of a row are written, from the row's left edge.
constexpr int kFieldX[TOutputSettings::kFieldCount] = {5, 200, 280, 360, 440};

QString Unicode(const std::string& sjis) { return QString::fromStdString(SjisToUtf8(sjis)); }

// Draws a row: a box with grey lines between rows, then the five fields.
class TRowDelegate final : public QStyledItemDelegate {
public:
  TRowDelegate(const TOutputSettings& settings, QObject* parent)
      : QStyledItemDelegate(parent), settings_(settings) {}

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
    const auto row = static_cast<std::size_t>(index.row());
    if (row < settings_.Rows.size()) {
      const auto& fields = settings_.Rows[row].Fields;
      // A short entry shows what it has; saving reports it.
      for (std::size_t i = 0; i < TOutputSettings::kFieldCount && i < fields.size(); ++i)
        painter->drawText(QRect(r.left() + kFieldX[i], r.top() + 2, 400, r.height() - 2),
                          Qt::AlignLeft | Qt::AlignTop, Unicode(fields[i]));
    }
    painter->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
    return {505, kRowHeight};
  }

private:
  const TOutputSettings& settings_;
};

QComboBox* MakeCombo(QWidget* parent, int left, int first, int last, bool hexDigits) {
  auto* combo = new QComboBox(parent);
  combo->setEditable(true);
  for (int i = first; i <= last; ++i)
    combo->addItem(hexDigits ? QString::number(i, 16).toUpper() : QString::number(i));
  combo->setGeometry(left, 0, 41, kRowHeight - 4);
  combo->hide();
  return combo;
}

}  // namespace

TFormPref::TFormPref(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("出力設定"));
  setFixedSize(552, 447);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

  GroupBox1 = new QGroupBox(QStringLiteral("レイヤー分け"), this);
  GroupBox1->setGeometry(16, 8, 505, 49);
  radLayer = new QRadioButton(QStringLiteral("レイヤーに出力"), GroupBox1);
  radLayer->setGeometry(16, 16, 113, 17);
  radGroup = new QRadioButton(QStringLiteral("レイヤーグループに出力"), GroupBox1);
  radGroup->setGeometry(164, 16, 153, 17);
  radNone = new QRadioButton(QStringLiteral("レイヤー分けしない"), GroupBox1);
  radNone->setGeometry(360, 16, 129, 17);
  for (QRadioButton* r : {radLayer, radGroup, radNone})
    connect(r, &QRadioButton::clicked, this, [this] { radLayerClick(); });

  const char* captions[] = {"データ分類", "レイヤー", "線色", "線種", "文字種"};
  const int lefts[] = {24, 192, 280, 360, 440};
  for (int i = 0; i < 5; ++i) {
    auto* label = new QLabel(QString::fromUtf8(captions[i]), this);
    label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
    label->move(lefts[i], 72);
  }

  ListBox = new QListWidget(this);
  ListBox->setGeometry(16, 88, 505, 281);
  ListBox->setItemDelegate(new TRowDelegate(settings_, ListBox));
  ListBox->setUniformItemSizes(true);
  connect(ListBox, &QListWidget::currentRowChanged, this, [this] { PlaceCombos(); });

  // The combo boxes live inside the list, so their left edges count from it.
  // The values JW_CAD reads (SettingValue).
  cmbLayer = MakeCombo(ListBox->viewport(), 195, 0, 15, true);
  cmbPen = MakeCombo(ListBox->viewport(), 275, 1, 9, false);
  cmbSyu = MakeCombo(ListBox->viewport(), 355, 1, 9, false);
  cmbMoji = MakeCombo(ListBox->viewport(), 435, 1, 10, false);
  for (QComboBox* c : {cmbLayer, cmbPen, cmbSyu, cmbMoji})
    connect(c, &QComboBox::editTextChanged, this, [this, c] { cmbLayerChange(c); });

  BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
  BitBtn1->setGeometry(152, 384, 75, 25);
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
  BitBtn2->setGeometry(280, 384, 89, 25);
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

  ShowError = [this](const QString& message) {
    QMessageBox::critical(this, windowTitle(), message);
  };
}

void TFormPref::FillFromFile() {
  ListBox->clear();
  fileName_ = TOutputSettings::DefaultFileName();
  settings_ = TOutputSettings();
  settings_.Load(fileName_);
  switch (settings_.Mode()) {
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
  for (std::size_t i = 0; i < settings_.Rows.size(); ++i) {
    auto* item = new QListWidgetItem(ListBox);
    item->setSizeHint(QSize(505, kRowHeight));
  }
  PlaceCombos();
}

void TFormPref::ShowSettings() {
  FillFromFile();
  exec();
}

void TFormPref::PlaceCombos() {
  QComboBox* combos[] = {cmbLayer, cmbPen, cmbSyu, cmbMoji};
  for (QComboBox* c : combos) c->hide();
  const int row = ListBox->currentRow();
  if (row < 0 || static_cast<std::size_t>(row) >= settings_.Rows.size()) return;
  const QRect r = ListBox->visualItemRect(ListBox->item(row));
  const auto& fields = settings_.Rows[static_cast<std::size_t>(row)].Fields;
  cmbLayer->setEnabled(!radNone->isChecked());
  for (std::size_t i = 0; i < 4; ++i) {
    QComboBox* c = combos[i];
    const QSignalBlocker block(c);  // placing is not editing
    c->move(c->x(), r.top() + 2);
    c->setEditText(i + 1 < fields.size() ? Unicode(fields[i + 1]) : QString());
    c->show();
    c->update();
  }
}

void TFormPref::cmbLayerChange(QComboBox* sender) {
  const int row = ListBox->currentRow();
  if (row < 0 || static_cast<std::size_t>(row) >= settings_.Rows.size()) return;
  std::size_t field = 4;
  if (sender == cmbLayer) field = 1;
  if (sender == cmbPen) field = 2;
  if (sender == cmbSyu) field = 3;
  auto& fields = settings_.Rows[static_cast<std::size_t>(row)].Fields;
  const QString text = sender->currentText();
  if (text.isEmpty()) return;
  const std::optional<std::string> value = SettingValue(field, Utf8ToSjis(text.toStdString()));
  if (!value) {
    const TSettingRange& range = *SettingRange(field);
    {
      const QSignalBlocker block(sender);
      sender->setEditText(field < fields.size() ? Unicode(fields[field]) : QString());
    }
    ShowError(QStringLiteral("%1 \"%2\" は JW_CAD が読めません。%1 は %3 で指定してください。")
                  .arg(QString::fromUtf8(range.Name), text, QString::fromUtf8(range.Allowed)));
    return;
  }
  if (fields.size() <= field) fields.resize(field + 1);
  fields[field] = *value;
  if (Unicode(*value) != text) {
    const QSignalBlocker block(sender);
    sender->setEditText(Unicode(*value));
  }
  ListBox->viewport()->update();
}

void TFormPref::radLayerClick() {
  if (ListBox->currentRow() >= 0) {
    PlaceCombos();
    ListBox->viewport()->repaint();
  }
}

void TFormPref::BitBtn1Click() {
  try {
    settings_.SetMode(radLayer->isChecked()   ? TLayerMode::Layer
                      : radGroup->isChecked() ? TLayerMode::Group
                                              : TLayerMode::None);
    settings_.Save(fileName_.empty() ? TOutputSettings::DefaultFileName() : fileName_);
  } catch (const std::exception& e) {
    ShowError(QString::fromUtf8(e.what()));
    return;
  }
  accept();
}

}  // namespace chizro
