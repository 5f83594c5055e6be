// The control base: TControl (a rectangle on a parent with a font, a colour
// and mouse and drag events), TWinControl (a control with a window: keyboard
// focus, child controls, tab order), TCustomControl and TGraphicControl
// (controls that paint themselves on a canvas), drag objects and mouse capture.
//
// Messages. Every control has WndProc and Dispatch; Perform sends a message
// to a control, SendMessage and PostMessage to a window handle. Qt's events
// reach a control through its widget and become messages: a key press is
// CN_KEYDOWN (the pre-pass before the form acts on Tab, Enter, Esc and
// accelerators), then WM_KEYDOWN (WM_SYSKEYDOWN with Alt), then, when the key
// makes a character, CN_CHAR and WM_CHAR (WM_SYSCHAR); a release is WM_KEYUP.
// What a message handler leaves to the window (the "default handling") is
// done by the Qt widget: keys reach it only when the control's handlers let
// them through.
//
// A class handles messages by overriding Dispatch and calling the inherited
// Dispatch for the messages it does not take; a message nobody takes goes to
// DefaultHandler, which on a windowed control is the widget's own behaviour.
//
// Ownership. A control belongs to its owner like any component, and a
// windowed control frees the controls it parents when it is freed, before
// the owner frees what it owns. The Qt widget of a control belongs to the
// control: it is made when the control's window is needed (the form is
// shown, or Handle is asked for) and freed with the control.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Classes.h"
#include "Chars.h"
#include "Graphics.h"
#include "GraphicsObjects.h"
#include "Canvas.h"
#include "Messages.h"

namespace fw {

class TControl;
class TWinControl;
class TCustomForm;
class TDragObject;
class TPopupMenu;
class TControlCanvas;
class TControlBridge;

// A window handle: a number given to a windowed control while its window is
// made (FindControl gives the control back). A handle carries its slot's
// generation, so a stale handle finds nothing, not the window made after it.
// The same type as the system services' HWND.
using HWND = std::uintptr_t;

// The positions and sizes a form file may give (the 16-bit coordinate space):
// the layout adds and scales them in ints.
inline constexpr int MinFormCoordinate = -32768;
inline constexpr int MaxFormCoordinate = 32767;

FW_ENUM(TAlign, alNone, alTop, alBottom, alLeft, alRight, alClient)
FW_ENUM(TAnchorKind, akLeft, akTop, akRight, akBottom)
using TAnchors = TFlags<TAnchorKind>;
FW_ENUM(TDragMode, dmManual, dmAutomatic)
FW_ENUM(TDragState, dsDragEnter, dsDragLeave, dsDragMove)
FW_ENUM(TDragMessage, dmDragEnter, dmDragLeave, dmDragMove, dmDragDrop, dmDragCancel, dmFindTarget)
FW_ENUM(TControlStyleItem, csAcceptsControls, csCaptureMouse, csDesignInteractive, csClickEvents, csFramed,
        csSetCaption, csOpaque, csDoubleClicks, csFixedWidth, csFixedHeight, csNoDesignVisible,
        csReplicatable, csNoStdEvents, csDisplayDragImage, csReflector)
using TControlStyle = TFlags<TControlStyleItem>;
FW_ENUM(TControlStateItem, csLButtonDown, csClicked, csPalette, csReadingState, csAlignmentNeeded, csFocusing,
        csCreating, csPaintCopy, csCustomPaint, csDestroyingHandle)
using TControlState = TFlags<TControlStateItem>;
// The border of forms and of edits, memos, tree views and panels (which use
// only bsNone and bsSingle).
FW_ENUM(TFormBorderStyle, bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin)
using TBorderStyle = TFormBorderStyle;

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, Word& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, TChar& Key)>;
using TDragOverEvent =
    std::function<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TStartDragEvent = std::function<void(TObject* Sender, TDragObject*& DragObject)>;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;
using TWndMethod = std::function<void(TMessage& Message)>;

