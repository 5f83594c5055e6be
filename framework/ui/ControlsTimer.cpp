// Window timers: SetTimer and KillTimer, run by TTimer's clock.
#include <algorithm>
#include <memory>
#include <vector>

#include "Controls.h"
#include "ExtCtrls.h"
#include "QtControls.h"
#include "Scope.h"

namespace fw {

namespace {

struct WindowTimer {
  HWND Handle = 0;
  TWinControl* Control = nullptr;
  std::weak_ptr<const bool> Alive;
  unsigned Id = 0;
  std::unique_ptr<TTimer> Timer;
  bool Firing = false;
  bool Killed = false;
};

// Registries that controls use up to the end of the process are never freed.
std::vector<std::unique_ptr<WindowTimer>>& Timers() {
  static auto* timers = new std::vector<std::unique_ptr<WindowTimer>>;
  return *timers;
}

// A timer killed from its own WM_TIMER is freed later: its tick is still running.
void Sweep() {
  auto& v = Timers();
  v.erase(std::remove_if(v.begin(), v.end(), [](const auto& t) { return t->Killed && !t->Firing; }), v.end());
}

WindowTimer* Find(const TWinControl* c, unsigned Id) {
  for (auto& t : Timers())
    if (!t->Killed && t->Control == c && t->Id == Id) return t.get();
  return nullptr;
}

void Kill(WindowTimer* t) {
  t->Killed = true;
  t->Timer->SetEnabled(false);
}

void Tick(WindowTimer* t) {
  auto alive = t->Alive.lock();
  // The window went: so do its timers.
  if (!alive || !*alive || FindControl(t->Handle) != t->Control) return Kill(t);
  t->Firing = true;
  TWinControl* c = t->Control;
  unsigned id = t->Id;
  TScopeExit done([t] { t->Firing = false; });
  c->Perform(WM_TIMER, id, 0);
}

}  // namespace

unsigned SetTimer(HWND Wnd, unsigned Id, unsigned Elapse) {
  TWinControl* c = FindControl(Wnd);
  if (!c) return 0;
  Sweep();
  WindowTimer* t = Find(c, Id);
  if (!t) {
    auto made = std::make_unique<WindowTimer>();
    t = made.get();
    t->Handle = Wnd;
    t->Control = c;
    t->Alive = c->LifeToken();
    t->Id = Id;
    t->Timer = std::make_unique<TTimer>(nullptr);
    t->Timer->SetEnabled(false);
    t->Timer->OnTimer = [t](TObject*) { Tick(t); };
    Timers().push_back(std::move(made));
  }
  t->Timer->SetEnabled(false);
  t->Timer->SetInterval(std::max(1u, Elapse));
  t->Timer->SetEnabled(true);
  return Id;
}

bool KillTimer(HWND Wnd, unsigned Id) {
  TWinControl* c = FindControl(Wnd);
  WindowTimer* t = c ? Find(c, Id) : nullptr;
  if (!t) return false;
  Kill(t);
  Sweep();
  return true;
}

}  // namespace fw
