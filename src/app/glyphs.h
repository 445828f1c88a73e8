// The small pictures on the tool bar buttons, drawn at start-up.
#pragma once

#include <QIcon>

#include "ui/main_logic.h"

namespace chizro {

QIcon MakeGlyph(TGlyph glyph);

}  // namespace chizro
