// Walks the administrator's main window as a user would, on a real display
// (run it under Xvfb from the build's bin folder, where the engine lies): a
// window bound to a demonstration root, where it makes an alias with Ctrl+N
// and names it in place, renames one with F2 and applies with Ctrl+A,
// deletes one with Ctrl+D and applies it, answering the question, tries a
// taken name, copies an alias with Save As, drags a column onto another
// table and runs an action from the popup menu. A screenshot of the screen
// goes into the folder given after each step; the tree is printed at the end.
//
//   Xvfb :58 -screen 0 1024x768x24 & cd build/normal/bin &&
//   DISPLAY=:58 ../tools/admin-walk/admin-walk ../walk
#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "DbXUnits.h"
#include "Dbexplfm.h"
#include "Dialogs.h"
#include "Expldb.h"
#include "Files.h"
#include "Format.h"
#include "NewAlias.h"
#include "QtControls.h"
#include "SaveAs.h"

using namespace fw;
using namespace dbx;

namespace {

constexpr std::uint16_t kOperations = opRefresh | opNew | opDelete | opModify | opRename | opApply | opCancel;

// ---------------------------------------------------------------- the demonstration root

class TWalkNode : public TExploreObject {
  FW_CLASS(TWalkNode, TExploreObject)
public:
  std::vector<std::string> names;
  TExploreClass childClass;
  std::uint16_t operations = kOperations;
  int kind = okNone;
  std::uint8_t childKinds = 0;
  int GetKind() override { return kind; }
  std::uint8_t AllowedChildKinds(TExploreObject*) override { return childKinds; }
  void LoadChildren() override {
    for (const std::string& name : names) childClass.Create(this)->SetName(name);
    Children().Sort();
  }
  void DoCreate(TExploreObject*& result, const std::string& parameter) override {
    result = childClass.Create(this);
    TExploreObject::DoCreate(result, parameter);
  }
  // A copy of the source, left in its edit for the namer to end.
  void DoCreateChild(TExploreObject*& result, TExploreObject* source, int) override {
    result = source->ClassType() == childClass.Class ? childClass.Create(this) : Create<TWalkNode>(this);
    result->SetName(source->Name());
    TExploreObject::DoCreate(result, "");
    result->Release(lsIdle);
    result->Lock(lsEditing);
  }

protected:
  void Init(TExploreObject* parent) override {
    TExploreObject::Init(parent);
    SetAttributes(operations);
  }
};

class TWalkColumn : public TWalkNode {
  FW_CLASS(TWalkColumn, TWalkNode)
protected:
  void Init(TExploreObject* parent) override {
    kind = okColumn;
    TWalkNode::Init(parent);
  }
};

// A table takes columns: copies (kind 0) and, from its own, moves (kind 1).
class TWalkTable : public TWalkNode {
  FW_CLASS(TWalkTable, TWalkNode)
protected:
  void Init(TExploreObject* parent) override {
    kind = okDataset;
    childKinds = 3;
    childClass = ExploreClassOf<TWalkColumn>();
    TWalkNode::Init(parent);
  }
  void LoadChildren() override {
    names = Name() == "Guests" ? std::vector<std::string>{"ID", "Name", "Table"}
                               : std::vector<std::string>{"ID", "Date", "Place"};
    TWalkNode::LoadChildren();
  }
};

class TWalkDb : public TWalkNode {
  FW_CLASS(TWalkDb, TWalkNode)
public:
  void LoadProperties() override {
    auto editable = static_cast<std::uint16_t>(TEPropertyAttributes(paEditable).ToBits());
    TEProperties& p = Properties();
    p.Add<TEProperty>("TYPE", "Type", 2, ftString)->StoreValue(Variant(std::string("STANDARD")));
    TEProperty* path = p.Add<TEProperty>("PATH", "Path", 2, ftString);
    path->SetAttributeWord(editable);
    path->StoreValue(Variant("/home/guest/" + Name()));
  }

protected:
  void Init(TExploreObject* parent) override {
    kind = okDatabase;
    names = {"Guests", "Events"};
    childClass = ExploreClassOf<TWalkTable>();
    TWalkNode::Init(parent);
  }
};

// "Databases" itself, so that New asks for the driver of an alias.
class TWalkDatabases : public TDatabases {
  FW_CLASS(TWalkDatabases, TDatabases)
public:
  void LoadChildren() override {
    for (const char* name : {"SEATING", "GUESTS", "SAMPLES", "Zürich Übersicht"})
      Create<TWalkDb>(this)->SetName(name);
    Children().Sort();
  }
  std::uint8_t AllowedChildKinds(TExploreObject*) override { return 1; }
  void DoCreate(TExploreObject*& result, const std::string& parameter) override {
    result = Create<TWalkDb>(this);
    TExploreObject::DoCreate(result, parameter);
  }
  void DoCreateChild(TExploreObject*& result, TExploreObject* source, int) override {
    result = Create<TWalkDb>(this);
    result->SetName(source->Name());
    TExploreObject::DoCreate(result, "");
    result->Release(lsIdle);
    result->Lock(lsEditing);
  }

protected:
  void Init(TExploreObject* parent) override {
    TDatabases::Init(parent);
    SetAttributes(opNew | opApply | opCancel | opRefresh);
  }
};

class TWalkRoot : public TDbXForm {
  FW_CLASS(TWalkRoot, TDbXForm)
};

// An action of tables: tells what it found.
class TCheckTable : public TEAction {
  FW_CLASS(TCheckTable, TEAction)
public:
  TCheckTable() : TEAction("Check Table") {}
  int GetState(TExploreObject& object) override { return object.GetKind() == okDataset ? asEnabled : asHidden; }
  void Execute(TExploreObject& object) override {
    object.Children().Load();
    MessageDlg(Format("Table %s: %d columns, no faults found.", {object.Name(), object.Children().Count()}),
               mtInformation, {mbOK}, 0);
  }
};

FW_IMPLEMENT_CLASS(TWalkNode)
FW_IMPLEMENT_CLASS(TWalkColumn)
FW_IMPLEMENT_CLASS(TWalkTable)
FW_IMPLEMENT_CLASS(TWalkDb)
FW_IMPLEMENT_CLASS(TWalkDatabases)
FW_IMPLEMENT_CLASS(TWalkRoot)
FW_IMPLEMENT_CLASS(TCheckTable)

// ---------------------------------------------------------------- the user

std::string outDir;
TDbExplorerForm* form = nullptr;
int shots = 0;

void Pump(int ms = 200) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) Application->ProcessMessages();
}

