#include "QtControls.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QTimer>
#include <QTimerEvent>
#include <QWheelEvent>
#include <array>
#include <list>
#include <optional>

#include "Forms.h"
#include "Scope.h"

namespace fw {

// ---------------------------------------------------------------- key state

namespace {

struct KeyState {
  std::array<bool, 256> Down{};
  std::array<bool, 256> Toggled{};
  QPoint Cursor;
};

KeyState& Keys() {
  static KeyState k;
  return k;
}

int& Depth() {
  static int depth = 0;
  return depth;
}

struct DepthScope {
  DepthScope() { ++Depth(); }
  ~DepthScope() { --Depth(); }
  DepthScope(const DepthScope&) = delete;
  DepthScope& operator=(const DepthScope&) = delete;
};

}  // namespace

int EventDepth() { return Depth(); }

namespace {
bool& Abandoned() {
  static bool abandoned = false;
  return abandoned;
}
}  // namespace

void SetWindowsAbandoned() { Abandoned() = true; }
bool WindowsAbandoned() { return Abandoned(); }

void NoteKey(Word vk, bool down) {
  if (vk == 0 || vk > 255) return;
  KeyState& k = Keys();
  if (down && !k.Down[vk]) k.Toggled[vk] = !k.Toggled[vk];
  k.Down[vk] = down;
}

void NoteModifiers(Qt::KeyboardModifiers mods) {
  KeyState& k = Keys();
  k.Down[VK_SHIFT] = mods & Qt::ShiftModifier;
  k.Down[VK_CONTROL] = mods & Qt::ControlModifier;
  k.Down[VK_MENU] = mods & Qt::AltModifier;
}

void NoteButtons(Qt::MouseButtons buttons) {
  KeyState& k = Keys();
  k.Down[VK_LBUTTON] = buttons & Qt::LeftButton;
  k.Down[VK_RBUTTON] = buttons & Qt::RightButton;
  k.Down[VK_MBUTTON] = buttons & Qt::MiddleButton;
}

void NoteCursorPos(const QPoint& global) { Keys().Cursor = global; }

QPoint CurrentCursorPos() { return Keys().Cursor; }

Qt::KeyboardModifiers CurrentModifiers() {
  const KeyState& k = Keys();
  Qt::KeyboardModifiers m;
  if (k.Down[VK_SHIFT]) m |= Qt::ShiftModifier;
  if (k.Down[VK_CONTROL]) m |= Qt::ControlModifier;
  if (k.Down[VK_MENU]) m |= Qt::AltModifier;
  return m;
}

std::int16_t GetKeyState(int virtKey) {
  if (virtKey < 0 || virtKey > 255) return 0;
  const KeyState& k = Keys();
  std::uint16_t r = 0;
  if (k.Down[static_cast<std::size_t>(virtKey)]) r |= 0x8000;
  if (k.Toggled[static_cast<std::size_t>(virtKey)]) r |= 1;
  return static_cast<std::int16_t>(r);
}

std::int16_t GetAsyncKeyState(int virtKey) { return GetKeyState(virtKey); }

bool GetKeyboardState(TKeyboardState& State) {
  const KeyState& k = Keys();
  for (std::size_t i = 0; i < State.size(); ++i)
    State[i] = static_cast<std::uint8_t>((k.Down[i] ? 0x80 : 0) | (k.Toggled[i] ? 0x01 : 0));
  return true;
}

bool SetKeyboardState(const TKeyboardState& State) {
  KeyState& k = Keys();
  for (std::size_t i = 0; i < State.size(); ++i) {
    k.Down[i] = (State[i] & 0x80) != 0;
    k.Toggled[i] = (State[i] & 0x01) != 0;
  }
  return true;
}

TShiftState KeyDataToShiftState(LPARAM keyData) {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0) s.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) s.Include(ssCtrl);
  if (keyData & KF_ALTDOWN_BIT) s.Include(ssAlt);
  return s;
}

TShiftState KeysToShiftState(unsigned keys) {
  TShiftState s;
  if (keys & MK_SHIFT) s.Include(ssShift);
  if (keys & MK_CONTROL) s.Include(ssCtrl);
  if (keys & MK_LBUTTON) s.Include(ssLeft);
  if (keys & MK_RBUTTON) s.Include(ssRight);
  if (keys & MK_MBUTTON) s.Include(ssMiddle);
  if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
  return s;
}

Qt::KeyboardModifiers ToQtModifiers(TShiftState s) {
  Qt::KeyboardModifiers m;
  if (s.Contains(ssShift)) m |= Qt::ShiftModifier;
  if (s.Contains(ssCtrl)) m |= Qt::ControlModifier;
  if (s.Contains(ssAlt)) m |= Qt::AltModifier;
  return m;
}

// ---------------------------------------------------------------- key codes

