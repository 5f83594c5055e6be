#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "Exceptions.h"
#include "FormReader.h"
#include "Resources.h"
#include "Strings.h"

namespace fw {
namespace {

FW_ENUM(TTestAlign, alNone, alTop, alBottom, alLeft, alRight, alClient)
FW_ENUM(TTestAnchor, akLeft, akTop, akRight, akBottom)
FW_ENUM(TTestFontStyle, fsBold, fsItalic, fsUnderline)

// Records what the reader did, in order.
std::vector<std::string>& Trace() {
  static std::vector<std::string> t;
  return t;
}

class TTestFont : public TPersistent {
  FW_CLASS(TTestFont, TPersistent)
public:
  TFlags<TTestFontStyle> Style() const { return style_; }
  void SetStyle(TFlags<TTestFontStyle> s) { style_ = s; }
  int Size() const { return size_; }
  void SetSize(int s) { size_ = s; }
  std::string data;

  bool ReadProperty(const std::string& name, const TFormValue& v) override {
    if (name != "Data" || v.Kind != TFormValue::vaBinary) return false;
    data = v.Str;
    return true;
  }

private:
  TFlags<TTestFontStyle> style_;
  int size_ = 8;
};

class TTestItem : public TCollectionItem {
  FW_CLASS(TTestItem, TCollectionItem)
public:
  using TCollectionItem::TCollectionItem;
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& c) { caption_ = c; }
  int Value() const { return value_; }
  void SetValue(int v) { value_ = v; }

private:
  std::string caption_;
  int value_ = 0;
};

class TTestControl : public TComponent {
  FW_CLASS(TTestControl, TComponent)
public:
  using TComponent::TComponent;
  TComponent* parent = nullptr;
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override { return parent; }
  void SetParentComponent(TComponent* p) override { parent = p; }
  void Loaded() override {
    TComponent::Loaded();
    Trace().push_back("loaded " + Name());
  }
  int Width() const { return width_; }
  void SetWidth(int w) {
    width_ = w;
    if (w < 0) throw EInvalidOperation("negative width");
  }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool e) { enabled_ = e; }
  int Height() const { return height_; }
  void SetHeight(int h) { height_ = h; }

private:
  int width_ = 0;
  int height_ = 0;
  bool enabled_ = true;
};

class TTestPanel : public TTestControl {
  FW_CLASS(TTestPanel, TTestControl)
public:
  using TTestControl::TTestControl;
  TTestAlign Align() const { return align_; }
  void SetAlign(TTestAlign a) { align_ = a; }
  TFlags<TTestAnchor> Anchors() const { return anchors_; }
  void SetAnchors(TFlags<TTestAnchor> a) { anchors_ = a; }

private:
  TTestAlign align_ = alNone;
  TFlags<TTestAnchor> anchors_;
};

class TTestButton : public TTestControl {
  FW_CLASS(TTestButton, TTestControl)
public:
  explicit TTestButton(TComponent* owner) : TTestControl(owner), items_(TTestItem::StaticClass()) {}
  TStrings* Lines() const { return const_cast<TStringList*>(&lines_); }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& c) { caption_ = c; }
  double Ratio() const { return ratio_; }
  void SetRatio(double r) { ratio_ = r; }
  TTestButton* Buddy() const { return buddy_; }
  void SetBuddy(TTestButton* b) { buddy_ = b; }
  TTestFont* Font() const { return const_cast<TTestFont*>(&font_); }
  TCollection* Items() const { return const_cast<TCollection*>(&items_); }
  TNotifyEvent OnClick;

private:
  std::string caption_;
  double ratio_ = 0;
  TTestButton* buddy_ = nullptr;
  TTestFont font_;
  TCollection items_;
  TStringList lines_;
};