void Shot(const std::string& name) {
  Pump();
  char number[16];
  std::snprintf(number, sizeof number, "%02d-", ++shots);
  std::string file = outDir + "/" + number + name + ".png";
  QPixmap p = QGuiApplication::primaryScreen()->grabWindow(0);
  if (p.isNull() || !p.save(QString::fromStdString(file))) std::fprintf(stderr, "could not write %s\n", file.c_str());
  std::printf("screenshot %s\n", file.c_str());
}

// A key as the keyboard gives it to the widget that has the focus.
void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QWidget* w = QApplication::focusWidget();
  if (!w) w = WidgetOf(form);
  QKeyEvent press(QEvent::KeyPress, key, mods);
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, mods);
  QApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : w, &release);
  Pump(100);
}

// Runs step on whatever is shown once a modal loop has started.
void Later(std::function<void()> step, int ms = 500) { QTimer::singleShot(ms, std::move(step)); }

// Takes a look at the message box up next, then presses the button.
void AnswerBox(QMessageBox::StandardButton button, const std::string& shot) {
  Later([button, shot] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) {
      std::fprintf(stderr, "no message box\n");
      return;
    }
    std::printf("box: %s\n", box->text().toStdString().c_str());
    Shot(shot);
    if (QAbstractButton* b = box->button(button)) b->click();
  });
}