namespace {

struct KeyPair {
  int Qt;
  Word Vk;
};

// Keys whose code does not follow from their character.
constexpr KeyPair kKeys[] = {
    {Qt::Key_Backspace, VK_BACK},   {Qt::Key_Tab, VK_TAB},          {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Clear, VK_CLEAR},      {Qt::Key_Return, VK_RETURN},    {Qt::Key_Enter, VK_RETURN},
    {Qt::Key_Shift, VK_SHIFT},      {Qt::Key_Control, VK_CONTROL},  {Qt::Key_Alt, VK_MENU},
    {Qt::Key_AltGr, VK_MENU},       {Qt::Key_Pause, VK_PAUSE},      {Qt::Key_CapsLock, VK_CAPITAL},
    {Qt::Key_Escape, VK_ESCAPE},    {Qt::Key_Space, VK_SPACE},      {Qt::Key_PageUp, VK_PRIOR},
    {Qt::Key_PageDown, VK_NEXT},    {Qt::Key_End, VK_END},          {Qt::Key_Home, VK_HOME},
    {Qt::Key_Left, VK_LEFT},        {Qt::Key_Up, VK_UP},            {Qt::Key_Right, VK_RIGHT},
    {Qt::Key_Down, VK_DOWN},        {Qt::Key_Select, VK_SELECT},    {Qt::Key_Printer, VK_PRINT},
    {Qt::Key_Execute, VK_EXECUTE},  {Qt::Key_Print, VK_SNAPSHOT},   {Qt::Key_Insert, VK_INSERT},
    {Qt::Key_Delete, VK_DELETE},    {Qt::Key_Help, VK_HELP},        {Qt::Key_Meta, VK_LWIN},
    {Qt::Key_Super_L, VK_LWIN},     {Qt::Key_Super_R, VK_RWIN},     {Qt::Key_Menu, VK_APPS},
    {Qt::Key_NumLock, VK_NUMLOCK},  {Qt::Key_ScrollLock, VK_SCROLL}, {Qt::Key_Semicolon, VK_OEM_1},
    {Qt::Key_Colon, VK_OEM_1},      {Qt::Key_Equal, VK_OEM_PLUS},   {Qt::Key_Plus, VK_OEM_PLUS},
    {Qt::Key_Comma, VK_OEM_COMMA},  {Qt::Key_Less, VK_OEM_COMMA},   {Qt::Key_Minus, VK_OEM_MINUS},
    {Qt::Key_Underscore, VK_OEM_MINUS}, {Qt::Key_Period, VK_OEM_PERIOD}, {Qt::Key_Greater, VK_OEM_PERIOD},
    {Qt::Key_Slash, VK_OEM_2},      {Qt::Key_Question, VK_OEM_2},   {Qt::Key_QuoteLeft, VK_OEM_3},
    {Qt::Key_AsciiTilde, VK_OEM_3}, {Qt::Key_BracketLeft, VK_OEM_4}, {Qt::Key_BraceLeft, VK_OEM_4},
    {Qt::Key_Backslash, VK_OEM_5},  {Qt::Key_Bar, VK_OEM_5},        {Qt::Key_BracketRight, VK_OEM_6},
    {Qt::Key_BraceRight, VK_OEM_6}, {Qt::Key_Apostrophe, VK_OEM_7}, {Qt::Key_QuoteDbl, VK_OEM_7},
    // shifted digits of a US keyboard
    {Qt::Key_Exclam, '1'}, {Qt::Key_At, '2'}, {Qt::Key_NumberSign, '3'}, {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'}, {Qt::Key_AsciiCircum, '6'}, {Qt::Key_Ampersand, '7'}, {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'}, {Qt::Key_ParenRight, '0'},
};

constexpr KeyPair kKeypad[] = {
    {Qt::Key_Asterisk, VK_MULTIPLY}, {Qt::Key_Plus, VK_ADD},      {Qt::Key_Minus, VK_SUBTRACT},
    {Qt::Key_Period, VK_DECIMAL},    {Qt::Key_Comma, VK_DECIMAL}, {Qt::Key_Slash, VK_DIVIDE},
};

}  // namespace

Word QtKeyToVirtualKey(int qtKey, Qt::KeyboardModifiers mods) {
  if (mods & Qt::KeypadModifier) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return static_cast<Word>(VK_NUMPAD0 + (qtKey - Qt::Key_0));
    for (const KeyPair& k : kKeypad)
      if (k.Qt == qtKey) return k.Vk;
  }
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return static_cast<Word>('A' + (qtKey - Qt::Key_A));
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return static_cast<Word>('0' + (qtKey - Qt::Key_0));
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return static_cast<Word>(VK_F1 + (qtKey - Qt::Key_F1));
  for (const KeyPair& k : kKeys)
    if (k.Qt == qtKey) return k.Vk;
  // A letter of another alphabet or layout: a key of its own, whose
  // character follows in WM_CHAR.
  if (qtKey > 0x7F && qtKey < 0x01000000) return 0xDF;
  return 0;
}

int VirtualKeyToQtKey(Word vk) {
  if (vk >= 'A' && vk <= 'Z') return Qt::Key_A + (vk - 'A');
  if (vk >= '0' && vk <= '9') return Qt::Key_0 + (vk - '0');
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return Qt::Key_0 + (vk - VK_NUMPAD0);
  if (vk >= VK_F1 && vk <= VK_F1 + 23) return Qt::Key_F1 + (vk - VK_F1);
  for (const KeyPair& k : kKeypad)
    if (k.Vk == vk) return k.Qt;
  for (const KeyPair& k : kKeys)
    if (k.Vk == vk) return k.Qt;
  return 0;
}

