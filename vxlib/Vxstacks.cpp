#include "Vxstacks.h"

namespace vx {

FW_IMPLEMENT_CLASS(TStackStr)
FW_IMPLEMENT_CLASS(TStackPtr)

std::string TStackStr::pop() {
  if (List_.Count() == 0) return {};
  std::string s = List_.Strings(List_.Count() - 1);
  List_.Delete(List_.Count() - 1);
  return s;
}

void* TStackPtr::pop() {
  if (List_.Count() == 0) return nullptr;
  void* p = List_.Last();
  List_.Delete(List_.Count() - 1);
  return p;
}

}  // namespace vx
