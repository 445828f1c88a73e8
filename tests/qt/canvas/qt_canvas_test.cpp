// The QPainter canvas (the drawing contract, colours and font faces) and the
// QImage bitmap loader, painting into images on the offscreen platform.
#include "qt/canvas/qt_canvas.h"

#include <QFontInfo>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "qt/canvas/qt_bitmap.h"
#include "support/canvas_contract.h"
#include "test_support.h"

namespace chizro {
namespace {

using test::CanvasContract;

constexpr TColor kBlue = MakeColor(0, 0, 255);
const std::string kPGothic =
    "\x82\x6C\x82\x72 \x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";  // ＭＳ Ｐゴシック
const std::string kGothic = "\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E";  // ＭＳ ゴシック
const std::string kMincho = "\x82\x6C\x82\x72 \x96\xBE\x92\xA9";                  // ＭＳ 明朝

// An RGB32 image with a QPainter on it; reading a pixel ends the painting,
// and the next canvas begins it again.
class TQtSurface final : public test::TCanvasSurface {
public:
  TQtSurface() : image_(kWidth, kHeight, QImage::Format_RGB32) {}

  TCanvas& Canvas() override {
    if (!painter_.isActive()) {
      painter_.begin(&image_);
      canvas_ = std::make_unique<TQtCanvas>(painter_, image_.rect());
    }
    return *canvas_;
  }
  void Fill(TColor colour) override {
    End();
    image_.fill(TQtCanvas::ToQColor(colour));
  }
  TColor At(int x, int y) override {
    End();
    const QColor c = image_.pixelColor(x, y);
    return MakeColor(static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                     static_cast<std::uint8_t>(c.blue()));
  }
  std::unique_ptr<TBitmap> Bitmap(int w, int h, TColor colour) override {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(TQtCanvas::ToQColor(colour));
    return std::make_unique<TQtBitmap>(img);
  }

private:
  void End() {
    canvas_.reset();
    if (painter_.isActive()) painter_.end();
  }

  QImage image_;
  QPainter painter_;
  std::unique_ptr<TQtCanvas> canvas_;
};

INSTANTIATE_TEST_SUITE_P(Qt, CanvasContract,
                         ::testing::Values(test::TCanvasSurfaceKind{
                             "QPainter", []() -> std::unique_ptr<test::TCanvasSurface> {
                               return std::make_unique<TQtSurface>();
                             }}),
                         test::CanvasKindName);

TEST(QtCanvasColours, AreBlueGreenRedFromTheHighByteDown) {
  EXPECT_EQ(TQtCanvas::ToQColor(0x00336699), QColor(0x99, 0x66, 0x33));
  EXPECT_EQ(TQtCanvas::ToQPen({kBlue, kPenDot, 0}).width(), 1) << "width 0 is one pixel";
  EXPECT_EQ(TQtCanvas::ToQPen({kBlue, kPenDot, 3}).width(), 3);
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
