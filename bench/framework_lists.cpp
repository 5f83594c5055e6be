// The framework's lists against Qt's own widgets: a report-style TListView
// of three columns against a QTreeWidget, and an owner-drawn TListBox
// against a QListWidget, each filled with 10,000 rows (the framework's
// inside BeginUpdate/EndUpdate) and one screenful painted, on Qt's offscreen
// platform. Each figure is the best of seven rounds, the framework and Qt
// taken alternately.
#include <QApplication>
#include <QHeaderView>
#include <QListWidget>
#include <QPixmap>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "ComCtrls.h"
#include "Forms.h"
#include "QtControls.h"
#include "widget_bench.h"
#include "StdCtrls.h"

using namespace fw;
using namespace bench;

namespace {

constexpr int Rows = 10000;
constexpr int Rounds = 7;
constexpr int Width = 640, Height = 480;

std::string Caption(int i) { return "Guest number " + std::to_string(i); }
std::string Size(int i) { return std::to_string(i * 37 % 10007); }
std::string Kind(int i) { return i % 3 ? "Adult" : "Child"; }

struct Times {
  double fill = 1e9, paint = 1e9;
  void Keep(double f, double p) {
    fill = std::min(fill, f);
    paint = std::min(paint, p);
  }
  double Total() const { return fill + paint; }
};

void ListView(TForm* form, Times& t) {
  auto* lv = new TListView(form);
  lv->SetViewStyle(vsReport);
  lv->SetAlign(alClient);
  for (auto [caption, width] : {std::pair{"Name", 300}, {"Size", 100}, {"Kind", 120}}) {
    TListColumn* c = lv->Columns()->Add();
    c->SetCaption(caption);
    c->SetWidth(width);
  }
  lv->SetParent(form);
  auto start = Clock::now();
  lv->Items()->BeginUpdate();
  for (int i = 0; i < Rows; ++i) {
    TListItem* item = lv->Items()->Add();
    item->SetCaption(Caption(i));
    item->SubItems()->Add(Size(i));
    item->SubItems()->Add(Kind(i));
  }
  lv->Items()->EndUpdate();
  double fill = Millis(start);
  start = Clock::now();
  PaintOnce(WidgetOf(lv));
  t.Keep(fill, Millis(start));
  delete lv;
}

void TreeWidget(QWidget* parent, Times& t) {
  auto* tw = new QTreeWidget(parent);
  tw->setGeometry(0, 0, Width, Height);
  tw->setRootIsDecorated(false);
  tw->setUniformRowHeights(true);
  tw->setHeaderLabels({"Name", "Size", "Kind"});
  tw->header()->resizeSection(0, 300);
  tw->header()->resizeSection(1, 100);
  tw->header()->resizeSection(2, 120);
  tw->show();
  auto start = Clock::now();
  QList<QTreeWidgetItem*> items;
  items.reserve(Rows);
  for (int i = 0; i < Rows; ++i)
    items.append(new QTreeWidgetItem(QStringList{ToQString(Caption(i)), ToQString(Size(i)), ToQString(Kind(i))}));
  tw->addTopLevelItems(items);
  double fill = Millis(start);
  start = Clock::now();
  PaintOnce(tw);
  t.Keep(fill, Millis(start));
  delete tw;
}

void ListBox(TForm* form, Times& t) {
  auto* lb = new TListBox(form);
  lb->SetStyle(lbOwnerDrawFixed);
  lb->SetItemHeight(16);
  lb->SetAlign(alClient);
  lb->SetParent(form);
  lb->OnDrawItem = [lb](TWinControl*, int index, TRect r, TOwnerDrawState) {
    TCanvas* c = lb->Canvas();
    c->FillRect(r);
    c->TextOut(r.Left + 2, r.Top + 1, lb->Items()->Strings(index));
  };
  auto start = Clock::now();
  lb->Items()->BeginUpdate();
  for (int i = 0; i < Rows; ++i) lb->Items()->Add(Caption(i));
  lb->Items()->EndUpdate();
  double fill = Millis(start);
  start = Clock::now();
  PaintOnce(WidgetOf(lb));
  t.Keep(fill, Millis(start));
  delete lb;
}

void ListWidget(QWidget* parent, Times& t) {
  auto* lw = new QListWidget(parent);
  lw->setGeometry(0, 0, Width, Height);
  lw->setUniformItemSizes(true);
  lw->show();
  auto start = Clock::now();
  QStringList lines;
  lines.reserve(Rows);
  for (int i = 0; i < Rows; ++i) lines.append(ToQString(Caption(i)));
  lw->addItems(lines);
  double fill = Millis(start);
  start = Clock::now();
  PaintOnce(lw);
  t.Keep(fill, Millis(start));
  delete lw;
}

}  // namespace

int main() {
  StartWidgets();
  auto form = std::make_unique<TForm>(nullptr);
  form->SetBounds(0, 0, Width, Height);
  form->SetBorderStyle(bsNone);
  form->Show();
  QWidget peers;
  peers.setGeometry(0, 0, Width, Height);
  peers.show();
  Application->ProcessMessages();

  Times listView, treeWidget, listBox, listWidget;
  for (int round = 0; round < Rounds; ++round) {
    ListView(form.get(), listView);
    TreeWidget(&peers, treeWidget);
    ListBox(form.get(), listBox);
    ListWidget(&peers, listWidget);
    Application->ProcessMessages();
  }
  Print("listview_fill_10000", listView.fill, "ms");
  Print("listview_paint", listView.paint, "ms");
  Print("qtreewidget_fill_10000", treeWidget.fill, "ms");
  Print("qtreewidget_paint", treeWidget.paint, "ms");
  Print("listview_vs_qtreewidget_ratio", listView.Total() / treeWidget.Total(), "x");
  Print("listbox_fill_10000", listBox.fill, "ms");
  Print("listbox_paint", listBox.paint, "ms");
  Print("qlistwidget_fill_10000", listWidget.fill, "ms");
  Print("qlistwidget_paint", listWidget.paint, "ms");
  Print("listbox_vs_qlistwidget_ratio", listBox.Total() / listWidget.Total(), "x");
  form.reset();
  return 0;
}
