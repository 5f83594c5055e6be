#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Classes.h"
#include "Exceptions.h"

namespace fw {

FW_ENUM(TShape, shNone, shRound, shSquare)
using TShapes = TFlags<TShape>;

// A small hierarchy that publishes one property of every kind.
class TWidgetBase : public TComponent {
  FW_CLASS(TWidgetBase, TComponent)
public:
  using TComponent::TComponent;
  int Width() const { return width_; }
  void SetWidth(int v) { width_ = v; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v) { caption_ = v; }
  std::function<void(TObject*)> OnClick;

private:
  int width_ = 0;
  std::string caption_;
};

class TWidget : public TWidgetBase {
  FW_CLASS(TWidget, TWidgetBase)
public:
  using TWidgetBase::TWidgetBase;
  TShape Shape() const { return shape_; }
  void SetShape(TShape v) { shape_ = v; }
  TShapes Shapes() const { return shapes_; }
  void SetShapes(TShapes v) { shapes_ = v; }
  bool Visible() const { return visible_; }
  void SetVisible(bool v) { visible_ = v; }
  double Ratio() const { return ratio_; }
  void SetRatio(double v) { ratio_ = v; }
  TWidget* Buddy() const { return buddy_; }
  void SetBuddy(TWidget* v) { buddy_ = v; }
  void Clicked(TObject*) { ++clicks; }
  int clicks = 0;

private:
  TShape shape_ = shNone;
  TShapes shapes_;
  bool visible_ = true;
  double ratio_ = 0;
  TWidget* buddy_ = nullptr;
};

FW_PUBLISH(TWidgetBase) {
  c.Property("Width", &TWidgetBase::Width, &TWidgetBase::SetWidth);
  c.Property("Caption", &TWidgetBase::Caption, &TWidgetBase::SetCaption);
  c.Event("OnClick", &TWidgetBase::OnClick);
}

FW_PUBLISH(TWidget) {
  c.Property("Shape", &TWidget::Shape, &TWidget::SetShape);
  c.Property("Shapes", &TWidget::Shapes, &TWidget::SetShapes);
  c.Property("Visible", &TWidget::Visible, &TWidget::SetVisible);
  c.Property("Ratio", &TWidget::Ratio, &TWidget::SetRatio);
  c.Property("Buddy", &TWidget::Buddy, &TWidget::SetBuddy);
  c.Method("Clicked", &TWidget::Clicked);
}

TEST(ObjectModel, ClassChainAndRegistry) {
  TWidget w(nullptr);
  EXPECT_EQ(w.ClassName(), "TWidget");
  EXPECT_EQ(w.ClassParent(), TWidgetBase::StaticClass());
  EXPECT_TRUE(w.InheritsFrom(TComponent::StaticClass()));
  EXPECT_TRUE(w.InheritsFrom("tcomponent"));
  EXPECT_FALSE(w.InheritsFrom("TCollection"));
  EXPECT_EQ(FindClass("twidget"), TWidget::StaticClass());
  EXPECT_THROW(FindClass("TNoSuchThing"), EClassNotFound);
  std::unique_ptr<TComponent> made(FindClass("TWidget")->CreateComponent(nullptr));
  EXPECT_EQ(made->ClassName(), "TWidget");
}

TEST(ObjectModel, PropertiesByNameAcrossInheritance) {
  TWidget w(nullptr), other(nullptr);
  ASSERT_NE(GetPropInfo(&w, "width"), nullptr);  // from the ancestor, any case
  EXPECT_EQ(GetPropInfo(&w, "Width")->Kind, tkInteger);
  EXPECT_EQ(GetPropInfo(&w, "Visible")->TypeName, "Boolean");
  EXPECT_EQ(GetPropInfo(&w, "Shapes")->Kind, tkSet);
  EXPECT_EQ(GetPropInfo(&w, "Buddy")->PropClass(), TWidget::StaticClass());
  EXPECT_EQ(GetPropInfo(&w, "Nothing"), nullptr);

  SetOrdProp(&w, "Width", 42);
  EXPECT_EQ(w.Width(), 42);
  SetStrProp(&w, "Caption", "Hello");
  EXPECT_EQ(GetStrProp(&w, "caption"), "Hello");
  SetEnumProp(&w, GetPropInfo(&w, "Shape"), "shSquare");
  EXPECT_EQ(w.Shape(), shSquare);
  SetSetProp(&w, GetPropInfo(&w, "Shapes"), "[shRound, shSquare]");
  EXPECT_EQ(w.Shapes(), (TShapes{shRound, shSquare}));
  EXPECT_EQ(GetSetProp(&w, GetPropInfo(&w, "Shapes")), "[shRound,shSquare]");
  SetObjectProp(&w, "Buddy", &other);
  EXPECT_EQ(w.Buddy(), &other);

  EXPECT_THROW(SetStrProp(&w, "Width", "x"), EPropertyError);      // wrong kind
  EXPECT_THROW(SetOrdProp(&w, "Nothing", 1), EPropertyError);      // absent
  EXPECT_THROW(SetEnumProp(&w, GetPropInfo(&w, "Shape"), "shOval"), EPropertyError);
  TComponent notAWidget(nullptr);
  EXPECT_THROW(SetObjectProp(&w, "Buddy", &notAWidget), EPropertyError);

  auto props = GetPropList(TWidget::StaticClass());
  ASSERT_GE(props.size(), 9u);
  EXPECT_EQ(props[0]->Name, "Name");  // ancestors first
}

TEST(ObjectModel, EventsAndPublishedMethods) {
  TWidget w(nullptr);
  auto handler = MethodAddress<void(TObject*)>(&w, "clicked");
  ASSERT_TRUE(handler);
  EXPECT_FALSE((MethodAddress<void(int)>(&w, "Clicked")));  // other signature
  SetMethodProp(&w, GetPropInfo(&w, "OnClick"), std::any(handler));
  w.OnClick(&w);
  EXPECT_EQ(w.clicks, 1);
  EXPECT_TRUE((GetEventProp<void(TObject*)>(&w, "OnClick")));
  EXPECT_THROW(SetMethodProp(&w, GetPropInfo(&w, "OnClick"), std::any(std::function<void(int)>())),
               EPropertyError);
}

// Records the order of destruction and the notifications each component hears.
struct Log {
  std::vector<std::string> lines;
};

class TLogged : public TComponent {
  FW_CLASS(TLogged, TComponent)
public:
  TLogged(TComponent* owner, std::string name, Log* log) : TComponent(owner), log_(log) { SetName(name); }
  ~TLogged() override { log_->lines.push_back("free " + Name()); }
  TLogged* watched = nullptr;

protected:
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    if (op == opRemove) {
      log_->lines.push_back(Name() + " hears " + c->Name() + " go");
      if (c == watched) watched = nullptr;
    }
  }

private:
  Log* log_;
};
FW_IMPLEMENT_CLASS(TLogged)

