// The small pictures on the tool bar buttons, drawn with GDI.
#pragma once

#include "ui/main_logic.h"
#include "win/win_api.h"

namespace chizro {

// The glyph's size [px].
inline constexpr int kGlyphSize = 16;

// Draws `glyph` with its top-left corner at (x, y).
void DrawGlyph(HDC dc, int x, int y, TGlyph glyph);

}  // namespace chizro