// ---------------------------------------------------------------- drag objects

// What is being dragged. The drag passes the control itself as the Source of
// OnDragOver and OnDragDrop when the object is a TDragControlObject, else the
// object.
class TDragObject : public TObject {
  FW_CLASS(TDragObject, TObject)
public:
  TDragObject() = default;
  TDragObject(const TDragObject&) = delete;
  TDragObject& operator=(const TDragObject&) = delete;

  TPoint DragPos() const { return dragPos_; }             // screen
  TControl* DragTarget() const { return dragTarget_; }    // the control under the mouse
  TPoint DragTargetPos() const { return dragTargetPos_; } // in the target's client coordinates
  bool Cancelling() const { return cancelling_; }
  bool Dropped() const { return dropped_; }

  virtual TCursor GetDragCursor(bool Accepted, int X, int Y);
  // The drag ended; Target is nullptr when the drop was refused or cancelled.
  virtual void Finished(TObject* Target, int X, int Y, bool Accepted);

private:
  friend struct DragMachine;
  friend class TControl;
  TPoint dragPos_;
  TControl* dragTarget_ = nullptr;
  TPoint dragTargetPos_;
  bool cancelling_ = false;
  bool dropped_ = false;
};

class TDragControlObject : public TDragObject {
  FW_CLASS(TDragControlObject, TDragObject)
public:
  explicit TDragControlObject(TControl* AControl) : control_(AControl) {}
  TControl* Control() const { return control_; }
  void Finished(TObject* Target, int X, int Y, bool Accepted) override;

private:
  TControl* control_;
};

// The record that CM_DRAG carries in LParam.
struct TDragRec {
  TPoint Pos;                     // screen
  TDragObject* Source = nullptr;  // the drag object
  TControl* Target = nullptr;
};

// ---------------------------------------------------------------- TControl

class TControl : public TComponent {
  FW_CLASS(TControl, TComponent)
public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  // Shared with whoever must know whether the control still exists after a
  // call that may free it; false once it is freed.
  std::shared_ptr<const bool> LifeToken() const { return alive_; }

