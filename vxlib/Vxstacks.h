// The two stacks of the filter-expression parser: last in, first out.
#pragma once
#include <string>

#include "Lists.h"
#include "Object.h"
#include "Strings.h"

namespace vx {

class TStackStr : public fw::TObject {
  FW_CLASS(TStackStr, fw::TObject)
public:
  int count() const { return List_.Count(); }
  void push(const std::string& s) { List_.Add(s); }
  // The last pushed text, or '' on an empty stack.
  std::string pop();

private:
  fw::TStringList List_;
};

// Holds pointers it does not own.
class TStackPtr : public fw::TObject {
  FW_CLASS(TStackPtr, fw::TObject)
public:
  int count() const { return List_.Count(); }
  void push(void* p) { List_.Add(p); }
  // The last pushed pointer, or nullptr on an empty stack.
  void* pop();

private:
  fw::TList List_;
};

}  // namespace vx
