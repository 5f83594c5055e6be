#include "Handles.h"

namespace orvex {

OrvexHandle Handles::Add(std::unique_ptr<Object> object) {
  std::size_t index;
  if (!free_.empty()) {
    index = free_.back();
    free_.pop_back();
  } else {
    if (slots_.size() >= 0xFFFF) Fail(ORVEX_ERR_TOOMANYHANDLES);
    slots_.emplace_back();
    index = slots_.size() - 1;
  }
  Slot& s = slots_[index];
  OrvexHandle h = (static_cast<OrvexHandle>(s.generation) << 16) | static_cast<OrvexHandle>(index + 1);
  object->handle_ = h;
  s.object = std::move(object);
  return h;
}

Object* Handles::Find(OrvexHandle h, Kind kind) const {
  std::size_t index = (h & 0xFFFF);
  if (index == 0 || index > slots_.size()) return nullptr;
  const Slot& s = slots_[index - 1];
  if (!s.object || s.generation != (h >> 16) || s.object->ObjectKind() != kind) return nullptr;
  return s.object.get();
}

std::unique_ptr<Object> Handles::Remove(OrvexHandle h) {
  std::size_t index = (h & 0xFFFF);
  if (index == 0 || index > slots_.size()) return nullptr;
  Slot& s = slots_[index - 1];
  if (!s.object || s.generation != (h >> 16)) return nullptr;
  std::unique_ptr<Object> o = std::move(s.object);
  s.generation = static_cast<std::uint16_t>(s.generation == 0xFFFF ? 1 : s.generation + 1);
  free_.push_back(static_cast<std::uint16_t>(index - 1));
  return o;
}

// Objects freed at exit may free others (a cursor its blobs) through the
// table, so the slots stay in place while the objects go.
Handles::~Handles() {
  std::vector<std::unique_ptr<Object>> objects;
  for (Slot& s : slots_) objects.push_back(std::move(s.object));
  objects.clear();
}

Handles& TheHandles() {
  // Never destroyed: the framework's own statics (its session, the forms of a
  // program) close their cursors and databases at exit, after the statics of
  // this library would be gone.
  union Immortal {
    Handles handles;
    Immortal() : handles() {}
    ~Immortal() {}
  };
  static Immortal table;
  return table.handles;
}

}  // namespace orvex
