// What the wizard draws itself: the pictures and the language chooser's items.

#include "setup/frmSetup.h"

#include "actions/win_API.h"

namespace {

constexpr COLORREF kTransparentColour = RGB(255, 0, 255);

// A picture stretched smoothly (averaging its pixels rather than repeating them) into `r`.
void StretchSmoothly(HDC dc, const RECT& r, HDC source, int width, int height) {
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, source, 0, 0, width, height, SRCCOPY);
}

// A picture whose magenta is transparent, at its own size where `r` has it, else
// laid on the page's colour first and then stretched smoothly, so that no
// magenta blends into its edges.
void DrawOnPage(HDC dc, const RECT& r, HDC source, int width, int height) {
  if (r.right - r.left == width && r.bottom - r.top == height) {
    GdiTransparentBlt(dc, r.left, r.top, width, height, source, 0, 0, width, height, kTransparentColour);
    return;
  }
  const unique_memory_dc canvasDc(CreateCompatibleDC(dc));
  const unique_hbitmap canvas(CreateCompatibleBitmap(dc, width, height));
  const TSelection selected(canvasDc.get(), canvas.get());
  const RECT whole{0, 0, width, height};
  FillRect(canvasDc.get(), &whole, GetSysColorBrush(COLOR_BTNFACE));
  GdiTransparentBlt(canvasDc.get(), 0, 0, width, height, source, 0, 0, width, height, kTransparentColour);
  StretchSmoothly(dc, r, canvasDc.get(), width, height);
}

}  // namespace

void TVelkSetup::DrawItem(const DRAWITEMSTRUCT& item) const {
  const TControlInfo* control = ControlAt(int(item.CtlID));
  if (item.CtlType == ODT_COMBOBOX) DrawLanguageItem(item);
  else if (control && control->kind == TControlKind::Bevel)
    DrawEdge(item.hDC, const_cast<RECT*>(&item.rcItem), EDGE_ETCHED, BF_TOP);
  else if (control) DrawPicture(item, control->kind);
}

// The pictures fill their controls, which are scaled to the window's DPI: the
// folder icon is loaded at that size, the bitmaps are stretched smoothly.
void TVelkSetup::DrawPicture(const DRAWITEMSTRUCT& item, TControlKind kind) const {
  const RECT& r = item.rcItem;
  if (kind == TControlKind::FolderPicture) {
    DrawIconEx(item.hDC, r.left, r.top, scaled_.folderPicture.get(), r.right - r.left, r.bottom - r.top, 0, nullptr,
               DI_NORMAL);
    return;
  }
  const HBITMAP picture = kind == TControlKind::Logo             ? logo_.get()
                          : kind == TControlKind::InstallPicture ? installPicture_.get()
                                                                 : removePicture_.get();
  BITMAP size{};
  if (!picture || !GetObjectW(picture, sizeof size, &size)) return;
  const unique_memory_dc source(CreateCompatibleDC(item.hDC));
  const TSelection selected(source.get(), picture);
  if (kind == TControlKind::Logo) StretchSmoothly(item.hDC, r, source.get(), size.bmWidth, size.bmHeight);
  else DrawOnPage(item.hDC, r, source.get(), size.bmWidth, size.bmHeight);
}

void TVelkSetup::DrawLanguageItem(const DRAWITEMSTRUCT& item) const {
  if (int(item.itemID) < 0) return;
  const bool selected = item.itemState & ODS_SELECTED;
  FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  SetBkMode(item.hDC, TRANSPARENT);
  wchar_t text[32] = {};
  if (SendMessageW(item.hwndItem, CB_GETLBTEXTLEN, item.itemID, 0) < LRESULT(std::size(text)))
    SendMessageW(item.hwndItem, CB_GETLBTEXT, item.itemID, LPARAM(text));
  RECT r = item.rcItem;
  r.left += ScalePixels(2, dpi_);
  DrawTextW(item.hDC, text, -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
}
