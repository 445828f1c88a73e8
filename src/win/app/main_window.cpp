#include "win/app/main_window.h"

#include <commctrl.h>
#include <commdlg.h>
#include <windowsx.h>

#include <stdexcept>

#include "ui/glyphs.h"
#include "win/app/app_text.h"
#include "win/app/control_ids.h"
#include "win/app/placement_dialog.h"
#include "win/app/pref_dialog.h"
#include "win/canvas/gdi_canvas.h"

namespace chizro {
namespace {

constexpr wchar_t kFormClass[] = L"ChizroForm1";
constexpr wchar_t kImageClass[] = L"ChizroPaintBox";
constexpr wchar_t kProgressClass[] = L"ChizroProgress";
constexpr wchar_t kOpenProgressClass[] = L"ChizroOpenProgress";
constexpr int kOpenProgressWidth = 360;
constexpr int kOpenProgressHeight = 104;
constexpr DWORD kFormStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
// The progress window's caption and client size [px].
constexpr char kProgressCaption[] = "JWCAD出力";
constexpr int kProgressWidth = 320;
constexpr int kProgressHeight = 72;

// The open's progress window: its cancel button (and its close box, and
// Esc) set the flag its user data points to.
LRESULT CALLBACK OpenProgressProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if ((msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) || msg == WM_CLOSE) {
    if (auto* cancelled = reinterpret_cast<bool*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)))
      *cancelled = true;
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void RegisterClasses(HINSTANCE instance, WNDPROC formProc, WNDPROC imageProc) {
  static bool done = false;
  if (done) return;
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);

  wc.lpfnWndProc = formProc;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kFormClass;
  wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  if (!RegisterClassExW(&wc)) throw std::runtime_error("RegisterClassExW (form) failed");

  // The paint box paints every pixel itself.
  wc.lpfnWndProc = imageProc;
  wc.hbrBackground = nullptr;
  wc.hIcon = nullptr;
  wc.lpszClassName = kImageClass;
  if (!RegisterClassExW(&wc)) throw std::runtime_error("RegisterClassExW (paint box) failed");

  wc.lpfnWndProc = DefWindowProcW;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kProgressClass;
  if (!RegisterClassExW(&wc)) throw std::runtime_error("RegisterClassExW (progress) failed");

  wc.lpfnWndProc = OpenProgressProc;
  wc.lpszClassName = kOpenProgressClass;
  if (!RegisterClassExW(&wc)) throw std::runtime_error("RegisterClassExW (open progress) failed");
  done = true;
}

bool IsUserInput(UINT msg) {
  return (msg >= WM_KEYFIRST && msg <= WM_KEYLAST) ||
         (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) ||
         (msg >= WM_NCMOUSEMOVE && msg <= WM_NCMBUTTONDBLCLK);
}

// The progress of a long output: a small window over the main window, which
// is disabled meanwhile. Each step lets Windows repaint, but takes no input.
class TWinProgress final : public TProgress {
public:
  TWinProgress(HINSTANCE instance, HWND owner, HFONT font, int count) : owner_(owner) {
    RECT frame = {0, 0, kProgressWidth, kProgressHeight};
    const DWORD style = WS_POPUP | WS_CAPTION | WS_BORDER;
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
    RECT over = {};
    GetWindowRect(owner, &over);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    window_ = CreateWindowExW(
        WS_EX_DLGMODALFRAME, kProgressClass, WideText(kProgressCaption).c_str(), style,
        (over.left + over.right - width) / 2, (over.top + over.bottom - height) / 2, width, height,
        owner, nullptr, instance, nullptr);
    if (!window_) return;
    const HWND text =
        CreateWindowExW(0, L"STATIC", WideText(kProgressText).c_str(),
                        WS_CHILD | WS_VISIBLE | SS_LEFT, 12, 12, kProgressWidth - 24, 16, window_,
                        reinterpret_cast<HMENU>(kIdProgressText), instance, nullptr);
    SendMessageW(text, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    bar_ =
        CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 12, 36, kProgressWidth - 24,
                        20, window_, reinterpret_cast<HMENU>(kIdProgressBar), instance, nullptr);
    SendMessageW(bar_, PBM_SETRANGE32, 0, count);
    EnableWindow(owner_, FALSE);
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
  }
  ~TWinProgress() override {
    // The owner first, so that it gets the activation back.
    EnableWindow(owner_, TRUE);
    if (window_) DestroyWindow(window_);
  }
  TWinProgress(const TWinProgress&) = delete;
  TWinProgress& operator=(const TWinProgress&) = delete;

