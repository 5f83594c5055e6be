#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "DbXSettings.h"
#include "ExplorerTesting.h"
#include "GraphicsObjects.h"
#include "TempDir.h"

namespace dbx::testing {
namespace {

using namespace fw;

std::string FontText(const TFont& f) {
  return std::to_string(f.Charset()) + "|" + f.Name() + "|" + std::to_string(static_cast<int>(f.Pitch())) + "|" +
         std::to_string(f.Size());
}

TEST(SettingsCodecTest, TextFont) {
  TFont font;
  font.SetCharset(DEFAULT_CHARSET);
  font.SetName("Courier New");
  font.SetSize(8);
  EXPECT_EQ(FontToString(font), "1:Courier New:0:8");
  struct Case {
    const char* text;
    const char* font;  // charset|name|pitch|size afterwards
  } cases[] = {
      {"204:Liberation Mono:2:10", "204|Liberation Mono|2|10"},
      {"1:Arial", "1|Arial|0|0"},
      {"x:Ünïcode Sans:y:z", "0|Ünïcode Sans|0|0"},
      {"", "0|Ünïcode Sans|0|0"},  // nothing changes
      {"128::1:9", "128|Ünïcode Sans|1|9"},  // the framework keeps a font's name over an empty one
  };
  for (const Case& c : cases) {
    StringToFont(c.text, font);
    EXPECT_EQ(FontText(font), c.font) << c.text;
  }
  font.SetName("Ünïcode Sans");
  EXPECT_EQ(FontToString(font), "128:Ünïcode Sans:1:9");
}

// Sets an environment variable for the scope, then puts the old value back.
class TEnvScope {
public:
  TEnvScope(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    if (value) setenv(name, value, 1);
    else unsetenv(name);
  }
  ~TEnvScope() {
    if (had_) setenv(name_, old_.c_str(), 1);
    else unsetenv(name_);
  }
  TEnvScope(const TEnvScope&) = delete;
  TEnvScope& operator=(const TEnvScope&) = delete;

private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

TEST(SettingsCodecTest, DefaultTextFontByLanguage) {
  TEnvScope all("LC_ALL", nullptr), messages("LC_MESSAGES", nullptr);
  {
    TEnvScope lang("LANG", "en_GB.UTF-8");
    EXPECT_EQ(DefaultTextFont(), "1:Courier New:0:8");
  }
  TEnvScope lang("LANG", "ja_JP.UTF-8");
  TFont standard;
  EXPECT_EQ(DefaultTextFont(), "1:" + standard.Name() + ":0:8");
}

TEST(SettingsCodecTest, DelimitersAndComments) {
  struct Read {
    const char* text;
    TChar c;
  } reads[] = {
      {"", 0},        {";", U';'},      {"#59", U';'},   {"'x'", U'x'}, {"''''", U'\''},
      {"#9", U'\t'},  {"é", U'é'},      {"#x", 0},       {"#", U'#'},   {"ab", 0},
      {"#300", U'\u012C'},  // a code above 255 is a character too
      {"#55296", 0},  // no character: read as none, and the load goes on
  };
  for (const Read& r : reads) EXPECT_EQ(DelimiterFromText(r.text), r.c) << r.text;
  struct Write {
    TChar c;
    const char* text;
  } writes[] = {{0, "#0"}, {U'\t', "#9"}, {U' ', "#32"}, {U';', ";"}, {U'é', "é"}};
  for (const Write& w : writes) EXPECT_EQ(DelimiterToText(w.c), w.text) << w.text;

  using Lines = std::vector<std::string>;
  struct Comments {
    const char* text;
    Lines entries;
  } comments[] = {
      {"", {}}, {"--;/*,*/", {"--", "/*,*/"}}, {"--;", {"--"}}, {"#;;//", {"#", "", "//"}},
  };
  for (const Comments& c : comments) EXPECT_EQ(CommentsFromText(c.text), c.entries) << c.text;
  EXPECT_EQ(CommentsToText({"--", "/*,*/"}), "--;/*,*/");
  EXPECT_EQ(CommentsToText({}), "");
}

// A window bound with a registry file of its own under the tool key.
class SettingsTest : public ExplorerTest {
protected:
  void SetUp() override {
    ExplorerTest::SetUp();
    registry = dir.File("registry");
    setenv("FW_REGISTRY", registry.c_str(), 1);
    ToolRegistryKey = "Software\\Tarvos\\Varkon\\1.0";
  }
  void TearDown() override {
    ExplorerTest::TearDown();
    ToolRegistryKey.clear();
    unsetenv("FW_REGISTRY");
  }
  // A new window on the same root.
  void Reopen() {
    CloseWindow();
    form = NewForm<TDbExplorerForm>(nullptr);
    root->SetForm(form);
    ShowActive(form);
  }
  std::string Stored(const char* key) {
    TRegIniFile ini(ToolRegistryKey);
    return ini.ReadString(kSettingsSection, key, "(none)");
  }