template <class F>
F* Showing() {
  for (int i = 0; i < Screen->FormCount(); ++i)
    if (auto* f = dynamic_cast<F*>(Screen->Forms(i)); f && f->Visible()) return f;
  return nullptr;
}

QWidget* TreeViewport() {
  auto* area = dynamic_cast<QAbstractScrollArea*>(WidgetOf(form->CurrentTree()));
  return area ? area->viewport() : WidgetOf(form->CurrentTree());
}

// The node of that text, below the one of the parent's text when one is given.
TTreeNode* Node(const std::string& text, const std::string& parent = "") {
  for (TTreeNode* n = form->CurrentTree()->Items()->GetFirstNode(); n; n = n->GetNext())
    if (n->Text() == text && (parent.empty() || (n->Parent() && n->Parent()->Text() == parent))) return n;
  std::fprintf(stderr, "no node %s\n", text.c_str());
  std::exit(1);
}

QPoint LabelOf(TTreeNode* n) {
  n->MakeVisible();
  Pump(50);
  TRect r = n->DisplayRect(true);
  return QPoint(r.Left + 8, (r.Top + r.Bottom) / 2);
}

void Mouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
  // The pointer too, where a press starts a drag or a popup; moved later, the
  // window system would report a move without the button held.
  if (type == QEvent::MouseButtonPress) {
    QCursor::setPos(w->mapToGlobal(pos));
    Pump(20);
  }
  QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
  Pump(30);
}

void ClickNode(const std::string& text, Qt::MouseButton button = Qt::LeftButton, const std::string& parent = "") {
  QPoint at = LabelOf(Node(text, parent));
  Mouse(TreeViewport(), QEvent::MouseButtonPress, at, button, button);
  Mouse(TreeViewport(), QEvent::MouseButtonRelease, at, button, Qt::NoButton);
  Pump(100);
}

// Types into the in-place editor of the tree.
void TypeInPlace(const std::string& text) {
  QLineEdit* editor = nullptr;
  for (QLineEdit* e : WidgetOf(form->CurrentTree())->findChildren<QLineEdit*>())
    if (e->isVisible()) editor = e;
  if (!editor) {
    std::fprintf(stderr, "no edit in place\n");
    return;
  }
  editor->setText(QString::fromStdString(text));
  Pump(100);
}

// Enter in the in-place editor.
void EnterInPlace() {
  for (QLineEdit* e : WidgetOf(form->CurrentTree())->findChildren<QLineEdit*>())
    if (e->isVisible()) {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
      QApplication::sendEvent(e, &press);
    }
  Pump(100);
}

void Drag(TTreeNode* from, TTreeNode* to) {
  QWidget* vp = TreeViewport();
  QPoint a = LabelOf(from);
  QPoint b = LabelOf(to);
  Mouse(vp, QEvent::MouseButtonPress, a, Qt::LeftButton, Qt::LeftButton);
  for (int i = 1; i <= 10; ++i) Mouse(vp, QEvent::MouseMove, a + (b - a) * i / 10, Qt::NoButton, Qt::LeftButton);
  Shot("drag-over-" + to->Text());
  Mouse(vp, QEvent::MouseButtonRelease, b, Qt::LeftButton, Qt::NoButton);
  std::printf("dragged %s onto %s\n", from->Text().c_str(), to->Text().c_str());
}

void PrintTree() {
  for (TTreeNode* n = form->CurrentTree()->Items()->GetFirstNode(); n; n = n->GetNext())
    std::printf("%*s%s [state %d]\n", 2 * n->Level(), "", n->Text().c_str(), n->StateIndex());
  std::printf("status: %s\n", form->StatusBar->SimpleText().c_str());
}