  // ---- parent and place
  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* AParent);
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;

  int Left() const { return left_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  int Top() const { return top_; }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  int Width() const { return width_; }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  int Height() const { return height_; }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
  void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
  // The client area in the control's own coordinates: (0, 0) to its size less
  // any border and scroll bars.
  virtual TRect GetClientRect() const;
  TRect ClientRect() const { return GetClientRect(); }
  int ClientWidth() const { return GetClientRect().Right; }
  void SetClientWidth(int v);
  int ClientHeight() const { return GetClientRect().Bottom; }
  void SetClientHeight(int v);
  // Screen position of the client area's top-left corner.
  virtual TPoint ClientOrigin() const;
  TPoint ClientToScreen(TPoint p) const;
  TPoint ScreenToClient(TPoint p) const;

  TAlign Align() const { return align_; }
  void SetAlign(TAlign v);
  TAnchors Anchors() const { return anchors_; }
  void SetAnchors(TAnchors v);

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool v);
  void Show();
  void Hide();
  // Visible, and so are all its parents.
  virtual bool Showing() const;
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool v);

  TColor Color() const { return color_; }
  void SetColor(TColor v);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool v);
  TFont* Font() const { return font_.get(); }
  void SetFont(const TFont* v) { font_->Assign(v); }
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool v);

  // Caption and Text are one value: the window text.
  std::string Caption() const { return GetText(); }
  void SetCaption(const std::string& v) { SetText(v); }
  std::string Text() const { return GetText(); }
  void SetText(const std::string& v);

  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& v) { hint_ = v; }
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool v);
  bool ParentShowHint() const { return parentShowHint_; }
  void SetParentShowHint(bool v);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor v);
  TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* v);

  TControlStyle ControlStyle() const { return controlStyle_; }
  void SetControlStyle(TControlStyle v) { controlStyle_ = v; }
  TControlState ControlState() const { return controlState_; }
  void SetControlState(TControlState v) { controlState_ = v; }

  // ---- painting
  virtual void Invalidate();
  virtual void Repaint();
  virtual void Update();
  void Refresh() { Repaint(); }

  // ---- messages
  LRESULT Perform(unsigned Msg, WPARAM WParam, LPARAM LParam);
  // The procedure that Perform calls: WndProc unless someone replaced it.
  TWndMethod WindowProc;
  virtual void WndProc(TMessage& Message);
  virtual void Dispatch(TMessage& Message);
  virtual void DefaultHandler(TMessage& Message);

  void BringToFront();
  void SendToBack();

  // ---- mouse and drag
  bool MouseCapture() const;
  void SetMouseCapture(bool v);
  TDragMode DragMode() const { return dragMode_; }
  void SetDragMode(TDragMode v) { dragMode_ = v; }
  TCursor DragCursor() const { return dragCursor_; }
  void SetDragCursor(TCursor v) { dragCursor_ = v; }
  // Starts dragging this control: at once, or once the mouse has moved by
  // Threshold pixels (-1: the framework's threshold) with the button down;
  // a release before that leaves a plain click.
  void BeginDrag(bool Immediate, int Threshold = -1);
  void EndDrag(bool Drop);
  bool Dragging() const;
  virtual void DragDrop(TObject* Source, int X, int Y);

  // Scales position and size by M / D (and the font unless ParentFont).
  virtual void ChangeScale(int M, int D);

  std::intptr_t HelpContext() const { return helpContext_; }
  void SetHelpContext(std::intptr_t v) { helpContext_ = v; }

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TStartDragEvent OnStartDrag;
  TEndDragEvent OnEndDrag;
  TNotifyEvent OnResize;

  void Loaded() override;

protected:
  friend class TWinControl;
  friend class TControlBridge;
  friend class TCustomForm;
  friend class TDragControlObject;
  friend struct DragMachine;

  virtual std::string GetText() const;
  virtual void Click();
  virtual void DblClick();
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept);
  virtual void DoStartDrag(TDragObject*& DragObject);
  virtual void DoEndDrag(TObject* Target, int X, int Y);
  virtual void Resize();
  // Called when the control's size or position changed.
  virtual void BoundsChanged() {}
  // The size changed: a control raises OnResize, a window gets WM_SIZE.
  virtual void SizeChanged();
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // The control's font changed (or its parent's, when it follows it).
  virtual void FontChanged();
  virtual void ColorChanged();
  virtual void EnabledChanged();
  virtual void TextChanged() {}
  // Pushes state that the widget shows (font, colours, enabled, cursor).
  virtual void ApplyWidgetState();
  virtual void UpdateWidgetGeometry();
  // Makes the widget of a control without a window (a graphic control); a
  // windowed control makes its own in CreateWnd.
  virtual void CreateControlWidget() {}
  void FreeWidget();
  void SetWidget(TControlBridge* w);

  void SendCancelMode(TControl* Sender);
  void DoMouseDown(TMessage& Message, TMouseButton Button, TShiftState Shift);
  void DoMouseUp(TMessage& Message, TMouseButton Button);

  // Messages of the base
  void WMMouseMove(TMessage& Message);
  void WMLButtonDown(TMessage& Message);
  void WMLButtonDblClk(TMessage& Message);
  void WMLButtonUp(TMessage& Message);
  void WMRButtonDown(TMessage& Message);
  void WMRButtonDblClk(TMessage& Message);
  void WMRButtonUp(TMessage& Message);
  void WMMButtonDown(TMessage& Message);
  void WMMButtonUp(TMessage& Message);
  void WMSetText(TMessage& Message);
  virtual void WMContextMenu(TMessage& Message);
  void CMDrag(TMessage& Message);
  virtual void CMParentFontChanged(TMessage& Message);
  virtual void CMParentColorChanged(TMessage& Message);
  virtual void CMFontChanged(TMessage& Message);
  virtual void CMEnabledChanged(TMessage& Message);
  virtual void CMColorChanged(TMessage& Message);

  // Anchors: the distances kept when the parent's client area changes.
  void UpdateAnchorRules();
  void AnchorTo(int parentClientWidth, int parentClientHeight);
  void RequestAlign();
  // What a left press does with DragMode dmAutomatic: start dragging at once.
  virtual void BeginAutoDrag();

  TWinControl* parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  std::string text_;
  // The Qt widget of the control's window, by the bridge that it carries
  // (QtControls.h: WidgetOf): nullptr until made. The widget belongs to the
  // control: freed with it or with its window.
  TControlBridge* bridge_ = nullptr;