TChar KeyEventChar(const QKeyEvent* e) {
  Qt::KeyboardModifiers mods = e->modifiers();
  bool ctrl = mods & Qt::ControlModifier, alt = mods & Qt::AltModifier;
  int key = e->key();
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return ctrl ? 10 : 13;
    case Qt::Key_Backspace: return ctrl ? 127 : 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return ctrl ? 0 : 9;
    case Qt::Key_Escape: return 27;
    default: break;
  }
  if (ctrl && !alt) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<TChar>(key - Qt::Key_A + 1);
    switch (key) {
      case Qt::Key_BracketLeft: return 27;
      case Qt::Key_Backslash: return 28;
      case Qt::Key_BracketRight: return 29;
      default: return 0;
    }
  }
  QString t = e->text();
  if (t.isEmpty()) return 0;
  char32_t c = t.toUcs4().value(0);
  if (c < 32 || c == 127) return 0;
  return c;
}

// ---------------------------------------------------------------- the bridge

TControlBridge* TControlBridge::Of(const QWidget* w) {
  return w ? dynamic_cast<TControlBridge*>(const_cast<QWidget*>(w)) : nullptr;
}

TControl* TControlBridge::ControlAt(QWidget* w) {
  for (; w; w = w->parentWidget())
    if (TControlBridge* b = Of(w); b && b->Control()) return b->Control();
  return nullptr;
}

void HandleEscaped(TObject* sender) {
  if (Application) {
    Application->HandleException(sender);
    return;
  }
  try {
    throw;
  } catch (const std::exception& e) {
    qWarning("%s", e.what());
  } catch (...) {
  }
}

void TControlBridge::Send(TControl* c, TMessage& m, QEvent* e, bool viewport) {
  DepthScope depth;
  natives_.push_back(Native{&m, m.Msg, m.WParam, m.LParam, e, viewport});
  Guarded(c, [&] { c->WindowProc(m); });
  natives_.pop_back();
}

bool TControlBridge::Translate(QEvent* e, bool viewport) {
  TControl* c = control_;
  if (!c) return false;
  bool scrolling = dynamic_cast<QAbstractScrollArea*>(Self()) != nullptr;
  bool clientEvent = !scrolling || viewport;
  switch (e->type()) {
    case QEvent::ShortcutOverride:
      // Every key comes to the control; the form finds its own shortcuts.
      e->accept();
      return true;
    case QEvent::KeyPress:
      if (viewport) return false;
      KeyPress(static_cast<QKeyEvent*>(e));
      e->accept();
      return true;
    case QEvent::KeyRelease:
      if (viewport) return false;
      KeyRelease(static_cast<QKeyEvent*>(e));
      e->accept();
      return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
      if (!clientEvent) return false;
      Mouse(static_cast<QMouseEvent*>(e), viewport);
      e->accept();
      return true;
    case QEvent::Wheel: {
      if (!clientEvent) return false;
      auto* we = static_cast<QWheelEvent*>(e);
      QPoint g = we->globalPosition().toPoint();
      int delta = we->angleDelta().y();
      TMessage m{WM_MOUSEWHEEL, (static_cast<WPARAM>(static_cast<std::uint16_t>(delta)) << 16),
                 MakeLParam(g.x(), g.y()), 0};
      Send(c, m, e, viewport);
      return true;
    }
    case QEvent::FocusIn: {
      if (viewport) return false;
      TMessage m{WM_SETFOCUS, 0, 0, 0};
      Send(c, m, e, false);
      return true;
    }
    case QEvent::FocusOut: {
      if (viewport) return false;
      TMessage m{WM_KILLFOCUS, 0, 0, 0};
      Send(c, m, e, false);
      return true;
    }
    case QEvent::Paint: {
      if (!clientEvent) return false;
      // What was validated since the last paint keeps its pixels.
      QRegion region = static_cast<QPaintEvent*>(e)->region();
      if (!validated_.isEmpty()) {
        region -= validated_;
        validated_ = QRegion();
        if (region.isEmpty()) return true;
      }
      paintRegion_ = region;
      ++painting_;
      widgetPainted_ = false;
      TMessage m{WM_PAINT, 0, 0, 0};
      auto alive = c->LifeToken();
      Send(c, m, e, viewport);
      if (*alive) {
        TControlCanvas::FreeHandles(c);
        // The control drew its client area itself: the border is the framework's.
        auto* wc = dynamic_cast<TWinControl*>(c);
        if (wc && !widgetPainted_ && !viewport && Client() == Self() && !Self()->isWindow())
          if (int b = wc->ChildOffset(); b > 0) PaintBorder(Self(), b);
      }
      --painting_;
      return true;
    }
    case QEvent::Enter: {
      TMessage m{CM_MOUSEENTER, 0, 0, 0};
      Send(c, m, nullptr, viewport);
      return false;
    }
    case QEvent::Leave: {
      TMessage m{CM_MOUSELEAVE, 0, 0, 0};
      Send(c, m, nullptr, viewport);
      return false;
    }
    case QEvent::ContextMenu: {
      if (!clientEvent) return false;
      QPoint g = static_cast<QContextMenuEvent*>(e)->globalPos();
      TMessage m{WM_CONTEXTMENU, 0, MakeLParam(g.x(), g.y()), 0};
      // The right button's release has asked for the menu already.
      if (static_cast<QContextMenuEvent*>(e)->reason() != QContextMenuEvent::Mouse) Send(c, m, e, viewport);
      e->accept();
      return true;
    }
    case QEvent::Close:
      if (auto* form = dynamic_cast<TCustomForm*>(c); form && !viewport) {
        TMessage m{WM_CLOSE, 0, 0, 0};
        Send(c, m, e, false);
        e->ignore();
        return true;
      }
      return false;
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
      if (auto* form = dynamic_cast<TCustomForm*>(c); form && !viewport) {
        TMessage m{e->type() == QEvent::WindowActivate ? CM_ACTIVATE : CM_DEACTIVATE, 0, 0, 0};
        Send(c, m, nullptr, false);
      }
      return false;
    case QEvent::Resize:
      if (auto* form = dynamic_cast<TCustomForm*>(c); form && !viewport && Self()->isWindow()) {
        QSize s = Self()->size();
        DepthScope depth;
        Guarded(c, [&] { form->WindowResized(s.width(), s.height()); });
      }
      return false;
    case QEvent::Move:
      if (auto* form = dynamic_cast<TCustomForm*>(c); form && !viewport && Self()->isWindow()) {
        QPoint pos = Self()->pos();  // the frame's place, as Left and Top give it
        DepthScope depth;
        Guarded(c, [&] { form->WindowMoved(pos.x(), pos.y()); });
      }
      return false;
    default: return false;
  }
}

