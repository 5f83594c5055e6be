#include "Forms.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <cmath>
#include <cstdlib>

#include "Dialogs.h"
#include "Exceptions.h"
#include "FormReader.h"
#include "Menus.h"
#include "QtControls.h"
#include "Scope.h"
#include "Shell.h"
#include "Text.h"

namespace fw {

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

// The application object and the screen live for the whole program; the
// forms go while Qt is still there.
namespace {
// "Form1.DataSource1" in a form file: a component of another form, found
// by the form's name among the screen's forms.
TComponent* FindFormComponent(std::string_view name) {
  const std::size_t dot = name.find('.');
  if (!Screen || dot == std::string_view::npos) return nullptr;
  for (int i = 0; i < Screen->FormCount(); ++i) {
    TCustomForm* f = Screen->Forms(i);
    if (SameText(f->Name(), name.substr(0, dot))) return f->FindComponent(name.substr(dot + 1));
  }
  return nullptr;
}
}  // namespace

struct UiGlobals {
  std::unique_ptr<TScreen> screen;
  std::unique_ptr<TApplication> app;
  UiGlobals() {
    screen = std::make_unique<TScreen>(nullptr);
    Screen = screen.get();
    app = std::make_unique<TApplication>(nullptr);
    Application = app.get();
    SetFindGlobalComponent(&FindFormComponent);
    qAddPostRoutine(&UiGlobals::BeforeQtGoes);
  }
  ~UiGlobals() {
    // At the end of the process Qt's own statics may be gone: the windows
    // that are left are not freed, only forgotten.
    SetWindowsAbandoned();
    app.reset();
    Application = nullptr;
    screen.reset();
    Screen = nullptr;
  }
  UiGlobals(const UiGlobals&) = delete;
  UiGlobals& operator=(const UiGlobals&) = delete;

  static void BeforeQtGoes() {
    if (Application) Application->FreeForms();
    // Forms that others own keep their state but lose their windows.
    if (Screen)
      for (int i = 0; i < Screen->FormCount(); ++i) Screen->Forms(i)->DestroyHandle();
  }
};

namespace {
UiGlobals globals;
}

// ---------------------------------------------------------------- system metrics

int GetSystemMetrics(int Index) {
  switch (Index) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN: return Screen ? Screen->Width() : 1024;
    case SM_CYSCREEN: return Screen ? Screen->Height() : 768;
    case SM_CYFULLSCREEN: return (Screen ? Screen->Height() : 768) - 19;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB: return 16;
    case SM_CYCAPTION:
    case SM_CYMENU: return 19;
    case SM_CYSMCAPTION: return 15;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CXMIN: return 112;
    case SM_CYMIN: return 27;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG: return 4;
    default: return 0;
  }
}

unsigned GetDoubleClickTime() {
  EnsureQtApplication();
  return static_cast<unsigned>(std::max(1, QApplication::doubleClickInterval()));
}

// ---------------------------------------------------------------- forms

