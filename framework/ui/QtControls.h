// The Qt side of the controls, for framework/ui only: the bridge that every
// widget of a control carries. It turns the widget's Qt events into the
// control's messages, and gives a message's default handling back to the
// widget's own Qt behaviour.
#pragma once
#include <QAbstractScrollArea>
#include <QEvent>
#include <QLineEdit>
#include <QRegion>
#include <QScrollBar>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "Controls.h"
#include "QtGraphics.h"

class QKeyEvent;
class QCursor;
class QPainter;
class QMouseEvent;

namespace fw {

class TControlBridge {
public:
  explicit TControlBridge(TControl* control) : control_(control) {}
  virtual ~TControlBridge() = default;
  TControlBridge(const TControlBridge&) = delete;
  TControlBridge& operator=(const TControlBridge&) = delete;

  TControl* Control() const { return control_; }
  // The control is going: events are no longer turned into messages.
  void Detach() { control_ = nullptr; }
  virtual QWidget* Self() = 0;
  // The widget that shows the client area (the viewport of a scroll area).
  virtual QWidget* Client() { return Self(); }
  // The widget that the widgets of child controls are made on: the client
  // widget, unless that shows only part of the client area.
  virtual QWidget* ChildHost() { return Client(); }
  // The widget's own handling of e, bypassing the bridge.
  virtual bool BaseEvent(QEvent* e, bool viewport) = 0;

  // Turns e into messages; false leaves e to the widget alone.
  bool Translate(QEvent* e, bool viewport);
  // Default handling of a message: the Qt event it came from when it still
  // says the same, else an event made from the message.
  void DefaultHandling(TMessage& m);
  // True while a paint event of the widget is being handled.
  bool Painting() const { return painting_ > 0; }
  // What the paint being handled repaints, in the client widget's coordinates.
  const QRegion& PaintRegion() const { return paintRegion_; }
  // Parts of the client widget to leave out of the next repaint (ValidateRect),
  // and parts to repaint after all.
  void Validate(const QRegion& r) { validated_ += r; }
  void Invalidated(const QRegion& r) { validated_ -= r; }

  static TControlBridge* Of(const QWidget* w);
  // The bridge of a control's widget; nullptr until its window is made.
  static TControlBridge* OfControl(const TControl* c) { return c ? c->bridge_ : nullptr; }
  // The control of a widget or of the nearest widget above it that has one.
  static TControl* ControlAt(QWidget* w);

private:
  struct Native {
    TMessage* Msg;
    unsigned Id;
    WPARAM W;
    LPARAM L;
    QEvent* Event;
    bool Viewport;
  };
  void Send(TControl* c, TMessage& m, QEvent* e, bool viewport);
  void KeyPress(QKeyEvent* e);
  void KeyRelease(QKeyEvent* e);
  void Mouse(QMouseEvent* e, bool viewport);
  bool DefaultKey(TMessage& m);
  bool DefaultMouse(TMessage& m);