class TTestForm : public TComponent {
  FW_CLASS(TTestForm, TComponent)
public:
  using TComponent::TComponent;
  TTestPanel* Panel1 = nullptr;
  TTestButton* Button1 = nullptr;
  TTestButton* Button2 = nullptr;
  std::string caption;
  std::int64_t color = 0;
  TNotifyEvent OnShow;
  int clicks = 0;
  void Button1Click(TObject*) { ++clicks; }
  void FormShow(TObject*) {}
  void Loaded() override {
    TComponent::Loaded();
    Trace().push_back("loaded " + Name());
  }
  const std::string& Caption() const { return caption; }
  void SetCaption(const std::string& c) { caption = c; }
  std::int64_t Color() const { return color; }
  void SetColor(std::int64_t c) { color = c; }
};


FW_PUBLISH(TTestFont) {
  c.Property("Style", &TTestFont::Style, &TTestFont::SetStyle);
  c.Property("Size", &TTestFont::Size, &TTestFont::SetSize);
}

FW_PUBLISH(TTestItem) {
  c.Property("Caption", &TTestItem::Caption, &TTestItem::SetCaption);
  c.Property("Value", &TTestItem::Value, &TTestItem::SetValue);
}

FW_PUBLISH(TTestControl) {
  c.Property("Width", &TTestControl::Width, &TTestControl::SetWidth);
  c.Property("Enabled", &TTestControl::Enabled, &TTestControl::SetEnabled);
  c.Property("Height", &TTestControl::Height, &TTestControl::SetHeight).Range(0, 100000);
}

FW_PUBLISH(TTestPanel) {
  c.Property("Align", &TTestPanel::Align, &TTestPanel::SetAlign);
  c.Property("Anchors", &TTestPanel::Anchors, &TTestPanel::SetAnchors);
}

FW_PUBLISH(TTestButton) {
  c.Property("Caption", &TTestButton::Caption, &TTestButton::SetCaption);
  c.Property("Ratio", &TTestButton::Ratio, &TTestButton::SetRatio);
  c.Property("Buddy", &TTestButton::Buddy, &TTestButton::SetBuddy);
  c.Property("Font", &TTestButton::Font);
  c.Property("Items", &TTestButton::Items);
  c.Property("Lines", &TTestButton::Lines);
  c.Event("OnClick", &TTestButton::OnClick);
}

FW_PUBLISH(TTestForm) {
  c.Property("Caption", &TTestForm::Caption, &TTestForm::SetCaption);
  c.Property("Color", &TTestForm::Color, &TTestForm::SetColor).SetTypeName("TTestColor");
  c.Event("OnShow", &TTestForm::OnShow);
  c.Field("Panel1", &TTestForm::Panel1);
  c.Field("Button1", &TTestForm::Button1);
  c.Field("Button2", &TTestForm::Button2);
  c.Method("Button1Click", &TTestForm::Button1Click);
  c.Method("FormShow", &TTestForm::FormShow);
}

[[maybe_unused]] const bool colorsRegistered =
    (RegisterIntegerConsts("TTestColor", {{"clRed", 0xFF}, {"clNavy", 0x800000}}), true);