  void Step(int done) override {
    if (bar_) SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(done), 0);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      if (IsUserInput(msg.message)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

private:
  HWND owner_;
  HWND window_ = nullptr;
  HWND bar_ = nullptr;
};

// The progress of a long open: a small window over the main window, which
// is disabled meanwhile, with the file's name, a bar and "中止". Each step
// lets Windows repaint and the button be pressed.
class TWinOpenProgress final : public TOpenProgressBox {
public:
  TWinOpenProgress(HINSTANCE instance, HWND owner, HFONT font) : owner_(owner) {
    RECT frame = {0, 0, kOpenProgressWidth, kOpenProgressHeight};
    const DWORD style = WS_POPUP | WS_CAPTION | WS_BORDER | WS_SYSMENU;
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
    RECT over = {};
    GetWindowRect(owner, &over);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    window_ = CreateWindowExW(
        WS_EX_DLGMODALFRAME, kOpenProgressClass, WideText(kOpenProgressCaption).c_str(), style,
        (over.left + over.right - width) / 2, (over.top + over.bottom - height) / 2, width, height,
        owner, nullptr, instance, nullptr);
    if (!window_) return;
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&cancelled_));
    text_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_PATHELLIPSIS,
                            12, 12, kOpenProgressWidth - 24, 16, window_,
                            reinterpret_cast<HMENU>(kIdProgressText), instance, nullptr);
    SendMessageW(text_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    bar_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 12, 36,
                           kOpenProgressWidth - 24, 20, window_,
                           reinterpret_cast<HMENU>(kIdProgressBar), instance, nullptr);
    const HWND cancel = CreateWindowExW(
        0, L"BUTTON", WideText("中止").c_str(),
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, kOpenProgressWidth - 92, 66, 80, 26,
        window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDCANCEL)), instance, nullptr);
    SendMessageW(cancel, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    EnableWindow(owner_, FALSE);
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
  }
  ~TWinOpenProgress() override {
    EnableWindow(owner_, TRUE);
    if (window_) DestroyWindow(window_);
  }
  TWinOpenProgress(const TWinOpenProgress&) = delete;
  TWinOpenProgress& operator=(const TWinOpenProgress&) = delete;

  void Show(const std::string& text, int done, int total) override {
    if (text_) SetWindowTextW(text_, WideText(text).c_str());
    if (bar_) {
      SendMessageW(bar_, PBM_SETRANGE32, 0, total);
      SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(done), 0);
    }
    Pump();
  }
  // Asked at every report of the open: the cancel button's click is in the
  // messages, let through at most every 50 ms between the shown steps.
  bool Cancelled() override {
    const ULONGLONG now = GetTickCount64();
    if (now - pumped_ >= 50) Pump();
    return cancelled_;
  }

