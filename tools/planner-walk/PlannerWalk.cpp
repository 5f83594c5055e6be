// Walks the seating planner as a user would, on a real display (run it under
// Xvfb from a folder that holds the sample tables): starts the program's
// forms, ticks "Use Icons", presses Create and answers the notice, opens two
// tables, drags a person to another table and a table before another, picks
// an icon, and writes a screenshot of the main window after each step into
// the folder given. The tree is printed at the end.
//
//   cd build/normal/sample-data &&
//   xvfb-run -a -s "-screen 0 1280x1024x24" ../tools/planner-walk/planner-walk ../walk
#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <filesystem>
#include <string>

#include "Abort.h"
#include "Files.h"
#include "Forms.h"
#include "NewData.h"
#include "QtControls.h"
#include "Seating.h"
#include "Unit3.h"

using namespace fw;
using namespace ostrel;

namespace {

std::string outDir;

void Pump(int ms = 150) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) Application->ProcessMessages();
}

void Shot(const char* name) {
  Pump();
  QWidget* w = WidgetOf(Form1)->window();
  std::string file = outDir + "/" + name + ".png";
  // The whole screen area of the window, frame and any box on top of it included.
  QPixmap p = w->screen()->grabWindow(0, w->frameGeometry().x(), w->frameGeometry().y(),
                                      w->frameGeometry().width(), w->frameGeometry().height());
  if (p.isNull() || p.save(QString::fromStdString(file)) == false) std::fprintf(stderr, "could not write %s\n", file.c_str());
  std::printf("screenshot %s\n", file.c_str());
}

// Presses the given button of the message box that is up next, after a look at it.
void AnswerNextBox(QMessageBox::StandardButton button, const char* shot) {
  QTimer::singleShot(400, [button, shot] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) {
      std::fprintf(stderr, "no message box\n");
      return;
    }
    std::printf("box: %s\n", box->text().toStdString().c_str());
    if (shot) {
      QPixmap p = box->screen()->grabWindow(0, box->frameGeometry().x(), box->frameGeometry().y(),
                                            box->frameGeometry().width(), box->frameGeometry().height());
      p.save(QString::fromStdString(outDir + "/" + shot + ".png"));
    }
    if (QAbstractButton* b = box->button(button)) b->click();
  });
}

void Mouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
  Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
  Pump(30);
}

void Click(TControl* c) {
  QWidget* w = WidgetOf(c);
  QPoint mid(w->width() / 2, w->height() / 2);
  Mouse(w, QEvent::MouseButtonPress, mid, Qt::LeftButton);
  Mouse(w, QEvent::MouseButtonRelease, mid, Qt::NoButton);
}

QWidget* TreeViewport() {
  auto* area = dynamic_cast<QAbstractScrollArea*>(WidgetOf(Form1->TreeView1));
  return area ? area->viewport() : WidgetOf(Form1->TreeView1);
}

TTreeNode* Node(const std::string& text) {
  for (TTreeNode* n = Form1->TreeView1->Items()->GetFirstNode(); n; n = n->GetNext())
    if (n->Text() == text) return n;
  std::fprintf(stderr, "no node %s\n", text.c_str());
  std::exit(1);
}

QPoint LabelOf(TTreeNode* n) {
  TRect r = n->DisplayRect(true);
  return QPoint(r.Left + 8, (r.Top + r.Bottom) / 2);
}

// A click on the expand button of a table.
void Open(const std::string& table) {
  TTreeNode* n = Node(table);
  TRect r = n->DisplayRect(true);
  QPoint button(Form1->TreeView1->Indent() / 2, (r.Top + r.Bottom) / 2);
  Mouse(TreeViewport(), QEvent::MouseButtonPress, button, Qt::LeftButton);
  Mouse(TreeViewport(), QEvent::MouseButtonRelease, button, Qt::NoButton);
}

// Presses on one node's label, moves in steps to the other's and lets go.
void Drag(const std::string& from, const std::string& to) {
  QWidget* vp = TreeViewport();
  QPoint a = LabelOf(Node(from));
  Mouse(vp, QEvent::MouseButtonPress, a, Qt::LeftButton);
  QPoint b = LabelOf(Node(to));
  for (int i = 1; i <= 10; ++i) Mouse(vp, QEvent::MouseMove, a + (b - a) * i / 10, Qt::LeftButton);
  Mouse(vp, QEvent::MouseButtonRelease, b, Qt::NoButton);
  std::printf("dragged %s onto %s\n", from.c_str(), to.c_str());
}

// The user's steps, run from the program's own message loop.
void Walk() {
  Shot("1-start");

  Click(Form1->UseIconsCheckBox);
  AnswerNextBox(QMessageBox::Ok, "2-notice");
  Click(Form1->CreateButton);
  Shot("3-created");

  Open("Table # 1");
  Open("Table # 2");
  Shot("4-opened");

  Drag("Ann Lee", "Table # 2");
  Shot("5-dragged-person");
  Drag("Table # 10", "Table # 0");
  Shot("6-dragged-table");

  TTreeNode* margaret = Node("Margaret Lee - Chicken");
  Mouse(TreeViewport(), QEvent::MouseButtonPress, LabelOf(margaret), Qt::LeftButton);
  Mouse(TreeViewport(), QEvent::MouseButtonRelease, LabelOf(margaret), Qt::NoButton);
  Click(Form1->AppleBitBtn);
  TTreeNode* table = Node("Table # 2");
  Mouse(TreeViewport(), QEvent::MouseButtonPress, LabelOf(table), Qt::LeftButton);
  Mouse(TreeViewport(), QEvent::MouseButtonRelease, LabelOf(table), Qt::NoButton);
  Shot("7-table-count");

  for (TTreeNode* n = Form1->TreeView1->Items()->GetFirstNode(); n; n = n->GetNext())
    std::printf("%*s%s [state %d, icon %d]\n", 2 * n->Level(), "", n->Text().c_str(), n->StateIndex(), n->ImageIndex());
  std::printf("count label: %s\n", Form1->CountLabel->Caption().c_str());

  AnswerNextBox(QMessageBox::No, "8-close-question");
  Click(Form1->ExitButton);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: planner-walk OUTDIR (from a folder with the sample tables)\n");
    return 2;
  }
  outDir = argv[1];
  std::filesystem::create_directories(outDir);
  SetCommandLine(argc, argv);
  Application->Initialize();
  Application->SetTitle("Velloria Seating");
  Application->SetHelpFile("Seating.hlp");
  Application->CreateForm(Form1);
  Application->CreateForm(AbortPrinting);
  Application->CreateForm(Form3);
  Application->CreateForm(NewDataForm);
  QTimer::singleShot(500, Walk);
  Application->Run();
  std::printf("the message loop has ended\n");
  return 0;
}