private:
  void FontChangedEvent();
  bool ApplyMouseDrag(TMessage& Message);

  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  TAlign align_ = alNone;
  TAnchors anchors_ = {akLeft, akTop};
  struct AnchorRules {
    int left = 0, top = 0, right = 0, bottom = 0;  // distances to the parent's client edges
    int width = 0, height = 0;
    bool valid = false;
  } anchorRules_;
  bool visible_ = true;
  bool enabled_ = true;
  TColor color_ = clWindow;
  bool parentColor_ = false;
  std::unique_ptr<TFont> font_;
  bool parentFont_ = true;
  bool applyingParentFont_ = false;
  std::string hint_;
  bool showHint_ = false;
  bool parentShowHint_ = true;
  TCursor cursor_ = crDefault;
  TPopupMenu* popupMenu_ = nullptr;
  TControlStyle controlStyle_;
  TControlState controlState_;
  TDragMode dragMode_ = dmManual;
  TCursor dragCursor_ = crDrag;
  std::intptr_t helpContext_ = 0;
};

// ---------------------------------------------------------------- TWinControl

// What CreateParams gives CreateWnd: the styles decide the kind of widget.
struct TCreateParams {
  std::string Caption;
  std::uint32_t Style = 0;
  std::uint32_t ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  TWinControl* WndParent = nullptr;
};

class TWinControl : public TControl {
  FW_CLASS(TWinControl, TControl)
public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;

  // ---- window
  // Makes the window when it is not made yet; raises EInvalidOperation for a
  // control that is not on a form.
  HWND Handle();
  bool HandleAllocated() const { return bridge_ != nullptr; }
  // A window of its own above the others (WS_POPUP in CreateParams): a
  // top-level tool window at Left and Top on the screen, shown and hidden
  // without taking the activation or the focus, drawn as if focused. A press
  // anywhere outside it, and the program's loss of activation, send its
  // parent (the control that opened it) CM_CANCELMODE.
  bool IsPopup() const;
  void HandleNeeded();
  // Frees the window and makes a new one from CreateParams, keeping the
  // control's state.
  void RecreateWnd();

  // ---- children
  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int index) const;
  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);
  bool ContainsControl(const TControl* Control) const;
  // The child control at a point of the client area (the top-most visible
  // one), or nullptr.
  TControl* ControlAtPos(TPoint Pos, bool AllowDisabled) const;
  void Broadcast(TMessage& Message);
  void DisableAlign();
  void EnableAlign();
  void Realign();
  bool AlignDisabled() const { return alignLevel_ > 0; }

  // ---- focus and tab order
  int TabOrder() const;
  void SetTabOrder(int v);
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool v);
  virtual bool CanFocus() const;
  virtual void SetFocus();
  virtual bool Focused() const;
  // The controls of this one in tab order, children after their parent.
  void GetTabOrderList(std::vector<TWinControl*>& list) const;
  TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                               bool CheckParent) const;
  void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);
  // Makes the first control in tab order the form's active control.
  void SelectFirst();
  bool Ctl3D() const { return ctl3D_; }
  void SetCtl3D(bool v);
  bool ParentCtl3D() const { return parentCtl3D_; }
  void SetParentCtl3D(bool v);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int v);

  // ---- scrolling, for GetScrollRange; false when the bar does not exist
  virtual bool GetScrollRangeOf(int Bar, int& Min, int& Max) const;

  TRect GetClientRect() const override;
  TPoint ClientOrigin() const override;
  void SetVisible(bool v) override;
  void SetEnabled(bool v) override;
  void WndProc(TMessage& Message) override;
  void Invalidate() override;
  void Repaint() override;
  void Update() override;
  void ChangeScale(int M, int D) override;
  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;
  void Loaded() override;

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;
  TKeyEvent OnKeyUp;

