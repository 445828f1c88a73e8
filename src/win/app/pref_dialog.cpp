#include "win/app/pref_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "ui/guard.h"
#include "win/app/app_text.h"
#include "win/app/control_ids.h"
#include "win/app/dialog_util.h"

namespace chizro {
namespace {

// Without WS_CLIPCHILDREN: the group box does not paint its inside, the
// dialog's background shows through it.
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
// The drop-down height of a combo box's list [px].
constexpr int kComboDropHeight = 240;
// The coordinate system's list: the padding of a choice's text [px], and the
// gap kept between the list and the right edge of the screen's work area.
constexpr int kZonePad = 4;
constexpr int kZoneScreenGap = 8;

// `text` cut into lines no wider than `width` in the font selected into
// `dc`: each line as long as fits, ending after the last "、", "・" or space
// that fits when there is one in its second half (the notice's lists break
// between their items), else at the last character that fits.
std::vector<std::wstring> WrapText(HDC dc, const std::wstring& text, int width) {
  std::vector<std::wstring> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::wstring rest = text.substr(start);
    int fit = 0;
    SIZE size = {};
    if (!GetTextExtentExPointW(dc, rest.c_str(), static_cast<int>(rest.size()), width, &fit,
                               nullptr, &size) ||
        fit <= 0)
      fit = 1;
    std::size_t take = static_cast<std::size_t>(fit);
    if (take < rest.size()) {
      for (std::size_t i = take; i > take / 2; --i) {
        const wchar_t c = rest[i - 1];
        if (c == L'\u3001' || c == L'\u30FB' || c == L' ') {
          take = i;
          break;
        }
      }
    }
    lines.push_back(rest.substr(0, take));
    start += take;
    while (start < text.size() && text[start] == L' ') ++start;
  }
  if (lines.empty()) lines.emplace_back();
  return lines;
}

std::wstring ListItemText(HWND combo, int index) {
  const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return text;
}

}  // namespace

TWinFormPref::TWinFormPref(HINSTANCE instance, HFONT font) : instance_(instance), font_(font) {}

bool TWinFormPref::ShowModal(HWND owner, const std::string& fileName) {
  logic_.Load(fileName);
  const std::vector<WORD> dialog = DialogTemplate(WideText(kPrefCaption), kDialogStyle);
  const INT_PTR result =
      DialogBoxIndirectParamW(instance_, reinterpret_cast<const DLGTEMPLATE*>(dialog.data()),
                              owner, DialogProc, reinterpret_cast<LPARAM>(this));
  dialog_ = nullptr;
  list_ = nullptr;
  combos_ = {};
  zone_ = nullptr;
  contour_ = nullptr;
  return result == IDOK;
}

INT_PTR CALLBACK TWinFormPref::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    reinterpret_cast<TWinFormPref*>(lParam)->dialog_ = hwnd;
  }
  auto* self = reinterpret_cast<TWinFormPref*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!self) return FALSE;
  INT_PTR result = FALSE;
  Guarded([&] { result = self->OnMessage(msg, wParam, lParam); },
          [self](const std::string& m) { self->ShowError(m); });
  return result;
}

