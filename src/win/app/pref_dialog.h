// The output settings dialog "出力設定" on Windows: the layer mode as three
// radio buttons, one owner-drawn row per class with four editable combo boxes
// on the selected row, OK and Cancel. A Win32 shell over TPrefLogic, which
// holds the rows and checks and saves them.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "ui/pref_logic.h"
#include "win/canvas/win_api.h"

namespace chizro {

class TWinFormPref final {
public:
  // `font` (not owned) is the font of every control.
  TWinFormPref(HINSTANCE instance, HFONT font);
  TWinFormPref(const TWinFormPref&) = delete;
  TWinFormPref& operator=(const TWinFormPref&) = delete;

  // Reads the settings file and shows the dialog modally over `owner`; true
  // when the settings were saved (OK). Errors of the read are thrown before
  // the dialog opens.
  bool ShowModal(HWND owner, const std::string& fileName);

private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                   DWORD_PTR self);
  INT_PTR OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  void DrawRow(const DRAWITEMSTRUCT& item);
  // The coordinate system's list: its width, and each choice cut into the
  // lines it takes at that width (a choice wider than the list, as XIII's
  // list of Hokkaido's municipalities, takes two).
  void LayOutZoneList(int listWidth);
  void MeasureZone(MEASUREITEMSTRUCT& item) const;
  void DrawZone(const DRAWITEMSTRUCT& item) const;
  // Moves the four combo boxes onto the selected row, or hides them when no
  // row is selected or it is scrolled out of sight.
  void PlaceCombos();
  void ComboChanged(int index, bool chosenFromList);
  void ModeClicked(int id);
  // Hands the typed contour interval to the logic; a refused one is shown,
  // the box goes back to the interval kept, and the result is false.
  bool ContourDone();
  void Ok();
  void ShowError(const std::string& message);
  HWND Control(int id, const wchar_t* windowClass, const std::wstring& text, DWORD style,
               const TPrefBox& box, HWND parent, DWORD exStyle = 0);

  HINSTANCE instance_;
  HFONT font_;
  HWND dialog_ = nullptr;
  HWND list_ = nullptr;
  std::array<HWND, 4> combos_{};
  HWND zone_ = nullptr;
  std::vector<std::vector<std::wstring>> zoneLines_;
  int zoneLineHeight_ = 0;
  HWND contour_ = nullptr;
  TPrefLogic logic_;
};

}  // namespace chizro