protected:
  friend class TControl;
  friend class TControlBridge;
  friend class TCustomForm;
  friend struct UiGlobals;

  // Frees the child controls and the window.
  void BeforeDestruction() override;
  virtual void CreateParams(TCreateParams& Params);
  // Makes the widget (CreateWindowHandle) and gives it the control's state.
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& Params);
  // Keeps what the widget holds (typed text, selection) before it goes.
  virtual void DestroyWnd();
  // The Qt widget of this class for Params, on the client widget of the
  // parent (ParentWidgetOf), given by its bridge.
  virtual TControlBridge* CreateWidget(const TCreateParams& Params);
  void CreateHandle();
  void DestroyHandle();
  // Makes the windows of the child controls.
  void CreateChildHandles();
  // Width of the border outside the client area, from the window's style.
  virtual int BorderExtent() const;
  TCreateParams LastParams() const { return params_; }

  virtual void AlignControls(TControl* AControl, TRect& Rect);
  virtual void AdjustClientRect(TRect& Rect) { (void)Rect; }
  void AlignControl(TControl* AControl);
public:
  // Offset of the client area inside the widget that holds the child widgets.
  virtual int ChildOffset() const;
  // Where the client area starts in the widget that holds the child widgets:
  // past the border and, on a form, past its menu bar.
  virtual TPoint ClientOffset() const;

protected:
  virtual void KeyDown(Word& Key, TShiftState Shift);
  virtual void KeyUp(Word& Key, TShiftState Shift);
  virtual void KeyPress(TChar& Key);
  void SizeChanged() override;
  bool DoKeyDown(TMessage& Message);
  bool DoKeyUp(TMessage& Message);
  bool DoKey(TMessage& Message, bool (TWinControl::*pass)(TMessage&), void (TWinControl::*handler)(Word&, TShiftState));
  bool DoKeyPress(TMessage& Message);
  virtual void DoEnter();
  virtual void DoExit();
  // Focus leaves this control and its children (being hidden, disabled or removed).
  void RemoveFocus(bool Removing);
  // A click's focus for a native control: false when the focus stayed
  // elsewhere (the control that has it refused to let go).
  bool TakeClickFocus();
  void DestroyControls();
  void ApplyWidgetState() override;

  // Messages of windowed controls
  void WMSetFocus(TMessage& Message);
  void WMKillFocus(TMessage& Message);
  void WMKeyDown(TMessage& Message);
  void WMKeyUp(TMessage& Message);
  void WMChar(TMessage& Message);
  virtual void WMPaint(TMessage& Message);
  void WMSize(TMessage& Message);
  virtual void CNKeyDown(TMessage& Message);
  virtual void CNChar(TMessage& Message);
  void CMEnter(TMessage& Message);
  void CMExit(TMessage& Message);
  void CMDialogKey(TMessage& Message);
  void CMDialogChar(TMessage& Message);
  void CMChildKey(TMessage& Message);
  void CMFocusChanged(TMessage& Message);
  void CMParentCtl3DChanged(TMessage& Message);

  std::vector<TControl*> controls_;
  std::vector<TWinControl*> tabList_;
  TCreateParams params_;
  // Native widgets that take the focus when clicked (edits, buttons, trees).
  bool clickFocus_ = false;