FW_PUBLISH(TCustomForm) {
  c.Property("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl);
  c.Property("BorderIcons", &TCustomForm::BorderIcons, &TCustomForm::SetBorderIcons);
  c.Property("BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle).Default(bsSizeable);
  c.Property("ClientHeight", &TCustomForm::ClientHeight, &TCustomForm::SetDesignClientHeight)
      .Stored(false)
      .Range(MinFormCoordinate, MaxFormCoordinate);
  c.Property("ClientWidth", &TCustomForm::ClientWidth, &TCustomForm::SetDesignClientWidth)
      .Stored(false)
      .Range(MinFormCoordinate, MaxFormCoordinate);
  c.Property("FormStyle", &TCustomForm::FormStyle, &TCustomForm::SetFormStyle).Default(fsNormal);
  c.Property("HelpFile", &TCustomForm::HelpFile, &TCustomForm::SetHelpFile);
  c.Property("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview).Default(false);
  c.Property("Menu", &TCustomForm::Menu, &TCustomForm::SetMenu);
  c.Property("PixelsPerInch", &TCustomForm::PixelsPerInch, &TCustomForm::SetPixelsPerInch);
  c.Property("Position", &TCustomForm::Position, &TCustomForm::SetPosition).Default(poDesigned);
  c.Property("Scaled", &TCustomForm::Scaled, &TCustomForm::SetScaled).Default(true);
  c.Property("WindowState", &TCustomForm::WindowState, &TCustomForm::SetWindowState).Default(wsNormal);
  c.Event("OnActivate", &TCustomForm::OnActivate);
  c.Event("OnClose", &TCustomForm::OnClose);
  c.Event("OnCloseQuery", &TCustomForm::OnCloseQuery);
  c.Event("OnCreate", &TCustomForm::OnCreate);
  c.Event("OnDeactivate", &TCustomForm::OnDeactivate);
  c.Event("OnDestroy", &TCustomForm::OnDestroy);
  c.Event("OnHide", &TCustomForm::OnHide);
  c.Event("OnPaint", &TCustomForm::OnPaint);
  c.Event("OnShow", &TCustomForm::OnShow);
}

FW_IMPLEMENT_CLASS(TForm)

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner) {
  TControl::SetVisible(false);
  SetControlStyle({csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks});
  SetColor(clBtnFace);
  SetParentFont(false);
  pixelsPerInch_ = Screen ? Screen->PixelsPerInch() : 96;
  SetBounds(0, 0, 320, 240);
  if (Screen) Screen->AddForm(this);
}

TCustomForm::~TCustomForm() = default;

void TCustomForm::BeforeDestruction() {
  RunOnDestroy();
  if (Screen) Screen->RemoveForm(this);
  if (GetCaptureControl() && ContainsControl(GetCaptureControl())) SetCaptureControl(nullptr);
  DestroyControls();
  SetMenu(nullptr);
  activeControl_ = nullptr;
  focusedControl_ = nullptr;
  TWinControl::BeforeDestruction();
}

void TCustomForm::AfterConstruction() {
  if (created_) return;
  created_ = true;
  if (ClassType() != TForm::StaticClass() && ClassType() != TCustomForm::StaticClass())
    ReadComponentRes(this, ClassName());
  DoCreate();
  if (visibleInFile_) Show();
}

void TCustomForm::RunOnDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  if (created_) DoDestroy();
}

void TCustomForm::DoCreate() {
  if (!OnCreate) return;
  try {
    OnCreate(this);
  } catch (...) {
    if (Application) Application->HandleException(this);
    else throw;
  }
}

void TCustomForm::DoDestroy() {
  if (!OnDestroy) return;
  try {
    OnDestroy(this);
  } catch (...) {
    if (Application) Application->HandleException(this);
  }
}

void TCustomForm::Loaded() {
  TComponent::Loaded();
  // The controls' anchors are read against the designed sizes.
  std::vector<TControl*> all;
  std::function<void(TWinControl*)> collect = [&](TWinControl* w) {
    for (int i = 0; i < w->ControlCount(); ++i) {
      TControl* c = w->Controls(i);
      all.push_back(c);
      if (auto* cw = dynamic_cast<TWinControl*>(c)) collect(cw);
    }
  };
  DisableAlign();
  {
    // Realigning may raise: on the normal path it runs outside the scope.
    TScopeFail enableAlign([this] { EnableAlign(); });
    if (loadedClientWidth_ > 0) SetClientWidth(loadedClientWidth_);
    if (loadedClientHeight_ > 0) SetClientHeight(loadedClientHeight_);
    int screenPpi = Screen ? Screen->PixelsPerInch() : 96;
    if (scaled_ && pixelsPerInch_ > 0 && pixelsPerInch_ != screenPpi) ScaleBy(screenPpi, pixelsPerInch_);
    pixelsPerInch_ = screenPpi;
    collect(this);
    for (TControl* c : all) c->UpdateAnchorRules();
  }
  EnableAlign();
  Realign();
}

void TCustomForm::ScaleBy(int M, int D) {
  if (M == D || D == 0) return;
  DisableAlign();
  {
    TScopeFail enableAlign([this] { EnableAlign(); });
    TRestoreScope scaling(scaling_, true);
    int cw = ClientWidth(), ch = ClientHeight();
    for (int i = 0; i < ControlCount(); ++i) Controls(i)->ChangeScale(M, D);
    Font()->SetHeight(MulDiv(Font()->Height(), M, D));
    SetParentFont(false);
    SetClientWidth(MulDiv(cw, M, D));
    SetClientHeight(MulDiv(ch, M, D));
  }
  for (int i = 0; i < ControlCount(); ++i) Controls(i)->UpdateAnchorRules();
  EnableAlign();
}

void TCustomForm::SetDesignClientWidth(int v) {
  if (ComponentState().Contains(csLoading)) loadedClientWidth_ = v;
  SetClientWidth(v);
}

void TCustomForm::SetDesignClientHeight(int v) {
  if (ComponentState().Contains(csLoading)) loadedClientHeight_ = v;
  SetClientHeight(v);
}

void TCustomForm::SetPixelsPerInch(int v) {
  if (v != 0 && v < 36) return;
  pixelsPerInch_ = v;
}

int TCustomForm::FrameWidth() const {
  switch (borderStyle_) {
    case bsNone: return 0;
    case bsSizeable:
    case bsSizeToolWin: return GetSystemMetrics(SM_CXFRAME);
    default: return GetSystemMetrics(SM_CXDLGFRAME);
  }
}

int TCustomForm::CaptionHeight() const {
  switch (borderStyle_) {
    case bsNone: return 0;
    case bsToolWindow:
    case bsSizeToolWin: return GetSystemMetrics(SM_CYSMCAPTION);
    default: return GetSystemMetrics(SM_CYCAPTION);
  }
}

int TCustomForm::MenuHeight() const { return menu_ ? GetSystemMetrics(SM_CYMENU) : 0; }

TRect TCustomForm::GetClientRect() const {
  int f = FrameWidth();
  return Rect(0, 0, std::max(0, Width() - 2 * f), std::max(0, Height() - 2 * f - CaptionHeight() - MenuHeight()));
}

// The window's frame is the window system's: the client area starts at the
// window's top left, below the menu bar.
TPoint TCustomForm::ClientOffset() const { return {0, MenuHeight()}; }

TPoint TCustomForm::ClientOrigin() const {
  if (bridge_ && WidgetOf(this)->isVisible()) {
    QPoint g = WidgetOf(this)->mapToGlobal(QPoint(0, MenuHeight()));
    return {g.x(), g.y()};
  }
  int f = FrameWidth();
  return {Left() + f, Top() + f + CaptionHeight() + MenuHeight()};
}

void TCustomForm::SetMenu(TMainMenu* v) {
  if (v == menu_) return;
  if (v && v->form_ && v->form_ != this) v->form_->SetMenu(nullptr);
  // The client area keeps its size: the window grows or shrinks by the bar.
  int clientHeight = ClientHeight();
  if (menu_) menu_->form_ = nullptr;
  menu_ = v;
  if (v) {
    v->form_ = this;
    v->FreeNotification(this);
  }
  if (!ComponentState().Contains(csDestroying)) {
    SetClientHeight(clientHeight);
    UpdateWidgetGeometry();
    UpdateMenuBar(this);
    // The client area moved down or up inside the window.
    for (TControl* c : controls_) c->UpdateWidgetGeometry();
    Realign();
  }
}

void TCustomForm::UpdateWidgetGeometry() {
  if (!bridge_ || syncing_) return;
  TRect r = GetClientRect();
  WidgetOf(this)->move(Left(), Top());
  if (borderStyle_ == bsSizeable || borderStyle_ == bsSizeToolWin) {
    WidgetOf(this)->setMinimumSize(0, 0);
    WidgetOf(this)->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    WidgetOf(this)->resize(r.Width(), r.Height() + MenuHeight());
  } else {
    WidgetOf(this)->setFixedSize(r.Width(), r.Height() + MenuHeight());
  }
}

void TCustomForm::WindowMoved(int x, int y) {
  if (x == Left() && y == Top()) return;
  TRestoreScope syncing(syncing_, true);
  TWinControl::SetBounds(x, y, Width(), Height());
}

void TCustomForm::WindowResized(int clientWidth, int clientHeight) {
  clientHeight = std::max(0, clientHeight - MenuHeight());
  TRect r = GetClientRect();
  if (clientWidth == r.Width() && clientHeight == r.Height()) return;
  int f = FrameWidth();
  TRestoreScope syncing(syncing_, true);
  TWinControl::SetBounds(Left(), Top(), clientWidth + 2 * f, clientHeight + 2 * f + CaptionHeight() + MenuHeight());
}

void TCustomForm::SetBorderStyle(TFormBorderStyle v) {
  if (v == borderStyle_) return;
  // The outer size stays; the client area follows the new frame.
  borderStyle_ = v;
  if (bridge_) {
    ApplyWindowFlags();
    UpdateWidgetGeometry();
  }
  Realign();
}

void TCustomForm::SetBorderIcons(TBorderIcons v) {
  borderIcons_ = v;
  if (bridge_) ApplyWindowFlags();
}

void TCustomForm::SetFormStyle(TFormStyle v) {
  formStyle_ = v;
  if (bridge_) ApplyWindowFlags();
}

void TCustomForm::SetWindowState(TWindowState v) {
  windowState_ = v;
  if (!bridge_ || !WidgetOf(this)->isVisible()) return;
  switch (v) {
    case wsMinimized: WidgetOf(this)->showMinimized(); break;
    case wsMaximized: WidgetOf(this)->showMaximized(); break;
    default: WidgetOf(this)->showNormal(); break;
  }
}

void TCustomForm::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.Style = WS_CLIPCHILDREN;
  Params.WndParent = nullptr;
  switch (borderStyle_) {
    case bsNone: Params.Style |= WS_POPUP; break;
    case bsSingle:
    case bsToolWindow: Params.Style |= WS_CAPTION | WS_BORDER; break;
    case bsSizeable:
    case bsSizeToolWin: Params.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog:
      Params.Style |= WS_POPUP | WS_CAPTION;
      Params.ExStyle |= WS_EX_DLGMODALFRAME;
      break;
  }
  if (borderStyle_ == bsToolWindow || borderStyle_ == bsSizeToolWin) Params.ExStyle |= WS_EX_TOOLWINDOW;
  if (formStyle_ == fsStayOnTop) Params.ExStyle |= WS_EX_TOPMOST;
  if (borderIcons_.Contains(biSystemMenu)) Params.Style |= WS_SYSMENU;
}

