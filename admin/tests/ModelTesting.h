// A small explore object class and a recording listener for the model's tests.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "DbExplif.h"

namespace dbx::testing {

// Everything but A, T, O and E.
constexpr std::uint16_t kNodeOperations = opRefresh | opNew | opDelete | opModify | opRename | opApply | opCancel;

// A node that counts its destructions, makes the children it is told to,
// and makes a child of its own class for New.
class TNode : public TExploreObject {
  FW_CLASS(TNode, TExploreObject)
public:
  explicit TNode(int* destroyed = nullptr, std::uint16_t operations = kNodeOperations)
      : destroyed_(destroyed), operations_(operations) {}
  ~TNode() override {
    if (destroyed_) ++*destroyed_;
  }

  std::vector<std::string> childNames;          // made by LoadChildren
  std::function<void(TNode&)> loadProperties;   // run by LoadProperties
  std::function<void(TNode&)> childProperties;  // the loadProperties of the children it makes
  bool active = false;
  bool isRoot = false;                          // a root's path is "/"
  bool rejectAllNames = false;

  TNode* AddChild(const std::string& name) {
    TNode* child = MakeChild();
    child->SetName(name);
    child->Release(lsIdle);
    return child;
  }
  TNode* Child(int index) { return static_cast<TNode*>(Children().GetItem(index)); }

  std::string GetPath() override { return isRoot && !Parent() ? "/" : TExploreObject::GetPath(); }
  bool IsActive() override { return active; }
  void SetActive(bool value) override {
    active = value;
    TExploreObject::SetActive(value);
  }
  void LoadChildren() override {
    for (const std::string& name : childNames) MakeChild()->SetName(name);
  }
  void LoadProperties() override {
    if (loadProperties) loadProperties(*this);
  }
  void DoCreate(TExploreObject*& result, const std::string& parameter) override {
    result = MakeChild();
    TExploreObject::DoCreate(result, parameter);
  }
  TDbXErrorPtr ValidateName(const std::string& name) override {
    if (rejectAllNames) return MakeDbXError("no name for " + name);
    return TExploreObject::ValidateName(name);
  }

protected:
  void Init(TExploreObject* parent) override {
    TExploreObject::Init(parent);
    SetAttributes(operations_);
  }

private:
  TNode* MakeChild() {
    TNode* child = Create<TNode>(this, destroyed_, operations_);
    child->loadProperties = childProperties;
    child->childProperties = childProperties;
    return child;
  }
  int* destroyed_;
  std::uint16_t operations_;
};

class TOtherNode : public TNode {
  FW_CLASS(TOtherNode, TNode)
public:
  using TNode::TNode;
};

// Writes each event as "object event(argument)", for the events it is told
// to keep, and follows new children the way the main window does.
class TRecorder {
public:
  explicit TRecorder(std::set<int> events) : events_(std::move(events)) {}

  void Follow(TExploreObject* object) {
    object->OnChange = [this](TExploreObject* sender, int event, const TExploreArg& arg) {
      if (event == evChildAdded && arg.Object) Follow(arg.Object);
      if (events_.count(event)) log.push_back(Describe(sender, event, arg));
    };
    for (int i = 0; i < object->Children().Count(); ++i) Follow(object->Children().Item(i));
  }

  std::vector<std::string> Take() {
    std::vector<std::string> taken = std::move(log);
    log.clear();
    return taken;
  }

  std::vector<std::string> log;

private:
  static std::string Describe(TExploreObject* sender, int event, const TExploreArg& arg) {
    std::string text = arg.Object ? arg.Object->Name() : !arg.Text.empty() ? arg.Text : std::to_string(arg.Number);
    return sender->Name() + " " + std::to_string(event) + "(" + text + ")";
  }
  std::set<int> events_;
};

// The unit's registries for each test.
class ModelTest : public ::testing::Test {
protected:
  void SetUp() override { InitDbExplif(); }
  void TearDown() override { DoneDbExplif(); }
};

// Expects fn to raise EDbXError with the message.
template <typename Fn>
void ExpectDbXError(Fn&& fn, const std::string& message) {
  try {
    fn();
    ADD_FAILURE() << "no error, expected: " << message;
  } catch (const EDbXError& e) {
    EXPECT_EQ(e.Message(), message);
  }
}

}  // namespace dbx::testing
