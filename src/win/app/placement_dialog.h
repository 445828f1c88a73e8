// The 位置合わせ dialog on Windows: a modeless dialog beside the main window
// with the hint, the point list (a report list view; residuals over the
// limit in red), X and Y to type, 削除, the choice of fit, the fit's
// summary, OK and キャンセル. A Win32 shell over the placement of
// TMainLogic (ui/placement_logic.h).
#pragma once

#include <vector>

#include "ui/placement_logic.h"
#include "win/canvas/win_api.h"

namespace chizro {

class TMainLogic;

class TWinFormPlacement final {
public:
  // `font` (not owned) is the font of every control.
  TWinFormPlacement(HINSTANCE instance, HFONT font, TMainLogic& logic);
  ~TWinFormPlacement();
  TWinFormPlacement(const TWinFormPlacement&) = delete;
  TWinFormPlacement& operator=(const TWinFormPlacement&) = delete;

  // Shows the dialog beside `owner` (creating it the first time) with what
  // the placement holds now.
  void Show(HWND owner);
  // Shows what the placement holds now.
  void Refresh();
  // The dialog while it is open, for the message loop's IsDialogMessage.
  HWND Handle() const noexcept { return dialog_; }

private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  INT_PTR OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  HWND Control(int id, const wchar_t* windowClass, const std::wstring& text, DWORD style, int left,
               int top, int width, int height, DWORD exStyle = 0);
  void Enter();
  void Remove();
  void SetFit(TFitKind fit);
  // OK (`accept`) or キャンセル: the logic decides whether the dialog closes.
  void Finish(bool accept);
  void ShowError(const std::string& message);

  HINSTANCE instance_;
  HFONT font_;
  TMainLogic& logic_;
  HWND dialog_ = nullptr;
  HWND list_ = nullptr;
  // Whether each line of the list is shown as a large residual.
  std::vector<bool> large_;
};

}  // namespace chizro