private:
  void Pump() {
    pumped_ = GetTickCount64();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      if (window_ && IsDialogMessageW(window_, &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  ULONGLONG pumped_ = 0;
  HWND owner_;
  HWND window_ = nullptr;
  HWND text_ = nullptr;
  HWND bar_ = nullptr;
  bool cancelled_ = false;
};

}  // namespace

TWinForm1::TWinForm1(HINSTANCE instance) : instance_(instance) {
  RegisterClasses(instance, FormProc, ImageProc);
  font_ = CreateFontW(-kWindowFontPixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                      DEFAULT_PITCH | FF_DONTCARE, WideText(kWindowFontFace).c_str());
  logic_ = std::make_unique<TMainLogic>(static_cast<TMainHost&>(*this), &bitmaps_);
  pref_ = std::make_unique<TWinFormPref>(instance, font_);

  // The client area has the size and place of the Qt window's.
  RECT frame = {kMainLeft, kMainTop, kMainLeft + kMainWidth, kMainTop + kMainHeight};
  AdjustWindowRectEx(&frame, kFormStyle, FALSE, 0);
  form_ = CreateWindowExW(0, kFormClass, WideText(kMainCaption).c_str(), kFormStyle, frame.left,
                          frame.top, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                          nullptr, instance, this);
  if (!form_) throw std::runtime_error("CreateWindowExW (form) failed");
  CreateControls();
  Layout();
}

TWinForm1::~TWinForm1() {
  if (form_) {
    SetWindowLongPtrW(form_, GWLP_USERDATA, 0);
    DestroyWindow(form_);
  }
  if (font_) DeleteObject(font_);
}

void TWinForm1::Show(int showCommand) {
  ShowWindow(form_, showCommand);
  UpdateWindow(form_);
}

void TWinForm1::CreateControls() {
  const auto buttons = ToolButtons();
  for (std::size_t i = 0; i < buttons.size() && i < buttons_.size(); ++i) {
    const TToolButton& b = buttons[i];
    HWND button = CreateWindowExW(
        0, L"BUTTON", WideText(b.Caption).c_str(), WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, b.X,
        kToolButtonY, b.Width, kToolButtonHeight, form_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdSpeedButton1 + static_cast<int>(i))),
        instance_, nullptr);
    if (!button) throw std::runtime_error("CreateWindowExW (button) failed");
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    SetWindowSubclass(button, ButtonProc, 1, reinterpret_cast<DWORD_PTR>(this));
    buttons_[i] = button;
  }
  image_ = CreateWindowExW(0, kImageClass, L"", WS_CHILD | WS_VISIBLE, 0, kToolBarHeight, 0, 0,
                           form_, reinterpret_cast<HMENU>(kIdImage), instance_, this);
  if (!image_) throw std::runtime_error("CreateWindowExW (paint box) failed");
  status_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, form_,
                            reinterpret_cast<HMENU>(kIdStatusBar), instance_, nullptr);
  if (status_) SendMessageW(status_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  ShowStatus(logic_->Status());
}

void TWinForm1::Layout() {
  if (!image_) return;
  RECT client = {};
  GetClientRect(form_, &client);
  int statusHeight = 0;
  if (status_) {
    SendMessageW(status_, WM_SIZE, 0, 0);
    RECT bar = {};
    GetWindowRect(status_, &bar);
    statusHeight = bar.bottom - bar.top;
    // Scale, zone and datum, plane position, latitude/longitude [px].
    const int rights[] = {90, 200, 420, -1};
    SendMessageW(status_, SB_SETPARTS, 4, reinterpret_cast<LPARAM>(rights));
  }
  const int height = client.bottom - kToolBarHeight - statusHeight;
  MoveWindow(image_, 0, kToolBarHeight, client.right, height > 0 ? height : 0, TRUE);
}

LRESULT TWinForm1::Safely(const std::function<LRESULT()>& handler) {
  LRESULT result = 0;
  Guarded([&] { result = handler(); }, [this](const std::string& m) { ShowError(m); });
  return result;
}

LRESULT TWinForm1::Route(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                         LRESULT (TWinForm1::*handler)(HWND, UINT, WPARAM, LPARAM)) {
  if (msg == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<TWinForm1*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
  return self->Safely([&] { return (self->*handler)(hwnd, msg, wParam, lParam); });
}

LRESULT CALLBACK TWinForm1::FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return Route(hwnd, msg, wParam, lParam, &TWinForm1::OnForm);
}

LRESULT CALLBACK TWinForm1::ImageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return Route(hwnd, msg, wParam, lParam, &TWinForm1::OnImage);
}

