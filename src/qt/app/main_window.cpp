#include "qt/app/main_window.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QProgressDialog>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QWheelEvent>

#include "qt/app/placement_dialog.h"
#include "qt/app/pref_dialog.h"
#include "qt/canvas/qt_canvas.h"
#include "ui/glyphs.h"
#include "ui/placement_logic.h"

namespace chizro {
namespace {

// A tool bar button's picture on a transparent pixmap.
QIcon GlyphIcon(TGlyph glyph) {
  QPixmap pixmap(kGlyphSize, kGlyphSize);
  pixmap.fill(Qt::transparent);
  {
    QPainter painter(&pixmap);
    TQtCanvas canvas(painter, pixmap.rect());
    DrawGlyph(canvas, 0, 0, glyph);
  }
  return QIcon(pixmap);
}

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

// The progress of a long open, modal over the window, with a cancel button.
class TQtOpenProgress final : public TOpenProgressBox {
public:
  explicit TQtOpenProgress(QWidget* parent)
      : dialog_(QString(), QStringLiteral("中止"), 0, 0, parent) {
    dialog_.setWindowTitle(QString::fromUtf8(kOpenProgressCaption));
    dialog_.setWindowModality(Qt::WindowModal);
    dialog_.setMinimumDuration(0);
    dialog_.setAutoClose(false);
    dialog_.setAutoReset(false);
    dialog_.setMinimumWidth(360);
  }
  void Show(const std::string& text, int done, int total) override {
    dialog_.setLabelText(QString::fromStdString(text));
    dialog_.setMaximum(total);
    dialog_.setValue(done);
    // The cancel button and the repaints need the events; the window
    // itself is blocked by the modal dialog.
    QCoreApplication::processEvents();
  }
  // Asked at every report of the open: the cancel button is pressed in the
  // events, let through at most every 50 ms between the shown steps.
  bool Cancelled() override {
    if (!timer_.isValid() || timer_.elapsed() >= 50) {
      QCoreApplication::processEvents();
      timer_.start();
    }
    return dialog_.wasCanceled();
  }

private:
  QProgressDialog dialog_;
  QElapsedTimer timer_;
};

}  // namespace

TPaintBox::TPaintBox(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
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

void TPaintBox::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  emit MouseMove(p.x(), p.y());
}

void TPaintBox::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  emit MouseUp(event->button(), p.x(), p.y());
}

void TPaintBox::leaveEvent(QEvent*) { emit MouseLeave(); }

void TPaintBox::wheelEvent(QWheelEvent* event) {
  // A notch is 120 eighths of a degree; fine-grained wheels add up to one.
  wheelRest_ += event->angleDelta().y();
  const int steps = wheelRest_ / 120;
  wheelRest_ -= steps * 120;
  const QPoint p = event->position().toPoint();
  if (steps != 0) emit Wheel(p.x(), p.y(), steps);
  event->accept();
}

void TPaintBox::contextMenuEvent(QContextMenuEvent* event) { emit ContextMenu(event->globalPos()); }

