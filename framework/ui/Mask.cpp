#include "Mask.h"

namespace fw {

FW_IMPLEMENT_CLASS(EDBEditError)
FW_IMPLEMENT_CLASS(TCustomMaskEdit)

}  // namespace fw