private:
  int alignLevel_ = 0;
  bool tabStop_ = false;
  bool ctl3D_ = true;
  bool parentCtl3D_ = true;
  int borderWidth_ = 0;
  bool recreating_ = false;
  bool aligning_ = false;
  HWND handle_ = 0;

protected:
  // While scaling, positions come from the scale, not from the anchors.
  bool scaling_ = false;

private:
  bool alignNeeded_ = false;
};

// ---------------------------------------------------------------- canvas of a control

// The canvas of a control: draws on the control's widget while it paints,
// and measures text with the control's font at any time.
class TControlCanvas : public TCanvas {
  FW_CLASS(TControlCanvas, TCanvas)
public:
  TControlCanvas();
  ~TControlCanvas() override;
  TControl* Control() const { return control_; }
  void SetControl(TControl* c) { control_ = c; }
  // Ends the drawing opened during a paint message.
  void FreeHandle() { ReleasePainter(); }
  // Ends the drawing of every canvas of Control (after its paint message).
  static void FreeHandles(TControl* Control);

private:
  TControl* control_ = nullptr;
};

class TGraphicControl : public TControl {
  FW_CLASS(TGraphicControl, TControl)
public:
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;
  TCanvas* Canvas() const;
  void Dispatch(TMessage& Message) override;

protected:
  void BeforeDestruction() override;
  virtual void Paint() {}
  void CreateControlWidget() override;
  void WMPaint(TMessage& Message);

private:
  std::unique_ptr<TControlCanvas> canvas_;
};

class TCustomControl : public TWinControl {
  FW_CLASS(TCustomControl, TWinControl)
public:
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;
  TCanvas* Canvas() const;

protected:
  virtual void Paint() {}
  void WMPaint(TMessage& Message) override;
  // Paints the control through Paint on its canvas, within a paint message.
  void PaintWindow();

private:
  std::unique_ptr<TControlCanvas> canvas_;
};

// ---------------------------------------------------------------- window functions

LRESULT SendMessage(HWND Wnd, unsigned Msg, WPARAM WParam, LPARAM LParam);
// Queues the message; it is delivered by the message loop unless the control
// goes first. False for a null handle.
bool PostMessage(HWND Wnd, unsigned Msg, WPARAM WParam, LPARAM LParam);
// Queues a key message that carries a keyboard state of its own: while the
// control handles it, GetKeyState answers from State, and the state of the
// moment comes back after. A key replayed with a modifier held reads it held.
bool PostKeyMessage(HWND Wnd, unsigned Msg, WPARAM WParam, LPARAM LParam, const TKeyboardState& State);

// The key messages (WM_KEYFIRST to WM_KEYLAST) waiting for the message loop,
// oldest first: those posted, and the keys typed meanwhile. A long operation
// that cannot let the loop run looks at them with PeekKeyMessages: looking
// reads the input the window system holds for the program and runs nothing
// of the program; the other input, timers, paints and posted messages wait
// for the loop, which delivers everything in the order it came.
struct TWaitingMessage {
  HWND Wnd;  // the control it goes to (for a typed key, the one with the focus)
  unsigned Msg;
  WPARAM WParam;  // the virtual key
  LPARAM LParam;
};
std::vector<TWaitingMessage> PeekKeyMessages();
// Takes the message at Index of the last look out of the queue, for good;
// the others keep their order. False when there is none at Index.
bool RemoveKeyMessage(std::size_t Index);

