#include "app/main_window.h"

#include <QApplication>
#include <QFileDialog>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressDialog>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>

#include <exception>

#include "app/glyphs.h"
#include "app/pref_dialog.h"
#include "model/map_leaf.h"
#include "model/map_theme.h"
#include "output/jwc_writer.h"
#include "qt/qt_canvas.h"
#include "readers/data_kinds.h"

namespace chizro {
namespace {

constexpr char kCaption[] = "JW_CAD for Windows用 chizro";

// Leaves written before the output shows a progress dialog.
constexpr int kProgressThreshold = 4;

// A busy cursor for the life of the object.
class TBusyCursor final {
public:
  TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
};

// The window font: "ＭＳ Ｐゴシック" 12 px where installed, else an
// installed Japanese proportional Gothic face.
QFont WindowFont() {
  QFont font;
  font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                    QStringLiteral("IPAPGothic"), QStringLiteral("IPAPゴシック"),
                    QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans CJK JP")});
  font.setPixelSize(12);
  return font;
}

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

const std::vector<TFileType>& TForm1::FileTypes() {
  // Any file, read as the 1:2500 map, then the filter of every data kind.
  static const std::vector<TFileType> types = [] {
    std::vector<TFileType> list = {{QStringLiteral("すべてのファイル (*)"), kKindSdf2500}};
    for (const TDataKind& kind : DataKinds())
      if (kind.SingleFile) list.push_back({QString::fromUtf8(kind.Filter), kind.Kind});
    return list;
  }();
  return types;
}

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(QString::fromUtf8(kCaption));
  setGeometry(192, 107, 696, 480);
  setFont(WindowFont());
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);

  auto* toolBar = new QToolBar(this);
  toolBar->setObjectName(QStringLiteral("ToolBar1"));
  toolBar->setMovable(false);
  toolBar->setFixedHeight(29);
  addToolBar(Qt::TopToolBarArea, toolBar);
  auto* strip = new QWidget(toolBar);
  strip->setFixedHeight(26);
  toolBar->addWidget(strip);

  struct ButtonLayout {
    const char* caption;
    int x;
    int width;
    TGlyph glyph;
    void (TForm1::*handler)();
  };
  const ButtonLayout layout[] = {
      {"地図開", 0, 73, TGlyph::Open, &TForm1::SpeedButton1Click},
      {"JWCAD出力", 73, 96, TGlyph::Output, &TForm1::SpeedButton2Click},
      {"拡大", 169, 35, TGlyph::None, &TForm1::SpeedButton3Click},
      {"縮小", 204, 40, TGlyph::None, &TForm1::SpeedButton4Click},
      {"出力設定", 244, 85, TGlyph::Settings, &TForm1::SpeedButton5Click},
      {"JWCADに戻る", 329, 112, TGlyph::Back, &TForm1::SpeedButton6Click},
  };
  int number = 1;
  for (const ButtonLayout& s : layout) {
    auto* button = new QToolButton(strip);
    button->setObjectName(QStringLiteral("SpeedButton%1").arg(number++));
    button->setText(QString::fromUtf8(s.caption));
    button->setGeometry(s.x, 2, s.width, 22);
    button->setAutoRaise(true);
    if (s.glyph != TGlyph::None) {
      button->setIcon(MakeGlyph(s.glyph));
      button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    } else {
      button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    }
    connect(button, &QToolButton::clicked, this, s.handler);
    buttons_.push_back(button);
  }
  strip->setFixedWidth(329 + 112);

  image_ = new TPaintBox(this);
  image_->setObjectName(QStringLiteral("Image"));
  setCentralWidget(image_);
  connect(image_, &TPaintBox::Paint, this, &TForm1::ImagePaint);
  connect(image_, &TPaintBox::MouseDown, this, &TForm1::ImageMouseDown);

  ChooseFile = [this] { return RunOpenDialog(); };
  ShowError = [this](const QString& message) {
    QMessageBox::critical(this, windowTitle(), message);
  };
  ShowNotice = [this](const QString& message) {
    QMessageBox::information(this, windowTitle(), message);
  };

  FormCreate();
  // The settings dialog exists from the start, hidden until asked for.
  pref_ = new TFormPref(this);
  pref_->hide();
}

TForm1::~TForm1() = default;

