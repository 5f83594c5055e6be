#include "Vxconst.h"

#include "Resources.h"

namespace vx {

namespace {

struct TStringTable {
  TStringTable() {
    fw::RegisterString(vxsInvalidInputValue, "Invalid input value.  Use escape key to abandon changes");
    // The text is the one users have always seen, though the limit is higher.
    fw::RegisterString(vxsTooManyColumns, "Grid requested to display more than 256 columns");
    fw::RegisterString(vxsDeleteRecord, "Delete record?");
  }
};

const TStringTable table;

}  // namespace

}  // namespace vx
