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

TExploreObject* TDatabases::FindAliasNode(std::string_view alias) const {
  TExploreList& children = Children();
  for (int i = 0; i < children.Count(); ++i)
    if (children.NameCompare(children.Item(i)->Name(), alias) == 0) return children.Item(i);
  return nullptr;
}

TDatabases* FindDatabasesNode() {
  TDbXRoot* root = GetDbXRoot();
  return root ? static_cast<TDatabases*>(root->Children().Find(TDatabases::StaticClass(), "")) : nullptr;
}

void InitExpldb() { RegisterDbXRootClass(ExploreClassOf<TDatabases>()); }

}  // namespace dbx