TEST(FormReader, ReadsNestedComponentsAndEveryKindOfValue) {
  Trace().clear();
  auto form = std::make_unique<TTestForm>(nullptr);
  ReadComponentRes(form.get(), "TESTFORM");

  EXPECT_EQ(form->Name(), "TestForm");
  EXPECT_EQ(form->caption, "Test 'form'\r\nsecond");
  EXPECT_EQ(form->color, 0xFF);
  EXPECT_TRUE(form->OnShow);

  ASSERT_NE(form->Panel1, nullptr);
  ASSERT_NE(form->Button1, nullptr);
  ASSERT_NE(form->Button2, nullptr);
  EXPECT_EQ(form->ComponentCount(), 3);  // all owned by the form
  EXPECT_EQ(form->Panel1->parent, form.get());
  EXPECT_EQ(form->Button1->parent, form->Panel1);  // nested under the panel
  EXPECT_EQ(form->Button2->parent, form.get());
  EXPECT_EQ(form->Panel1->Align(), alLeft);
  EXPECT_EQ(form->Panel1->Anchors(), (TFlags<TTestAnchor>{akLeft, akTop}));
  EXPECT_EQ(form->Panel1->Width(), 95);

  TTestButton* b = form->Button1;
  EXPECT_EQ(b->Caption(), "Create Tree");
  EXPECT_EQ(b->Width(), 32);
  EXPECT_DOUBLE_EQ(b->Ratio(), 1.25);
  EXPECT_EQ(b->Buddy(), form->Button2);  // a reference to a component read later
  EXPECT_EQ(b->Font()->Style(), TFlags<TTestFontStyle>{fsBold});
  EXPECT_EQ(b->Font()->Size(), -14);
  EXPECT_EQ(b->Font()->data, std::string("\x0A\x0B\xFF"));
  ASSERT_EQ(b->Items()->Count(), 2);
  auto* second = static_cast<TTestItem*>(b->Items()->Items(1));
  EXPECT_EQ(second->Caption(), "Борис");
  EXPECT_EQ(second->Value(), 2);
  EXPECT_FALSE(form->Button2->Enabled());
  TStrings* lines = form->Button2->Lines();
  ASSERT_EQ(lines->Count(), 3);
  EXPECT_EQ(lines->Strings(1), "second, with 'quotes'");
  EXPECT_EQ(lines->Strings(2), "");

  b->OnClick(b);
  form->Button2->OnClick(form->Button2);
  EXPECT_EQ(form->clicks, 2);

  std::vector<std::string> loaded = {"loaded TestForm", "loaded Panel1", "loaded Button1", "loaded Button2"};
  EXPECT_EQ(Trace(), loaded);
  for (int i = 0; i < form->ComponentCount(); ++i)
    EXPECT_FALSE(form->Components(i)->ComponentState().Contains(csLoading));
}

std::string FormWith(const std::string& body) { return "object F: TTestForm\n" + body + "end\n"; }

