#include "Expldb.h"

#include "DbXCtrl.h"
#include "Text.h"

namespace dbx {

FW_IMPLEMENT_CLASS(TDatabases)

void TDatabases::Init(TExploreObject* parent) {
  TExploreObject::Init(parent);
  // Alias names are the engine's, which ignores case.
  Children().NameCompare = [](std::string_view a, std::string_view b) { return fw::AnsiCompareText(a, b); };
  SetAttributes(opRefresh | opNew | opApply | opCancel);
  SetName("Databases");
}

std::string TDatabases::GetValidationText() { return "All Database Aliases"; }

void InitExpldb() { RegisterDbXRootClass(ExploreClassOf<TDatabases>()); }

}  // namespace dbx
