// The small pictures on the tool bar buttons, drawn through the canvas port,
// so that both windows show the same ones.
#pragma once

#include "platform/canvas.h"

namespace chizro {

// The small picture a button shows left of its caption.
enum class TGlyph { None, Open, Output, Settings, Back };

// The glyph's size [px].
inline constexpr int kGlyphSize = 16;

// Draws `glyph` with its top-left corner at (x, y) [px]; the canvas's pen and
// brush are left as the glyph's last.
void DrawGlyph(TCanvas& canvas, int x, int y, TGlyph glyph);

}  // namespace chizro
