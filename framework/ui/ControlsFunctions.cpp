#include "Controls.h"

#include <QApplication>
#include <QWidget>
#include <string>
#include <unordered_set>

#include "QtControls.h"

namespace fw {

// Registries that controls use up to the end of the process are never freed.
std::unordered_set<const TWinControl*>& LiveHandles() {
  static auto* handles = new std::unordered_set<const TWinControl*>;
  return *handles;
}

TControl*& CaptureControlRef() {
  static TControl* capture = nullptr;
  return capture;
}

// ---------------------------------------------------------------- window functions

TWinControl* FindControl(HWND Handle) {
  auto* c = reinterpret_cast<TWinControl*>(Handle);
  if (!c || !LiveHandles().count(c)) return nullptr;
  return c;
}

LRESULT SendMessage(HWND Wnd, unsigned Msg, WPARAM WParam, LPARAM LParam) {
  TWinControl* c = FindControl(Wnd);
  return c ? c->Perform(Msg, WParam, LParam) : 0;
}

HWND SetCapture(HWND Wnd) {
  HWND old = GetCapture();
  SetCaptureControl(FindControl(Wnd));
  return old;
}

bool ReleaseCapture() {
  SetCaptureControl(nullptr);
  return true;
}

HWND GetCapture() {
  TControl* c = CaptureControlRef();
  while (c && !dynamic_cast<TWinControl*>(c)) c = c->Parent();
  auto* w = static_cast<TWinControl*>(c);
  return w && w->HandleAllocated() ? reinterpret_cast<HWND>(w) : 0;
}

TControl* GetCaptureControl() { return CaptureControlRef(); }

void SetCaptureControl(TControl* Control) {
  TControl* old = CaptureControlRef();
  if (old == Control) return;
  CaptureControlRef() = Control;
}

bool GetScrollRange(HWND Wnd, int Bar, int* Min, int* Max) {
  int mn = 0, mx = 0;
  TWinControl* c = FindControl(Wnd);
  bool ok = c && c->GetScrollRangeOf(Bar, mn, mx);
  if (Min) *Min = mn;
  if (Max) *Max = mx;
  return ok;
}

HWND GetFocus() {
  QWidget* w = QApplication::focusWidget();
  while (w) {
    if (TControlBridge* b = TControlBridge::Of(w))
      if (auto* c = dynamic_cast<TWinControl*>(b->Control())) return reinterpret_cast<HWND>(c);
    w = w->parentWidget();
  }
  return 0;
}

TControl* FindDragTarget(TPoint Pos, bool AllowDisabled) {
  TWinControl* top = nullptr;
  if (QApplication::instance()) {
    if (QWidget* w = QApplication::topLevelAt(QPoint(Pos.X, Pos.Y)))
      top = dynamic_cast<TWinControl*>(TControlBridge::ControlAt(w));
  }
  if (!top) return nullptr;
  TControl* found = top;
  for (;;) {
    auto* wc = dynamic_cast<TWinControl*>(found);
    if (!wc) break;
    TControl* child = wc->ControlAtPos(wc->ScreenToClient(Pos), AllowDisabled);
    if (!child) break;
    found = child;
  }
  return found;
}

TPoint GetCursorPos() {
  QPoint p = CurrentCursorPos();
  return {p.x(), p.y()};
}

bool IsAccel(TChar Key, const std::string& Caption) {
  TChars s = Utf8ToChars(Caption);
  for (std::size_t i = 0; i + 1 < s.size(); ++i) {
    if (s[i] != '&') continue;
    if (s[i + 1] == '&') {
      ++i;
      continue;
    }
    return CharUpper(s[i + 1]) == CharUpper(Key);
  }
  return false;
}

std::string StripHotkey(const std::string& Caption) {
  std::string r;
  for (std::size_t i = 0; i < Caption.size(); ++i) {
    if (Caption[i] == '&') {
      if (i + 1 < Caption.size() && Caption[i + 1] == '&') r += '&';
      if (i + 1 < Caption.size()) ++i;
      else continue;
      if (Caption[i] == '&') continue;
    }
    r += Caption[i];
  }
  return r;
}

}  // namespace fw
