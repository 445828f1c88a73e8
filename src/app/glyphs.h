// The small pictures on the tool bar buttons, drawn at start-up.
#pragma once

#include <QIcon>

namespace chizro {

enum class TGlyph { None, Open, Output, Settings, Back };

QIcon MakeGlyph(TGlyph glyph);

}  // namespace chizro