TControlBridge* TCustomForm::CreateWidget(const TCreateParams&) {
  auto* w = new TBridged<QWidget>(this, nullptr);
  w->setAttribute(Qt::WA_DeleteOnClose, false);
  return w;
}

void TCustomForm::CreateWnd() {
  TWinControl::CreateWnd();
  ApplyWindowFlags();
  UpdateWidgetGeometry();
  WidgetOf(this)->setWindowTitle(ToQString(Caption()));
  UpdateMenuBar(this);
}

void TCustomForm::ApplyWindowFlags() {
  if (!bridge_) return;
  Qt::WindowFlags f = Qt::Window;
  switch (borderStyle_) {
    case bsNone: f |= Qt::FramelessWindowHint; break;
    case bsDialog: f = Qt::Dialog; break;
    case bsToolWindow:
    case bsSizeToolWin: f = Qt::Tool; break;
    default: break;
  }
  f |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  if (borderIcons_.Contains(biSystemMenu)) f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (borderIcons_.Contains(biMinimize) && borderStyle_ != bsDialog) f |= Qt::WindowMinimizeButtonHint;
  if (borderIcons_.Contains(biMaximize) && (borderStyle_ == bsSizeable)) f |= Qt::WindowMaximizeButtonHint;
  if (formStyle_ == fsStayOnTop) f |= Qt::WindowStaysOnTopHint;
  bool shown = WidgetOf(this)->isVisible();
  WidgetOf(this)->setWindowFlags(f);
  if (shown) WidgetOf(this)->show();
}