void TControlBridge::KeyPress(QKeyEvent* e) {
  auto* c = dynamic_cast<TWinControl*>(control_);
  if (!c) return;
  Qt::KeyboardModifiers mods = e->modifiers();
  NoteModifiers(mods);
  Word vk = QtKeyToVirtualKey(e->key(), mods);
  if (vk == 0) return;
  NoteKey(vk, true);
  bool alt = mods & Qt::AltModifier;
  LPARAM kd = 1 | (alt ? KF_ALTDOWN_BIT : 0) | (e->isAutoRepeat() ? KF_REPEAT_BIT : 0);
  auto alive = c->LifeToken();
  TMessage pre{alt ? CN_SYSKEYDOWN : CN_KEYDOWN, vk, kd, 0};
  Send(c, pre, nullptr, false);
  if (!*alive || pre.Result != 0) return;
  TMessage down{alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, kd, 0};
  Send(c, down, nullptr, false);
  if (!*alive) return;
  TChar ch = KeyEventChar(e);
  if (ch == 0) return;
  TMessage preChar{alt ? CN_SYSCHAR : CN_CHAR, ch, kd, 0};
  Send(c, preChar, nullptr, false);
  if (!*alive || preChar.Result != 0) return;
  TMessage chr{alt ? WM_SYSCHAR : WM_CHAR, ch, kd, 0};
  Send(c, chr, nullptr, false);
}

void TControlBridge::KeyRelease(QKeyEvent* e) {
  auto* c = dynamic_cast<TWinControl*>(control_);
  if (!c) return;
  Qt::KeyboardModifiers mods = e->modifiers();
  NoteModifiers(mods);
  Word vk = QtKeyToVirtualKey(e->key(), mods);
  if (vk == 0) return;
  NoteKey(vk, false);
  // The modifier keys themselves are up once released.
  if (vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU) Keys().Down[vk] = false;
  bool alt = (mods & Qt::AltModifier) && vk != VK_MENU;
  LPARAM kd = 1 | (alt ? KF_ALTDOWN_BIT : 0) | KF_REPEAT_BIT | (LPARAM{1} << 31);
  auto alive = c->LifeToken();
  TMessage pre{CN_KEYUP, vk, kd, 0};
  Send(c, pre, nullptr, false);
  if (!*alive || pre.Result != 0) return;
  TMessage up{alt ? WM_SYSKEYUP : WM_KEYUP, vk, kd, 0};
  Send(c, up, nullptr, false);
}

void TControlBridge::Mouse(QMouseEvent* e, bool viewport) {
  NoteModifiers(e->modifiers());
  NoteButtons(e->buttons());
  QWidget* ew = viewport ? Client() : Self();
  QPoint local = e->position().toPoint();
  QPoint g = ew->mapToGlobal(local);
  NoteCursorPos(g);
  TControl* target = control_;
  TPoint client;
  TControl* cap = GetCaptureControl();
  if (cap && cap != control_) {
    target = cap;
    client = cap->ScreenToClient({g.x(), g.y()});
  } else {
    TPoint off;
    if (!viewport)
      if (auto* wc = dynamic_cast<TWinControl*>(control_)) off = wc->ClientOffset();
    client = {local.x() - off.X, local.y() - off.Y};
  }
  unsigned base = 0;
  switch (e->button()) {
    case Qt::RightButton: base = WM_RBUTTONDOWN; break;
    case Qt::MiddleButton: base = WM_MBUTTONDOWN; break;
    default: base = WM_LBUTTONDOWN; break;
  }
  unsigned msg = WM_MOUSEMOVE;
  switch (e->type()) {
    case QEvent::MouseButtonPress: msg = base; break;
    case QEvent::MouseButtonRelease: msg = base + 1; break;
    case QEvent::MouseButtonDblClick: msg = base + 2; break;
    default: break;
  }
  WPARAM keys = 0;
  if (e->buttons() & Qt::LeftButton) keys |= MK_LBUTTON;
  if (e->buttons() & Qt::RightButton) keys |= MK_RBUTTON;
  if (e->buttons() & Qt::MiddleButton) keys |= MK_MBUTTON;
  if (e->modifiers() & Qt::ShiftModifier) keys |= MK_SHIFT;
  if (e->modifiers() & Qt::ControlModifier) keys |= MK_CONTROL;
  TMessage m{msg, keys, MakeLParam(client.X, client.Y), 0};
  if (target == control_) {
    Send(target, m, e, viewport);
  } else {
    DepthScope depth;
    Guarded(target, [&] { target->WindowProc(m); });
  }
}

