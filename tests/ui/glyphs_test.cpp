#include "ui/glyphs.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "support/recording_canvas.h"

namespace chizro {
namespace {

// Every glyph draws something, and only inside its kGlyphSize square at the
// place it is given: the buttons lay the caption right beside it.
TEST(Glyphs, EachDrawsInsideItsSquareOnly) {
  constexpr int kX = 100;
  constexpr int kY = 40;
  for (const TGlyph glyph : {TGlyph::Open, TGlyph::Output, TGlyph::Settings, TGlyph::Back}) {
    test::TRecordingCanvas canvas;
    DrawGlyph(canvas, kX, kY, glyph);
    ASSERT_FALSE(canvas.Calls.empty()) << static_cast<int>(glyph);
    std::istringstream lines(canvas.Calls);
    for (std::string line; std::getline(lines, line);) {
      // "<what> x,y x,y ... pen ...": the points before " pen".
      std::istringstream words(line.substr(0, line.find(" pen")));
      std::string word;
      words >> word;
      while (words >> word) {
        const int x = std::stoi(word.substr(0, word.find(',')));
        const int y = std::stoi(word.substr(word.find(',') + 1));
        EXPECT_TRUE(x >= kX && x <= kX + kGlyphSize && y >= kY && y <= kY + kGlyphSize) << line;
      }
    }
  }
  test::TRecordingCanvas none;
  DrawGlyph(none, kX, kY, TGlyph::None);
  EXPECT_EQ(none.Calls, "");
}

}  // namespace
}  // namespace chizro
