#include <gtest/gtest.h>

#include <functional>
#include <memory>
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
  auto w = std::make_unique<TWidget>(nullptr);
  EXPECT_EQ(w->ClassName(), "TWidget");
  EXPECT_EQ(w->ClassParent(), TWidgetBase::StaticClass());
  EXPECT_TRUE(w->InheritsFrom(TComponent::StaticClass()));
  EXPECT_TRUE(w->InheritsFrom("tcomponent"));
  EXPECT_FALSE(w->InheritsFrom("TCollection"));
  EXPECT_EQ(FindClass("twidget"), TWidget::StaticClass());
  EXPECT_THROW(FindClass("TNoSuchThing"), EClassNotFound);
  std::unique_ptr<TComponent> made(FindClass("TWidget")->CreateComponent(nullptr));
  EXPECT_EQ(made->ClassName(), "TWidget");
}

TEST(ObjectModel, PropertiesByNameAcrossInheritance) {
  auto w = std::make_unique<TWidget>(nullptr);
  auto other = std::make_unique<TWidget>(nullptr);
  ASSERT_NE(GetPropInfo(w.get(), "width"), nullptr);  // from the ancestor, any case
  EXPECT_EQ(GetPropInfo(w.get(), "Width")->Kind, tkInteger);
  EXPECT_EQ(GetPropInfo(w.get(), "Visible")->TypeName, "Boolean");
  EXPECT_EQ(GetPropInfo(w.get(), "Shapes")->Kind, tkSet);
  EXPECT_EQ(GetPropInfo(w.get(), "Buddy")->PropClass(), TWidget::StaticClass());
  EXPECT_EQ(GetPropInfo(w.get(), "Nothing"), nullptr);

  SetOrdProp(w.get(), "Width", 42);
  EXPECT_EQ(w->Width(), 42);
  SetStrProp(w.get(), "Caption", "Hello");
  EXPECT_EQ(GetStrProp(w.get(), "caption"), "Hello");
  SetEnumProp(w.get(), GetPropInfo(w.get(), "Shape"), "shSquare");
  EXPECT_EQ(w->Shape(), shSquare);
  SetSetProp(w.get(), GetPropInfo(w.get(), "Shapes"), "[shRound, shSquare]");
  EXPECT_EQ(w->Shapes(), (TShapes{shRound, shSquare}));
  EXPECT_EQ(GetSetProp(w.get(), GetPropInfo(w.get(), "Shapes")), "[shRound,shSquare]");
  SetObjectProp(w.get(), "Buddy", other.get());
  EXPECT_EQ(w->Buddy(), other.get());

  EXPECT_THROW(SetStrProp(w.get(), "Width", "x"), EPropertyError);      // wrong kind
  EXPECT_THROW(SetOrdProp(w.get(), "Nothing", 1), EPropertyError);      // absent
  EXPECT_THROW(SetEnumProp(w.get(), GetPropInfo(w.get(), "Shape"), "shOval"), EPropertyError);
  auto notAWidget = std::make_unique<TComponent>(nullptr);
  EXPECT_THROW(SetObjectProp(w.get(), "Buddy", notAWidget.get()), EPropertyError);

  auto props = GetPropList(TWidget::StaticClass());
  ASSERT_GE(props.size(), 9u);
  EXPECT_EQ(props[0]->Name, "Name");  // ancestors first
}