LRESULT CALLBACK TWinFormPref::ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR selfPtr) {
  auto* self = reinterpret_cast<TWinFormPref*>(selfPtr);
  switch (msg) {
    case WM_COMMAND:
      // The combo boxes live inside the list; their notices are the dialog's.
      return SendMessageW(self->dialog_, WM_COMMAND, wParam, lParam);
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
    case WM_KEYDOWN:
    case WM_SIZE: {
      const LRESULT result = DefSubclassProc(hwnd, msg, wParam, lParam);
      self->PlaceCombos();
      return result;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, ListProc, 1);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

HWND TWinFormPref::Control(int id, const wchar_t* windowClass, const std::wstring& text,
                           DWORD style, const TPrefBox& box, HWND parent, DWORD exStyle) {
  HWND control = CreateWindowExW(
      exStyle, windowClass, text.c_str(), WS_CHILD | style, box.Left, box.Top, box.Width,
      box.Height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  return control;
}

void TWinFormPref::CreateControls() {
  // The client area has the Qt dialog's size, centred on the screen.
  RECT frame = {0, 0, kPrefWidth, kPrefHeight};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dialog_, GWL_EXSTYLE)));
  RECT work = {};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  SetWindowPos(dialog_, nullptr, work.left + (work.right - work.left - width) / 2,
               work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER);

  Control(kIdGroupBox1, L"BUTTON", WideText(kPrefGroupCaption), WS_VISIBLE | BS_GROUPBOX,
          kPrefGroupBox, dialog_);
  // The radio buttons sit in the group box; they are the dialog's children
  // so that their clicks reach it.
  for (int i = 0; i < 3; ++i) {
    const TPrefBox& r = kPrefModeBoxes[i];
    Control(kIdRadLayer + i, L"BUTTON", WideText(kPrefModeCaptions[i]),
            WS_VISIBLE | WS_TABSTOP | BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP : 0),
            {kPrefGroupBox.Left + r.Left, kPrefGroupBox.Top + r.Top, r.Width, r.Height}, dialog_);
  }
  Control(kIdZoneLabel, L"STATIC", WideText(kPrefZoneCaption), WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
          kPrefZoneLabel, dialog_);
  // Owner-drawn with a height per choice: a choice wider than the list
  // wraps onto a second line instead of being cut (CBS_HASSTRINGS keeps
  // the texts in the box).
  zone_ = Control(kIdCmbZone, L"COMBOBOX", L"",
                  WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | WS_GROUP | CBS_DROPDOWNLIST |
                      CBS_OWNERDRAWVARIABLE | CBS_HASSTRINGS,
                  {kPrefZoneBox.Left, kPrefZoneBox.Top, kPrefZoneBox.Width, kComboDropHeight},
                  dialog_);
  // The list is as wide as its longest zone (its areas in full), but ends
  // short of the right edge of the screen's work area: on a screen 1024
  // pixels wide the longest choices wrap.
  RECT zoneRect = {};
  GetWindowRect(zone_, &zoneRect);
  LayOutZoneList(static_cast<int>(work.right - zoneRect.left) - kZoneScreenGap);
  for (const std::string& choice : TPrefLogic::ZoneChoices())
    SendMessageW(zone_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideText(choice).c_str()));
  SendMessageW(zone_, CB_SETCURSEL, static_cast<WPARAM>(logic_.Zone()), 0);
  Control(kIdContourLabel, L"STATIC", WideText(kPrefContourCaption),
          WS_VISIBLE | SS_LEFT | SS_NOPREFIX, kPrefContourLabel, dialog_);
  contour_ = Control(kIdEdtContour, L"EDIT", WideText(logic_.ContourText()),
                     WS_VISIBLE | WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL, kPrefContourBox,
                     dialog_, WS_EX_CLIENTEDGE);
  for (std::size_t i = 0; i < TOutputSettings::kFieldCount; ++i) {
    const int right = i + 1 < TOutputSettings::kFieldCount ? kPrefLabelLeft[i + 1] - 4
                                                           : kPrefListBox.Left + kPrefListBox.Width;
    Control(kIdLabel1 + static_cast<int>(i), L"STATIC", WideText(kPrefColumnCaptions[i]),
            WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
            {kPrefLabelLeft[i], kPrefLabelTop, right - kPrefLabelLeft[i], 14}, dialog_);
  }
  list_ = Control(kIdListBox, L"LISTBOX", L"",
                  WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | WS_GROUP | WS_CLIPCHILDREN |
                      LBS_OWNERDRAWFIXED | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                  kPrefListBox, dialog_, WS_EX_CLIENTEDGE | WS_EX_CONTROLPARENT);
  SendMessageW(list_, LB_SETITEMHEIGHT, 0, kPrefRowHeight);
  SetWindowSubclass(list_, ListProc, 1, reinterpret_cast<DWORD_PTR>(this));
  // The combo boxes live inside the list, so their left edges count from it.
  for (std::size_t i = 0; i < combos_.size(); ++i) {
    HWND combo = Control(kIdCmbLayer + static_cast<int>(i), L"COMBOBOX", L"",
                         WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWN | CBS_AUTOHSCROLL,
                         {kPrefComboLeft[i], 0, kPrefComboWidth, kComboDropHeight}, list_);
    for (const std::string& choice : TPrefLogic::Choices(i + 1))
      SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideText(choice).c_str()));
    // The edit field a little lower than a row.
    SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), kPrefRowHeight - 10);
    combos_[i] = combo;
  }
  Control(IDOK, L"BUTTON", L"OK", WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, kPrefOkBox,
          dialog_);
  Control(IDCANCEL, L"BUTTON", WideText("キャンセル"), WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kPrefCancelBox,
          dialog_);

  int checked = 2;
  for (int i = 0; i < 3; ++i)
    if (kPrefModes[i] == logic_.Mode()) checked = i;
  CheckRadioButton(dialog_, kIdRadLayer, kIdRadLayer + 2, kIdRadLayer + checked);
  for (int i = 0; i < logic_.RowCount(); ++i) SendMessageW(list_, LB_ADDSTRING, 0, 0);
  PlaceCombos();
}