void TControlBridge::DefaultHandling(TMessage& m) {
  if (!control_) return;
  if (m.Msg >= WM_KEYFIRST && m.Msg <= WM_KEYLAST) {
    DefaultKey(m);
    return;
  }
  if (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MOUSELAST) {
    DefaultMouse(m);
    return;
  }
  const Native* n = natives_.empty() ? nullptr : &natives_.back();
  bool same = n && n->Msg == &m && n->Id == m.Msg && n->W == m.WParam && n->L == m.LParam && n->Event;
  switch (m.Msg) {
    case WM_PAINT:
      if (same) {
        widgetPainted_ = true;
        BaseEvent(n->Event, n->Viewport);
      } else {
        Self()->update();
      }
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      if (same) BaseEvent(n->Event, false);
      return;
    case WM_CONTEXTMENU:
    case WM_CLOSE: return;
    default:
      if (same) BaseEvent(n->Event, n->Viewport);
      return;
  }
}

bool TControlBridge::DefaultKey(TMessage& m) {
  Qt::KeyboardModifiers mods = CurrentModifiers();
  if (m.KeyData() & KF_ALTDOWN_BIT) mods |= Qt::AltModifier;
  bool autoRepeat = (m.KeyData() & KF_REPEAT_BIT) != 0 && m.Msg != WM_KEYUP && m.Msg != WM_SYSKEYUP;
  switch (m.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      Word vk = m.CharCode();
      // These keys act through the character that follows them.
      if (vk == VK_BACK || vk == VK_TAB || vk == VK_RETURN || vk == VK_ESCAPE) return true;
      if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier) && vk >= 'A' && vk <= 'Z') return true;
      int qk = VirtualKeyToQtKey(vk);
      if (qk == 0) return true;
      if (vk >= VK_NUMPAD0 && vk <= VK_DIVIDE) mods |= Qt::KeypadModifier;
      QKeyEvent ev(QEvent::KeyPress, qk, mods, QString(), autoRepeat);
      BaseEvent(&ev, false);
      return true;
    }
    case WM_CHAR: {
      auto ch = static_cast<char32_t>(m.WParam);
      int qk = Qt::Key_unknown;
      Qt::KeyboardModifiers cm = mods & Qt::ShiftModifier;
      switch (ch) {
        case 8: qk = Qt::Key_Backspace; break;
        case 9: qk = (mods & Qt::ShiftModifier) ? Qt::Key_Backtab : Qt::Key_Tab; break;
        case 10:
          qk = Qt::Key_Return;
          cm |= Qt::ControlModifier;
          break;
        case 13: qk = Qt::Key_Return; break;
        case 27: qk = Qt::Key_Escape; break;
        case 127:
          qk = Qt::Key_Backspace;
          cm |= Qt::ControlModifier;
          break;
        default:
          if (ch >= 1 && ch <= 26) {
            qk = Qt::Key_A + static_cast<int>(ch) - 1;
            cm |= Qt::ControlModifier;
          }
          break;
      }
      QString text = QString::fromUcs4(&ch, 1);
      QKeyEvent ev(QEvent::KeyPress, qk, cm, text, autoRepeat);
      BaseEvent(&ev, false);
      return true;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      int qk = VirtualKeyToQtKey(m.CharCode());
      if (qk == 0) return true;
      QKeyEvent ev(QEvent::KeyRelease, qk, mods, QString());
      BaseEvent(&ev, false);
      return true;
    }
    default: return true;  // WM_SYSCHAR: nothing of its own
  }
}

bool TControlBridge::DefaultMouse(TMessage& m) {
  const Native* n = natives_.empty() ? nullptr : &natives_.back();
  if (n && n->Msg == &m && n->Id == m.Msg && n->W == m.WParam && n->L == m.LParam && n->Event) {
    BaseEvent(n->Event, n->Viewport);
    return true;
  }
  bool scrolling = dynamic_cast<QAbstractScrollArea*>(Self()) != nullptr;
  QEvent::Type type = QEvent::MouseMove;
  Qt::MouseButton button = Qt::NoButton;
  switch (m.Msg) {
    case WM_LBUTTONDOWN: type = QEvent::MouseButtonPress; button = Qt::LeftButton; break;
    case WM_LBUTTONUP: type = QEvent::MouseButtonRelease; button = Qt::LeftButton; break;
    case WM_LBUTTONDBLCLK: type = QEvent::MouseButtonDblClick; button = Qt::LeftButton; break;
    case WM_RBUTTONDOWN: type = QEvent::MouseButtonPress; button = Qt::RightButton; break;
    case WM_RBUTTONUP: type = QEvent::MouseButtonRelease; button = Qt::RightButton; break;
    case WM_RBUTTONDBLCLK: type = QEvent::MouseButtonDblClick; button = Qt::RightButton; break;
    case WM_MBUTTONDOWN: type = QEvent::MouseButtonPress; button = Qt::MiddleButton; break;
    case WM_MBUTTONUP: type = QEvent::MouseButtonRelease; button = Qt::MiddleButton; break;
    case WM_MBUTTONDBLCLK: type = QEvent::MouseButtonDblClick; button = Qt::MiddleButton; break;
    case WM_MOUSEMOVE: break;
    default: return true;  // the wheel without its event
  }
  Qt::MouseButtons buttons;
  if (m.Keys() & MK_LBUTTON) buttons |= Qt::LeftButton;
  if (m.Keys() & MK_RBUTTON) buttons |= Qt::RightButton;
  if (m.Keys() & MK_MBUTTON) buttons |= Qt::MiddleButton;
  Qt::KeyboardModifiers mods;
  if (m.Keys() & MK_SHIFT) mods |= Qt::ShiftModifier;
  if (m.Keys() & MK_CONTROL) mods |= Qt::ControlModifier;
  TPoint off;
  if (!scrolling)
    if (auto* wc = dynamic_cast<TWinControl*>(control_)) off = wc->ClientOffset();
  QPointF local(m.XPos() + off.X, m.YPos() + off.Y);
  QWidget* ew = scrolling ? Client() : Self();
  QPointF global = ew->mapToGlobal(local);
  QMouseEvent ev(type, local, global, button, buttons, mods);
  BaseEvent(&ev, scrolling);
  return true;
}

