#include "win/app/placement_dialog.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "ui/guard.h"
#include "ui/main_logic.h"
#include "win/app/app_text.h"
#include "win/app/control_ids.h"
#include "win/app/dialog_util.h"

namespace chizro {
namespace {

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
// The client area [px].
constexpr int kWidth = 520;
constexpr int kHeight = 400;
// The list's columns [px], as kPlacementColumns.
constexpr int kColumnWidths[] = {92, 76, 76, 90, 90, 62};

}  // namespace

TWinFormPlacement::TWinFormPlacement(HINSTANCE instance, HFONT font, TMainLogic& logic)
    : instance_(instance), font_(font), logic_(logic) {}

TWinFormPlacement::~TWinFormPlacement() {
  if (dialog_) DestroyWindow(dialog_);
}

void TWinFormPlacement::Show(HWND owner) {
  if (!dialog_) {
    const std::vector<WORD> tmpl = DialogTemplate(WideText(kPlacementCaption), kDialogStyle);
    CreateDialogIndirectParamW(instance_, reinterpret_cast<const DLGTEMPLATE*>(tmpl.data()), owner,
                               DialogProc, reinterpret_cast<LPARAM>(this));
    if (!dialog_) throw EChizroError("位置合わせの画面を開けません");
    // Beside the main window, so that both maps stay in sight; on the screen.
    RECT main = {};
    GetWindowRect(owner, &main);
    RECT frame = {0, 0, kWidth, kHeight};
    AdjustWindowRectEx(&frame, kDialogStyle, FALSE, 0);
    const int w = frame.right - frame.left, h = frame.bottom - frame.top;
    int left = main.right + 4;
    if (left + w > GetSystemMetrics(SM_CXSCREEN)) left = GetSystemMetrics(SM_CXSCREEN) - w;
    SetWindowPos(dialog_, nullptr, left < 0 ? 0 : left, main.top, w, h,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  Refresh();
  ShowWindow(dialog_, SW_SHOW);
}

INT_PTR CALLBACK TWinFormPlacement::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    reinterpret_cast<TWinFormPlacement*>(lParam)->dialog_ = hwnd;
  }
  auto* self = reinterpret_cast<TWinFormPlacement*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!self) return FALSE;
  INT_PTR result = FALSE;
  Guarded([&] { result = self->OnMessage(msg, wParam, lParam); },
          [self](const std::string& m) { self->ShowError(m); });
  return result;
}

HWND TWinFormPlacement::Control(int id, const wchar_t* windowClass, const std::wstring& text,
                                DWORD style, int left, int top, int width, int height,
                                DWORD exStyle) {
  HWND control = CreateWindowExW(exStyle, windowClass, text.c_str(), WS_CHILD | WS_VISIBLE | style,
                                 left, top, width, height, dialog_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_,
                                 nullptr);
  if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  return control;
}