void TCustomForm::ApplyWidgetState() {
  TWinControl::ApplyWidgetState();
  if (!bridge_) return;
  ApplyPaletteColors(WidgetOf(this), Color(), Font()->Color(), true);
  if (Application && Application->Icon()->Graphic()) {
    if (auto* b = dynamic_cast<TBitmap*>(Application->Icon()->Graphic()))
      WidgetOf(this)->setWindowIcon(QIcon(QPixmap::fromImage(b->Image())));
  }
}

void TCustomForm::TextChanged() {
  if (bridge_) WidgetOf(this)->setWindowTitle(ToQString(Caption()));
}

void TCustomForm::PlaceOnScreen() {
  auto centreOn = [this](int x, int y, int w, int h) {
    SetBounds(x + (w - Width()) / 2, y + (h - Height()) / 2, Width(), Height());
  };
  int sw = Screen ? Screen->Width() : 1024, sh = Screen ? Screen->Height() : 768;
  switch (position_) {
    case poScreenCenter:
    case poDesktopCenter: centreOn(0, 0, sw, sh); break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
      TCustomForm* other = position_ == poMainFormCenter && Application ? Application->MainForm()
                                                                        : dynamic_cast<TCustomForm*>(Owner());
      if (other && other != this) centreOn(other->Left(), other->Top(), other->Width(), other->Height());
      else centreOn(0, 0, sw, sh);
      break;
    }
    default: break;
  }
}

