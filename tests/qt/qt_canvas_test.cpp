// The QPainter canvas and the QImage bitmap loader, painting into images on
// the offscreen platform.
#include "qt/qt_canvas.h"

#include <QFontInfo>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "qt/qt_bitmap.h"
#include "test_support.h"

namespace chizro {
namespace {

constexpr TColor kRed = MakeColor(255, 0, 0);
constexpr TColor kBlue = MakeColor(0, 0, 255);
const std::string kTokyo = "\x93\x8C\x8B\x9E";  // 東京
const std::string kPGothic =
    "\x82\x6C\x82\x72 \x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";  // ＭＳ Ｐゴシック
const std::string kGothic = "\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E";  // ＭＳ ゴシック
const std::string kMincho = "\x82\x6C\x82\x72 \x96\xBE\x92\xA9";                  // ＭＳ 明朝

// A white image with a canvas painting on it.
class QtCanvasTest : public ::testing::Test {
protected:
  QtCanvasTest() : image(100, 80, QImage::Format_RGB32) {
    image.fill(Qt::white);
    painter.begin(&image);
    canvas = std::make_unique<TQtCanvas>(painter, image.rect());
  }

  // Ends painting and gives the pixel.
  QColor At(int x, int y) {
    if (painter.isActive()) painter.end();
    return image.pixelColor(x, y);
  }
  // Counts the pixels of a colour in a rectangle.
  int Count(const QRect& r, const QColor& color) {
    if (painter.isActive()) painter.end();
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) n += image.pixelColor(x, y) == color ? 1 : 0;
    return n;
  }

  QImage image;
  QPainter painter;
  std::unique_ptr<TQtCanvas> canvas;
};

TEST(QtCanvasColours, AreBlueGreenRedFromTheHighByteDown) {
  EXPECT_EQ(TQtCanvas::ToQColor(0x00336699), QColor(0x99, 0x66, 0x33));
  EXPECT_EQ(TQtCanvas::ToQPen({kBlue, kPenDot, 0}).width(), 1) << "width 0 is one pixel";
  EXPECT_EQ(TQtCanvas::ToQPen({kBlue, kPenDot, 3}).width(), 3);
}

TEST_F(QtCanvasTest, PolygonIsFilledWithTheBrushAndOutlinedWithThePen) {
  canvas->SetPen({kBlue, kPenSolid, 1});
  canvas->SetBrush({kRed, kBrushSolid});
  const TPoint square[] = {{10, 10}, {50, 10}, {50, 50}, {10, 50}};
  canvas->Polygon(square);
  EXPECT_EQ(At(30, 30), QColor(Qt::red));
  EXPECT_EQ(At(30, 10), QColor(Qt::blue));
  EXPECT_EQ(At(10, 30), QColor(Qt::blue));
  EXPECT_EQ(At(70, 30), QColor(Qt::white));
}

TEST_F(QtCanvasTest, ClearPenAndBrushDrawNothing) {
  canvas->SetPen({kBlue, kPenClear, 1});
  canvas->SetBrush({kRed, kBrushClear});
  const TPoint square[] = {{10, 10}, {50, 10}, {50, 50}, {10, 50}};
  canvas->Polygon(square);
  canvas->FillRect({0, 0, 100, 80});
  EXPECT_EQ(Count(image.rect(), Qt::white), 100 * 80);
}

TEST_F(QtCanvasTest, PolylineIsOpenAndHatchesLeaveTheBackground) {
  canvas->SetPen({kRed, kPenSolid, 1});
  const TPoint line[] = {{5, 5}, {5, 60}, {60, 60}};
  canvas->Polyline(line);
  EXPECT_EQ(At(5, 30), QColor(Qt::red));
  EXPECT_EQ(At(30, 60), QColor(Qt::red));
  EXPECT_EQ(At(30, 32), QColor(Qt::white)) << "not closed";

  image.fill(Qt::white);
  painter.begin(&image);
  canvas->SetBrush({kBlue, kBrushCross});
  canvas->FillRect({0, 0, 40, 40});
  const int blue = Count(QRect(0, 0, 40, 40), Qt::blue);
  EXPECT_GT(blue, 100);
  EXPECT_GT(Count(QRect(0, 0, 40, 40), Qt::white), 40 * 40 / 2);
  EXPECT_EQ(blue + Count(QRect(0, 0, 40, 40), Qt::white), 40 * 40);
}

TEST_F(QtCanvasTest, RectangleOutlinesInsideItsBounds) {
  canvas->SetPen({kBlue, kPenSolid, 1});
  canvas->SetBrush({kRed, kBrushSolid});
  canvas->Rectangle({10, 10, 20, 20});
  EXPECT_EQ(At(10, 10), QColor(Qt::blue));
  EXPECT_EQ(At(19, 19), QColor(Qt::blue));
  EXPECT_EQ(At(15, 15), QColor(Qt::red));
  EXPECT_EQ(At(20, 20), QColor(Qt::white));
}

TEST_F(QtCanvasTest, BitmapsAreStretchedOverTheRectangle) {
  QImage red(2, 2, QImage::Format_RGB32);
  red.fill(Qt::red);
  const TQtBitmap bitmap(red);
  canvas->StretchDraw({10, 10, 30, 40}, bitmap);
  EXPECT_EQ(Count(QRect(10, 10, 20, 30), Qt::red), 20 * 30);
  EXPECT_EQ(At(30, 25), QColor(Qt::white));
  EXPECT_EQ(At(20, 40), QColor(Qt::white));
}

TEST_F(QtCanvasTest, JapaneseTextIsWrittenBelowAndRightOfItsPosition) {
  TFont font;
  font.Name = kPGothic;
  font.Size = 9;  // 12 pixels at 96 ppi
  font.Color = kBlue;
  canvas->SetFont(font);
  const int w = canvas->TextWidth(kTokyo);
  EXPECT_GE(w, 20);
  EXPECT_LE(w, 28);

  image.fill(QColor(128, 128, 128));
  canvas->SetBrush({kBlue, kBrushClear});
  canvas->TextOut(10, 10, kTokyo);
  canvas->SetBrush({kColorWhite, kBrushSolid});
  canvas->TextOut(10, 40, kTokyo);
  const QRect transparent(10, 10, w, 14);
  const QRect opaque(10, 40, w, 14);
  EXPECT_GT(Count(transparent, Qt::blue), 10);
  EXPECT_EQ(Count(transparent, Qt::white), 0) << "no box without a solid brush";
  EXPECT_GT(Count(opaque, Qt::blue), 10);
  EXPECT_GT(Count(opaque, Qt::white), 10) << "the label stands on a white box";
  EXPECT_EQ(Count(QRect(0, 0, 100, 9), Qt::blue), 0) << "nothing above the position";
  EXPECT_EQ(Count(QRect(0, 0, 9, 80), Qt::blue), 0) << "nothing left of the position";
}

TEST(QtCanvasFonts, WindowsFacesFallBackToTheIpaFaces) {
  EXPECT_EQ(TQtCanvas::FallbackFamilies(kPGothic), (QStringList{"IPAPGothic", "IPAGothic"}));
  EXPECT_EQ(TQtCanvas::FallbackFamilies("MS UI Gothic"), (QStringList{"IPAPGothic", "IPAGothic"}));
  EXPECT_EQ(TQtCanvas::FallbackFamilies(kGothic), (QStringList{"IPAGothic", "IPAPGothic"}));
  EXPECT_EQ(TQtCanvas::FallbackFamilies(kMincho),
            (QStringList{"IPAMincho", "IPAPMincho", "IPAGothic", "IPAPGothic"}));

  TFont font;
  font.Name = kPGothic;
  font.Size = 10;
  font.Bold = true;
  const QFont q = TQtCanvas::ToQFont(font, 96);
  EXPECT_EQ(q.pixelSize(), 13);
  EXPECT_TRUE(q.bold());
  EXPECT_EQ(q.families().front(), QString::fromUtf8("ＭＳ Ｐゴシック"));
  // Whatever face is chosen can write the map's Japanese text.
  EXPECT_TRUE(QFontMetrics(q).inFontUcs4(0x6771));  // 東
}

class QtBitmapLoaderTest : public ::testing::Test {
protected:
  std::string Save(const std::string& name, const char* format) {
    QImage img(5, 3, QImage::Format_RGB32);
    img.fill(Qt::green);
    const std::string path = dir.File(name);
    EXPECT_TRUE(img.save(QString::fromStdString(path), format));
    return path;
  }

