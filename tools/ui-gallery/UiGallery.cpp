// A form with the framework's menus, lists, tabs and bars, to look at under
// Xvfb: a main menu with its first menu open, a tab control of tree views, a
// splitter, a page control with a report-style list view, a status bar and a
// pop-up list dropped below an edit. It runs until it is killed.
//
//   Xvfb :57 -screen 0 1024x768x24 & DISPLAY=:57 build/normal/tools/ui-gallery/ui-gallery &
//   DISPLAY=:57 import -window root shot.png
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <string>
#include <tuple>

#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Menus.h"
#include "QtControls.h"
#include "StdCtrls.h"

using namespace fw;

namespace {

TMenuItem* Item(TComponent* owner, TMenuItem* parent, const std::string& caption, TShortCut key = 0) {
  auto* i = new TMenuItem(owner);
  i->SetCaption(caption);
  i->SetShortCut(key);
  parent->Add(i);
  return i;
}

// A list that drops below the edit that is its parent.
class TDropList : public TListBox {
  FW_CLASS(TDropList, TListBox)
public:
  using TListBox::TListBox;

protected:
  void CreateParams(TCreateParams& Params) override {
    TListBox::CreateParams(Params);
    Params.Style |= WS_POPUP | WS_BORDER;
    Params.ExStyle = WS_EX_TOOLWINDOW;
  }
};

FW_IMPLEMENT_CLASS(TDropList)

}  // namespace

int main(int argc, char** argv) {
  SetQtApplicationArguments(argc, argv);
  Application->Initialize();
  TForm* form = nullptr;
  Application->CreateForm(form);
  form->SetCaption("Framework gallery");
  form->SetBounds(60, 40, 760, 520);

  auto* menu = new TMainMenu(form);
  TMenuItem* object = Item(form, menu->Items(), "&Object");
  Item(form, object, "&Open");
  Item(form, object, "&New...", ShortCut('N', {ssCtrl}));
  Item(form, object, "&Delete", ShortCut('D', {ssCtrl}))->SetEnabled(false);
  Item(form, object, "Rena&me", ShortCut('M', {ssCtrl}));
  Item(form, object, "-");
  Item(form, object, "Cance&l", ShortCut(VK_BACK, {ssAlt}));
  Item(form, object, "E&xit");
  TMenuItem* view = Item(form, menu->Items(), "&View");
  for (const char* s : {"Lar&ge Icons", "S&mall Icons", "&List", "&Detail"}) {
    TMenuItem* i = Item(form, view, s);
    i->SetRadioItem(true);
    i->SetGroupIndex(1);
  }
  view->Items(3)->SetChecked(true);
  Item(form, menu->Items(), "&Help");
  form->SetMenu(menu);

  auto* bar = new TPanel(form);
  bar->SetParent(form);
  bar->SetAlign(alTop);
  bar->SetHeight(30);
  auto* edit = new TEdit(form);
  edit->SetParent(bar);
  edit->SetBounds(400, 4, 150, 21);
  edit->SetText("KALMURE");
  auto* combo = new TComboBox(form);
  combo->SetParent(bar);
  combo->SetBounds(570, 4, 150, 21);
  combo->SetStyle(csDropDownList);
  for (const char* s : {"Dirty Read", "Committed Read", "Repeatable Read"}) combo->Items()->Add(s);
  combo->SetItemIndex(1);

  auto* status = new TStatusBar(form);
  status->SetParent(form);
  status->SetSimplePanel(true);
  status->SetSimpleText("4 items in Databases.");

  auto* tabs = new TTabControl(form);
  tabs->SetParent(form);
  tabs->SetAlign(alLeft);
  tabs->SetWidth(220);
  auto* tree = new TTreeView(form);
  tree->SetParent(tabs);
  tree->SetAlign(alClient);
  tabs->Tabs()->AddObject("Databases", tree);
  tabs->Tabs()->Add("Configuration");
  TTreeNode* root = tree->Items()->Add(nullptr, "Databases");
  for (const char* s : {"SAMPLES", "GUESTS", "LOCALDB", "Seating"}) tree->Items()->AddChild(root, s);
  TTreeNode* cfg = tree->Items()->Add(nullptr, "Configuration");
  tree->Items()->AddChild(cfg, "Drivers");
  tree->Items()->AddChild(cfg, "System");
  root->Expand(false);
  tree->SetSelected(root);

  auto* splitter = new TSplitter(form);
  splitter->SetParent(form);
  splitter->SetLeft(230);
  splitter->SetAlign(alLeft);

  auto* pages = new TPageControl(form);
  pages->SetParent(form);
  pages->SetAlign(alClient);
  TTabSheet* definition = nullptr;
  TTabSheet* summary = nullptr;
  for (const char* s : {"Definition", "Summary", "Text"}) {
    auto* p = new TTabSheet(form);
    p->SetCaption(s);
    p->SetPageControl(pages);
    if (!definition) definition = p;
    else if (!summary) summary = p;
  }
  auto* list = new TListView(form);
  list->SetParent(summary);
  list->SetAlign(alClient);
  list->SetViewStyle(vsReport);
  for (auto [caption, width] : {std::pair{"Name", 120}, {"Type", 90}, {"Path", 200}}) {
    TListColumn* c = list->Columns()->Add();
    c->SetCaption(caption);
    c->SetWidth(width);
  }
  list->Items()->BeginUpdate();
  for (auto [name, type, path] : {std::tuple{"SAMPLES", "STANDARD", "/data/demos"}, {"GUESTS", "STANDARD", "/data/guests"},
                                  {"LOCALDB", "CORVANE", "/data/local.gdb"}, {"Seating", "STANDARD", "/home/seating"}}) {
    TListItem* i = list->Items()->Add();
    i->SetCaption(name);
    i->SubItems()->Add(type);
    i->SubItems()->Add(path);
  }
  list->Items()->EndUpdate();
  list->Items()->Item(1)->SetSelected(true);
  pages->SetActivePage(summary);

  auto* drop = new TDropList(edit);
  drop->SetVisible(false);
  drop->SetParent(edit);
  for (const char* s : {"ASCIIDRV", "ZENTOR", "KALMURE", "MSACCESS", "ODBC"}) drop->Items()->Add(s);
  drop->SetItemIndex(2);

  form->Show();
  list->SetFocus();
  // Once the window is up: drop the list, then open the first menu.
  QTimer::singleShot(300, [&] {
    TPoint p = edit->ClientToScreen({-2, edit->Height() - 2});
    SetWindowPos(drop->Handle(), HWND_TOPMOST, p.X, p.Y, edit->Width(), 5 * drop->ItemHeight() + 2,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
    QMenuBar* menuBar = WidgetOf(form)->findChild<QMenuBar*>();
    if (QMenu* m = menuBar ? menuBar->actions().value(0)->menu() : nullptr)
      m->popup(menuBar->mapToGlobal(menuBar->actionGeometry(menuBar->actions().value(0)).bottomLeft()));
  });
  Application->Run();
  return 0;
}