LRESULT CALLBACK TWinForm1::ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR selfPtr) {
  // Tool bar buttons are flat until the mouse is over them.
  auto* self = reinterpret_cast<TWinForm1*>(selfPtr);
  if (msg == WM_MOUSEMOVE && self->hot_ != hwnd) {
    if (self->hot_) InvalidateRect(self->hot_, nullptr, FALSE);
    self->hot_ = hwnd;
    TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, hwnd, 0};
    TrackMouseEvent(&track);
    InvalidateRect(hwnd, nullptr, FALSE);
  } else if (msg == WM_MOUSELEAVE && self->hot_ == hwnd) {
    self->hot_ = nullptr;
    InvalidateRect(hwnd, nullptr, FALSE);
  } else if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, ButtonProc, 1);
  } else if (msg == WM_KEYDOWN && self->OnKey(wParam)) {
    // A button keeps the focus after a click: the map's keys still work.
    return 0;
  }
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

LRESULT TWinForm1::OnForm(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCCREATE:
      form_ = hwnd;
      break;
    case WM_SIZE:
      Layout();
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      PaintToolBar(dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_COMMAND: {
      const int index = LOWORD(wParam) - kIdSpeedButton1;
      if (HIWORD(wParam) == BN_CLICKED && index >= 0 && index < static_cast<int>(buttons_.size())) {
        (logic_.get()->*ToolButtons()[static_cast<std::size_t>(index)].Press)();
        return 0;
      }
      break;
    }
    case WM_KEYDOWN:
      if (OnKey(wParam)) return 0;
      break;
    case WM_MOUSEWHEEL:
      OnWheel(wParam, lParam);
      return 0;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlType == ODT_BUTTON) {
        DrawButton(*item);
        return TRUE;
      }
      break;
    }
    case WM_SETCURSOR:
      if (busy_) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_DESTROY:
      form_ = nullptr;
      image_ = nullptr;
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void TWinForm1::PaintToolBar(HDC dc) {
  RECT client = {};
  GetClientRect(form_, &client);
  RECT bar = {0, 0, client.right, kToolBarHeight};
  FillRect(dc, &bar, GetSysColorBrush(COLOR_BTNFACE));
  // A thin line between the tool bar and the map.
  RECT edge = {0, kToolBarHeight - 1, client.right, kToolBarHeight};
  FillRect(dc, &edge, GetSysColorBrush(COLOR_BTNSHADOW));
}

void TWinForm1::DrawButton(const DRAWITEMSTRUCT& item) {
  const int index = static_cast<int>(item.CtlID) - kIdSpeedButton1;
  if (index < 0 || index >= static_cast<int>(ToolButtons().size())) return;
  const TToolButton& b = ToolButtons()[static_cast<std::size_t>(index)];
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  if (pressed)
    DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
  else if (item.hwndItem == hot_)
    DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);

  const std::wstring caption = WideText(b.Caption);
  const HGDIOBJ oldFont = SelectObject(dc, font_);
  SIZE text = {};
  GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &text);
  const bool glyph = b.Glyph != TGlyph::None;
  const int gap = 4;
  const int total = (glyph ? kGlyphSize + gap : 0) + text.cx;
  const int shift = pressed ? 1 : 0;
  int x = r.left + (r.right - r.left - total) / 2 + shift;
  const int height = r.bottom - r.top;
  if (glyph) {
    TGdiCanvas canvas(dc, TRect{r.left, r.top, r.right, r.bottom});
    DrawGlyph(canvas, x, r.top + (height - kGlyphSize) / 2 + shift, b.Glyph);
    x += kGlyphSize + gap;
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  TextOutW(dc, x, r.top + (height - text.cy) / 2 + shift, caption.c_str(),
           static_cast<int>(caption.size()));
  SelectObject(dc, oldFont);
}

