#include "Controls.h"

#include <QApplication>
#include <QWidget>
#include <string>
#include <cstdint>
#include <vector>

#include "QtControls.h"

namespace fw {

namespace {

// The table behind the window handles, as the engine keeps its own: a handle
// is the slot's generation in the high half and the slot number plus one in
// the low half; freeing a slot moves its generation on.
struct THandleSlot {
  std::uint32_t Generation = 1;
  TWinControl* Control = nullptr;
};

struct THandleTable {
  std::vector<THandleSlot> Slots;
  std::vector<std::uint32_t> Free;
};

// Used by controls up to the end of the process: never freed.
THandleTable& Handles() {
  static auto* table = new THandleTable;
  return *table;
}

constexpr int kSlotBits = 32;

std::uint32_t SlotOf(HWND h) { return static_cast<std::uint32_t>(h & 0xFFFFFFFFu); }
std::uint32_t GenerationOf(HWND h) { return static_cast<std::uint32_t>(h >> kSlotBits); }

}  // namespace

HWND AllocateWindowHandle(TWinControl* Control) {
  THandleTable& t = Handles();
  std::uint32_t slot;
  if (!t.Free.empty()) {
    slot = t.Free.back();
    t.Free.pop_back();
  } else {
    t.Slots.emplace_back();
    slot = static_cast<std::uint32_t>(t.Slots.size() - 1);
  }
  THandleSlot& s = t.Slots[slot];
  s.Control = Control;
  return (static_cast<HWND>(s.Generation) << kSlotBits) | (slot + 1);
}

void ReleaseWindowHandle(HWND Handle) {
  THandleTable& t = Handles();
  const std::uint32_t slot = SlotOf(Handle);
  if (slot == 0 || slot > t.Slots.size()) return;
  THandleSlot& s = t.Slots[slot - 1];
  if (s.Generation != GenerationOf(Handle) || !s.Control) return;
  s.Control = nullptr;
  ++s.Generation;
  t.Free.push_back(slot - 1);
}

TControl*& CaptureControlRef() {
  static TControl* capture = nullptr;
  return capture;
}

// ---------------------------------------------------------------- window functions

TWinControl* FindControl(HWND Handle) {
  const THandleTable& t = Handles();
  const std::uint32_t slot = SlotOf(Handle);
  if (slot == 0 || slot > t.Slots.size()) return nullptr;
  const THandleSlot& s = t.Slots[slot - 1];
  return s.Generation == GenerationOf(Handle) ? s.Control : nullptr;
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
  return w && w->HandleAllocated() ? w->Handle() : 0;
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
      if (auto* c = dynamic_cast<TWinControl*>(b->Control()); c && c->HandleAllocated()) return c->Handle();
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
