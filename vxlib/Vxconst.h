// The library's numbered texts, read with LoadStr. The library registers its
// table while it loads.
#pragma once

namespace vx {

inline constexpr int vxsInvalidInputValue = 65344;
inline constexpr int vxsTooManyColumns = 65425;
inline constexpr int vxsDeleteRecord = 65455;
inline constexpr int vxsFieldNotFound = 65493;
inline constexpr int vxsDuplicateSource = 65509;
inline constexpr int vxsLookupSourceTable = 65510;

}  // namespace vx