LRESULT TWinForm1::OnImage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // the paint covers every pixel
    case WM_PAINT:
      PaintImage();
      return 0;
    case WM_LBUTTONDOWN:
      SetFocus(image_);
      SetCapture(image_);
      logic_->MouseDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_MOUSEMOVE:
      if (!tracking_) {
        TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, image_, 0};
        tracking_ = TrackMouseEvent(&track) != FALSE;
      }
      logic_->MouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == image_) ReleaseCapture();
      logic_->MouseUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_MOUSELEAVE:
      tracking_ = false;
      logic_->MouseLeave();
      return 0;
    case WM_MOUSEWHEEL:
      OnWheel(wParam, lParam);
      return 0;
    case WM_KEYDOWN:
      if (OnKey(wParam)) return 0;
      break;
    case WM_CONTEXTMENU: {
      HMENU menu = CreatePopupMenu();
      if (!menu) return 0;
      AppendMenuW(menu, MF_STRING, kIdFitAll, WideText(kFitAllCaption).c_str());
      AppendMenuW(menu, MF_STRING, kIdPlacement, WideText(kPlacementMenuCaption).c_str());
      POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (at.x == -1 && at.y == -1) {  // from the keyboard: at the window's corner
        at = {0, 0};
        ClientToScreen(image_, &at);
      }
      const int chosen = static_cast<int>(
          TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, image_, nullptr));
      DestroyMenu(menu);
      if (chosen == kIdFitAll) logic_->FitAll();
      if (chosen == kIdPlacement) logic_->StartPlacement();
      return 0;
    }
    case WM_SETCURSOR:
      if (busy_) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void TWinForm1::PaintImage() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(image_, &ps);
  RECT client = {};
  GetClientRect(image_, &client);
  const int width = client.right;
  const int height = client.bottom;
  bool painted = true;
  std::string error;
  if (width > 0 && height > 0) {
    // The map is painted into a bitmap first and shown in one copy, so that
    // the white clear before each paint never flickers on screen.
    HDC buffer = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
    const HGDIOBJ old = SelectObject(buffer, bitmap);
    FillRect(buffer, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (logic_->Loaded())
      painted = Guarded(
          [&] {
            TGdiCanvas canvas(buffer, TRect{0, 0, width, height}, GetDeviceCaps(dc, LOGPIXELSY));
            logic_->Paint(canvas);
          },
          [&](const std::string& m) { error = m; });
    BitBlt(dc, 0, 0, width, height, buffer, 0, 0, SRCCOPY);
    SelectObject(buffer, old);
    DeleteObject(bitmap);
    DeleteDC(buffer);
  }
  // The message only once the paint is over: a message box meanwhile would
  // paint the box again and again.
  EndPaint(image_, &ps);
  if (!painted) ShowError(error);
}

bool TWinForm1::OnKey(WPARAM key) {
  switch (key) {
    case VK_ADD:
    case VK_OEM_PLUS:
      logic_->Key(TMapKey::ZoomIn);
      return true;
    case VK_SUBTRACT:
    case VK_OEM_MINUS:
      logic_->Key(TMapKey::ZoomOut);
      return true;
    case VK_LEFT:
      logic_->Key(TMapKey::Left);
      return true;
    case VK_RIGHT:
      logic_->Key(TMapKey::Right);
      return true;
    case VK_UP:
      logic_->Key(TMapKey::Up);
      return true;
    case VK_DOWN:
      logic_->Key(TMapKey::Down);
      return true;
    case VK_HOME:
      logic_->Key(TMapKey::FitAll);
      return true;
    default:
      return false;
  }
}

void TWinForm1::OnWheel(WPARAM wParam, LPARAM lParam) {
  // A notch is WHEEL_DELTA; fine-grained wheels add up to one.
  wheelRest_ += GET_WHEEL_DELTA_WPARAM(wParam);
  const int steps = wheelRest_ / WHEEL_DELTA;
  wheelRest_ -= steps * WHEEL_DELTA;
  if (steps == 0) return;
  POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};  // on the screen
  ScreenToClient(image_, &at);
  logic_->Wheel(at.x, at.y, steps);
}

std::unique_ptr<TOpenProgressBox> TWinForm1::StartOpenProgress() {
  return std::make_unique<TWinOpenProgress>(instance_, form_, font_);
}

TPoint TWinForm1::ImageSize() {
  RECT client = {};
  if (image_) GetClientRect(image_, &client);
  return {client.right, client.bottom};
}

HWND TWinForm1::PlacementHandle() const noexcept {
  return placement_ ? placement_->Handle() : nullptr;
}

void TWinForm1::ShowPlacement() {
  if (!placement_) placement_ = std::make_unique<TWinFormPlacement>(instance_, font_, *logic_);
  placement_->Show(form_);
}

void TWinForm1::PlacementChanged() {
  if (placement_) placement_->Refresh();
}

