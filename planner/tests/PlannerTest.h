// The main window on Qt's offscreen platform, in a fresh folder of its own
// that holds the guest and event tables, as the planner's current directory.
#pragma once
#include <QWidget>
#include <memory>
#include <string>

#include "Database.h"
#include "Files.h"
#include "SampleGuests.h"
#include "Seating.h"
#include "TempDir.h"
#include "UiTest.h"

namespace ostrel::test {

class PlannerTest : public fw::test::UiTest {
protected:
  // The sample tables unless the test makes its own before OpenForm.
  void SetUp() override {
    previousDir_ = fw::GetCurrentDir();
    ASSERT_TRUE(fw::SetCurrentDir(dir.Path()));
    TableCounter = 0;
    TableNumbers.fill(-1);
    FindPosition = 0;
    TreeChanged = false;
  }
  void TearDown() override {
    form.reset();
    fw::Session().DropConnections();
    fw::SetCurrentDir(previousDir_);
  }
  void OpenForm() { form.reset(fw::NewForm<TForm1>(nullptr)); }
  void SampleForm() {
    sample::MakeSampleGuests(dir.Path());
    OpenForm();
  }
  void Create(bool useIcons = false, bool onlyRSVP = false) {
    form->UseIconsCheckBox->SetChecked(useIcons);
    form->OnlyRSVPCheckBox->SetChecked(onlyRSVP);
    form->CreateButtonClick(form->CreateButton);
  }
  fw::TTreeNodes* Items() const { return form->TreeView1->Items(); }
  fw::TTreeNode* Node(const std::string& text) const {
    for (fw::TTreeNode* n = Items()->GetFirstNode(); n; n = n->GetNext())
      if (n->Text() == text) return n;
    ADD_FAILURE() << "no node " << text;
    return nullptr;
  }
  // One line a node in tree order: level, state icon, node icon, text.
  std::string Dump() const {
    std::string s;
    for (fw::TTreeNode* n = Items()->GetFirstNode(); n; n = n->GetNext())
      s += std::to_string(n->Level()) + " " + std::to_string(n->StateIndex()) + " " +
           std::to_string(n->ImageIndex()) + " " + n->Text() + "\n";
    return s;
  }
  std::vector<std::string> Asked() const {
    std::vector<std::string> v;
    for (const fw::TMessageRequest& r : messages->Requests) v.push_back(r.Text);
    return v;
  }

  fw::test::TempDir dir;
  std::unique_ptr<TForm1> form;

private:
  std::string previousDir_;
};

}  // namespace ostrel::test