TEST(ObjectModel, EventsAndPublishedMethods) {
  auto w = std::make_unique<TWidget>(nullptr);
  auto handler = MethodAddress<void(TObject*)>(w.get(), "clicked");
  ASSERT_TRUE(handler);
  EXPECT_FALSE((MethodAddress<void(int)>(w.get(), "Clicked")));  // other signature
  SetMethodProp(w.get(), GetPropInfo(w.get(), "OnClick"), std::any(handler));
  w->OnClick(w.get());
  EXPECT_EQ(w->clicks, 1);
  EXPECT_TRUE((GetEventProp<void(TObject*)>(w.get(), "OnClick")));
  EXPECT_THROW(SetMethodProp(w.get(), GetPropInfo(w.get(), "OnClick"), std::any(std::function<void(int)>())),
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
  auto form = std::make_unique<TLogged>(nullptr, "Form", &log);
  auto* a = new TLogged(form.get(), "A", &log);
  auto* b = new TLogged(form.get(), "B", &log);
  b->watched = a;
  delete a;
  EXPECT_EQ(b->watched, nullptr);
  EXPECT_EQ(form->ComponentCount(), 1);
  EXPECT_EQ(b->ComponentIndex(), 0);
}

// A hierarchy whose destruction needs virtual calls: each level logs its part
// of BeforeDestruction and what the object's most derived part says then.
class TStepBase : public TComponent {
  FW_CLASS(TStepBase, TComponent)
public:
  TStepBase(TComponent* owner, Log* log) : TComponent(owner), log_(log) {}
  ~TStepBase() override { log_->lines.push_back("~base"); }

protected:
  virtual std::string Kind() const { return "base"; }
  void BeforeDestruction() override {
    log_->lines.push_back("base part of a " + Kind());
    TComponent::BeforeDestruction();
  }
  Log* log_;
};
FW_IMPLEMENT_CLASS(TStepBase)

class TStepDerived : public TStepBase {
  FW_CLASS(TStepDerived, TStepBase)
public:
  using TStepBase::TStepBase;
  ~TStepDerived() override { log_->lines.push_back("~derived"); }

protected:
  std::string Kind() const override { return "derived"; }
  void BeforeDestruction() override {
    log_->lines.push_back("derived part");
    TStepBase::BeforeDestruction();
  }
};
FW_IMPLEMENT_CLASS(TStepDerived)

TEST(Ownership, EveryWayOfFreeingRunsBeforeDestructionOnceOnTheWholeObject) {
  const std::vector<std::string> expected = {"derived part", "base part of a derived", "~derived", "~base"};
  struct Way {
    const char* name;
    std::function<void(Log*)> free;
  };
  const Way ways[] = {
      {"delete", [](Log* log) { delete new TStepDerived(nullptr, log); }},
      {"unique_ptr", [](Log* log) { std::make_unique<TStepDerived>(nullptr, log).reset(); }},
      {"owner's DestroyComponents",
       [](Log* log) {
         auto owner = std::make_unique<TComponent>(nullptr);
         new TStepDerived(owner.get(), log);
         owner->DestroyComponents();
       }},
      {"owner freed",
       [](Log* log) {
         auto* owner = new TComponent(nullptr);
         new TStepDerived(owner, log);
         delete owner;
       }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    Log log;
    way.free(&log);
    EXPECT_EQ(log.lines, expected);
  }
}

// Only delete runs the first phase, so a component anywhere but on the heap
// stops the program; a constructor that raised is no such case.
class TFailingComponent : public TComponent {
  FW_CLASS(TFailingComponent, TComponent)
public:
  explicit TFailingComponent(TComponent* owner) : TComponent(owner) { throw EComponentError("cannot make it"); }
};
FW_IMPLEMENT_CLASS(TFailingComponent)

TEST(OwnershipDeathTest, AComponentOnTheStackStopsTheProgram) {
  auto owner = std::make_unique<TComponent>(nullptr);
  EXPECT_THROW(new TFailingComponent(owner.get()), EComponentError);
  EXPECT_EQ(owner->ComponentCount(), 0);
  EXPECT_DEATH({ TComponent onTheStack(nullptr); }, "destroyed without delete");
}

TEST(Ownership, NamesAreIdentifiersAndUniquePerOwner) {
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* a = new TComponent(owner.get());
  a->SetName("Edit1");
  auto* b = new TComponent(owner.get());
  EXPECT_THROW(b->SetName("EDIT1"), EComponentError);
  EXPECT_THROW(b->SetName("1Edit"), EComponentError);
  EXPECT_THROW(b->SetName("Ed it"), EComponentError);
  b->SetName("Edit2");
  a->SetName("edit1");  // a new case of its own name
  EXPECT_EQ(owner->FindComponent("EDIT1"), a);
}

}  // namespace fw