  fw::test::TempDir dir;
  std::string registry;
};

TEST_F(SettingsTest, SavedAndLoadedAgain) {
  Bind({ExploreClassOf<TFakeDatabases>(), ExploreClassOf<TFakeSettings>()});
  EXPECT_TRUE(form->SettingsLoaded());
  EXPECT_FALSE(std::filesystem::exists(registry)) << "loading writes nothing";
  form->SetBounds(70, 80, 640, 420);
  form->TreePanel->SetWidth(210);
  form->QueryPanel->SetHeight(90);
  form->EditsMemo->SetHeight(60);
  form->PropList()->SetMiddle(120);
  form->MToolbar->SetChecked(false);
  form->MStatusBar->SetChecked(false);
  form->SummaryView->SetViewStyle(vsSmallIcon);
  form->MAutoArrange->SetChecked(true);
  form->DefinitionMemo->Font()->SetName("Liberation Mono");
  form->DefinitionMemo->Font()->SetSize(10);
  form->MWordWrap->SetChecked(true);
  form->MShowConfirms->SetChecked(false);
  root->SetShowSystemData(true);
  form->MViewEditText->SetChecked(false);
  form->MViewCompleteText->SetChecked(true);
  form->MSyncPages->SetChecked(false);
  auto& q = form->QueryOptions();
  q.RequestLive = true;
  q.LineDelimit = "GO";
  q.StmtDelimit = U';';
  q.Escape = U'\t';
  q.EscapeQuote = true;
  q.Comments = {"#", "--"};
  form->Trees->SetTabIndex(1);
  form->TreesChange(form->Trees);

  Reopen();
  struct Key {
    const char* key;
    const char* value;
  } keys[] = {
      {"DbX.WindowState", "0"},        {"DbX.Left", "70"},          {"DbX.Width", "640"},
      {"DbX.MainSplit", "210"},        {"DbX.ToolBar", "0"},        {"DbX.ViewStyle", "1"},
      {"DbX.TextFont", "1:Liberation Mono:0:10"},                   {"DbX.Query.StmtDelimit", ";"},
      {"DbX.Query.Escape", "#9"},      {"DbX.Query.Comments", "#;--"}, {"DbX.ViewRoot", "TFakeSettings"},
      {"DbX.ViewSystemData", "1"},
  };
  for (const Key& k : keys) EXPECT_EQ(Stored(k.key), k.value) << k.key;

  EXPECT_EQ(form->BoundsRect(), Bounds(70, 80, 640, 420));
  EXPECT_EQ(form->TreePanel->Width(), 210);
  EXPECT_EQ(form->QueryPanel->Height(), 90);
  EXPECT_EQ(form->EditsMemo->Height(), 60);
  EXPECT_EQ(form->PropList()->Middle(), 120);
  EXPECT_FALSE(form->MToolbar->Checked());
  EXPECT_FALSE(form->SpeedBar->Visible());
  EXPECT_FALSE(form->StatusBar->Visible());
  EXPECT_EQ(form->SummaryView->ViewStyle(), vsSmallIcon);
  EXPECT_TRUE(form->MSmallIcons->Checked());
  EXPECT_TRUE(form->PMSmallIcons->Checked());
  EXPECT_TRUE(form->SummaryView->IconOptions()->AutoArrange());
  for (TMemo* memo : {form->DefinitionMemo, form->EditsMemo, form->QueryMemo}) {
    EXPECT_EQ(memo->Font()->Name(), "Liberation Mono");
    EXPECT_EQ(memo->Font()->Size(), 10);
    EXPECT_TRUE(memo->WordWrap());
    EXPECT_EQ(memo->ScrollBars(), ssVertical);
  }
  EXPECT_FALSE(form->MShowConfirms->Checked());
  EXPECT_TRUE(form->MShowWarnings->Checked());
  EXPECT_TRUE(form->MViewSystemData->Checked());
  EXPECT_TRUE(root->ShowSystemData());
  EXPECT_FALSE(form->EditsMemo->Visible());
  EXPECT_TRUE(form->MViewCompleteText->Checked());
  EXPECT_FALSE(form->MSyncPages->Checked());
  EXPECT_EQ(form->Trees->TabIndex(), 1);
  EXPECT_EQ(form->CurrentTree()->Name(), "Tree_FakeSettings");
  const auto& loaded = form->QueryOptions();
  EXPECT_TRUE(loaded.RequestLive);
  EXPECT_EQ(loaded.LineDelimit, "GO");
  EXPECT_EQ(loaded.StmtDelimit, U';');
  EXPECT_EQ(loaded.Escape, U'\t');
  EXPECT_TRUE(loaded.EscapeQuote);
  EXPECT_EQ(loaded.Comments, (std::vector<std::string>{"#", "--"}));

  // Values that do not read keep their defaults; a class that is no top
  // object selects the first tab.
  CloseWindow();
  {
    TRegIniFile ini(ToolRegistryKey);
    ini.WriteString(kSettingsSection, "DbX.Query.StmtDelimit", "#55296");
    ini.WriteString(kSettingsSection, "DbX.Query.Escape", "#300");
    ini.WriteString(kSettingsSection, "DbX.MainSplit", "wide");
    ini.WriteString(kSettingsSection, "DbX.QuerySplit", "0x40");
    ini.WriteString(kSettingsSection, "DbX.ViewRoot", "TFakeTable");
  }
  form = NewForm<TDbExplorerForm>(nullptr);
  int designed = form->TreePanel->Width();
  root->SetForm(form);
  EXPECT_EQ(form->QueryOptions().StmtDelimit, TChar(0));
  EXPECT_EQ(form->QueryOptions().Escape, TChar(0x12C)) << "a stored #300 loads as U+012C";
  EXPECT_EQ(form->TreePanel->Width(), designed);
  EXPECT_EQ(form->QueryPanel->Height(), 64);
  EXPECT_EQ(form->Trees->TabIndex(), 0);
}

TEST_F(SettingsTest, AMaximisedWindowKeepsItsLastNormalBounds) {
  Bind();
  form->SetBounds(60, 70, 500, 300);
  Reopen();
  EXPECT_EQ(Stored("DbX.Width"), "500");
  form->SetWindowState(wsMaximized);
  form->SetBounds(0, 0, 1024, 700);
  CloseWindow();
  EXPECT_EQ(Stored("DbX.WindowState"), "2");
  EXPECT_EQ(Stored("DbX.Left"), "60");
  EXPECT_EQ(Stored("DbX.Width"), "500");
}

TEST_F(SettingsTest, NoToolKeyWritesNothing) {
  ToolRegistryKey.clear();
  Bind();
  EXPECT_TRUE(form->SettingsLoaded());
  form->SetBounds(60, 70, 500, 300);
  CloseWindow();
  EXPECT_FALSE(std::filesystem::exists(registry));
}

TEST_F(SettingsTest, NothingIsWrittenBeforeALoad) {
  std::unique_ptr<TDbExplorerForm> unbound(NewForm<TDbExplorerForm>(nullptr));
  EXPECT_FALSE(unbound->SettingsLoaded());
  unbound->SaveSettings();
  unbound.reset();
  EXPECT_FALSE(std::filesystem::exists(registry));
}

}  // namespace
}  // namespace dbx::testing
