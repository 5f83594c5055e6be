#include "Controls.h"

#include <QCursor>
#include <QGuiApplication>
#include <exception>
#include <memory>

#include "QtControls.h"

namespace fw {

// ---------------------------------------------------------------- drag and drop

DragMachine& DragMachine::Get() {
  static auto* d = new DragMachine;
  return *d;
}

void DragMachine::Init(TControl* c, bool immediate, int threshold) {
  Source = c;
  Active = false;
  Object = nullptr;
  Threshold = threshold < 0 ? DragThreshold : threshold;
  Start = GetCursorPos();
  SetCaptureControl(c);
  if (immediate) Begin(Start);
}

void DragMachine::Begin(TPoint pos) {
  TControl* c = Source;
  auto alive = c->LifeToken();
  TDragObject* obj = nullptr;
  c->DoStartDrag(obj);
  if (!*alive || Source != c) return;
  if (!obj) {
    Owned = std::make_unique<TDragControlObject>(c);
    obj = Owned.get();
  }
  Object = obj;
  Active = true;
  To(pos);
}

LRESULT DragMachine::Send(TControl* target, TDragMessage msg, TPoint pos) {
  TDragRec rec{pos, Object, target};
  TMessage m{CM_DRAG, static_cast<WPARAM>(msg), reinterpret_cast<LPARAM>(&rec), 0};
  target->WindowProc(m);
  return m.Result;
}

void DragMachine::To(TPoint pos) {
  if (!Active || !Object) return;
  TControl* target = FindDragTarget(pos, false);
  if (target != Object->dragTarget_) {
    if (Object->dragTarget_) Send(Object->dragTarget_, dmDragLeave, pos);
    if (!Active) return;
    Object->dragTarget_ = target;
    Object->dragPos_ = pos;
    if (target) Send(target, dmDragEnter, pos);
    if (!Active) return;
  }
  Object->dragPos_ = pos;
  bool accepted = false;
  if (Object->dragTarget_) {
    Object->dragTargetPos_ = Object->dragTarget_->ScreenToClient(pos);
    accepted = Send(Object->dragTarget_, dmDragMove, pos) != 0;
  }
  if (!Active) return;
  TPoint tp = Object->dragTargetPos_;
  QCursor cur = CursorOf(Object->GetDragCursor(accepted, tp.X, tp.Y));
  if (QGuiApplication::instance()) {
    if (CursorSet) QGuiApplication::changeOverrideCursor(cur);
    else QGuiApplication::setOverrideCursor(cur);
    CursorSet = true;
  }
}

void DragMachine::Done(bool drop) {
  if (!Source) return;
  if (!Active || !Object) {  // never started: nothing to tell
    Reset();
    return;
  }
  if (Object->cancelling_) return;
  TDragObject* obj = Object;
  std::unique_ptr<TDragObject> owned = std::move(Owned);
  obj->cancelling_ = true;
  obj->dropped_ = drop;
  TControl* target = obj->dragTarget_;
  TPoint pos = obj->dragPos_;
  TPoint targetPos = target ? obj->dragTargetPos_ : pos;
  Reset();
  std::exception_ptr failure;
  bool accepted = false;
  try {
    if (target) {
      // The target says once more whether it takes the drop.
      Object = obj;
      Active = true;
      accepted = Send(target, dmDragLeave, pos) != 0 && drop;
      Active = false;
      // The drop still names what was dragged; no move reaches it any more.
      Send(target, accepted ? dmDragDrop : dmDragCancel, pos);
      Object = nullptr;
    }
  } catch (...) {
    Object = nullptr;
    Active = false;
    failure = std::current_exception();
  }
  try {
    obj->Finished(accepted ? target : nullptr, targetPos.X, targetPos.Y, accepted);
  } catch (...) {
    if (!failure) failure = std::current_exception();
  }
  if (failure) std::rethrow_exception(failure);
}

void DragMachine::Reset() {
  if (GetCaptureControl() == Source) SetCaptureControl(nullptr);
  Source = nullptr;
  Object = nullptr;
  Active = false;
  Owned.reset();
  if (CursorSet && QGuiApplication::instance()) QGuiApplication::restoreOverrideCursor();
  CursorSet = false;
}

void DragMachine::Forget(TControl* c) {
  if (Object && Object->dragTarget_ == c) Object->dragTarget_ = nullptr;
  if (Source == c) Reset();
}

TCursor TDragObject::GetDragCursor(bool Accepted, int, int) { return Accepted ? crDrag : crNoDrop; }

void TDragObject::Finished(TObject*, int, int, bool) {}

void TDragControlObject::Finished(TObject* Target, int X, int Y, bool) {
  if (control_) control_->DoEndDrag(Target, X, Y);
}

void CancelDrag() { DragMachine::Get().Done(false); }

FW_IMPLEMENT_CLASS(TDragObject)
FW_IMPLEMENT_CLASS(TDragControlObject)

}  // namespace fw