TEST(Ownership, OwnerFreesInReverseOrderAndPartnersHearFirst) {
  Log log;
  auto outsider = std::make_unique<TLogged>(nullptr, "Outsider", &log);
  {
    auto form = std::make_unique<TLogged>(nullptr, "Form", &log);
    new TLogged(form.get(), "A", &log);
    auto* b = new TLogged(form.get(), "B", &log);
    EXPECT_EQ(form->ComponentCount(), 2);
    EXPECT_EQ(form->FindComponent("b"), b);
    outsider->watched = b;
    b->FreeNotification(outsider.get());
  }
  EXPECT_EQ(outsider->watched, nullptr);
  // The last created goes first; its siblings and its partners hear of it
  // before the next one goes.
  std::vector<std::string> expected = {"free Form", "A hears B go", "free B", "Outsider hears B go", "free A"};
  EXPECT_EQ(log.lines, expected);
}

TEST(Ownership, DeletingAnOwnedComponentTellsItsSiblings) {
  Log log;
  TLogged form(nullptr, "Form", &log);
  auto* a = new TLogged(&form, "A", &log);
  auto* b = new TLogged(&form, "B", &log);
  b->watched = a;
  delete a;
  EXPECT_EQ(b->watched, nullptr);
  EXPECT_EQ(form.ComponentCount(), 1);
  EXPECT_EQ(b->ComponentIndex(), 0);
}

TEST(Ownership, NamesAreIdentifiersAndUniquePerOwner) {
  TComponent owner(nullptr);
  auto* a = new TComponent(&owner);
  a->SetName("Edit1");
  auto* b = new TComponent(&owner);
  EXPECT_THROW(b->SetName("EDIT1"), EComponentError);
  EXPECT_THROW(b->SetName("1Edit"), EComponentError);
  EXPECT_THROW(b->SetName("Ed it"), EComponentError);
  b->SetName("Edit2");
  a->SetName("edit1");  // a new case of its own name
  EXPECT_EQ(owner.FindComponent("EDIT1"), a);
}

}  // namespace fw