  TControl* control_;
  std::vector<Native> natives_;
  int painting_ = 0;
  bool widgetPainted_ = false;
  QRegion paintRegion_;
  QRegion validated_;
};

// A Qt widget class with the bridge.
template <class Base>
class TBridged : public Base, public TControlBridge {
public:
  template <class... A>
  explicit TBridged(TControl* c, A&&... a) : Base(std::forward<A>(a)...), TControlBridge(c) {
    Base::setFocusPolicy(Qt::NoFocus);  // the framework moves the focus itself
    Base::setMouseTracking(true);
    Base::setAttribute(Qt::WA_KeyCompression, false);
  }
  QWidget* Self() override { return this; }
  bool BaseEvent(QEvent* e, bool viewport) override {
    if constexpr (std::is_base_of_v<QAbstractScrollArea, Base>) {
      if (viewport) return Base::viewportEvent(e);
    }
    (void)viewport;
    return Base::event(e);
  }

protected:
  bool event(QEvent* e) override {
    if (Translate(e, false)) return true;
    return Base::event(e);
  }
  // Tab moves the focus through the form, not through Qt's focus chain.
  bool focusNextPrevChild(bool) override { return false; }
};

// A scrolling Qt widget with the bridge: the viewport is the client area.
template <class Base>
class TBridgedScroll : public TBridged<Base> {
public:
  using TBridged<Base>::TBridged;
  QWidget* Client() override { return Base::viewport(); }

protected:
  bool viewportEvent(QEvent* e) override {
    if (this->Translate(e, true)) return true;
    return Base::viewportEvent(e);
  }
};

// A scroll bar that its control owns (SetScrollRange, SetScrollPos): what the
// user does with it is sent to the control as WM_VSCROLL or WM_HSCROLL and
// the bar stays where the control set it. As thick as GetSystemMetrics says.
class TOwnedScrollBar : public QScrollBar {
public:
  TOwnedScrollBar(Qt::Orientation o, TWinControl* control, QAbstractScrollArea* area);
  QSize sizeHint() const override;
  // An empty range (Min >= Max) hides the bar.
  void SetRange(int min, int max);
  int Pos() const { return pos_; }
  void SetPos(int pos);

private:
  void Send(int code, int pos);
  void Action(int action);
  void Released();
  bool eventFilter(QObject* o, QEvent* e) override;

  TWinControl* control_;
  QAbstractScrollArea* area_;
  int pos_ = 0;
  bool syncing_ = false;
  bool stepping_ = false;  // a press on an arrow or the trough is being repeated
};

// Gives Area's two bars to Control (for the scroll area that is a control's window).
void OwnScrollBars(QAbstractScrollArea* Area, TWinControl* Control);

// The Qt widget of a control: nullptr until its window is made.
inline QWidget* WidgetOf(const TControl* c) {
  TControlBridge* b = TControlBridge::OfControl(c);
  return b ? b->Self() : nullptr;
}

// The widget that shows a control's client area: the widget itself unless it
// scrolls, then its viewport.
inline QWidget* ClientWidgetOf(const TControl* c) {
  TControlBridge* b = TControlBridge::OfControl(c);
  return b ? b->Client() : nullptr;
}

// The widget that the widgets of a control's children are made on.
inline QWidget* ChildHostOf(const TControl* c) {
  TControlBridge* b = TControlBridge::OfControl(c);
  return b ? b->ChildHost() : nullptr;
}

// The widget that a control's widget is made on: its parent's child host.
inline QWidget* ParentWidgetOf(const TControl* c) { return c->Parent() ? ChildHostOf(c->Parent()) : nullptr; }

// Qt modifiers of a shift state, and key codes between Qt and the framework.
Qt::KeyboardModifiers ToQtModifiers(TShiftState s);
Word QtKeyToVirtualKey(int qtKey, Qt::KeyboardModifiers mods);
int VirtualKeyToQtKey(Word vk);
// The character that a key press makes as a WM_CHAR (0: none).
TChar KeyEventChar(const QKeyEvent* e);
// Records the keys and buttons of an input event for GetKeyState.
void NoteKey(Word vk, bool down);
void NoteModifiers(Qt::KeyboardModifiers mods);
void NoteButtons(Qt::MouseButtons buttons);
Qt::KeyboardModifiers CurrentModifiers();
QPoint CurrentCursorPos();
void NoteCursorPos(const QPoint& global);

// Runs f, showing an exception that escapes it through the application.
template <class F>
void Guarded(TObject* sender, F&& f);

void HandleEscaped(TObject* sender);  // shows the exception being handled

template <class F>
void Guarded(TObject* sender, F&& f) {
  try {
    f();
  } catch (...) {
    HandleEscaped(sender);
  }
}

// Depth of Qt events being turned into messages now.
int EventDepth();
// From now on the widgets of controls that go are left to the end of the
// process instead of being freed (Qt may be partly gone).
void SetWindowsAbandoned();
bool WindowsAbandoned();
QCursor CursorOf(TCursor c);
bool BridgePainting(const QWidget* w);

// The handles of windows whose widget is made: the ones that SendMessage accepts.
HWND AllocateWindowHandle(TWinControl* Control);
void ReleaseWindowHandle(HWND Handle);
// The control that has the mouse capture, or nullptr.
TControl*& CaptureControlRef();

// The drag under way: at most one at a time, as the mouse is one.
struct DragMachine {
  TControl* Source = nullptr;         // the control being dragged (pending or active)
  TDragObject* Object = nullptr;      // set once the drag has started
  std::unique_ptr<TDragObject> Owned; // the object made here when OnStartDrag gave none
  bool Active = false;
  TPoint Start;
  int Threshold = DragThreshold;
  bool CursorSet = false;

