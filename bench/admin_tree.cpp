// The explorer window's trees against a QTreeWidget: a root of 5,000
// objects (50 groups of 100, three classes with icons of their own, every
// tenth object with pending edits and so a state image) bound to the
// window, which builds the nodes, and one screenful painted; then 1,000
// renames that move nodes to their new sorted places. The peer builds the
// same items with the same icons and moves them the same way. Each figure
// is the best of five rounds, on Qt's offscreen platform.
#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "DbXUnits.h"
#include "Dbexplfm.h"
#include "QtControls.h"
#include "widget_bench.h"
#include "Resources.h"

using namespace fw;
using namespace bench;
using namespace dbx;

namespace {

constexpr int Groups = 50;
constexpr int PerGroup = 100;
constexpr int Renames = 1000;
constexpr int Rounds = 5;

std::string LeafName(int i) {
  char name[16];
  std::snprintf(name, sizeof name, "t%03d", i);
  return name;
}

// The new name of rename n, in group n % Groups: the leaf that sorts first
// there goes to the end, so every rename moves a node the whole way.
std::string NewName(int n) {
  char name[16];
  std::snprintf(name, sizeof name, "u%04d", n);
  return name;
}

constexpr std::uint16_t kOperations = opRefresh | opNew | opDelete | opModify | opRename | opApply | opCancel;

class TBenchNode : public TExploreObject {
  FW_CLASS(TBenchNode, TExploreObject)
protected:
  void Init(TExploreObject* parent) override {
    TExploreObject::Init(parent);
    SetAttributes(kOperations);
  }
};

class TBenchTable : public TBenchNode {
  FW_CLASS(TBenchTable, TBenchNode)
};

class TBenchView : public TBenchNode {
  FW_CLASS(TBenchView, TBenchNode)
};

class TBenchGroup : public TBenchNode {
  FW_CLASS(TBenchGroup, TBenchNode)
public:
  void LoadChildren() override {
    for (int i = 0; i < PerGroup; ++i) {
      TExploreObject* leaf = i % 3 == 0 ? static_cast<TExploreObject*>(Create<TBenchView>(this))
                                        : static_cast<TExploreObject*>(Create<TBenchTable>(this));
      leaf->SetName(LeafName(i));
    }
  }
};

class TBenchTop : public TBenchNode {
  FW_CLASS(TBenchTop, TBenchNode)
public:
  void LoadChildren() override {
    for (int g = 0; g < Groups; ++g) {
      char name[16];
      std::snprintf(name, sizeof name, "g%02d", g);
      Create<TBenchGroup>(this)->SetName(name);
    }
  }

protected:
  void Init(TExploreObject* parent) override {
    TBenchNode::Init(parent);
    SetName("Catalogue");
  }
};

class TBenchRoot : public TDbXForm {
  FW_CLASS(TBenchRoot, TDbXForm)
};

FW_IMPLEMENT_CLASS(TBenchNode)
FW_IMPLEMENT_CLASS(TBenchTable)
FW_IMPLEMENT_CLASS(TBenchView)
FW_IMPLEMENT_CLASS(TBenchGroup)
FW_IMPLEMENT_CLASS(TBenchTop)
FW_IMPLEMENT_CLASS(TBenchRoot)

struct Times {
  double build = 1e9, renames = 1e9;
  void Keep(double b, double r) {
    build = std::min(build, b);
    renames = std::min(renames, r);
  }
  double Total() const { return build + renames; }
};

void Window(Times& t) {
  TBenchRoot* root = TExploreObject::Create<TBenchRoot>(nullptr);
  TExploreObject* top = root->Children().GetItem(0);
  top->Children().Load();
  std::vector<TExploreObject*> groups;
  for (int g = 0; g < Groups; ++g) {
    TExploreObject* group = top->Children().GetItem(g);
    group->Children().Load();
    groups.push_back(group);
    for (int i = 0; i < PerGroup; i += 10) {
      TExploreObject* leaf = group->Children().GetItem(i);
      leaf->Edit();
      leaf->EndEdit();
    }
  }
  std::unique_ptr<TDbExplorerForm> form(NewForm<TDbExplorerForm>(nullptr));
  form->SetBounds(0, 0, 640, 480);
  form->Show();
  Application->ProcessMessages();

  auto start = Clock::now();
  root->SetForm(form.get());
  TTreeView* tree = form->CurrentTree();
  for (TExploreObject* group : groups) group->TreeNode->Expand(false);
  PaintOnce(WidgetOf(tree));
  double build = Millis(start);
  if (tree->Items()->Count() != 1 + Groups + Groups * PerGroup) {
    std::fprintf(stderr, "admin_tree: %d nodes bound\n", tree->Items()->Count());
    std::exit(1);
  }

  start = Clock::now();
  for (int n = 0; n < Renames; ++n) {
    TExploreObject* group = groups[static_cast<std::size_t>(n % Groups)];
    group->Children().GetItem(0)->SetName(NewName(n));
  }
  PaintOnce(WidgetOf(tree));
  double renames = Millis(start);
  t.Keep(build, renames);
  TTreeNode* last = groups.back()->TreeNode->GetLastChild();
  if (last->Text() != NewName(Renames - 1) || groups.back()->Children().Item(PerGroup - 1) != last->Data()) {
    std::fprintf(stderr, "admin_tree: the renamed nodes are not in their places\n");
    std::exit(1);
  }

  form.reset();
  root->Release(lsReleased);
}

QIcon IconOf(const char* resource) {
  TResourceData d = FindResourceData(resource);
  QImage image;
  image.loadFromData(d.Data, static_cast<int>(d.Size));
  return QIcon(QPixmap::fromImage(image));
}

void Peer(QWidget* parent, Times& t) {
  QIcon folder = IconOf("DBX_EXPLOREOBJECT"), db = IconOf("DBX_BENCHGROUP");
  QIcon table = IconOf("DBX_BENCHTABLE"), view = IconOf("DBX_BENCHVIEW");
  QIcon pending = IconOf("DBX_BENCHSTATE");
  auto* tw = new QTreeWidget(parent);
  tw->setGeometry(0, 0, 640, 480);
  tw->setHeaderHidden(true);
  tw->show();
  auto start = Clock::now();
  auto* top = new QTreeWidgetItem(QStringList{"Catalogue"});
  top->setIcon(0, folder);
  std::vector<QTreeWidgetItem*> groups;
  for (int g = 0; g < Groups; ++g) {
    char name[16];
    std::snprintf(name, sizeof name, "g%02d", g);
    auto* group = new QTreeWidgetItem(top, QStringList{name});
    group->setIcon(0, db);
    for (int i = 0; i < PerGroup; ++i) {
      auto* leaf = new QTreeWidgetItem(group, QStringList{ToQString(LeafName(i))});
      leaf->setIcon(0, i % 10 == 0 ? pending : i % 3 == 0 ? view : table);
    }
    groups.push_back(group);
  }
  tw->addTopLevelItem(top);
  top->setExpanded(true);
  for (QTreeWidgetItem* g : groups) g->setExpanded(true);
  PaintOnce(tw);
  double build = Millis(start);

  start = Clock::now();
  for (int n = 0; n < Renames; ++n) {
    QTreeWidgetItem* group = groups[static_cast<std::size_t>(n % Groups)];
    QTreeWidgetItem* item = group->child(0);
    QString name = ToQString(NewName(n));
    item->setText(0, name);
    group->takeChild(0);
    int at = group->childCount();
    while (at > 0 && group->child(at - 1)->text(0) > name) --at;
    group->insertChild(at, item);
  }
  PaintOnce(tw);
  double renames = Millis(start);
  t.Keep(build, renames);
  delete tw;
}

}  // namespace

int main() {
  StartWidgets();
  StartModelUnits();
  RegisterDbXRootClass(ExploreClassOf<TBenchTop>());
  QWidget peers;
  peers.setGeometry(0, 0, 640, 480);
  peers.show();
  Application->ProcessMessages();

  Times window, peer;
  for (int round = 0; round < Rounds; ++round) {
    Window(window);
    Peer(&peers, peer);
    Application->ProcessMessages();
  }
  Print("window_bind_5000", window.build, "ms");
  Print("window_renames_1000", window.renames, "ms");
  Print("qtreewidget_fill_5000", peer.build, "ms");
  Print("qtreewidget_renames_1000", peer.renames, "ms");
  Print("bind_vs_qtreewidget_ratio", window.build / peer.build, "x");
  Print("renames_vs_qtreewidget_ratio", window.renames / peer.renames, "x");
  Print("window_vs_qtreewidget_ratio", window.Total() / peer.Total(), "x");
  StopModelUnits();
  return 0;
}
