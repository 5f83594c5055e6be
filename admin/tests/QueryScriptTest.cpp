// The SQL page's script query: what it cuts into statements and runs, and
// what it leaves in its SQL text.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "DataSet.h"
#include "Expldb.h"
#include "Strings.h"

namespace dbx::testing {
namespace {

using namespace fw;
using Names = std::vector<std::string>;

// Records the statements instead of running them; one that begins with
// "select" answers rows.
class TScriptProbe : public TQueryScript {
  FW_CLASS(TScriptProbe, TQueryScript)
public:
  using TQueryScript::TQueryScript;
  Names ran;
  int closed = 0;
  hOrvexCursor Run() { return CreateHandle(); }

protected:
  hOrvexCursor RunStatement() override {
    ran.push_back(SQL()->Strings(0));
    return ran.back().rfind("select", 0) == 0 ? 7 : 0;
  }
  void CloseResult(hOrvexCursor& cursor) override {
    ++closed;
    cursor = 0;
  }
};
FW_IMPLEMENT_CLASS(TScriptProbe)

std::unique_ptr<TScriptProbe> Probe(const std::string& script) {
  auto query = std::make_unique<TScriptProbe>(nullptr);
  // the window's defaults: no terminator, "---" between statements
  query->UseOptions("---", 0, 0, false, {"--", "/*,*/"});
  query->SQL()->SetText(script);
  return query;
}

TEST(QueryScriptTest, StatementsAreCutAndRunInOrder) {
  struct {
    const char* script;
    Names ran;
    bool rows;
    const char* error;
  } cases[] = {
      {"insert a\r\n---\r\nupdate b\n---\ndelete c", {"insert a", "update b", "delete c"}, false, ""},
      {"update a\nset b = 1;\nwhere c", {"update a\nset b = 1;\nwhere c"}, false, ""},
      {"update a\n---\n\n---\nselect b -- the answer", {"update a", "select b -- the answer"}, true, ""},
      {"select a\n---\nupdate b", {"select a"}, false, "A result set was generated, but there are more statements"},
      {"", {}, false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    auto query = Probe(c.script);
    std::string error;
    hOrvexCursor cursor = 0;
    try {
      cursor = query->Run();
    } catch (const EDatabaseError& e) {
      error = e.Message();
    }
    EXPECT_EQ(query->ran, c.ran);
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(cursor != 0, c.rows);
    EXPECT_EQ(query->closed, *c.error ? 1 : 0) << "a result set is closed when a later statement fails";
    if (!c.rows && !*c.error) {
      std::string script = c.script;
      std::erase(script, '\r');
      TStringList expected;
      expected.SetText(script);
      EXPECT_EQ(query->SQL()->Text(), expected.Text()) << "the script comes back into the SQL text";
    }
  }
}

TEST(QueryScriptTest, ARunAgainStartsOverUnlessTheTextChanged) {
  auto query = Probe("update a\n---\nselect b");
  ASSERT_NE(query->Run(), 0);
  EXPECT_EQ(query->SQL()->Strings(0), "select b") << "the statement whose rows are shown";
  query->ran.clear();
  ASSERT_NE(query->Run(), 0);
  EXPECT_EQ(query->ran, (Names{"update a", "select b"})) << "the whole script again";

  query->ran.clear();
  query->SQL()->SetText("delete c\n---\ndelete d");
  EXPECT_EQ(query->Run(), 0);
  EXPECT_EQ(query->ran, (Names{"delete c", "delete d"}));
  EXPECT_EQ(query->StatementCount(), 2);
}

TEST(QueryScriptTest, TheSqlChangeEventIsChained) {
  auto query = std::make_unique<TScriptProbe>(nullptr);
  EXPECT_FALSE(query->ParamCheck());
  EXPECT_EQ(query->Scanner().Terminator(), U';');
  EXPECT_EQ(query->Scanner().Keyword(), "---");
  query->SQL()->SetText("select a from b where c = :d");
  EXPECT_EQ(query->ParamCount(), 0) << "no parameters are made";
  EXPECT_EQ(query->Scanner().Text(), "");
}

}  // namespace
}  // namespace dbx::testing
