// The explorer's first top-level node, "Databases": the engine's database
// aliases, listed for the configuration modes of its view-mode set.
#pragma once
#include <string>

#include "Database.h"
#include "DbExplif.h"

namespace dbx {

class TDatabases : public TExploreObject {
  FW_CLASS(TDatabases, TExploreObject)
public:
  TDatabases() = default;

  // The modes whose aliases are listed; all three at first.
  fw::TConfigModes ViewModes() const { return viewModes_; }
  void SetViewModes(fw::TConfigModes modes) { viewModes_ = modes; }

  std::string GetValidationText() override;
  // The node of an alias among the children made so far (none are loaded
  // for it); none when there is none.
  TExploreObject* FindAliasNode(std::string_view alias) const;

protected:
  void Init(TExploreObject* parent) override;

private:
  fw::TConfigModes viewModes_ = fw::cfmAllModes;
};

// The root's "Databases" node; none without a root or such a node.
TDatabases* FindDatabasesNode();

// The unit's start: "Databases" becomes a top-level class of the root.
void InitExpldb();

}  // namespace dbx