void TWinForm1::ShowStatus(const TStatusLine& status) {
  if (!status_) return;
  const std::string* texts[] = {&status.Scale, &status.System, &status.Plane, &status.LatLon};
  for (int i = 0; i < 4; ++i)
    SendMessageW(status_, SB_SETTEXTW, static_cast<WPARAM>(i),
                 reinterpret_cast<LPARAM>(WideText(*texts[i]).c_str()));
}

std::optional<TOpenChoice> TWinForm1::ChooseFile() {
  // Each type as its caption and its patterns ("*.txt;*.TXT"), each string
  // ended by a null character, the list by one more.
  std::wstring filter;
  for (const TFileType& t : OpenFileTypes()) {
    filter += WideText(t.Caption);
    filter += L'\0';
    std::wstring patterns = WideText(t.Patterns);
    for (wchar_t& c : patterns)
      if (c == L' ') c = L';';
    filter += patterns;
    filter += L'\0';
  }
  filter += L'\0';
  std::wstring file(32768, L'\0');
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = form_;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.Flags =
      OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameW(&dialog)) return std::nullopt;
  file.resize(file.find(L'\0'));
  TOpenChoice choice;
  choice.ShownName = Utf8Text(file);
  choice.FileName = ChosenFileName(file);
  const auto& types = OpenFileTypes();
  if (dialog.nFilterIndex >= 1 && dialog.nFilterIndex <= types.size())
    choice.DataKind = types[dialog.nFilterIndex - 1].DataKind;
  return choice;
}

std::optional<TSaveChoice> TWinForm1::ChooseSaveFile(const std::string& fileType,
                                                     const std::string& suggested) {
  // The type's caption and its pattern inside the brackets.
  const std::size_t open = fileType.rfind('(');
  const std::size_t close = fileType.rfind(')');
  const std::string pattern = open != std::string::npos && close != std::string::npos && open < close
                                  ? fileType.substr(open + 1, close - open - 1)
                                  : "*";
  std::wstring filter = WideText(fileType);
  filter += L'\0';
  filter += WideText(pattern);
  filter += L'\0';
  filter += L'\0';
  std::wstring file = WideText(suggested);
  file.resize(32768, L'\0');
  const std::size_t dot = pattern.rfind('.');
  const std::wstring extension = dot == std::string::npos ? L"" : WideText(pattern.substr(dot + 1));
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = form_;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                 OFN_OVERWRITEPROMPT;
  if (!GetSaveFileNameW(&dialog)) return std::nullopt;
  file.resize(file.find(L'\0'));
  return TSaveChoice{ChosenFileName(file), Utf8Text(file)};
}

void TWinForm1::ShowError(const std::string& message) {
  MessageBoxW(form_, WideText(message).c_str(), WideText(kMainCaption).c_str(),
              MB_OK | MB_ICONERROR);
}

void TWinForm1::ShowNotice(const std::string& message) {
  MessageBoxW(form_, WideText(message).c_str(), WideText(kMainCaption).c_str(),
              MB_OK | MB_ICONINFORMATION);
}

bool TWinForm1::Ask(const std::string& question) {
  // MB_YESNO's buttons are the system's (はい and いいえ on a Japanese
  // Windows).
  return MessageBoxW(form_, WideText(question).c_str(), WideText(kMainCaption).c_str(),
                     MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool TWinForm1::ShowSettings(const std::string& fileName) {
  return pref_->ShowModal(form_, fileName);
}

void TWinForm1::Close() {
  if (form_) DestroyWindow(form_);
}

void TWinForm1::RepaintImage() {
  if (image_) RedrawWindow(image_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

double TWinForm1::PixelsPerInch() {
  HDC dc = GetDC(image_);
  const int ppi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(image_, dc);
  return static_cast<double>(ppi > 0 ? ppi : 96);
}

void TWinForm1::SetBusy(bool busy) {
  busy_ = busy;
  SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

std::unique_ptr<TProgress> TWinForm1::StartProgress(int count) {
  return std::make_unique<TWinProgress>(instance_, form_, font_, count);
}

}  // namespace chizro