void TWinFormPlacement::CreateControls() {
  Control(kIdPlacementHint, L"STATIC", L"", SS_LEFT, 8, 8, kWidth - 16, 30);
  Control(kIdPlacementNote, L"STATIC", L"", SS_LEFT, 8, 40, kWidth - 16, 16);
  list_ = Control(kIdPlacementList, WC_LISTVIEWW, L"",
                  WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                      LVS_NOSORTHEADER,
                  8, 60, kWidth - 16, 200, WS_EX_CLIENTEDGE);
  ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  for (std::size_t i = 0; i < kPlacementColumns.size(); ++i) {
    std::wstring caption = WideText(kPlacementColumns[i]);
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = i == 0 ? LVCFMT_LEFT : LVCFMT_RIGHT;
    column.cx = kColumnWidths[i];
    column.pszText = caption.data();
    SendMessageW(list_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
  Control(0, L"STATIC", WideText("X (北)"), SS_LEFT, 8, 273, 42, 16);
  Control(kIdPlacementX, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, 50, 270, 130, 22,
          WS_EX_CLIENTEDGE);
  Control(0, L"STATIC", WideText("Y (東)"), SS_LEFT, 190, 273, 42, 16);
  Control(kIdPlacementY, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, 232, 270, 130, 22,
          WS_EX_CLIENTEDGE);
  Control(kIdPlacementEnter, L"BUTTON", WideText("入力"), WS_TABSTOP | BS_PUSHBUTTON, 372, 269, 70,
          24);
  Control(kIdPlacementRemove, L"BUTTON", WideText("削除"), WS_TABSTOP | BS_PUSHBUTTON, 8, 300, 70,
          24);
  Control(kIdPlacementHelmert, L"BUTTON", WideText("ヘルマート変換"),
          WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, 250, 303, 124, 18);
  Control(kIdPlacementAffine, L"BUTTON", WideText("アフィン変換"), BS_AUTORADIOBUTTON, 384, 303,
          124, 18);
  Control(kIdPlacementSummary, L"STATIC", L"", SS_LEFT, 8, 332, kWidth - 16, 30);
  Control(IDOK, L"BUTTON", L"OK", WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, kWidth - 172, 368, 78,
          24);
  Control(IDCANCEL, L"BUTTON", WideText("キャンセル"), WS_TABSTOP | BS_PUSHBUTTON, kWidth - 86,
          368, 78, 24);
}

void TWinFormPlacement::Refresh() {
  const TPlacementLogic* p = logic_.Placement();
  if (!dialog_ || !p) return;
  SetWindowTextW(dialog_, WideText(p->Title()).c_str());
  SetDlgItemTextW(dialog_, kIdPlacementHint, WideText(p->Hint()).c_str());
  SetDlgItemTextW(dialog_, kIdPlacementNote, WideText(p->Note()).c_str());
  SetDlgItemTextW(dialog_, kIdPlacementSummary, WideText(p->Summary()).c_str());
  const std::vector<TPlacementRow> rows = p->Rows();
  large_.clear();
  SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(list_);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    large_.push_back(rows[r].Large);
    for (std::size_t c = 0; c < rows[r].Cells.size(); ++c) {
      std::wstring text = WideText(rows[r].Cells[c]);
      LVITEMW item = {};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(r);
      item.iSubItem = static_cast<int>(c);
      item.pszText = text.data();
      SendMessageW(list_, c == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, c == 0 ? 0 : r,
                   reinterpret_cast<LPARAM>(&item));
    }
  }
  SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
  CheckRadioButton(dialog_, kIdPlacementHelmert, kIdPlacementAffine,
                   p->Fit() == TFitKind::Helmert ? kIdPlacementHelmert : kIdPlacementAffine);
  EnableWindow(GetDlgItem(dialog_, IDOK), p->CanAccept());
}

INT_PTR TWinFormPlacement::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      SendMessageW(dialog_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
      CreateControls();
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kIdPlacementEnter:
          Enter();
          return TRUE;
        case kIdPlacementRemove:
          Remove();
          return TRUE;
        case kIdPlacementHelmert:
          if (HIWORD(wParam) == BN_CLICKED) SetFit(TFitKind::Helmert);
          return TRUE;
        case kIdPlacementAffine:
          if (HIWORD(wParam) == BN_CLICKED) SetFit(TFitKind::Affine);
          return TRUE;
        case IDOK:
          // Return in an X or Y box takes the typed place.
          if (GetFocus() == GetDlgItem(dialog_, kIdPlacementX) ||
              GetFocus() == GetDlgItem(dialog_, kIdPlacementY)) {
            Enter();
            return TRUE;
          }
          Finish(true);
          return TRUE;
        case IDCANCEL:
          Finish(false);
          return TRUE;
        default:
          break;
      }
      break;
    case WM_NOTIFY: {
      const auto* head = reinterpret_cast<const NMHDR*>(lParam);
      if (head->hwndFrom != list_ || head->code != NM_CUSTOMDRAW) break;
      auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
      LONG_PTR answer = CDRF_DODEFAULT;
      if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
        answer = CDRF_NOTIFYITEMDRAW;
      } else if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
        const std::size_t row = draw->nmcd.dwItemSpec;
        if (row < large_.size() && large_[row]) draw->clrText = RGB(200, 0, 0);
      }
      SetWindowLongPtrW(dialog_, DWLP_MSGRESULT, answer);
      return TRUE;
    }
    default:
      break;
  }
  return FALSE;
}

void TWinFormPlacement::Enter() {
  TPlacementLogic* p = logic_.Placement();
  if (!p) return;
  const std::string error =
      p->EnterTarget(Utf8Text(WindowText(GetDlgItem(dialog_, kIdPlacementX))),
                     Utf8Text(WindowText(GetDlgItem(dialog_, kIdPlacementY))));
  if (!error.empty()) {
    ShowError(error);
    return;
  }
  SetDlgItemTextW(dialog_, kIdPlacementX, L"");
  SetDlgItemTextW(dialog_, kIdPlacementY, L"");
  Refresh();
  logic_.PlacementEdited();
}

void TWinFormPlacement::Remove() {
  TPlacementLogic* p = logic_.Placement();
  const int row = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
  if (!p || row < 0) return;
  p->Remove(static_cast<std::size_t>(row));
  Refresh();
  logic_.PlacementEdited();
}

void TWinFormPlacement::SetFit(TFitKind fit) {
  TPlacementLogic* p = logic_.Placement();
  if (!p || p->Fit() == fit) return;
  p->SetFit(fit);
  Refresh();
  logic_.PlacementEdited();
}

void TWinFormPlacement::Finish(bool accept) {
  // Out of the way while the map opens again and its fit is said; back
  // when the logic keeps it open.
  ShowWindow(dialog_, SW_HIDE);
  if (!logic_.FinishPlacement(accept)) {
    ShowWindow(dialog_, SW_SHOW);
    return;
  }
  HWND dialog = dialog_;
  dialog_ = nullptr;
  list_ = nullptr;
  DestroyWindow(dialog);
}

void TWinFormPlacement::ShowError(const std::string& message) {
  MessageBoxW(dialog_, WideText(message).c_str(), WideText(kPlacementCaption).c_str(),
              MB_OK | MB_ICONERROR);
}

}  // namespace chizro
