#include "app/main_window.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressDialog>
#include <QToolBar>
#include <QToolButton>

#include "app/glyphs.h"
#include "app/pref_dialog.h"
#include "qt/qt_canvas.h"

namespace chizro {
namespace {

// The window font: "ＭＳ Ｐゴシック" 12 px where installed, else an
// installed Japanese proportional Gothic face.
QFont WindowFont() {
  QFont font;
  font.setFamilies({QString::fromUtf8(kWindowFontFace), QStringLiteral("MS PGothic"),
                    QStringLiteral("IPAPGothic"), QStringLiteral("IPAPゴシック"),
                    QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans CJK JP")});
  font.setPixelSize(kWindowFontPixels);
  return font;
}

// The progress of a long output, modal over the window.
class TQtProgress final : public TProgress {
public:
  TQtProgress(QWidget* parent, int count)
      : dialog_(QString::fromUtf8(kProgressText), QString(), 0, count, parent) {
    dialog_.setWindowModality(Qt::WindowModal);
    dialog_.setMinimumDuration(0);
  }
  void Step(int done) override {
    dialog_.setValue(done);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }

private:
  QProgressDialog dialog_;
};

}  // namespace

TPaintBox::TPaintBox(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAutoFillBackground(false);
}

void TPaintBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  emit Paint(painter);
}

void TPaintBox::mousePressEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  emit MouseDown(event->button(), p.x(), p.y());
}

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(QString::fromUtf8(kMainCaption));
  setGeometry(kMainLeft, kMainTop, kMainWidth, kMainHeight);
  setFont(WindowFont());
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);

  logic_ = std::make_unique<TMainLogic>(static_cast<TMainHost&>(*this));

  auto* toolBar = new QToolBar(this);
  toolBar->setObjectName(QStringLiteral("ToolBar1"));
  toolBar->setMovable(false);
  toolBar->setFixedHeight(kToolBarHeight);
  addToolBar(Qt::TopToolBarArea, toolBar);
  auto* strip = new QWidget(toolBar);
  strip->setFixedHeight(kToolButtonY + kToolButtonHeight + 2);
  toolBar->addWidget(strip);

  int number = 1;
  int right = 0;
  for (const TToolButton& s : ToolButtons()) {
    auto* button = new QToolButton(strip);
    button->setObjectName(QStringLiteral("SpeedButton%1").arg(number++));
    button->setText(QString::fromUtf8(s.Caption));
    button->setGeometry(s.X, kToolButtonY, s.Width, kToolButtonHeight);
    button->setAutoRaise(true);
    if (s.Glyph != TGlyph::None) {
      button->setIcon(MakeGlyph(s.Glyph));
      button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    } else {
      button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    }
    connect(button, &QToolButton::clicked, this,
            [this, press = s.Press] { (logic_.get()->*press)(); });
    buttons_.push_back(button);
    right = s.X + s.Width;
  }
  strip->setFixedWidth(right);

  image_ = new TPaintBox(this);
  image_->setObjectName(QStringLiteral("Image"));
  setCentralWidget(image_);
  connect(image_, &TPaintBox::Paint, this, &TForm1::ImagePaint);
  connect(image_, &TPaintBox::MouseDown, this,
          [this](Qt::MouseButton, int x, int y) { logic_->Click(x, y); });

  OpenDialog = [this] { return RunOpenDialog(); };
  ErrorBox = [this](const QString& message) {
    QMessageBox::critical(this, windowTitle(), message);
  };
  NoticeBox = [this](const QString& message) {
    QMessageBox::information(this, windowTitle(), message);
  };

  // The settings dialog exists from the start, hidden until asked for.
  pref_ = new TFormPref(this);
  pref_->hide();
}

TForm1::~TForm1() = default;

std::optional<TOpenChoice> TForm1::RunOpenDialog() {
  QStringList filters;
  for (const TFileType& t : OpenFileTypes()) filters << QString::fromStdString(t.Caption);
  QString selected = filters.front();
  const QString name = QFileDialog::getOpenFileName(this, QString(), QString(),
                                                    filters.join(QStringLiteral(";;")), &selected);
  if (name.isEmpty()) return std::nullopt;
  TOpenChoice choice;
  // The model holds the file system's own bytes; messages are UTF-8.
  choice.FileName = QFile::encodeName(name).toStdString();
  choice.ShownName = name.toStdString();
  for (const TFileType& t : OpenFileTypes())
    if (QString::fromStdString(t.Caption) == selected) choice.DataKind = t.DataKind;
  return choice;
}

bool TForm1::ShowSettings() { return pref_->ShowSettings(); }

void TForm1::Close() {
  close();
  QCoreApplication::quit();
}

void TForm1::RepaintImage() { image_->repaint(); }

double TForm1::PixelsPerInch() { return static_cast<double>(image_->logicalDpiY()); }

void TForm1::SetBusy(bool busy) {
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

std::unique_ptr<TProgress> TForm1::StartProgress(int count) {
  return std::make_unique<TQtProgress>(this, count);
}

void TForm1::ImagePaint(QPainter& painter) {
  if (!logic_->Loaded()) return;
  TQtCanvas canvas(painter, image_->rect(), image_->logicalDpiY());
  logic_->Paint(canvas);
}

}  // namespace chizro