// Places a window: SWP_ flags as below. HWND_TOPMOST is the only order a
// pop-up window has; other windows keep theirs.
constexpr HWND HWND_TOP = 0;
constexpr HWND HWND_TOPMOST = static_cast<HWND>(-1);
constexpr HWND HWND_NOTOPMOST = static_cast<HWND>(-2);
constexpr unsigned SWP_NOSIZE = 0x0001;
constexpr unsigned SWP_NOMOVE = 0x0002;
constexpr unsigned SWP_NOZORDER = 0x0004;
constexpr unsigned SWP_NOACTIVATE = 0x0010;
constexpr unsigned SWP_SHOWWINDOW = 0x0040;
constexpr unsigned SWP_HIDEWINDOW = 0x0080;
bool SetWindowPos(HWND Wnd, HWND InsertAfter, int X, int Y, int cx, int cy, unsigned Flags);
// Mouse capture: all mouse messages go to the capturing control.
HWND SetCapture(HWND Wnd);
bool ReleaseCapture();
HWND GetCapture();
TControl* GetCaptureControl();
void SetCaptureControl(TControl* Control);
// Range of a control's scroll bar (SB_VERT, SB_HORZ); both 0 when it has none.
bool GetScrollRange(HWND Wnd, int Bar, int* Min, int* Max);
// The scroll bars of a window whose client area scrolls (a scroll area). The
// control owns them: a bar shows while its range is not empty and moves only
// when the control sets it; what the user does with it comes to the control
// as WM_VSCROLL or WM_HSCROLL with its SB_ code, the thumb's place with
// SB_THUMBTRACK while it is dragged and SB_THUMBPOSITION where it is let go,
// then SB_ENDSCROLL. False (0 for GetScrollPos) for a window without bars.
bool SetScrollRange(HWND Wnd, int Bar, int Min, int Max, bool Redraw = true);
// Returns the position before; Pos is kept within the range.
int SetScrollPos(HWND Wnd, int Bar, int Pos, bool Redraw = true);
int GetScrollPos(HWND Wnd, int Bar);
// Window timers: WM_TIMER with WParam Id every Elapse milliseconds until
// KillTimer or until the window goes; setting an Id again restarts it. They
// run on TTimer's clock (SetTimerClock), so tests advance them. SetTimer
// returns Id, or 0 for a window that does not exist.
unsigned SetTimer(HWND Wnd, unsigned Id, unsigned Elapse);
bool KillTimer(HWND Wnd, unsigned Id);
// Repainting parts of a window's client area (client coordinates; nullptr:
// all of it). InvalidateRect asks for the repaint; ValidateRect takes a part
// out of the next repaint, keeping what is shown there, until it is
// invalidated again (inside a paint it has nothing left to take out).
// Erase is accepted for the callers' sake: a control paints its background.
bool InvalidateRect(HWND Wnd, const TRect* Rect, bool Erase);
bool ValidateRect(HWND Wnd, const TRect* Rect);
// Moves the pixels of Rect (nullptr: the whole client area, child windows
// with it) by DX, DY, within ClipRect (nullptr: Rect), and invalidates what
// the move uncovers.
bool ScrollWindow(HWND Wnd, int DX, int DY, const TRect* Rect, const TRect* ClipRect);
// Paints what is waiting to be repainted in the window now.
bool UpdateWindow(HWND Wnd);
HWND GetFocus();
TWinControl* FindControl(HWND Handle);
// The control under a screen point (windowed or not), or nullptr.
TControl* FindDragTarget(TPoint Pos, bool AllowDisabled);
TPoint GetCursorPos();
// The framework's mouse threshold of BeginDrag.
constexpr int DragThreshold = 5;
// Accelerator of a caption ("E&xit" gives 'x'): does Key select it?
bool IsAccel(TChar Key, const std::string& Caption);
// The caption without its accelerator marks ("&&" stays one "&").
std::string StripHotkey(const std::string& Caption);
// Cancels the drag under way, if any.
void CancelDrag();
// Draws a line over a control and over what lies on it (its child controls
// too), outside the control's painting, inverting the pixels under it; the
// same line drawn again is gone. Client coordinates; the end point is left
// out. For the moving lines of drags (a column edge being dragged).
void InvertLine(TControl* Control, int X1, int Y1, int X2, int Y2);

}  // namespace fw