void TCustomForm::SetVisible(bool v) {
  if (ComponentState().Contains(csLoading)) {
    visibleInFile_ = v;
    return;
  }
  if (v == Visible()) {
    if (v && bridge_) WidgetOf(this)->raise();
    return;
  }
  if (v) {
    if (!placed_) {
      placed_ = true;
      PlaceOnScreen();
    }
    HandleNeeded();
    DoShow();
    TControl::SetVisible(true);
    if (windowState_ == wsMaximized) WidgetOf(this)->showMaximized();
    else if (windowState_ == wsMinimized) WidgetOf(this)->showMinimized();
    WidgetOf(this)->raise();
    WidgetOf(this)->activateWindow();
  } else {
    DoHide();
    TControl::SetVisible(false);
  }
}

bool TCustomForm::Showing() const { return Visible(); }

void TCustomForm::Show() {
  SetVisible(true);
  if (bridge_) {
    WidgetOf(this)->raise();
    WidgetOf(this)->activateWindow();
  }
}

void TCustomForm::Hide() { SetVisible(false); }

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

int TCustomForm::ShowModal() {
  if (Visible() || !Enabled() || modal_) throw EInvalidOperation("Cannot make a visible window modal");
  SetCaptureControl(nullptr);
  modal_ = true;
  modalResult_ = mrNone;
  auto alive = LifeToken();
  HandleNeeded();
  WidgetOf(this)->setWindowModality(Qt::ApplicationModal);
  {
    TScopeFail endModal([&] {
      if (!*alive) return;
      modal_ = false;
      if (bridge_) WidgetOf(this)->setWindowModality(Qt::NonModal);
      Hide();
    });
    Show();
    while (*alive) {
      if (Application) Application->HandleMessage();
      if (!*alive) break;
      if (Application && Application->Terminated()) modalResult_ = mrCancel;
      if (modalResult_ != mrNone) CloseModal();
      if (modalResult_ != mrNone) break;
      if (!Visible()) modalResult_ = mrCancel;  // hidden by someone: the modal loop ends
    }
  }
  if (!*alive) return mrCancel;
  TModalResult result = modalResult_;
  modal_ = false;
  Hide();
  if (bridge_) WidgetOf(this)->setWindowModality(Qt::NonModal);
  return result;
}

void TCustomForm::CloseModal() {
  TCloseAction action = caNone;
  if (CloseQuery()) {
    action = caHide;
    DoClose(action);
  }
  switch (action) {
    case caNone: modalResult_ = mrNone; break;
    case caFree: Release(); break;
    default: break;
  }
}

bool TCustomForm::CloseQuery() {
  bool can = true;
  if (OnCloseQuery) OnCloseQuery(this, can);
  return can;
}

void TCustomForm::DoClose(TCloseAction& Action) {
  if (OnClose) OnClose(this, Action);
}

void TCustomForm::Close() {
  if (modal_) {
    modalResult_ = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application && Application->MainForm() == this) Application->Terminate();
  else if (action == caHide) Hide();
  else if (action == caMinimize) SetWindowState(wsMinimized);
  else Release();
}

void TCustomForm::Release() { PostMessage(Handle(), CM_RELEASE, 0, 0); }

void TCustomForm::CMRelease(TMessage&) { delete this; }

void TCustomForm::WMClose(TMessage&) { Close(); }