TEST(FormReader, BadFilesRaiseErrorsNamingFileLineAndName) {
  struct Case {
    std::string text;
    std::string expected;  // part of the message
  };
  const std::vector<Case> cases = {
      {"", "test.dfm(1): 'object' expected but end of file found"},
      {"object F: TOtherForm\nend\n", "for class TOtherForm"},
      {FormWith("  object X: TNoSuchClass\n  end\n"), "test.dfm(2): Class TNoSuchClass not found"},
      {FormWith("  Nothing = 1\n"), "test.dfm(2): Property F.Nothing does not exist"},
      {FormWith("  OnShow = NoHandler\n"), "test.dfm(2): Handler NoHandler for F.OnShow not found"},
      {FormWith("  object B: TTestButton\n    Buddy = Missing\n  end\n"), "test.dfm(3): Component Missing"},
      {FormWith("  object B: TTestButton\n    Width = 'wide'\n  end\n"), "test.dfm(3): Invalid property value for B.Width"},
      {FormWith("  object B: TTestButton\n    Width = -1\n  end\n"), "test.dfm(3): Error reading B.Width: negative width"},
      {FormWith("  object P: TTestPanel\n    Align = alSideways\n  end\n"), "Invalid property value alSideways"},
      {FormWith("  object P: TTestPanel\n    Anchors = [akLeft, akNowhere]\n  end\n"), "Invalid set element akNowhere"},
      {FormWith("  Caption = 'unterminated\n"), "test.dfm(2): Unterminated string"},
      {FormWith("  object B: TTestButton\n  end\n  object B: TTestButton\n  end\n"),
       "test.dfm(4): Error reading B: A component named B already exists"},
      {FormWith("  object Panel1: TTestButton\n  end\n"), "Field Panel1 of TTestForm is a TTestPanel"},
      {FormWith("  Color = clPurple\n"), "Invalid property value clPurple"},
      {"object F: TTestForm\n  Caption = 'x'\n", "'end' expected but end of file found"},
      {FormWith("  object B: TTestButton\n    Font.Style.X = 1\n  end\n"), "B.Font.Style.X has no parts"},
      {FormWith("  object B: TTestButton\n    Font.Data = { 0A0 }\n  end\n"), "Invalid binary data"},
      {FormWith("  object B: TObject\n  end\n"), "Class TObject not found"},
      {FormWith("  object B: TTestButton\n    Lines.Strings = 5\n  end\n"), "test.dfm(3): Error reading B.Lines.Strings"},
      {FormWith("  object B: TTestButton\n    Lines.Nothing = ('a')\n  end\n"), "test.dfm(3): Property B.Lines.Nothing does not exist"},
      // Numbers the property cannot hold, or that it limits to a sane range.
      {FormWith("  object B: TTestButton\n    Width = 2147483648\n  end\n"), "test.dfm(3): Invalid number 2147483648 for B.Width"},
      {FormWith("  object B: TTestButton\n    Font.Size = -2147483649\n  end\n"), "Invalid number -2147483649 for B.Font.Size"},
      {FormWith("  object B: TTestButton\n    Height = 100001\n  end\n"), "test.dfm(3): Invalid number 100001 for B.Height"},
      {FormWith("  object B: TTestButton\n    Height = -1\n  end\n"), "test.dfm(3): Invalid number -1 for B.Height"},
  };
  for (const Case& c : cases) {
    auto form = std::make_unique<TTestForm>(nullptr);
    try {
      ReadComponentText(form.get(), c.text, "test.dfm");
      ADD_FAILURE() << "no error for:\n" << c.text;
    } catch (const EReadError& e) {
      EXPECT_NE(e.Message().find(c.expected), std::string::npos) << e.Message() << "\nfor:\n" << c.text;
    }
  }
}

// Malformed input of every sort gives an error, never a crash: mutations of a
// good file, run under the sanitizer build too.
TEST(FormReader, MutatedFilesNeverCrash) {
  TResourceData d = FindResourceData("TESTFORM");
  ASSERT_NE(d.Data, nullptr);
  const std::string good(reinterpret_cast<const char*>(d.Data), d.Size);
  const std::string alphabet = "'#$()[]<>{}=:+-.,0123456789 \n\tabcdefxyzobjectenditem\xC3\xFF";
  std::mt19937 rng(12345);
  int errors = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string s = good;
    int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits; ++e) {
      std::size_t pos = rng() % (s.size() + 1);
      switch (rng() % 4) {
        case 0: if (pos < s.size()) s.erase(pos, 1 + rng() % 8); break;
        case 1: s.insert(pos, 1, alphabet[rng() % alphabet.size()]); break;
        case 2: if (pos < s.size()) s[pos] = alphabet[rng() % alphabet.size()]; break;
        case 3: s.resize(pos); break;
      }
    }
    auto form = std::make_unique<TTestForm>(nullptr);
    try {
      ReadComponentText(form.get(), s, "fuzz.dfm");
    } catch (const EReadError&) {
      ++errors;
    }
  }
  EXPECT_GT(errors, 0);
  // Deep nesting is refused, not followed down the stack.
  std::string deep = "object F: TTestForm\n";
  for (int i = 0; i < 5000; ++i) deep += "object P" + std::to_string(i) + ": TTestPanel\n";
  auto form = std::make_unique<TTestForm>(nullptr);
  EXPECT_THROW(ReadComponentText(form.get(), deep, "deep.dfm"), EReadError);
  std::string lists = FormWith("  Caption = " + std::string(5000, '(') + "\n");
  EXPECT_THROW(ReadComponentText(form.get(), lists, "deep.dfm"), EReadError);
}

}  // namespace
}  // namespace fw
