// What the window learns of schema objects through its schema questions.
#include <gtest/gtest.h>

#include "DbSchema.h"
#include "DbXUnits.h"
#include "Dbexplfm.h"
#include "Scope.h"

namespace dbx::testing {
namespace {

class TListsRoot : public TERoot {
  FW_CLASS(TListsRoot, TERoot)
public:
  void LoadObjectRefs(TEObjectRefs& refs) override {
    if (!refs.Definition()) {
      refs.Add("Tables", "Table", 0, rkOwned, 0, opNew);
      refs.Add("Keys", "Table", 0, rkReference, 0, opNew);
    }
  }
  TEObjectDef* CreateObjectDef(const std::string& name) override {
    auto def = std::make_unique<TEObjectDef>(this, name, okDataset);
    def->AddProp("Name", "", 1, ftString, PropertyClassOf<TEFieldProp>());
    def->KeyParts = {0};
    return Definitions().Add(std::move(def));
  }
};
FW_IMPLEMENT_CLASS(TListsRoot)

TEST(SchemaQuestionsTest, TheWindowKnowsSetsAndObjects) {
  StartModelUnits();
  fw::TScopeExit stop(StopModelUnits);
  TListsRoot* root = TExploreObject::Create<TListsRoot>(nullptr);
  fw::TScopeExit release([root] { root->Release(lsReleased); });
  root->ChangeState(esNew);  // its sets read nothing from a database
  auto* tables = static_cast<TEObjectSet*>(root->Children().FindByName("Tables"));
  auto* keys = static_cast<TEObjectSet*>(root->Children().FindByName("Keys"));
  TExploreObject* table = tables->NewObject("Guests");
  table->EndEdit();

  TSchemaQuestions& schema = SchemaQuestions();
  EXPECT_TRUE(schema.IsObjectSet(tables));
  EXPECT_FALSE(schema.IsObjectSet(table));
  EXPECT_TRUE(schema.IsSchemaObject(table));
  EXPECT_FALSE(schema.IsSchemaObject(tables));
  EXPECT_FALSE(schema.IsSchemaObject(root));
  EXPECT_EQ(schema.ReferenceKind(tables), rkOwned);
  EXPECT_EQ(schema.ReferenceKind(keys), rkReference);
  EXPECT_EQ(schema.ReferenceKind(root), 0);
  EXPECT_EQ(schema.ObjectDefinitions(tables), root->Definitions().Find("Table"));
  EXPECT_EQ(schema.ObjectDefinitions(table), nullptr);
}

}  // namespace
}  // namespace dbx::testing
