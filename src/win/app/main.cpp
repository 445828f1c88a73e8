// The window program on Windows: JW_CAD starts it as an external
// transformation. It has no command line; everything it reads and writes lies
// in its own directory.
#include "win/canvas/win_api.h"

#include <commctrl.h>

#include <exception>

#include "win/app/app_text.h"
#include "win/app/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES |
                                                     ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  int result = 0;
  try {
    chizro::TWinForm1 form(instance);
    form.Show(showCommand);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      // The 位置合わせ dialog beside the window takes its own keys.
      if (HWND placement = form.PlacementHandle(); placement && IsDialogMessageW(placement, &msg))
        continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    result = static_cast<int>(msg.wParam);
  } catch (const std::exception& e) {
    MessageBoxW(nullptr, chizro::WideText(e.what()).c_str(),
                chizro::WideText(chizro::kMainCaption).c_str(), MB_OK | MB_ICONERROR);
    result = 1;
  }
  return result;
}