// ---------------------------------------------------------------- painting

void PaintBorder(QWidget* w, int Extent) {
  QPainter p(w);
  int r = w->width() - 1, b = w->height() - 1;
  auto edge = [&](int inset, TColor topLeft, TColor bottomRight) {
    p.setPen(ToQColor(topLeft));
    p.drawLine(inset, b - inset, inset, inset);
    p.drawLine(inset, inset, r - inset, inset);
    p.setPen(ToQColor(bottomRight));
    p.drawLine(r - inset, inset, r - inset, b - inset);
    p.drawLine(r - inset, b - inset, inset, b - inset);
  };
  if (Extent >= 2) {
    edge(0, clBtnShadow, clBtnHighlight);
    edge(1, cl3DDkShadow, cl3DLight);
  } else {
    edge(0, clWindowFrame, clWindowFrame);
  }
}

void PrepareClientPainter(QPainter& p, const TControl* c) {
  auto* wc = dynamic_cast<const TWinControl*>(c);
  // A client widget of its own (a viewport) starts where the client area does.
  if (!wc || ClientWidgetOf(c) != WidgetOf(c)) return;
  TPoint off = wc->ClientOffset();
  if (off.X <= 0 && off.Y <= 0) return;
  TRect r = wc->ClientRect();
  p.translate(off.X, off.Y);
  p.setClipRect(0, 0, r.Width(), r.Height());
}

// ---------------------------------------------------------------- editing in place

TInPlaceEdit::TInPlaceEdit(QWidget* parent, const QFont& font, const TRect& Label, int ClientWidth,
                           const std::string& text, TFinish finish)
    : QLineEdit(parent), finish_(std::move(finish)) {
  setFont(font);
  setText(ToQString(text));
  int width = std::max(Label.Width() + 24, 60);
  width = std::min(width, std::max(20, ClientWidth - Label.Left));
  setGeometry(Label.Left, Label.Top - 1, width, Label.Height() + 2);
  selectAll();
  show();
  setFocus(Qt::OtherFocusReason);
}

void TInPlaceEdit::Dismiss() {
  finish_ = nullptr;
  hide();
  deleteLater();
}

bool TInPlaceEdit::event(QEvent* e) {
  if (e->type() == QEvent::KeyPress) {
    int key = static_cast<QKeyEvent*>(e)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
      if (TFinish f = finish_) f(key == Qt::Key_Escape, true);
      return true;
    }
  } else if (e->type() == QEvent::FocusOut) {
    if (TFinish f = finish_) f(false, false);
  }
  return QLineEdit::event(e);
}

TLabelEditing::TLabelEditing(TWinControl* Control) : control_(Control) {}

TLabelEditing::~TLabelEditing() {
  if (editor_ && !WindowsAbandoned()) editor_->Dismiss();
}

void TLabelEditing::Start(QWidget* Parent, const TRect& Label, const std::string& Text, TDone Done) {
  done_ = std::move(Done);
  editor_ = new TInPlaceEdit(Parent, control_->Font()->QtFont(), Label, control_->ClientWidth(), Text,
                             [this](bool cancel, bool restore) {
                               Guarded(control_, [&] {
                                 Finish(cancel);
                                 if (restore && control_->HandleAllocated())
                                   WidgetOf(control_)->setFocus(Qt::OtherFocusReason);
                               });
                             });
}

void TLabelEditing::Finish(bool Cancel) {
  if (!editor_) return;
  TInPlaceEdit* ed = editor_;
  editor_ = nullptr;
  std::string text = ed->Text();
  ed->Dismiss();
  TDone done = std::move(done_);
  if (done) done(Cancel, text);
}

void TLabelEditing::Later(std::function<void()> Edit) {
  auto* t = static_cast<QTimer*>(timer_.get());
  if (!t) {
    EnsureQtApplication();
    timer_ = std::make_unique<QTimer>();
    t = static_cast<QTimer*>(timer_.get());
    t->setSingleShot(true);
  }
  QObject::disconnect(t, &QTimer::timeout, nullptr, nullptr);
  QObject::connect(t, &QTimer::timeout, t, [this, Edit = std::move(Edit)] { Guarded(control_, Edit); });
  t->start(QApplication::doubleClickInterval());
}

void TLabelEditing::Stop() {
  if (auto* t = static_cast<QTimer*>(timer_.get())) t->stop();
}

void ApplyFrameStyle(QFrame* Frame, const TCreateParams& Params) {
  if (Params.ExStyle & WS_EX_CLIENTEDGE) {
    Frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Frame->setLineWidth(2);
  } else if (Params.Style & WS_BORDER) {
    Frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    Frame->setLineWidth(1);
  } else {
    Frame->setFrameStyle(QFrame::NoFrame);
  }
}

