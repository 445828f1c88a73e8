// The main window on Windows: a tool bar strip of six buttons over the paint
// box that shows the map, in plain Win32. A shell over TMainLogic, which
// holds the project and does what each button does; the window lends it the
// open dialog, message boxes, busy cursor, progress window and paint box.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ui/main_logic.h"
#include "win/canvas/gdi_bitmap.h"
#include "win/canvas/win_api.h"

namespace chizro {

class TWinFormPlacement;
class TWinFormPref;

class TWinForm1 final : private TMainHost {
public:
  // Creates the window (hidden) and its controls; throws std::runtime_error
  // when Windows refuses.
  explicit TWinForm1(HINSTANCE instance);
  ~TWinForm1() override;
  TWinForm1(const TWinForm1&) = delete;
  TWinForm1& operator=(const TWinForm1&) = delete;

  HWND Handle() const noexcept { return form_; }
  // The 位置合わせ dialog while it is open, else null: the message loop
  // hands it its keys (IsDialogMessage).
  HWND PlacementHandle() const noexcept;
  void Show(int showCommand);

private:
  static LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ImageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self);
  LRESULT OnForm(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT OnImage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // The window procedures' common part: the window's object from its user
  // data (stored at WM_NCCREATE), then its handler run safely.
  static LRESULT Route(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                       LRESULT (TWinForm1::*handler)(HWND, UINT, WPARAM, LPARAM));
  void CreateControls();
  void Layout();
  void PaintToolBar(HDC dc);
  void DrawButton(const DRAWITEMSTRUCT& item);
  void PaintImage();
  // The map's keys; true when the key was one of them.
  bool OnKey(WPARAM key);
  // The wheel, at a point of the screen.
  void OnWheel(WPARAM wParam, LPARAM lParam);
  // Runs a window message's handler; an error that escapes it is shown (it
  // must not unwind through Windows' frames).
  LRESULT Safely(const std::function<LRESULT()>& handler);

  // TMainHost
  std::optional<TOpenChoice> ChooseFile() override;
  std::optional<TSaveChoice> ChooseSaveFile(const std::string& fileType,
                                            const std::string& suggested) override;
  void ShowError(const std::string& message) override;
  void ShowNotice(const std::string& message) override;
  bool Ask(const std::string& question) override;
  bool ShowSettings(const std::string& fileName) override;
  void Close() override;
  void RepaintImage() override;
  double PixelsPerInch() override;
  void SetBusy(bool busy) override;
  std::unique_ptr<TProgress> StartProgress(int count) override;
  std::unique_ptr<TOpenProgressBox> StartOpenProgress() override;
  TPoint ImageSize() override;
  void ShowStatus(const TStatusLine& status) override;
  void ShowPlacement() override;
  void PlacementChanged() override;

  HINSTANCE instance_;
  HWND form_ = nullptr;
  HWND image_ = nullptr;
  HWND status_ = nullptr;
  bool tracking_ = false;  // the paint box reports the cursor's leaving
  int wheelRest_ = 0;      // wheel delta short of a notch
  std::array<HWND, 7> buttons_{};
  HWND hot_ = nullptr;  // the button under the mouse
  HFONT font_ = nullptr;
  bool busy_ = false;
  // Symbol images and raster figures load through GDI bitmaps.
  TGdiBitmapLoader bitmaps_;
  std::unique_ptr<TMainLogic> logic_;
  std::unique_ptr<TWinFormPref> pref_;
  std::unique_ptr<TWinFormPlacement> placement_;
};

}  // namespace chizro