void Walk() {
  Shot("start");

  // A new alias: the driver, then its name in place.
  ClickNode("Databases");
  Later([] {
    if (TNewAliasForm* dialog = Showing<TNewAliasForm>()) {
      Shot("new-alias-dialog");
      dialog->OKBtn->Click();
    }
  });
  Key(Qt::Key_N, Qt::ControlModifier);
  Shot("new-alias-named-in-place");
  TypeInPlace("Hochzeit Müller");
  Shot("new-alias-typing");
  EnterInPlace();
  Shot("new-alias-named");

  // A rename with F2, applied with Ctrl+A (confirmed).
  ClickNode("SAMPLES");
  Key(Qt::Key_F2);
  TypeInPlace("SAMPLES 2026");
  EnterInPlace();
  Shot("renamed-pending");
  AnswerBox(QMessageBox::Ok, "apply-question");
  Key(Qt::Key_A, Qt::ControlModifier);
  Shot("renamed-applied");

  // A taken name: the error, and the old name stays.
  ClickNode("SEATING");
  Key(Qt::Key_F2);
  TypeInPlace("GUESTS");
  AnswerBox(QMessageBox::Ok, "taken-name-error");
  EnterInPlace();
  Shot("taken-name-kept");

  // A deletion, pending until applied with the question answered.
  ClickNode("GUESTS");
  Key(Qt::Key_D, Qt::ControlModifier);
  Shot("deleted-pending");
  AnswerBox(QMessageBox::Ok, "delete-question");
  Key(Qt::Key_A, Qt::ControlModifier);
  Shot("deleted-applied");

  // Save As under a new name: a copy, applied.
  ClickNode("SEATING");
  Later([] {
    if (TSaveAsForm* dialog = Showing<TSaveAsForm>()) {
      dialog->SaveName->SetText("SEATING Kopie");
      Shot("save-as-dialog");
      dialog->OKBtn->Click();
    }
  });
  Key(Qt::Key_S, Qt::ControlModifier);
  Shot("saved-as");

  // A column of one table dragged onto another table.
  ClickNode("SEATING");
  Node("SEATING")->Expand(false);
  Pump();
  Node("Guests", "SEATING")->Expand(false);
  Node("Events", "SEATING")->Expand(false);
  Pump();
  Shot("tables-open");
  Drag(Node("Name", "Guests"), Node("Events", "SEATING"));
  Shot("dropped");

  // The popup of a table with its action.
  ClickNode("Guests", Qt::RightButton, "SEATING");
  Shot("popup");
  for (int i = 0; i < form->BasePopupMenu->Items()->Count(); ++i) {
    TMenuItem* item = form->BasePopupMenu->Items()->Items(i);
    if (item->Caption() != "Check Table") continue;
    if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    AnswerBox(QMessageBox::Ok, "action-message");
    item->Click();
  }
  Shot("after-action");
  PrintTree();

  AnswerBox(QMessageBox::No, "close-question");
  form->Close();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: admin-walk OUTDIR (from the folder of the engine)\n");
    return 2;
  }
  outDir = argv[1];
  std::filesystem::create_directories(outDir);
  SetCommandLine(argc, argv);
  Application->Initialize();
  StartModelUnits();
  RegisterDbXRootClass(ExploreClassOf<TWalkDatabases>());
  RegisterAction<TCheckTable>();
  TWalkRoot* root = TExploreObject::Create<TWalkRoot>(nullptr);
  Application->CreateForm(form);
  form->SetCaption("Nubo Administrator  (walk)");
  root->SetForm(form);
  form->SetBounds(40, 30, 760, 520);
  form->Show();
  WidgetOf(form)->activateWindow();
  QTimer::singleShot(500, Walk);
  auto alive = form->LifeToken();
  Application->Run();
  if (*alive) delete form;
  root->Release(lsReleased);
  StopModelUnits();
  std::printf("the message loop has ended\n");
  return 0;
}