void TCustomForm::SetFocus() {
  if (active_) return;
  if (!Visible() || !Enabled()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  SetWindowFocus();
}

bool TCustomForm::CanFocus() const { return Visible() && Enabled(); }

void TCustomForm::FocusControl(TWinControl* Control) {
  bool wasActive = active_;
  SetActiveControl(Control);
  if (!wasActive) SetFocus();
}

void TCustomForm::SetActiveControl(TWinControl* Control) {
  if (activeControl_ == Control) return;
  bool loading = ComponentState().Contains(csLoading);
  if (Control && !loading && (Control == this || GetParentForm(Control) != this || !Control->CanFocus()))
    throw EInvalidOperation("Cannot focus a disabled or invisible window");
  activeControl_ = Control;
  if (!loading && active_) SetWindowFocus();
}

void TCustomForm::SetWindowFocus(bool activating) {
  if (!bridge_) return;
  QWidget* w = WidgetOf(this);
  if (activeControl_ && activeControl_->HandleAllocated()) w = WidgetOf(activeControl_);
  QWidget* inner = WidgetOf(this)->focusWidget();
  if (activating && inner && inner != w && inner->isVisible() && inner->isEnabled() && w->isAncestorOf(inner))
    w = inner;
  if (QApplication::focusWidget() != w || !w->hasFocus()) w->setFocus(Qt::ActiveWindowFocusReason);
}

bool TCustomForm::SetFocusedControl(TWinControl* Control) {
  int count = ++focusCount_;
  activeControl_ = Control != this ? Control : nullptr;
  if (Screen) Screen->SetActive(this, Control);
  if (Control->ControlState().Contains(csFocusing)) return false;
  Control->SetControlState(Control->ControlState() + TControlState{csFocusing});
  auto alive = Control->LifeToken();
  TScopeExit unmark([Control, alive] {
    if (*alive) Control->SetControlState(Control->ControlState() - TControlState{csFocusing});
  });
  if (!focusedControl_) focusedControl_ = this;
  if (focusedControl_ != Control) {
    while (focusedControl_ && !focusedControl_->ContainsControl(Control)) {
      TWinControl* leaving = focusedControl_;
      focusedControl_ = focusedControl_->Parent();
      {
        // The control that refused to let go keeps the focus.
        TScopeFail refused([&] {
          focusedControl_ = leaving;
          activeControl_ = leaving != this ? leaving : nullptr;
          if (Screen) Screen->SetActive(this, leaving);
          if (WidgetOf(leaving) && !leaving->Focused()) WidgetOf(leaving)->setFocus(Qt::OtherFocusReason);
        });
        leaving->Perform(CM_EXIT, 0, 0);
      }
      if (count != focusCount_) return false;
    }
    while (focusedControl_ != Control) {
      TWinControl* c = Control;
      while (c->Parent() != focusedControl_) c = c->Parent();
      focusedControl_ = c;
      c->Perform(CM_ENTER, 0, 0);
      if (count != focusCount_) return false;
    }
    Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(Control));
  }
  return true;
}

void TCustomForm::DefocusControl(TWinControl* Control, bool Removing) {
  if (ComponentState().Contains(csDestroying)) return;
  if (Removing && focusedControl_ && Control->ContainsControl(focusedControl_))
    focusedControl_ = Control->Parent();
  if (activeControl_ && Control->ContainsControl(activeControl_)) {
    activeControl_ = nullptr;
    if (active_ && !Removing) SetWindowFocus();
  }
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == activeControl_) activeControl_ = nullptr;
  if (AComponent == focusedControl_) focusedControl_ = nullptr;
  if (AComponent == menu_) SetMenu(nullptr);
}

TCanvas* TCustomForm::Canvas() const {
  if (!canvas_) {
    auto* self = const_cast<TCustomForm*>(this);
    self->canvas_ = std::make_unique<TControlCanvas>();
    self->canvas_->SetControl(self);
  }
  return canvas_.get();
}

void TCustomForm::Paint() {
  if (OnPaint) OnPaint(this);
}

void TCustomForm::WMPaint(TMessage& Message) {
  DefaultHandler(Message);
  if (!OnPaint || !bridge_ || !BridgePainting(WidgetOf(this))) return;
  QPainter p(WidgetOf(this));
  PrepareClientPainter(p, this);
  TCanvasPainting painting(Canvas(), &p);
  Paint();
}

void TCustomForm::CMActivate(TMessage&) {
  active_ = true;
  if (Screen) Screen->SetActive(this, activeControl_);
  if (!activeControl_) activeControl_ = FindNextControl(nullptr, true, true, false);
  Activate();
  SetWindowFocus(true);
}

void TCustomForm::CMDeactivate(TMessage&) {
  active_ = false;
  Deactivate();
}

void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::CMDialogKey(TMessage& Message) {
  if (GetKeyState(VK_MENU) >= 0) {
    switch (Message.CharCode()) {
      case VK_TAB:
        if (GetKeyState(VK_CONTROL) >= 0) {
          SelectNext(activeControl_, GetKeyState(VK_SHIFT) >= 0, true);
          Message.Result = 1;
          return;
        }
        break;
      case VK_LEFT:
      case VK_RIGHT:
      case VK_UP:
      case VK_DOWN:
        if (activeControl_ && activeControl_->Parent()) {
          activeControl_->Parent()->SelectNext(activeControl_,
                                               Message.CharCode() == VK_RIGHT || Message.CharCode() == VK_DOWN, false);
          Message.Result = 1;
        }
        return;
      default: break;
    }
  }
  TWinControl::Dispatch(Message);
}

void TCustomForm::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_DIALOGKEY: return CMDialogKey(Message);
    case CM_ACTIVATE: return CMActivate(Message);
    case CM_DEACTIVATE: return CMDeactivate(Message);
    case CM_RELEASE: return CMRelease(Message);
    case WM_CLOSE: return WMClose(Message);
    case WM_PAINT: return WMPaint(Message);
    default: TWinControl::Dispatch(Message);
  }
}