void TForm1::FormCreate() {
  project_ = std::make_unique<TMapProject>(DefaultBuilders());
  project_->View->ClearBackground = true;
  project_->CoordMode = kModePlane;
  project_->Datum = kDatumJgd2000;
  project_->Zone = 9;
  loaded_ = false;
}

void TForm1::Guard(const std::function<void()>& step) {
  try {
    step();
  } catch (const std::exception& e) {
    ShowError(QString::fromUtf8(e.what()));
  } catch (...) {
    ShowError(QStringLiteral("予期しないエラーが発生しました"));
  }
}

TForm1::TChoice TForm1::RunOpenDialog() {
  QStringList filters;
  for (const TFileType& t : FileTypes()) filters << t.Filter;
  QString selected = filters.front();
  TChoice choice;
  choice.FileName = QFileDialog::getOpenFileName(this, QString(), QString(),
                                                 filters.join(QStringLiteral(";;")), &selected);
  for (const TFileType& t : FileTypes())
    if (t.Filter == selected) choice.DataKind = t.DataKind;
  return choice;
}

int TForm1::LeafCount() const {
  int count = 0;
  for (int i = 0; i < project_->Themes->Count(); ++i)
    count += project_->Themes->Items(i)->Leaves->Count();
  return count;
}

void TForm1::SpeedButton1Click() {
  const TChoice choice = ChooseFile();
  if (choice.FileName.isEmpty()) return;
  Guard([&] {
    const int before = LeafCount();
    auto settle = [&] {
      project_->SetPixelsPerInch(static_cast<float>(image_->logicalDpiY()));
      project_->SetScale(2500);
      loaded_ = true;
    };
    {
      TBusyCursor busy;
      project_->SetCanvas(nullptr);
      try {
        project_->Open(choice.FileName.toStdString(), choice.DataKind, kOpenFile);
      } catch (...) {
        // What opened before the error (sheets of a scan) is shown; the
        // error, and a file that gave no figure, goes to the message box.
        if (LeafCount() > before) settle();
        throw;
      }
      settle();
    }
    if (LeafCount() == before)
      ShowNotice(
          QStringLiteral("地図を開けませんでした。地図データではないか、既に開いています:\n") +
          choice.FileName);
  });
  image_->repaint();
}

void TForm1::SpeedButton2Click() {
  if (!loaded_) return;
  Guard([&] {
    TBusyCursor busy;
    const int leaves =
        project_->Themes->Count() > 0 ? project_->Themes->Items(0)->Leaves->Count() : 0;
    std::unique_ptr<QProgressDialog> progress;
    if (leaves > kProgressThreshold) {
      progress = std::make_unique<QProgressDialog>(QStringLiteral("JW_CADへ出力しています…"),
                                                   QString(), 0, leaves, this);
      progress->setWindowModality(Qt::WindowModal);
      progress->setMinimumDuration(0);
    }
    // The output paints each leaf to load it; no window surface is needed.
    project_->SetCanvas(nullptr);
    const TJwcStats stats = ExportJwc(*project_, [&](int index, int) {
      if (progress) {
        progress->setValue(index);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
      }
    });
    if (progress) progress->setValue(leaves);
  });
  image_->repaint();
}

void TForm1::SpeedButton3Click() {
  if (!loaded_) return;
  project_->SetScale(project_->GetScale() / 1.5f);
  image_->repaint();
}

void TForm1::SpeedButton4Click() {
  if (!loaded_) return;
  project_->SetScale(project_->GetScale() * 1.5f);
  image_->repaint();
}

void TForm1::SpeedButton5Click() {
  Guard([&] { pref_->ShowSettings(); });
}

void TForm1::SpeedButton6Click() {
  close();
  QCoreApplication::quit();
}

void TForm1::ImagePaint(QPainter& painter) {
  if (!loaded_) return;
  Guard([&] {
    TQtCanvas canvas(painter, image_->rect(), image_->logicalDpiY());
    project_->SetCanvas(&canvas);
    try {
      project_->Draw();
    } catch (...) {
      project_->SetCanvas(nullptr);
      throw;
    }
    // The canvas lives for this paint only; the view keeps the device size.
    project_->SetCanvas(nullptr);
  });
}

void TForm1::ImageMouseDown(Qt::MouseButton, int x, int y) {
  if (!loaded_) return;
  TFPoint w;
  project_->View->DcToWc({x, y}, w);
  project_->View->CenterX = w.x;
  project_->View->CenterY = w.y;
  image_->repaint();
}

}  // namespace chizro
