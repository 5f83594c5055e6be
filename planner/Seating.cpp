#include "Seating.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <vector>

#include "Files.h"
#include "Messages.h"
#include "Scope.h"
#include "SeatingRules.h"
#include "Services.h"
#include "Shell.h"
#include "Text.h"

using namespace fw;

namespace ostrel {

TForm1* Form1 = nullptr;
std::int32_t TableCounter = 0;
std::array<std::int32_t, MaxTables> TableNumbers{};
std::int32_t FindPosition = 0;
bool TreeChanged = false;

FW_PUBLISH(TForm1) {
  c.Field("TreeView1", &TForm1::TreeView1);
  c.Field("Panel1", &TForm1::Panel1);
  c.Field("CountLabel", &TForm1::CountLabel);
  c.Field("NoneBitBtn", &TForm1::NoneBitBtn);
  c.Field("CoupleBitBtn", &TForm1::CoupleBitBtn);
  c.Field("KidBitBtn", &TForm1::KidBitBtn);
  c.Field("FemaleBitBtn", &TForm1::FemaleBitBtn);
  c.Field("MaleBitBtn", &TForm1::MaleBitBtn);
  c.Field("GuestBitBtn", &TForm1::GuestBitBtn);
  c.Field("MemberBitBtn", &TForm1::MemberBitBtn);
  c.Field("HappyBitBtn", &TForm1::HappyBitBtn);
  c.Field("CheckMkBitBtn", &TForm1::CheckMkBitBtn);
  c.Field("DontBitBtn", &TForm1::DontBitBtn);
  c.Field("None2BitBtn", &TForm1::None2BitBtn);
  c.Field("Happy2BitBtn", &TForm1::Happy2BitBtn);
  c.Field("Check2BitBtn", &TForm1::Check2BitBtn);
  c.Field("Dont2BitBtn", &TForm1::Dont2BitBtn);
  c.Field("NoSmokeBitBtn", &TForm1::NoSmokeBitBtn);
  c.Field("WheelChrBitBtn", &TForm1::WheelChrBitBtn);
  c.Field("HighBitBtn", &TForm1::HighBitBtn);
  c.Field("AppleBitBtn", &TForm1::AppleBitBtn);
  c.Field("FishBitBtn", &TForm1::FishBitBtn);
  c.Field("BirdBitBtn", &TForm1::BirdBitBtn);
  c.Field("FishBirdBitBtn", &TForm1::FishBirdBitBtn);
  c.Field("KosherBitBtn", &TForm1::KosherBitBtn);
  c.Field("CreateButton", &TForm1::CreateButton);
  c.Field("OnlyRSVPCheckBox", &TForm1::OnlyRSVPCheckBox);
  c.Field("UseIconsCheckBox", &TForm1::UseIconsCheckBox);
  c.Field("Panel3", &TForm1::Panel3);
  c.Field("Panel4", &TForm1::Panel4);
  c.Field("FontEdit", &TForm1::FontEdit);
  c.Field("BitBtn1", &TForm1::BitBtn1);
  c.Field("SaveButton", &TForm1::SaveButton);
  c.Field("BitBtn2", &TForm1::BitBtn2);
  c.Field("NewTableButton", &TForm1::NewTableButton);
  c.Field("NewGuestButton", &TForm1::NewGuestButton);
  c.Field("DeleteItemButton", &TForm1::DeleteItemButton);
  c.Field("HelpBitBtn", &TForm1::HelpBitBtn);
  c.Field("FindFirstBitBtn", &TForm1::FindFirstBitBtn);
  c.Field("FindNextBitBtn", &TForm1::FindNextBitBtn);
  c.Field("Edit1", &TForm1::Edit1);
  c.Field("Label1", &TForm1::Label1);
  c.Field("ExitButton", &TForm1::ExitButton);
  c.Field("ProgressBar1", &TForm1::ProgressBar1);
  c.Field("ImageList1", &TForm1::ImageList1);
  c.Field("ImageList2", &TForm1::ImageList2);
  c.Field("FontDialog1", &TForm1::FontDialog1);
  c.Field("PrintDialog1", &TForm1::PrintDialog1);
  c.Field("DataSource1", &TForm1::DataSource1);
  c.Field("SeatTable", &TForm1::SeatTable);
  c.Field("DataSource22", &TForm1::DataSource22);
  c.Field("Table22", &TForm1::Table22);

  c.Method("FormCreate", &TForm1::FormCreate);
  c.Method("FormActivate", &TForm1::FormActivate);
  c.Method("FormClose", &TForm1::FormClose);
  c.Method("FontEditClick", &TForm1::FontEditClick);
  c.Method("HelpBitBtnClick", &TForm1::HelpBitBtnClick);
  c.Method("ExitButtonClick", &TForm1::ExitButtonClick);
  c.Method("OpenFiles", &TForm1::OpenFiles);
  c.Method("TreeView1GetImageIndex", &TForm1::TreeView1GetImageIndex);
  c.Method("TreeView1Change", &TForm1::TreeView1Change);
  c.Method("TreeView1Edited", &TForm1::TreeView1Edited);
  c.Method("TreeView1Deletion", &TForm1::TreeView1Deletion);
  c.Method("TreeView1EndDrag", &TForm1::TreeView1EndDrag);
  c.Method("CreateButtonClick", &TForm1::CreateButtonClick);
  c.Method("AddTheChildren", &TForm1::AddTheChildren);
  c.Method("TreeView1Click", &TForm1::TreeView1Click);
  c.Method("TreeView1MouseDown", &TForm1::TreeView1MouseDown);
  c.Method("TreeView1DragOver", &TForm1::TreeView1DragOver);
  c.Method("TreeView1DragDrop", &TForm1::TreeView1DragDrop);
  c.Method("NewTableButtonClick", &TForm1::NewTableButtonClick);
  c.Method("DeleteItemButtonClick", &TForm1::DeleteItemButtonClick);
  c.Method("KidBitBtnClick", &TForm1::KidBitBtnClick);
  c.Method("FindFirstBitBtnClick", &TForm1::FindFirstBitBtnClick);
  c.Method("SaveButtonClick", &TForm1::SaveButtonClick);
  c.Method("LoadButtonClick", &TForm1::LoadButtonClick);
  c.Method("BitBtn2Click", &TForm1::BitBtn2Click);
  c.Method("NewGuestButtonClick", &TForm1::NewGuestButtonClick);
  c.Method("SeatTableAfterInsert", &TForm1::SeatTableAfterInsert);
}

TForm1::TForm1(TComponent* AOwner) : TForm(AOwner) {}

TForm1::~TForm1() = default;

namespace {

// Field reads that fail (no such field, a value that does not convert) give nullopt.
std::optional<std::string> ReadText(const TField* f) {
  if (!f) return std::nullopt;
  try {
    return f->AsString();
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::optional<int> ReadInt(const TField* f) {
  if (!f) return std::nullopt;
  try {
    return f->AsInteger();
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::optional<bool> ReadBool(const TField* f) {
  if (!f) return std::nullopt;
  try {
    return f->AsBoolean();
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

bool IsTable(const TTreeNode* node) { return node->Level() == 0; }

}  // namespace

namespace {

TField* MenuField(TDataSet* event, int n) {
  return n >= 1 && n <= 6 ? event->FindField("MenuItem" + IntToStr(n)) : nullptr;
}

}  // namespace

// The fields that seating reads, found by name once for a whole build
// (nullptr when the table has no such field) rather than once a record.
struct TForm1::TGuestFields {
  TGuestFields(TDataSet* d, TDataSet* event)
      : TableNum(d->FindField("TableNum")), RSVP_Ck1(d->FindField("RSVP_Ck1")), FirstN(d->FindField("FirstN")),
        LastN(d->FindField("LastN")), Spouse(d->FindField("Spouse")), Title(d->FindField("Title")),
        Guest_Name(d->FindField("Guest_Name")), KidsAges(d->FindField("KidsAges")),
        KidsMenuItems(d->FindField("KidsMenuItems")), FirstNameMenu(d->FindField("FirstNameMenu")),
        SpouseMenu(d->FindField("SpouseMenu")), GuestMenu(d->FindField("GuestMenu")),
        Num_Kids(d->FindField("Num_Kids")) {
    for (int n = 1; n <= 6; ++n) Menus[static_cast<std::size_t>(n - 1)] = MenuField(event, n);
  }
  // The text of menu n of the event table's current record.
  std::string Menu(int n) const {
    return n >= 1 && n <= 6 ? ReadText(Menus[static_cast<std::size_t>(n - 1)]).value_or("") : std::string();
  }
  TField *TableNum, *RSVP_Ck1, *FirstN, *LastN, *Spouse, *Title, *Guest_Name, *KidsAges, *KidsMenuItems,
      *FirstNameMenu, *SpouseMenu, *GuestMenu, *Num_Kids;
  std::array<TField*, 6> Menus{};
};

// ---------------------------------------------------------------- window

void TForm1::FormCreate(TObject*) {
  int width = 0, height = 0;
  MainWindowSize(Screen->PixelsPerInch(), GetSystemMetrics(SM_CXSCREEN), width, height);
  SetHeight(height);
  SetWidth(width);
}

void TForm1::FormActivate(TObject*) { FontEdit->SetText(TreeView1->Font()->Name()); }

void TForm1::FontEditClick(TObject*) {
  FontDialog1->SetDevice(fdBoth);
  FontDialog1->SetFont(TreeView1->Font());
  if (!FontDialog1->Execute()) return;
  TreeView1->SetFont(FontDialog1->Font());
  FontEdit->SetText(TreeView1->Font()->Name());
  // The font is saved with the tree, so a new one is a change to save.
  TreeChanged = true;
}

void TForm1::HelpBitBtnClick(TObject*) { Application->HelpCommand(HELP_CONTENTS, 0); }

void TForm1::ExitButtonClick(TObject*) { Close(); }

void TForm1::FormClose(TObject*, TCloseAction& Action) {
  // Closing frees the tree that a long operation is still filling.
  if (TreeBusy()) {
    Action = caNone;
    return;
  }
  if (!TreeChanged) return;
  int answer = Application->MessageBox("Save Your Seating-Tree Data?", "Data Not Saved", MB_YESNOCANCEL);
  // A save that was declined or failed keeps the window open: the tree would be lost.
  if (answer == IDCANCEL || (answer == IDYES && !SaveTree())) Action = caNone;
  SeatTable->Close();
  Table22->Close();
}

bool TForm1::OpenFiles() {
  std::string dir = GetCurrentDir();
  if (dir.empty()) {
    Application->MessageBox("Problem Reading Current Directory. Cannot Use Data Files.", "Problem", 0);
    return false;
  }
  ProgressBar1->StepIt();
  struct Need {
    vx::TvxTable* table;
    const char* name;
  } needs[] = {{Table22, "WedDat2.db"}, {SeatTable, "GuestLst.db"}};
  for (const Need& n : needs) {
    if (!n.table->Active()) {
      TSearchRec f;
      int found = FindFirst(n.name, faAnyFile, f);
      FindClose(f);
      ProgressBar1->StepIt();
      if (found != 0) {
        ShowMessage(std::string("Cannot Find ") + n.name);
        return false;
      }
      n.table->SetDatabaseName(dir);
      // The name as the directory spells it: the search ignores case, the file system does not.
      n.table->SetTableName(f.Name);
      n.table->SetTableType(ttKalmure);
      n.table->Open();
    }
    ProgressBar1->StepIt();
  }
  return true;
}

// ---------------------------------------------------------------- the tree's own events

void TForm1::TreeView1GetImageIndex(TObject*, TTreeNode* Node) { Node->SetSelectedIndex(Node->ImageIndex()); }

void TForm1::TreeView1Change(TObject*, TTreeNode*) { TreeChanged = true; }

void TForm1::TreeView1Edited(TObject*, TTreeNode*, std::string&) { TreeChanged = true; }

void TForm1::TreeView1Deletion(TObject*, TTreeNode*) { TreeChanged = true; }

void TForm1::TreeView1EndDrag(TObject*, TObject*, int, int) { TreeChanged = true; }

// ---------------------------------------------------------------- building the tree

void TForm1::CreateButtonClick(TObject*) {
  if (TreeBusy()) return;
  TTreeHold hold(*this);
  std::string notice = CreateNotice(UseIconsCheckBox->Checked(), OnlyRSVPCheckBox->Checked());
  if (!notice.empty()) ShowMessage(notice);
  ProgressBar1->SetPosition(0);
  ProgressBar1->SetMax(200);
  if (!OpenFiles()) {
    ProgressBar1->SetPosition(0);
    return;
  }
  if (SeatTable->RecordCount() < 2) {
    ShowMessage("Nothing To Create");
    ProgressBar1->SetPosition(0);
    return;
  }
  TTreeNodes* items = TreeView1->Items();
  if (items->Count() > 0 &&
      Application->MessageBox("Are You Sure You Want To Start Over?", " WARNING !  Tables Exist !", MB_OKCANCEL) !=
          IDOK) {
    ProgressBar1->SetPosition(0);
    return;
  }

  auto listed = [](int number) {
    return std::find(TableNumbers.begin(), TableNumbers.begin() + TableCounter, number) !=
           TableNumbers.begin() + TableCounter;
  };
  TableCounter = 0;
  TableNumbers.fill(-1);
  const TGuestFields fields(SeatTable, Table22);
  SeatTable->First();
  while (!SeatTable->Eof()) {
    int number = ReadInt(fields.TableNum).value_or(0);
    if (number >= 0 && !listed(number)) {
      TableNumbers[static_cast<std::size_t>(TableCounter++)] = number;
      if (TableCounter == MaxTables) break;
    }
    SeatTable->Next();
  }

  {
    // Closed on every way out: a tree left in an update is frozen for the session.
    TUpdateScope update(*items);
    items->Clear();
    for (int i = 0; i < TableCounter; ++i)
      items->Add(nullptr, TableText(TableNumbers[static_cast<std::size_t>(i)]))->SetStateIndex(siNone);
    TreeView1->AlphaSort();
    // Each listed number's table: the first top-level node with its text in tree
    // order. While the build runs nothing adds, moves or deletes one.
    std::vector<TTreeNode*> tableOf;
    for (int i = 0; i < TableCounter; ++i) {
      const std::string text = TableText(TableNumbers[static_cast<std::size_t>(i)]);
      TTreeNode* t = items->GetFirstNode();
      while (t && t->Text() != text) t = t->getNextSibling();
      tableOf.push_back(t);
    }
    auto tableFor = [&](int number) -> TTreeNode* {
      const auto end = TableNumbers.begin() + TableCounter;
      const auto slot = std::find(TableNumbers.begin(), end, number);
      return slot != end ? tableOf[static_cast<std::size_t>(slot - TableNumbers.begin())] : nullptr;
    };
    const int step = ProgressStep(ProgressBar1->Position(), 200, SeatTable->RecordCount());

    const bool onlyRSVP = OnlyRSVPCheckBox->Checked();
    SeatTable->First();
    while (!SeatTable->Eof()) {
      try {
        if (!onlyRSVP || ReadBool(fields.RSVP_Ck1).value_or(true)) {
          int number = ReadInt(fields.TableNum).value_or(0);
          if (TTreeNode* table = number >= 0 ? tableFor(number) : nullptr) AddPeople(table, fields);
          ProgressBar1->StepBy(step);
        }
      } catch (const std::exception&) {
      }
      SeatTable->Next();
    }
  }
  SaveButton->SetEnabled(true);
  DeleteItemButton->SetEnabled(true);
  FindFirstBitBtn->SetEnabled(true);
  FindNextBitBtn->SetEnabled(true);
  TreeChanged = true;
  ProgressBar1->SetPosition(0);
}

void TForm1::AddTheChildren(TTreeNode* TableNode) { AddPeople(TableNode, TGuestFields(SeatTable, Table22)); }

void TForm1::AddPeople(TTreeNode* TableNode, const TGuestFields& f) {
  try {
    TGuestRecord r;
    r.FirstN = ReadText(f.FirstN);
    r.LastN = ReadText(f.LastN);
    r.Spouse = ReadText(f.Spouse);
    r.Title = ReadText(f.Title);
    r.Guest_Name = ReadText(f.Guest_Name);
    r.KidsAges = ReadText(f.KidsAges);
    r.KidsMenuItems = ReadText(f.KidsMenuItems);
    r.FirstNameMenu = ReadInt(f.FirstNameMenu);
    r.SpouseMenu = ReadInt(f.SpouseMenu);
    r.GuestMenu = ReadInt(f.GuestMenu);
    r.Num_Kids = ReadInt(f.Num_Kids);
    TTreeNodes* items = TreeView1->Items();
    for (const TPersonLine& p : PeopleOf(r, UseIconsCheckBox->Checked(), [&f](int n) { return f.Menu(n); }))
      items->AddChild(TableNode, p.Text)->SetStateIndex(p.StateIndex);
  } catch (const std::exception&) {
  }
  Application->ProcessMessages();
}

std::string TForm1::GetMenuItemText(int n) { return ReadText(MenuField(Table22, n)).value_or(""); }

// ---------------------------------------------------------------- editing and finding

void TForm1::TreeView1Click(TObject*) {
  TTreeNode* node = TreeView1->Selected();
  if (node && IsTable(node))
    CountLabel->SetCaption(IntToStr(node->Count()) + " Seated");
  else
    CountLabel->SetCaption("");
  NewTableButton->SetEnabled(true);
  NewGuestButton->SetEnabled(true);
}

void TForm1::TreeView1MouseDown(TObject*, TMouseButton Button, TShiftState, int, int) {
  if (Button == mbLeft && TreeView1->Selected() && !TreeBusy()) TreeView1->BeginDrag(false);
}

void TForm1::TreeView1DragOver(TObject*, TObject* Source, int, int Y, TDragState, bool& Accept) {
  Accept = Source == TreeView1;
  if (!Accept) return;
  const int h = 2 * std::abs(TreeView1->Font()->Height());
  int min = 0, max = 0;
  if (!GetScrollRange(TreeView1->Handle(), SB_VERT, &min, &max)) return;
  const int r = min != max ? 16 : 0;
  if (Y < h) TreeView1->Perform(WM_VSCROLL, SB_LINEUP, 0);
  if (Y > TreeView1->Height() - r - h) TreeView1->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
}

void TForm1::TreeView1DragDrop(TObject*, TObject*, int X, int Y) {
  TTreeNode* dragged = TreeView1->Selected();
  if (!dragged || TreeBusy()) return;
  THitTests hit = TreeView1->GetHitTestInfoAt(X, Y);
  TTreeNode* target = TreeView1->DropTarget();
  TDropPlace place = TDropPlace::Elsewhere;
  if (hit.Contains(htOnItem) || hit.Contains(htOnLabel) || hit.Contains(htOnIcon) || hit.Contains(htOnStateIcon))
    place = TDropPlace::OnItem;
  else if (hit.Contains(htNowhere))
    place = TDropPlace::Nowhere;
  else if (hit.Contains(htOnIndent))
    place = TDropPlace::OnIndent;
  TDropMove move = TDropMove::Refuse;
  if (target) {
    bool inside = target == dragged || target->HasAsParent(dragged);
    move = DropRule(place, IsTable(dragged), IsTable(target), inside);
  }
  switch (move) {
    case TDropMove::InsertBefore:
      dragged->MoveTo(target, naInsert);
      break;
    case TDropMove::AddChild:
      dragged->MoveTo(target, naAddChild);
      break;
    case TDropMove::AddLastSibling:
      dragged->MoveTo(target, naAdd);
      break;
    case TDropMove::Refuse:
      MessageBeep(0);
      break;
  }
}

void TForm1::NewTableButtonClick(TObject*) {
  if (TreeBusy()) return;
  if (TableCounter > NewTableLimit) {
    ShowMessage("All Tables Used Up");
    return;
  }
  TreeView1->Items()->Add(nullptr, NewTableText(TableCounter));
  ++TableCounter;
  TreeChanged = true;
}

void TForm1::DeleteItemButtonClick(TObject*) {
  if (TreeBusy()) return;
  TTreeHold hold(*this);
  TTreeNode* node = TreeView1->Selected();
  if (!node) {
    ShowMessage("Nothing To Delete");
    return;
  }
  if (Application->MessageBox("Are You Sure You Want To DELETE The Selected Item?", " WARNING!  WARNING!",
                              MB_OKCANCEL) != IDOK)
    return;
  if (IsTable(node)) --TableCounter;
  node->Delete();
}

void TForm1::KidBitBtnClick(TObject* Sender) {
  if (TreeBusy()) return;
  struct Icon {
    TBitBtn* button;
    bool state;
    int value;
  } const icons[] = {
      {NoneBitBtn, true, siNone},      {CoupleBitBtn, true, siCouple},  {KidBitBtn, true, siChild},
      {FemaleBitBtn, true, siFemale},  {MaleBitBtn, true, siMale},      {GuestBitBtn, true, siGuest},
      {MemberBitBtn, true, siMember},  {HappyBitBtn, true, siHappy},    {CheckMkBitBtn, true, siCheck},
      {DontBitBtn, true, siDont},      {None2BitBtn, false, 0},         {Happy2BitBtn, false, 12},
      {Check2BitBtn, false, 2},        {Dont2BitBtn, false, 3},         {NoSmokeBitBtn, false, 4},
      {WheelChrBitBtn, false, 5},      {HighBitBtn, false, 6},          {AppleBitBtn, false, 7},
      {FishBitBtn, false, 8},          {BirdBitBtn, false, 9},          {FishBirdBitBtn, false, 10},
      {KosherBitBtn, false, 11},
  };
  TTreeNode* node = TreeView1->Selected();
  if (!node) {
    ShowMessage("Please Select A Node");
    return;
  }
  for (const Icon& i : icons) {
    if (i.button != Sender) continue;
    if (i.state)
      node->SetStateIndex(i.value);
    else
      node->SetImageIndex(i.value);
    node->SetFocused(true);
    TreeView1->Repaint();
    // Icons are saved with the tree: without this an icon set just before
    // leaving would be lost without a question.
    TreeChanged = true;
    return;
  }
}

void TForm1::FindFirstBitBtnClick(TObject* Sender) {
  const std::string what = Edit1->Text();
  if (Sender == FindFirstBitBtn)
    FindPosition = 0;
  else
    ++FindPosition;
  TTreeNodes* items = TreeView1->Items();
  // A position past the last node (nodes were deleted since) finds nothing.
  TTreeNode* node = FindPosition >= 0 && FindPosition < items->Count() ? items->Item(FindPosition) : nullptr;
  for (int i = FindPosition; node; node = node->GetNext(), ++i) {
    if (FindMatches(node->Text(), what)) {
      TreeView1->SetSelected(node);
      FindPosition = i;
      return;
    }
  }
  ShowMessage(what + " Not Found");
  FindPosition = 0;
}

}  // namespace ostrel