TCustomForm* GetParentForm(const TControl* Control) {
  if (!Control) return nullptr;
  while (Control->Parent()) Control = Control->Parent();
  return dynamic_cast<TCustomForm*>(const_cast<TControl*>(Control));
}

// ---------------------------------------------------------------- application

FW_IMPLEMENT_CLASS(TApplication)

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner), icon_(std::make_unique<TPicture>()) {}

TApplication::~TApplication() { FreeForms(); }

void TApplication::FreeForms() {
  // Newest first, as an owner frees; each form hears OnDestroy first.
  std::vector<TCustomForm*> forms;
  for (int i = ComponentCount() - 1; i >= 0; --i)
    if (auto* f = dynamic_cast<TCustomForm*>(Components(i))) forms.push_back(f);
  for (TCustomForm* f : forms) f->RunOnDestroy();
  DestroyComponents();
  mainForm_ = nullptr;
}

void TApplication::Initialize() {
  EnsureQtApplication();
  if (dynamic_cast<TConsoleMessageService*>(&MessageService()))
    SetMessageService(std::make_unique<TQtMessageService>());
}

std::string TApplication::Title() const {
  if (!title_.empty()) return title_;
  if (QCoreApplication::instance()) return FromQString(QCoreApplication::applicationName());
  return std::string();
}

HWND TApplication::Handle() const {
  return mainForm_ && mainForm_->HandleAllocated() ? mainForm_->Handle() : 0;
}

TCustomForm* TApplication::CreateForm(TClass InstanceClass, const std::function<void(TCustomForm*)>& SetReference) {
  if (!InstanceClass || !InstanceClass->CreateComponent)
    throw EInvalidOperation("Cannot create a form of class " + (InstanceClass ? InstanceClass->Name : std::string("nil")));
  TComponent* comp = InstanceClass->CreateComponent(this);
  auto* form = dynamic_cast<TCustomForm*>(comp);
  if (!form) {
    delete comp;
    throw EInvalidCast(InstanceClass->Name + " is not a form");
  }
  if (SetReference) SetReference(form);
  TScopeFail discard([&] {
    if (SetReference) SetReference(nullptr);
    delete form;
  });
  form->AfterConstruction();
  if (!mainForm_) mainForm_ = form;
  return form;
}

void TApplication::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == mainForm_) mainForm_ = nullptr;
}

void TApplication::Run() {
  EnsureQtApplication();
  if (!mainForm_) return;
  if (showMainForm_) mainForm_->Show();
  while (!terminated_) HandleMessage();
}

void TApplication::Terminate() {
  terminated_ = true;
  if (QCoreApplication::instance()) QCoreApplication::instance()->quit();
}

