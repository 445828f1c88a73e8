// <windows.h> for chizro's Windows side. The Win32 headers define macros
// for the A/W pairs of their functions, some of which are also names of this
// program's methods (TCanvas::TextOut, TBitmapLoader::LoadBitmap and
// LoadIcon): those macros are removed here, and the Windows side calls the
// W functions by their full names.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef TextOut
#undef LoadBitmap
#undef LoadIcon
#undef DrawText
#undef GetObject