  static DragMachine& Get();
  void Init(TControl* c, bool immediate, int threshold);
  void Begin(TPoint pos);
  LRESULT Send(TControl* target, TDragMessage msg, TPoint pos);
  void To(TPoint pos);
  void Done(bool drop);
  void Reset();
  // The control or a target goes away.
  void Forget(TControl* c);
};

// Draws the border outside a control's client area: the sunken edge of
// Extent 2, or a line of Extent 1.
void PaintBorder(QWidget* w, int Extent);
// A painter on a control's client area: moved past its border and clipped to it.
void PrepareClientPainter(QPainter& p, const TControl* c);

// Pop-up windows (ControlsPopup.cpp): the widget of a control made a
// top-level tool window, and forgotten when it goes.
void MakePopupWindow(TWinControl* Control);
void ForgetPopupWindow(TWinControl* Control);
// Control is a pop-up window or inside one.
bool InsidePopupWindow(const TControl* Control);

// A line edit laid over a label (Label, in the coordinates of parent) to edit
// it in place, wider than the label by a little, within ClientWidth. Enter
// ends the edit, Esc cancels it, the loss of the focus ends it: Finish hears
// which, and whether the focus goes back to the control.
class TInPlaceEdit : public QLineEdit {
public:
  using TFinish = std::function<void(bool Cancel, bool RestoreFocus)>;
  TInPlaceEdit(QWidget* parent, const QFont& font, const TRect& Label, int ClientWidth, const std::string& text,
               TFinish finish);
  std::string Text() const { return FromQString(text()); }
  // Takes the editor down without telling Finish; it goes once the event is done.
  void Dismiss();

protected:
  bool event(QEvent* e) override;

private:
  TFinish finish_;
};

// Editing an item's label in place, for the tree and list views: the editor
// over the label, and the click on the selected item's label that starts an
// edit once the double-click time has passed without a second click.
class TLabelEditing {
public:
  using TDone = std::function<void(bool Cancel, const std::string& Text)>;
  explicit TLabelEditing(TWinControl* Control);
  ~TLabelEditing();
  TLabelEditing(const TLabelEditing&) = delete;
  TLabelEditing& operator=(const TLabelEditing&) = delete;
  bool Active() const { return editor_ != nullptr; }
  // Lays the editor over Label (coordinates of Parent) with Text; Done
  // hears how the edit ended.
  void Start(QWidget* Parent, const TRect& Label, const std::string& Text, TDone Done);
  void Finish(bool Cancel);
  // Runs Edit after the double-click time, unless Stop comes first.
  void Later(std::function<void()> Edit);
  void Stop();

private:
  TWinControl* control_;
  TInPlaceEdit* editor_ = nullptr;
  TDone done_;
  std::unique_ptr<QObject> timer_;
};

// The frame of a scroll area as wide as the border the framework counts
// for Params (a sunken edge, a line or none).
void ApplyFrameStyle(QFrame* Frame, const TCreateParams& Params);

// Colours of a widget's palette from the control.
void ApplyPaletteColors(QWidget* w, TColor background, TColor text, bool fillBackground);
// The colours of the text area of an edit or a view: its background and text.
void ApplyBaseColors(QWidget* w, TColor base, TColor text);

}  // namespace fw
