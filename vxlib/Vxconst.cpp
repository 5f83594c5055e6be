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
    fw::RegisterString(vxsFieldNotFound, "%s: Field '%s' not found");
    fw::RegisterString(vxsDuplicateSource, "Unable to use duplicate DataSource and LookupSource");
    fw::RegisterString(vxsLookupSourceTable, "LookupSource must be connected to TTable component");
  }
};

const TStringTable table;

}  // namespace

}  // namespace vx