// ---------------------------------------------------------------- palette

void ApplyPaletteColors(QWidget* w, TColor background, TColor text, bool fillBackground) {
  QPalette p = w->palette();
  QColor fg = ToQColor(text);
  // Disabled controls keep the style's greyed text.
  for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
    p.setColor(g, QPalette::WindowText, fg);
    p.setColor(g, QPalette::Text, fg);
    p.setColor(g, QPalette::ButtonText, fg);
  }
  if (fillBackground) {
    p.setColor(QPalette::Window, ToQColor(background));
    w->setAutoFillBackground(true);
  }
  w->setPalette(p);
}

void ApplyBaseColors(QWidget* w, TColor base, TColor text) {
  QPalette p = w->palette();
  p.setColor(QPalette::Base, ToQColor(base));
  for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) p.setColor(g, QPalette::Text, ToQColor(text));
  w->setPalette(p);
}

}  // namespace fw

// ---------------------------------------------------------------- posted and waiting messages
//
// Posted messages are Qt events to the post office. Posted key messages, and
// what a look at the waiting keys takes from the window system (typed keys,
// other input, timers, paints), wait in one list of their own, in the order
// they came, until the post office releases them when the loop runs.

namespace fw {

namespace {

const QEvent::Type kPostedMessage = static_cast<QEvent::Type>(QEvent::registerEventType());
const QEvent::Type kReleaseWaiting = static_cast<QEvent::Type>(QEvent::registerEventType());

class TPostedMessage : public QEvent {
public:
  TPostedMessage(TWinControl* c, const TMessage& m) : QEvent(kPostedMessage), Control(c), Alive(c->LifeToken()), Message(m) {}
  TPostedMessage(const TPostedMessage& other) : QEvent(other), Control(other.Control), Alive(other.Alive), Message(other.Message) {}
  TPostedMessage& operator=(const TPostedMessage&) = delete;
  TWinControl* Control;
  std::weak_ptr<const bool> Alive;
  TMessage Message;
};

void Deliver(TWinControl* Control, const std::weak_ptr<const bool>& Alive, TMessage m) {
  auto alive = Alive.lock();
  if (!alive || !*alive) return;
  DepthScope depth;
  Guarded(Control, [&] { Control->Perform(m.Msg, m.WParam, m.LParam); });
}

// Something that waits for the loop: a posted key message (Control), or an
// event the window system sent while the program looked at its keys (Event,
// for Target). Key is set for both kinds of key.
struct TWaiting {
  std::optional<TWaitingMessage> Key;
  std::optional<TKeyboardState> KeyState;  // installed while a posted key is handled
  TWinControl* Control = nullptr;
  std::weak_ptr<const bool> Alive;
  QPointer<QObject> Target;
  std::unique_ptr<QEvent> Event;
};

struct TWaitingList {
  std::list<TWaiting> Items;
  bool ReleasePosted = false;
  int Looking = 0;
};

TWaitingList& Waiting() {
  static TWaitingList list;
  return list;
}

// Delivers posted messages to the controls that still exist, and releases
// what waited.
class TPostOffice : public QObject {
public:
  bool event(QEvent* e) override;
};

TPostOffice* PostOffice() {
  static TPostOffice* office = nullptr;
  if (!office) {
    EnsureQtApplication();
    office = new TPostOffice;
    office->moveToThread(QCoreApplication::instance()->thread());
    QObject::connect(QCoreApplication::instance(), &QObject::destroyed, [] { office = nullptr; });
    office->setParent(QCoreApplication::instance());
  }
  return office;
}

void PostRelease() {
  if (Waiting().ReleasePosted) return;
  Waiting().ReleasePosted = true;
  QCoreApplication::postEvent(PostOffice(), new QEvent(kReleaseWaiting));
}

void ReleaseWaiting() {
  Waiting().ReleasePosted = false;
  std::list<TWaiting> items = std::move(Waiting().Items);
  Waiting().Items.clear();
  DepthScope depth;
  for (TWaiting& w : items) {
    if (w.Event) {
      if (w.Target) QCoreApplication::sendEvent(w.Target, w.Event.get());
    } else {
      const TWaitingMessage& k = *w.Key;
      if (!w.KeyState) {
        Deliver(w.Control, w.Alive, TMessage{k.Msg, k.WParam, k.LParam, 0});
        continue;
      }
      TKeyboardState now;
      GetKeyboardState(now);
      SetKeyboardState(*w.KeyState);
      TScopeExit back([&now] { SetKeyboardState(now); });
      Deliver(w.Control, w.Alive, TMessage{k.Msg, k.WParam, k.LParam, 0});
    }
  }
}

bool TPostOffice::event(QEvent* e) {
  if (e->type() == kReleaseWaiting) {
    ReleaseWaiting();
    return true;
  }
  if (e->type() != kPostedMessage) return QObject::event(e);
  auto* pm = static_cast<TPostedMessage*>(e);
  Deliver(pm->Control, pm->Alive, pm->Message);
  return true;
}

// While the program looks at its keys: what the window system and the event
// loop hand out is kept for later instead of being handled, except what only
// Qt itself handles (window geometry, deferred calls).
class TLookFilter : public QObject {
public:
  bool eventFilter(QObject* o, QEvent* e) override {
    const QEvent::Type t = e->type();
    if (o == PostOffice()) {
      if (t == kPostedMessage) {
        QCoreApplication::postEvent(o, new TPostedMessage(*static_cast<TPostedMessage*>(e)));
        return true;
      }
      if (t == kReleaseWaiting) {
        QCoreApplication::postEvent(o, new QEvent(kReleaseWaiting));
        return true;
      }
      return false;
    }
    if (t == QEvent::ShortcutOverride) {
      // The key itself follows; no shortcut acts on it now.
      e->accept();
      return true;
    }
    if (t == QEvent::KeyPress || t == QEvent::KeyRelease) {
      Keep(o, e, KeyMessage(o, static_cast<QKeyEvent*>(e)));
      return true;
    }
    if (t == QEvent::Timer) {
      // A timer waits once, however often it comes due meanwhile.
      int id = static_cast<QTimerEvent*>(e)->timerId();
      for (const TWaiting& w : Waiting().Items)
        if (w.Target == o && w.Event && w.Event->type() == QEvent::Timer &&
            static_cast<QTimerEvent*>(w.Event.get())->timerId() == id)
          return true;
      Keep(o, e, std::nullopt);
      return true;
    }
    if (t == QEvent::MouseMove && !Waiting().Items.empty()) {
      // Moves coalesce: the last one stands for those before it.
      TWaiting& last = Waiting().Items.back();
      if (last.Target == o && last.Event && last.Event->type() == QEvent::MouseMove) {
        last.Event.reset(e->clone());
        return true;
      }
    }
    if (e->isInputEvent() || t == QEvent::UpdateRequest || t == QEvent::UpdateLater ||
        t == QEvent::Expose) {
      Keep(o, e, std::nullopt);
      return true;
    }
    return false;
  }

private:
  static void Keep(QObject* o, QEvent* e, std::optional<TWaitingMessage> key) {
    TWaiting w;
    w.Key = key;
    w.Target = o;
    w.Event.reset(e->clone());
    Waiting().Items.push_back(std::move(w));
    PostRelease();
  }