TForm1::TForm1(QWidget* parent, std::string programFolder) : QMainWindow(parent) {
  setWindowTitle(QString::fromUtf8(kMainCaption));
  setGeometry(kMainLeft, kMainTop, kMainWidth, kMainHeight);
  setFont(WindowFont());
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);

  logic_ = std::make_unique<TMainLogic>(static_cast<TMainHost&>(*this), &bitmaps_,
                                        std::move(programFolder));

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
      button->setIcon(GlyphIcon(s.Glyph));
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
  connect(image_, &TPaintBox::MouseDown, this, [this](Qt::MouseButton button, int x, int y) {
    if (button == Qt::LeftButton) logic_->MouseDown(x, y);
  });
  connect(image_, &TPaintBox::MouseMove, this, [this](int x, int y) { logic_->MouseMove(x, y); });
  connect(image_, &TPaintBox::MouseUp, this, [this](Qt::MouseButton button, int x, int y) {
    if (button == Qt::LeftButton) logic_->MouseUp(x, y);
  });
  connect(image_, &TPaintBox::MouseLeave, this, [this] { logic_->MouseLeave(); });
  connect(image_, &TPaintBox::Wheel, this,
          [this](int x, int y, int steps) { logic_->Wheel(x, y, steps); });
  connect(image_, &TPaintBox::ContextMenu, this, [this](const QPoint& at) {
    QMenu menu(this);
    menu.addAction(QString::fromUtf8(kFitAllCaption), this, [this] { logic_->FitAll(); });
    menu.addAction(QString::fromUtf8(kPlacementMenuCaption), this,
                   [this] { logic_->StartPlacement(); });
    menu.exec(at);
  });
  setFocusPolicy(Qt::StrongFocus);

  for (int i = 0; i < 4; ++i) {
    auto* part = new QLabel(this);
    part->setObjectName(QStringLiteral("StatusPart%1").arg(i + 1));
    // Room for "1:1234567", "XIX系 JGD2000" and a plane position.
    static constexpr int kMinWidths[] = {80, 110, 230, 0};
    part->setMinimumWidth(kMinWidths[i]);
    statusBar()->addWidget(part, i < 3 ? 0 : 1);
    statusParts_.push_back(part);
  }
  ShowStatus(logic_->Status());

  OpenDialog = [this] { return RunOpenDialog(); };
  SaveDialog = [this](const QString& fileType, const QString& suggested) {
    return RunSaveDialog(fileType, suggested);
  };
  ErrorBox = [this](const QString& message) {
    QMessageBox::critical(this, windowTitle(), message);
  };
  NoticeBox = [this](const QString& message) {
    QMessageBox::information(this, windowTitle(), message);
  };
  AskBox = [this](const QString& question) {
    QMessageBox box(QMessageBox::Question, windowTitle(), question, QMessageBox::NoButton, this);
    QPushButton* yes = box.addButton(QStringLiteral("はい"), QMessageBox::YesRole);
    box.addButton(QStringLiteral("いいえ"), QMessageBox::NoRole);
    box.exec();
    return box.clickedButton() == yes;
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

std::optional<TSaveChoice> TForm1::RunSaveDialog(const QString& fileType,
                                                 const QString& suggested) {
  QFileDialog dialog(this, QString(), suggested, fileType);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("sim"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString name = dialog.selectedFiles().front();
  return TSaveChoice{QFile::encodeName(name).toStdString(), name.toStdString()};
}

bool TForm1::ShowSettings(const std::string& fileName) {
  return pref_->ShowSettings(fileName);
}

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

std::unique_ptr<TOpenProgressBox> TForm1::StartOpenProgress() {
  return std::make_unique<TQtOpenProgress>(this);
}

TPoint TForm1::ImageSize() { return {image_->width(), image_->height()}; }

void TForm1::ShowStatus(const TStatusLine& status) {
  const std::string* texts[] = {&status.Scale, &status.System, &status.Plane, &status.LatLon};
  for (std::size_t i = 0; i < statusParts_.size(); ++i)
    statusParts_[i]->setText(QString::fromStdString(*texts[i]));
}

void TForm1::ShowPlacement() {
  if (!placement_) {
    placement_ = new TPlacementDialog(this, *logic_);
    // Beside the main window, so that both maps stay in sight.
    placement_->move(geometry().right() + 8, geometry().top());
  }
  placement_->Refresh();
  placement_->show();
  placement_->raise();
}

void TForm1::PlacementChanged() {
  if (placement_) placement_->Refresh();
}

void TForm1::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      logic_->Key(TMapKey::ZoomIn);
      break;
    case Qt::Key_Minus:
      logic_->Key(TMapKey::ZoomOut);
      break;
    case Qt::Key_Left:
      logic_->Key(TMapKey::Left);
      break;
    case Qt::Key_Right:
      logic_->Key(TMapKey::Right);
      break;
    case Qt::Key_Up:
      logic_->Key(TMapKey::Up);
      break;
    case Qt::Key_Down:
      logic_->Key(TMapKey::Down);
      break;
    case Qt::Key_Home:
      logic_->Key(TMapKey::FitAll);
      break;
    default:
      QMainWindow::keyPressEvent(event);
      return;
  }
  event->accept();
}

void TForm1::ImagePaint(QPainter& painter) {
  if (!logic_->Loaded()) return;
  TQtCanvas canvas(painter, image_->rect(), image_->logicalDpiY());
  logic_->Paint(canvas);
}

}  // namespace chizro