  test::TempDir dir;
  TQtBitmapLoader loader;
};

TEST_F(QtBitmapLoaderTest, LoadsBitmapsAndIconsByTheirContent) {
  auto bmp = loader.LoadBitmap(Save("sym.bmp", "BMP"));
  ASSERT_NE(bmp, nullptr);
  EXPECT_EQ(bmp->Width(), 5);
  EXPECT_EQ(bmp->Height(), 3);
  EXPECT_EQ(dynamic_cast<TQtBitmap&>(*bmp).Image.pixelColor(0, 0), QColor(Qt::green));
  auto ico = loader.LoadIcon(Save("sym.ico", "ICO"));
  ASSERT_NE(ico, nullptr);
  EXPECT_EQ(ico->Width(), 5);
  // A ".BMP" that holds another format still loads.
  EXPECT_NE(loader.LoadBitmap(Save("png.BMP", "PNG")), nullptr);
}

TEST_F(QtBitmapLoaderTest, MissingAndBrokenFilesGiveNoImage) {
  EXPECT_EQ(loader.LoadBitmap(dir.File("missing.bmp")), nullptr);
  test::WriteFile(dir.File("text.bmp"), "not an image");
  EXPECT_EQ(loader.LoadBitmap(dir.File("text.bmp")), nullptr);
  // Names are taken byte for byte, Shift_JIS included.
  const std::string sjisName = dir.File("\x8B\x4C\x8D\x86.bmp");  // 記号
  QImage img(2, 2, QImage::Format_RGB32);
  img.fill(Qt::red);
  ASSERT_TRUE(img.save(QString::fromStdString(dir.File("plain.bmp")), "BMP"));
  std::filesystem::rename(dir.File("plain.bmp"), sjisName);
  EXPECT_NE(loader.LoadBitmap(sjisName), nullptr);
}

}  // namespace
}  // namespace chizro