  // The message a typed key makes, addressed to the control with the focus.
  static TWaitingMessage KeyMessage(QObject* o, const QKeyEvent* e) {
    auto* widget = qobject_cast<QWidget*>(o);
    if (!widget || widget->isWindow()) widget = QApplication::focusWidget();
    auto* control = dynamic_cast<TWinControl*>(TControlBridge::ControlAt(widget));
    const bool alt = (e->modifiers() & Qt::AltModifier) != 0;
    const Word vk = QtKeyToVirtualKey(e->key(), e->modifiers());
    TWaitingMessage m{control ? control->Handle() : 0, 0, vk, 1 | (alt ? KF_ALTDOWN_BIT : 0)};
    if (e->type() == QEvent::KeyPress) {
      m.Msg = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
      if (e->isAutoRepeat()) m.LParam |= KF_REPEAT_BIT;
    } else {
      m.Msg = alt && vk != VK_MENU ? WM_SYSKEYUP : WM_KEYUP;
      m.LParam |= KF_REPEAT_BIT | (LPARAM{1} << 31);
    }
    return m;
  }
};

bool IsKeyMessage(unsigned Msg) { return Msg >= WM_KEYFIRST && Msg <= WM_KEYLAST; }

}  // namespace

bool PostMessage(HWND Wnd, unsigned Msg, WPARAM WParam, LPARAM LParam) {
  TWinControl* c = FindControl(Wnd);
  if (!c) return false;
  if (IsKeyMessage(Msg)) {
    TWaiting w;
    w.Key = TWaitingMessage{Wnd, Msg, WParam, LParam};
    w.Control = c;
    w.Alive = c->LifeToken();
    Waiting().Items.push_back(std::move(w));
    PostRelease();
    return true;
  }
  QCoreApplication::postEvent(PostOffice(), new TPostedMessage(c, TMessage{Msg, WParam, LParam, 0}));
  return true;
}

bool PostKeyMessage(HWND Wnd, unsigned Msg, WPARAM WParam, LPARAM LParam, const TKeyboardState& State) {
  TWinControl* c = FindControl(Wnd);
  if (!c || !IsKeyMessage(Msg)) return false;
  TWaiting w;
  w.Key = TWaitingMessage{Wnd, Msg, WParam, LParam};
  w.KeyState = State;
  w.Control = c;
  w.Alive = c->LifeToken();
  Waiting().Items.push_back(std::move(w));
  PostRelease();
  return true;
}

std::vector<TWaitingMessage> PeekKeyMessages() {
  TWaitingList& list = Waiting();
  if (list.Looking == 0 && qobject_cast<QApplication*>(QCoreApplication::instance())) {
    ++list.Looking;
    TScopeExit done([&list] { --list.Looking; });
    TLookFilter filter;
    QCoreApplication::instance()->installEventFilter(&filter);
    TScopeExit remove([&filter] { QCoreApplication::instance()->removeEventFilter(&filter); });
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
  std::vector<TWaitingMessage> keys;
  for (const TWaiting& w : list.Items)
    if (w.Key) keys.push_back(*w.Key);
  return keys;
}

bool RemoveKeyMessage(std::size_t Index) {
  for (auto it = Waiting().Items.begin(); it != Waiting().Items.end(); ++it) {
    if (!it->Key) continue;
    if (Index-- == 0) {
      Waiting().Items.erase(it);
      return true;
    }
  }
  return false;
}

}  // namespace fw