namespace {
void DeleteDeferred() {
  if (EventDepth() == 0) QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
}  // namespace

void TApplication::ProcessMessages() {
  EnsureQtApplication();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  DeleteDeferred();
}

void TApplication::HandleMessage() {
  EnsureQtApplication();
  if (terminated_) return;
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  DeleteDeferred();
}

void TApplication::HandleException(TObject* Sender) {
  std::exception_ptr p = std::current_exception();
  if (!p) return;
  try {
    std::rethrow_exception(p);
  } catch (const EAbort&) {
  } catch (const Exception& e) {
    if (OnException) OnException(Sender, e);
    else ShowException(e);
  } catch (const std::exception& e) {
    Exception wrapped(e.what());
    if (OnException) OnException(Sender, wrapped);
    else ShowException(wrapped);
  } catch (...) {
    Exception wrapped("Unknown exception");
    if (OnException) OnException(Sender, wrapped);
    else ShowException(wrapped);
  }
}

void TApplication::ShowException(const Exception& E) {
  std::string msg = E.Message();
  if (!msg.empty() && static_cast<unsigned char>(msg.back()) > '.') msg += '.';
  MessageBox(msg, Title(), MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const std::string& Text, const std::string& Caption, unsigned Flags) {
  return ShowMessageBox(Text, Caption, Flags);
}

bool TApplication::HelpCommand(unsigned Command, std::intptr_t Data) {
  bool callHelp = true;
  bool result = false;
  if (OnHelp) result = OnHelp(Command, Data, callHelp);
  if (!callHelp) return result;
  std::string file = helpFile_;
  if (Screen && Screen->ActiveForm() && !Screen->ActiveForm()->HelpFile().empty())
    file = Screen->ActiveForm()->HelpFile();
  if (file.empty()) return result;
  return WinHelp(Handle(), file, Command, static_cast<std::uintptr_t>(Data));
}

bool TApplication::HelpContext(std::intptr_t Context) { return HelpCommand(HELP_CONTEXT, Context); }

// ---------------------------------------------------------------- screen

FW_IMPLEMENT_CLASS(TScreen)

namespace {

// FW_SCREEN: "WIDTHxHEIGHT" or "WIDTHxHEIGHT@PPI".
struct ScreenSetting {
  int Width = 0, Height = 0, Ppi = 0;
};

ScreenSetting ReadScreenSetting() {
  ScreenSetting s;
  const char* env = std::getenv("FW_SCREEN");
  if (!env || !*env) return s;
  int w = 0, h = 0, p = 0;
  int n = std::sscanf(env, "%dx%d@%d", &w, &h, &p);
  if (n >= 2 && w > 0 && h > 0) {
    s.Width = w;
    s.Height = h;
  }
  if (n == 3 && p >= 36) s.Ppi = p;
  return s;
}

}  // namespace

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {
  ScreenSetting s = ReadScreenSetting();
  width_ = s.Width;
  height_ = s.Height;
  pixelsPerInch_ = s.Ppi > 0 ? s.Ppi : 96;
  SetScreenPixelsPerInch(pixelsPerInch_);
}

TScreen::~TScreen() = default;

void TScreen::SetPixelsPerInch(int v) {
  if (v < 36) return;
  pixelsPerInch_ = v;
  SetScreenPixelsPerInch(v);
}

namespace {
// The screen of a desktop; none without a GUI application or on a platform without a display.
QScreen* DesktopScreen() {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return nullptr;
  QString platform = QGuiApplication::platformName();
  if (platform == "offscreen" || platform == "minimal") return nullptr;
  return QGuiApplication::primaryScreen();
}

QSize RealScreenSize() {
  QScreen* s = DesktopScreen();
  return s ? s->geometry().size() : QSize(1024, 768);
}
}  // namespace

bool SystemParametersInfo(unsigned Action, unsigned, void* Param, unsigned) {
  if (Action != SPI_GETWORKAREA || !Param) return false;
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  TRect area = Rect(0, 0, w, h);
  // The desktop's panels count only on the real screen, not on a test's fixed one.
  QScreen* s = DesktopScreen();
  if (s && s->geometry().size() == QSize(w, h)) area = FromQRect(s->availableGeometry());
  *static_cast<TRect*>(Param) = area;
  return true;
}

int TScreen::Width() const { return width_ > 0 ? width_ : RealScreenSize().width(); }

int TScreen::Height() const { return height_ > 0 ? height_ : RealScreenSize().height(); }

void TScreen::SetSize(int width, int height) {
  width_ = width;
  height_ = height;
}

void TScreen::SetCursor(TCursor v) {
  if (v == cursor_) return;
  bool hadOverride = cursor_ != crDefault;
  cursor_ = v;
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
  if (v == crDefault) {
    if (hadOverride) QGuiApplication::restoreOverrideCursor();
  } else if (hadOverride) {
    QGuiApplication::changeOverrideCursor(CursorOf(v));
  } else {
    QGuiApplication::setOverrideCursor(CursorOf(v));
  }
}

THourGlassScope::THourGlassScope() {
  if (!Screen || Screen->Cursor() == crHourGlass) return;
  outermost_ = true;
  Screen->SetCursor(crHourGlass);
}

THourGlassScope::~THourGlassScope() {
  if (outermost_ && Screen) Screen->SetCursor(crDefault);
}

TCustomForm* TScreen::Forms(int index) const {
  if (index < 0 || index >= FormCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return forms_[static_cast<std::size_t>(index)];
}

void TScreen::AddForm(TCustomForm* f) { forms_.push_back(f); }

void TScreen::RemoveForm(TCustomForm* f) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), f), forms_.end());
  if (activeForm_ == f) {
    activeForm_ = nullptr;
    activeControl_ = nullptr;
    if (OnActiveFormChange) OnActiveFormChange(this);
  }
}

void TScreen::SetActive(TCustomForm* form, TWinControl* control) {
  bool formChanged = form != activeForm_;
  bool controlChanged = control != activeControl_;
  activeForm_ = form;
  activeControl_ = control;
  if (formChanged && OnActiveFormChange) OnActiveFormChange(this);
  if (controlChanged && OnActiveControlChange) OnActiveControlChange(this);
}

}  // namespace fw
