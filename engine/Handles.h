// The engine's table of objects behind the opaque handles. A handle is the
// slot's generation in the high 16 bits and the slot number plus one in the
// low 16, so a handle of a freed slot never reaches the slot's next tenant.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "Errors.h"

namespace orvex {

enum class Kind { Database, Cursor, Blob, System, Session, ConfigFile, LdList, Statement };

class Object {
public:
  explicit Object(Kind kind) : kind_(kind) {}
  virtual ~Object() = default;
  Kind ObjectKind() const { return kind_; }
  OrvexHandle Handle() const { return handle_; }

private:
  friend class Handles;
  Kind kind_;
  OrvexHandle handle_ = 0;
};

class Handles {
public:
  Handles() = default;
  Handles(const Handles&) = delete;
  Handles& operator=(const Handles&) = delete;
  ~Handles();
  OrvexHandle Add(std::unique_ptr<Object> object);
  // The live object of that kind, or nullptr.
  Object* Find(OrvexHandle h, Kind kind) const;
  // Takes the object out of the table; nullptr when the handle is not live.
  std::unique_ptr<Object> Remove(OrvexHandle h);

  template <typename T>
  T& Get(OrvexHandle h, Kind kind) const {
    Object* o = Find(h, kind);
    if (!o) Fail(ORVEX_ERR_INVALIDHANDLE);
    return static_cast<T&>(*o);
  }

private:
  struct Slot {
    std::uint16_t generation = 1;
    std::unique_ptr<Object> object;
  };
  std::vector<Slot> slots_;
  std::vector<std::uint16_t> free_;
};

Handles& TheHandles();

}  // namespace orvex
