// Scope objects: the one way this code base undoes what it did when a block
// ends, on the normal path and when an exception leaves it. They replace
// hand-written catch-and-rethrow blocks, which repeat their cleanup and miss
// it on paths added later.
#pragma once
#include <exception>
#include <type_traits>
#include <utility>

namespace fw {

namespace scope_detail {

// Runs a scope's action from its destructor. On the normal way out an error
// the action raises goes on to the caller; while another error is already on
// its way, the action's own is dropped, as two at once would end the program.
template <typename F>
void RunAtEnd(F& action, int exceptionsAtStart) {
  if (std::uncaught_exceptions() <= exceptionsAtStart) {
    action();
    return;
  }
  try {
    action();
  } catch (...) {
  }
}

}  // namespace scope_detail

// Runs an action when the scope ends, however it ends.
template <typename F>
class TScopeExit {
public:
  explicit TScopeExit(F action) : action_(std::move(action)), exceptions_(std::uncaught_exceptions()) {}
  ~TScopeExit() noexcept(false) {
    if (armed_) scope_detail::RunAtEnd(action_, exceptions_);
  }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;
  // The action will not run: the work it would undo is to be kept.
  void Release() { armed_ = false; }

private:
  F action_;
  int exceptions_;
  bool armed_ = true;
};

// Runs an action only when the scope is left by an exception: the undo of a
// step that must stand once the block completes.
template <typename F>
class TScopeFail {
public:
  explicit TScopeFail(F action) : action_(std::move(action)), exceptions_(std::uncaught_exceptions()) {}
  ~TScopeFail() {
    if (std::uncaught_exceptions() > exceptions_) scope_detail::RunAtEnd(action_, exceptions_);
  }
  TScopeFail(const TScopeFail&) = delete;
  TScopeFail& operator=(const TScopeFail&) = delete;

private:
  F action_;
  int exceptions_;
};

// Runs an action only when the scope ends normally.
template <typename F>
class TScopeSuccess {
public:
  explicit TScopeSuccess(F action) : action_(std::move(action)), exceptions_(std::uncaught_exceptions()) {}
  ~TScopeSuccess() noexcept(false) {
    if (std::uncaught_exceptions() <= exceptions_) action_();
  }
  TScopeSuccess(const TScopeSuccess&) = delete;
  TScopeSuccess& operator=(const TScopeSuccess&) = delete;

private:
  F action_;
  int exceptions_;
};

// BeginUpdate now, EndUpdate when the scope ends: for anything with the pair
// (string lists, tree nodes, list items, windows that defer their refresh).
template <typename T>
class TUpdateScope {
public:
  explicit TUpdateScope(T& target) : target_(&target), exceptions_(std::uncaught_exceptions()) {
    target_->BeginUpdate();
  }
  explicit TUpdateScope(T* target) : target_(target), exceptions_(std::uncaught_exceptions()) {
    if (target_) target_->BeginUpdate();
  }
  ~TUpdateScope() noexcept(false) {
    auto end = [this] { target_->EndUpdate(); };
    if (target_) scope_detail::RunAtEnd(end, exceptions_);
  }
  TUpdateScope(const TUpdateScope&) = delete;
  TUpdateScope& operator=(const TUpdateScope&) = delete;

private:
  T* target_;
  int exceptions_;
};

// Keeps a variable's value and puts it back when the scope ends; optionally
// sets a new value for the scope's duration.
template <typename T>
class TRestoreScope {
public:
  explicit TRestoreScope(T& variable) : variable_(variable), saved_(variable) {}
  TRestoreScope(T& variable, T value) : variable_(variable), saved_(variable) { variable_ = std::move(value); }
  ~TRestoreScope() { variable_ = std::move(saved_); }
  TRestoreScope(const TRestoreScope&) = delete;
  TRestoreScope& operator=(const TRestoreScope&) = delete;
  const T& Saved() const { return saved_; }

private:
  T& variable_;
  T saved_;
};

// Sets a property through its setter for the scope's duration and puts the old
// value back through the setter: for properties that are methods, such as a
// screen's cursor (the hourglass) or a session's configuration mode.
template <typename Object, typename Value>
class TPropertyScope {
public:
  using Getter = Value (Object::*)() const;
  using Setter = void (Object::*)(Value);
  TPropertyScope(Object& object, Getter get, Setter set, Value value)
      : object_(object), set_(set), saved_((object.*get)()), exceptions_(std::uncaught_exceptions()) {
    (object_.*set_)(std::move(value));
  }
  ~TPropertyScope() noexcept(false) {
    auto restore = [this] { (object_.*set_)(saved_); };
    scope_detail::RunAtEnd(restore, exceptions_);
  }
  TPropertyScope(const TPropertyScope&) = delete;
  TPropertyScope& operator=(const TPropertyScope&) = delete;

private:
  Object& object_;
  Setter set_;
  Value saved_;
  int exceptions_;
};

}  // namespace fw