INT_PTR TWinFormPref::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      CreateControls();
      // The keyboard starts in the list of rows.
      SetFocus(list_);
      return FALSE;
    case WM_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (item->CtlID == kIdCmbZone) {
        MeasureZone(*item);
        return TRUE;
      }
      if (item->CtlID != kIdListBox) return FALSE;
      item->itemHeight = kPrefRowHeight;
      return TRUE;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlID == kIdCmbZone) {
        DrawZone(*item);
        return TRUE;
      }
      if (item->CtlID != kIdListBox) return FALSE;
      DrawRow(*item);
      return TRUE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (id == IDOK) {
        Ok();
      } else if (id == IDCANCEL) {
        EndDialog(dialog_, IDCANCEL);
      } else if (id >= kIdRadLayer && id < kIdRadLayer + 3 && code == BN_CLICKED) {
        ModeClicked(id);
      } else if (id == kIdCmbZone && code == CBN_SELCHANGE) {
        logic_.SetZone(static_cast<int>(SendMessageW(zone_, CB_GETCURSEL, 0, 0)));
      } else if (id == kIdEdtContour && code == EN_KILLFOCUS) {
        ContourDone();
      } else if (id == kIdListBox && code == LBN_SELCHANGE) {
        PlaceCombos();
      } else if (id >= kIdCmbLayer && id < kIdCmbLayer + 4 &&
                 (code == CBN_EDITCHANGE || code == CBN_SELCHANGE)) {
        ComboChanged(id - kIdCmbLayer, code == CBN_SELCHANGE);
      } else {
        return FALSE;
      }
      return TRUE;
    }
    default:
      return FALSE;
  }
}

void TWinFormPref::DrawRow(const DRAWITEMSTRUCT& item) {
  if (item.itemID == static_cast<UINT>(-1)) return;
  HDC dc = item.hDC;
  const RECT& r = item.rcItem;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  // The list draws on its parent's device context, which does not spare its
  // children: the combo boxes on the selected row are left out by hand.
  const int saved = SaveDC(dc);
  for (HWND combo : combos_) {
    if (!IsWindowVisible(combo)) continue;
    RECT box = {};
    GetWindowRect(combo, &box);
    MapWindowPoints(nullptr, list_, reinterpret_cast<POINT*>(&box), 2);
    ExcludeClipRect(dc, box.left, box.top, box.right, box.bottom);
  }
  // A box with grey lines between rows, then the five fields.
  const HPEN grey = CreatePen(PS_SOLID, 1, RGB(176, 176, 176));
  const HGDIOBJ oldPen = SelectObject(dc, grey);
  const HGDIOBJ oldBrush =
      SelectObject(dc, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  const HGDIOBJ oldFont = SelectObject(dc, font_);
  Rectangle(dc, r.left, r.top, r.right, r.bottom + 1);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  const int row = static_cast<int>(item.itemID);
  for (std::size_t i = 0; i < TOutputSettings::kFieldCount; ++i) {
    const std::wstring text = WideText(logic_.FieldText(row, i));
    TextOutW(dc, r.left + kPrefFieldX[i], r.top + 2, text.c_str(), static_cast<int>(text.size()));
  }
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(grey);
  RestoreDC(dc, saved);
}

void TWinFormPref::LayOutZoneList(int maxWidth) {
  const std::vector<std::string> choices = TPrefLogic::ZoneChoices();
  zoneLines_.clear();
  HDC dc = GetDC(zone_);
  if (!dc) return;
  const HGDIOBJ old = SelectObject(dc, font_);
  TEXTMETRICW metrics = {};
  GetTextMetricsW(dc, &metrics);
  zoneLineHeight_ = static_cast<int>(metrics.tmHeight);
  // The frame and the scroll bar of the drop-down list, and the padding.
  const int chrome = GetSystemMetrics(SM_CXVSCROLL) + 2 * GetSystemMetrics(SM_CXEDGE) + 2 * kZonePad;
  int widest = 0;
  for (const std::string& choice : choices) {
    const std::wstring text = WideText(choice);
    SIZE size = {};
    if (GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size))
      widest = std::max(widest, static_cast<int>(size.cx));
  }
  const int listWidth = std::max(kPrefZoneBox.Width, std::min(widest + chrome, maxWidth));
  for (const std::string& choice : choices)
    zoneLines_.push_back(WrapText(dc, WideText(choice), listWidth - chrome));
  SelectObject(dc, old);
  ReleaseDC(zone_, dc);
  SendMessageW(zone_, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(listWidth), 0);
}

