// What the Windows dialogs share: their in-memory template and the text of
// a control.
#pragma once

#include <string>
#include <vector>

#include "win/canvas/win_api.h"

namespace chizro {

// An in-memory dialog template of `style` without controls (they are made
// at their pixel positions when the dialog starts) and without a font.
std::vector<WORD> DialogTemplate(const std::wstring& title, DWORD style);

// The text of a window or control.
std::wstring WindowText(HWND window);

}  // namespace chizro
