// The main window's commands for the tree file, printing and guest entry:
// Save and Open Tree, Print Tree, New Guest and the new guest's defaults.
#include <type_traits>

#include "Files.h"
#include "NewData.h"
#include "Scope.h"
#include "Seating.h"
#include "SeatingFile.h"
#include "Text.h"
#include "Unit3.h"

using namespace fw;

namespace ostrel {

// ---------------------------------------------------------------- the tree file

bool TForm1::SaveTree() {
  if (FileExists(SeatingFileName) &&
      Application->MessageBox("Overwrite Existing Seating.dat?", "Saving Seating-Tree", MB_YESNO) != IDYES)
    return false;
  TSeatingTree tree;
  tree.UseIcons = UseIconsCheckBox->Checked();
  tree.OnlyRSVP = OnlyRSVPCheckBox->Checked();
  TFont* font = TreeView1->Font();
  tree.FontName = font->Name();
  tree.FontSize = font->Size();
  tree.Bold = font->Style().Contains(fsBold);
  tree.Italic = font->Style().Contains(fsItalic);
  for (TTreeNode* n = TreeView1->Items()->GetFirstNode(); n; n = n->GetNext())
    tree.Nodes.push_back({n->Level(), n->StateIndex(), n->ImageIndex(), n->Text()});
  if (!WriteSeatingFile(SeatingFileName, tree)) {
    ShowMessage("Cannot Write To Seating.dat");
    return false;
  }
  TreeChanged = false;
  return true;
}

void TForm1::SaveButtonClick(TObject*) {
  if (TreeBusy()) return;
  SaveTree();
}

void TForm1::LoadButtonClick(TObject*) {
  if (TreeBusy()) return;
  TTreeHold hold(*this);
  // The whole file is read and checked before the tree is touched: a
  // missing or damaged file leaves the tree as it is.
  TSeatingTree tree;
  std::string error;
  switch (ReadSeatingFile(SeatingFileName, tree, error)) {
    case TSeatingRead::Ok: break;
    case TSeatingRead::NotFound: ShowMessage("Seating.dat Not Found"); return;
    case TSeatingRead::Unreadable: ShowMessage("Cannot Read Seating.dat"); return;
    case TSeatingRead::Malformed: ShowMessage(error); return;
  }
  TTreeNodes* items = TreeView1->Items();
  if (items->Count() > 0 && Application->MessageBox("Are You Sure You Want To Overwrite Existing Tables?",
                                                    " Tables Currently Exist !", MB_OKCANCEL) != IDOK)
    return;

  UseIconsCheckBox->SetChecked(tree.UseIcons);
  OnlyRSVPCheckBox->SetChecked(tree.OnlyRSVP);
  TFont* font = TreeView1->Font();
  font->SetName(tree.FontName);
  font->SetSize(tree.FontSize);
  TFontStyles style = font->Style();
  style = tree.Bold ? style + TFontStyles{fsBold} : style - TFontStyles{fsBold};
  style = tree.Italic ? style + TFontStyles{fsItalic} : style - TFontStyles{fsItalic};
  font->SetStyle(style);

  items->Clear();
  TTreeNode* table = nullptr;
  int tables = 0;
  for (const TSeatingNode& n : tree.Nodes) {
    TTreeNode* node;
    if (n.Level == 0) {
      node = table = items->Add(nullptr, n.Text);
      ++tables;
    } else {
      node = items->AddChild(table, n.Text);
    }
    node->SetImageIndex(n.ImageIndex);
    node->SetStateIndex(n.StateIndex);
    Application->ProcessMessages();
  }
  // The file counts every node; New Table numbers and limits tables only.
  TableCounter = tables;
  FontEdit->SetText(font->Name());
  SaveButton->SetEnabled(true);
  DeleteItemButton->SetEnabled(true);
  FindFirstBitBtn->SetEnabled(true);
  FindNextBitBtn->SetEnabled(true);
  TreeChanged = false;
}

// ---------------------------------------------------------------- printing

void TForm1::BitBtn2Click(TObject*) {
  // The setup's Print would start a second printout inside the one that runs.
  if (TreeBusy()) return;
  Form3->Show();
}

// ---------------------------------------------------------------- guest entry

void TForm1::NewGuestButtonClick(TObject*) {
  if (TreeBusy()) return;
  TTreeNode* selected = TreeView1->Selected();
  if (!selected) {
    // Without a node there is no table to seat the new guest at.
    ShowMessage("Please Select A Node");
    return;
  }
  TTreeNode* table = selected->Level() == 0 ? selected : selected->Parent();
  TTreeHold hold(*this);
  if (!OpenFiles()) return;
  ProgressBar1->SetPosition(0);
  const int before = SeatTable->RecordCount();
  {
    // However the form ends, no entry is left pending: the next move through
    // the table would post it as a guest nobody entered.
    TScopeExit cancel([this] {
      if (SeatTable->State() == dsInsert || SeatTable->State() == dsEdit) SeatTable->Cancel();
    });
    NewDataForm->ShowModal();
  }
  if (SeatTable->RecordCount() != before) AddTheChildren(table);
  Application->ProcessMessages();
  TreeView1Click(TreeView1);
  TreeChanged = true;
}

void TForm1::SeatTableAfterInsert() {
  if (!SeatTable->Active()) return;
  SeatTable->Edit();
  auto set = [this](const std::string& name, auto value) {
    TField* f = SeatTable->FieldByName(name);
    if constexpr (std::is_same_v<decltype(value), bool>)
      f->SetAsBoolean(value);
    else if constexpr (std::is_integral_v<decltype(value)>)
      f->SetAsInteger(value);
    else
      f->SetAsString(value);
  };
  auto numbered = [](const char* name, int i) { return name + IntToStr(i); };
  set("Title", std::string("Mr. and Mrs."));
  for (const char* name : {"Num_Kids", "AdultsThis", "GueEd17", "GueEd18"}) set(name, 0);
  set("Event_Ck1", true);
  for (int i = 2; i <= 7; ++i) set(numbered("Event_Ck", i), false);
  set("TableNum", 0);
  set("TableNumTot", 0);
  for (int i = 1; i <= 7; ++i) set(numbered("ThankYou", i), false);
  for (int i = 1; i <= 7; ++i) set(numbered("Registered", i), false);
  set("GuestOfBride", false);
  set("GuestOfGroom", false);
  for (int i = 3; i <= 7; ++i) set(numbered("GuestOfCk", i), false);
  for (int i = 1; i <= 7; ++i) set(numbered("RSVP_Ck", i), false);
  for (int i = 1; i <= 7; ++i) set(numbered("NumAttend", i), 0);
  for (const char* name : {"FirstNameMenu", "SpouseMenu", "GuestMenu"}) set(name, 1);
}

}  // namespace ostrel