void TWinFormPref::MeasureZone(MEASUREITEMSTRUCT& item) const {
  // The field of the closed box (-1) keeps the box as high as the edit
  // box beside it.
  if (item.itemID == static_cast<UINT>(-1) || item.itemID >= zoneLines_.size()) {
    item.itemHeight = static_cast<UINT>(kPrefZoneBox.Height - 6);
    return;
  }
  item.itemHeight =
      static_cast<UINT>(static_cast<int>(zoneLines_[item.itemID].size()) * zoneLineHeight_ + 4);
}

void TWinFormPref::DrawZone(const DRAWITEMSTRUCT& item) const {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  if (item.itemID == static_cast<UINT>(-1) || item.itemID >= zoneLines_.size()) return;
  const HGDIOBJ oldFont = SelectObject(dc, font_);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  const std::vector<std::wstring>& lines = zoneLines_[item.itemID];
  if ((item.itemState & ODS_COMBOBOXEDIT) != 0) {
    // The closed box shows the choice on one line, cut with an ellipsis.
    std::wstring text;
    for (const std::wstring& line : lines) text += line;
    RECT t = {r.left + kZonePad, r.top, r.right - kZonePad, r.bottom};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &t,
              DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
  } else {
    int y = r.top + 2;
    for (const std::wstring& line : lines) {
      TextOutW(dc, r.left + kZonePad, y, line.c_str(), static_cast<int>(line.size()));
      y += zoneLineHeight_;
    }
  }
  if ((item.itemState & ODS_FOCUS) != 0) DrawFocusRect(dc, &r);
  SelectObject(dc, oldFont);
}

void TWinFormPref::PlaceCombos() {
  if (!list_) return;
  for (HWND c : combos_) ShowWindow(c, SW_HIDE);
  const auto row = static_cast<int>(SendMessageW(list_, LB_GETCURSEL, 0, 0));
  if (row < 0 || row >= logic_.RowCount()) return;
  RECT r = {};
  RECT client = {};
  SendMessageW(list_, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
  GetClientRect(list_, &client);
  if (r.bottom <= client.top || r.top >= client.bottom) return;
  EnableWindow(combos_[0], logic_.LayerEditable());
  for (std::size_t i = 0; i < combos_.size(); ++i) {
    SetWindowTextW(combos_[i], WideText(logic_.FieldText(row, i + 1)).c_str());
    SetWindowPos(combos_[i], HWND_TOP, kPrefComboLeft[i], r.top + 2, 0, 0,
                 SWP_NOSIZE | SWP_SHOWWINDOW);
  }
}

void TWinFormPref::ComboChanged(int index, bool chosenFromList) {
  HWND combo = combos_[static_cast<std::size_t>(index)];
  const std::wstring text =
      chosenFromList
          ? ListItemText(combo, static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)))
          : WindowText(combo);
  const auto row = static_cast<int>(SendMessageW(list_, LB_GETCURSEL, 0, 0));
  const TPrefEdit edit = logic_.Edit(row, static_cast<std::size_t>(index) + 1, Utf8Text(text));
  if (edit.Result == TPrefEdit::Unchanged) return;
  const std::wstring shown = WideText(edit.Text);
  if (shown != text) {
    SetWindowTextW(combo, shown.c_str());
    const auto end = static_cast<WORD>(shown.size());
    SendMessageW(combo, CB_SETEDITSEL, 0, MAKELPARAM(end, end));
  }
  if (edit.Result == TPrefEdit::Refused) {
    ShowError(edit.Message);
    return;
  }
  RECT r = {};
  SendMessageW(list_, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
  InvalidateRect(list_, &r, FALSE);
}

void TWinFormPref::ModeClicked(int id) {
  logic_.SetMode(kPrefModes[id - kIdRadLayer]);
  PlaceCombos();
  InvalidateRect(list_, nullptr, FALSE);
}

bool TWinFormPref::ContourDone() {
  const TPrefEdit edit = logic_.EditContour(Utf8Text(WindowText(contour_)));
  if (edit.Result != TPrefEdit::Refused) return true;
  SetWindowTextW(contour_, WideText(edit.Text).c_str());
  ShowError(edit.Message);
  return false;
}

void TWinFormPref::Ok() {
  // A contour interval typed without leaving the box counts too.
  if (!ContourDone()) return;
  if (Guarded([this] { logic_.Save(); }, [this](const std::string& m) { ShowError(m); }))
    EndDialog(dialog_, IDOK);
}

void TWinFormPref::ShowError(const std::string& message) {
  MessageBoxW(dialog_, WideText(message).c_str(), WideText(kPrefCaption).c_str(),
              MB_OK | MB_ICONERROR);
}

}  // namespace chizro
