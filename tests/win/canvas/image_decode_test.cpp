// The BMP and ICO decoders on the files of tests/data/images (made by
// tools/fixtures/images/make_images.py), and the GDI bitmap loader.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"
#include "win/canvas/gdi_bitmap.h"
#include "win/canvas/gdiplus_image.h"
#include "platform/sjis.h"

namespace chizro {
namespace {

const std::string kImages = std::string(CHIZRO_TEST_DATA_DIR) + "/images/";

// Decodes a file of the folder by its extension.
TPixels Decode(const std::string& name) {
  const std::string bytes = test::ReadFile(kImages + name);
  const std::span<const std::uint8_t> file(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                           bytes.size());
  return name.ends_with(".ico") ? DecodeIco(file, DecodeWithGdiplus) : DecodeBmp(file);
}

constexpr std::uint32_t R = 0xFFFF0000, G = 0xFF00FF00, B = 0xFF0000FF;
constexpr std::uint32_t W = 0xFFFFFFFF, K = 0xFF000000, Y = 0xFFFFFF00;

struct GoodCase {
  const char* Name;
  const char* File;
  std::vector<std::uint32_t> Pixels;  // 3 x 2, top row first, 0xAARRGGBB
};

class DecodeGoodTest : public ::testing::TestWithParam<GoodCase> {};

TEST_P(DecodeGoodTest, GivesThePicture) {
  const TPixels pixels = Decode(GetParam().File);
  EXPECT_EQ(pixels.Width, 3);
  EXPECT_EQ(pixels.Height, 2);
  EXPECT_EQ(pixels.Data, GetParam().Pixels);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DecodeGoodTest,
    ::testing::Values(GoodCase{"Rgb24BottomUp", "rgb24.bmp", {R, G, B, W, K, Y}},
                      GoodCase{"Rgb32TopDownIsOpaque", "topdown32.bmp", {R, G, B, W, K, Y}},
                      GoodCase{"CoreHeader8", "core8.bmp", {R, G, B, W, K, Y}},
                      GoodCase{"Monochrome", "mono.bmp", {R, W, R, W, R, W}},
                      GoodCase{"Rle8", "rle8.bmp", {R, G, B, W, K, Y}},
                      GoodCase{"Rle4MoveLeavesTransparent", "rle4.bmp", {R, G, B, 0, K, Y}},
                      GoodCase{"BitFields565", "rgb565.bmp", {R, G, B, W, K, Y}},
                      GoodCase{"V5AlphaMask", "argb-v5.bmp", {R, G, B, W, 0x80000000, Y}},
                      GoodCase{"IconAndMask", "mask8.ico", {R, G, B, W, 0, Y}},
                      GoodCase{"IconAlpha", "alpha32.ico", {R, G, B, W, 0, Y}},
                      GoodCase{"IconPng", "png.ico", {R, G, B, W, K, Y}}),
    test::RowName<GoodCase>);

struct BadCase {
  const char* Name;
  const char* File;
  const char* Message;
};

class DecodeBadTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(DecodeBadTest, IsRefusedWithAReason) {
  try {
    Decode(GetParam().File);
    ADD_FAILURE() << "decoded";
  } catch (const EImageFormat& e) {
    EXPECT_STREQ(e.what(), GetParam().Message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, DecodeBadTest,
    ::testing::Values(BadCase{"TruncatedHeader", "bad-header.bmp", "truncated header"},
                      BadCase{"TruncatedPixels", "bad-pixels.bmp", "truncated pixel data"},
                      BadCase{"HugeSize", "bad-huge.bmp", "image too large"},
                      BadCase{"SevenBits", "bad-bits.bmp", "unsupported bits per pixel: 7"},
                      BadCase{"RleBeyondTheEnd", "bad-rle.bmp", "truncated RLE data"},
                      BadCase{"IconBeyondTheEnd", "bad-offset.ico",
                              "icon image beyond the end of the file"},
                      BadCase{"NotABitmap", "not-a-bitmap.txt", "not a BMP file"}),
    test::RowName<BadCase>);

TEST(GdiBitmapLoader, LoadsByContentFromShiftJisPathsAndRefusesTheRest) {
  TGdiBitmapLoader loader;
  const auto icon = loader.LoadIcon(kImages + "mask8.ico");
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->Width(), 3);
  EXPECT_TRUE(dynamic_cast<const TGdiBitmap&>(*icon).HasAlpha());
  EXPECT_NE(loader.LoadIcon(kImages + "rgb24.bmp"), nullptr) << "a bitmap named as an icon";

  test::TempDir dir;
  const std::string sjisName = "\x8B\x4C\x8D\x86.bmp";  // 記号
  std::filesystem::copy_file(kImages + "rgb24.bmp", dir.Path() / SjisToWide(sjisName));
  const std::string sjisPath = WideToSjis(dir.Path().wstring()) + "\\" + sjisName;
  const auto bitmap = loader.LoadBitmap(sjisPath);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_FALSE(dynamic_cast<const TGdiBitmap&>(*bitmap).HasAlpha());

  EXPECT_EQ(loader.LoadBitmap(kImages + "missing.bmp"), nullptr);
  EXPECT_EQ(loader.LoadBitmap(kImages + "bad-pixels.bmp"), nullptr);
  EXPECT_EQ(loader.LoadBitmap(kImages + "not-a-bitmap.txt"), nullptr);
}

}  // namespace
}  // namespace chizro
