// Pop-up windows: windowed controls shown as top-level tool windows above
// the others (a drop-down list), and the cancel mode that closes them.
#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <unordered_set>
#include <vector>

#include "Controls.h"
#include "Forms.h"
#include "QtControls.h"

namespace fw {

namespace {

std::unordered_set<TWinControl*>& Popups() {
  static auto* popups = new std::unordered_set<TWinControl*>;
  return *popups;
}

TWinControl* PopupOf(const TControl* c) {
  for (; c; c = c->Parent())
    if (auto* w = dynamic_cast<const TWinControl*>(c); w && Popups().count(const_cast<TWinControl*>(w)))
      return const_cast<TWinControl*>(w);
  return nullptr;
}

// Tells the openers of the pop-up windows shown now: a press outside them,
// or the program losing the activation. A press on a control of the opener's
// own form tells the form's active control itself (TControl's press).
class TCancelModeFilter : public QObject {
public:
  bool eventFilter(QObject* o, QEvent* e) override {
    switch (e->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick: {
        // A press travels up to the parents that do not take it: one notice.
        auto* w = qobject_cast<QWidget*>(o);
        auto* m = static_cast<QMouseEvent*>(e);
        QPoint g = m->globalPosition().toPoint();
        bool same = last_ && w && w->isAncestorOf(last_) && m->timestamp() == lastTime_ && g == lastPos_;
        last_ = w;
        lastTime_ = m->timestamp();
        lastPos_ = g;
        if (!same) Pressed(w);
        break;
      }
      case QEvent::ApplicationStateChange:
        if (static_cast<QApplicationStateChangeEvent*>(e)->applicationState() != Qt::ApplicationActive)
          CancelAll(nullptr);
        break;
      case QEvent::ApplicationDeactivate: CancelAll(nullptr); break;
      default: break;
    }
    return QObject::eventFilter(o, e);
  }

private:
  static std::vector<TWinControl*> Shown() {
    std::vector<TWinControl*> shown;
    for (TWinControl* p : Popups())
      if (p->Visible() && WidgetOf(p) && WidgetOf(p)->isVisible()) shown.push_back(p);
    return shown;
  }
  static void Cancel(TWinControl* popup, TControl* sender) {
    TWinControl* opener = popup->Parent();
    if (!opener) return;
    Guarded(opener, [&] { opener->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(sender)); });
  }
  static void CancelAll(TControl* sender) {
    for (TWinControl* p : Shown())
      if (Popups().count(p)) Cancel(p, sender);
  }
  static void Pressed(QWidget* w) {
    if (!w) return;
    TControl* pressed = TControlBridge::ControlAt(w);
    for (TWinControl* p : Shown()) {
      if (!Popups().count(p)) continue;
      QWidget* pw = WidgetOf(p);
      if (pw == w || pw->isAncestorOf(w)) continue;
      TCustomForm* form = GetParentForm(p->Parent());
      if (pressed && form && GetParentForm(pressed) == form && form->ActiveControl() == p->Parent()) continue;
      Cancel(p, pressed);
    }
  }
  QPointer<QWidget> last_;
  quint64 lastTime_ = 0;
  QPoint lastPos_;
};

void WatchCancelMode() {
  static TCancelModeFilter* filter = nullptr;
  if (filter) return;
  filter = new TCancelModeFilter;
  QCoreApplication* app = EnsureQtApplication();
  filter->setParent(app);
  app->installEventFilter(filter);
  QObject::connect(app, &QObject::destroyed, [] { filter = nullptr; });
}

}  // namespace

bool TWinControl::IsPopup() const {
  if (!parent_ || dynamic_cast<const TCustomForm*>(this)) return false;
  TCreateParams p;
  const_cast<TWinControl*>(this)->CreateParams(p);
  return (p.Style & WS_POPUP) != 0;
}

void MakePopupWindow(TWinControl* Control) {
  QWidget* w = WidgetOf(Control);
  if (!w) return;
  bool visible = Control->Visible();
  // A tool-tip window is never activated: the focus stays with the opener.
  w->setParent(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                             Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint);
  w->setAttribute(Qt::WA_ShowWithoutActivating);
  w->setGeometry(Control->Left(), Control->Top(), Control->Width(), Control->Height());
  Popups().insert(Control);
  WatchCancelMode();
  w->setVisible(visible);
}

void ForgetPopupWindow(TWinControl* Control) { Popups().erase(Control); }

bool InsidePopupWindow(const TControl* Control) { return PopupOf(Control) != nullptr; }

bool SetWindowPos(HWND Wnd, HWND, int X, int Y, int cx, int cy, unsigned Flags) {
  TWinControl* c = FindControl(Wnd);
  if (!c) return false;
  int x = Flags & SWP_NOMOVE ? c->Left() : X, y = Flags & SWP_NOMOVE ? c->Top() : Y;
  int w = Flags & SWP_NOSIZE ? c->Width() : cx, h = Flags & SWP_NOSIZE ? c->Height() : cy;
  c->SetBounds(x, y, w, h);
  if (Flags & SWP_SHOWWINDOW) c->SetVisible(true);
  if (Flags & SWP_HIDEWINDOW) c->SetVisible(false);
  if (!(Flags & SWP_NOZORDER) && c->IsPopup() && WidgetOf(c)) WidgetOf(c)->raise();
  return true;
}

}  // namespace fw
