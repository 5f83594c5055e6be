// The framework's cell grid against Qt's table view, and the data grid's
// memory over a large table, on Qt's offscreen platform.
//
// Painting: a TDrawGrid of 20 columns and 100,000 rows whose OnDrawCell
// writes each cell's text, shown page by page over the first 2,000 rows and
// each page painted, against a QTableView over a QAbstractTableModel giving
// the same texts, with a viewport of the same size scrolled the same way.
// Each figure is the best of five rounds, the two taken alternately.
//
// Memory: a TDBGrid over a table of 10,000 and of 100,000 records, scrolled
// from the first record to the last a page at a time, each page painted; the
// peak resident memory of each, measured in a child process of its own.
//
// The library's data grid: over a native table of ten fields on an 800 x 600
// form, against a QTableView over a QSqlTableModel on the same file's
// records table, same size and font; each walked from the first record to
// the last by Down and by PgDn key presses, the event loop painting after
// each step. The view takes the grid's row heights and column widths, so
// that both show the same cells and a page is as many rows in each. Every
// walk runs in a child process of its own, which also gives its peak
// resident memory, over 10,000 and over 100,000 records.
//
// The full data grid (TvxDBGrid) walks the same way beside the core grid
// under it, over 100,000 records; then once more with dgMultiSelect and every
// record selected by SelectAll (its time printed), by PgDn, each selected row
// highlighted, against its own walk without a selection.
//
//   grid_scroll [directory]   (the tables go there, else under /tmp)
#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSqlDatabase>
#include <QSqlTableModel>
#include <QTableView>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "DBGrids.h"
#include "Database.h"
#include "Forms.h"
#include "Grids.h"
#include "QtControls.h"
#include "Table.h"
#include "Vxdbgrid.h"
#include "Vxdbigrd.h"
#include "Vxtable.h"
#include "guest_table.h"
#include "widget_bench.h"

using namespace fw;
using bench::Clock;
using bench::Millis;
using bench::PaintOnce;

namespace {

constexpr int kCols = 20;
constexpr int kRows = 100000;
constexpr int kPaintedRows = 2000;
constexpr int kRounds = 5;
constexpr int kWidth = 800, kHeight = 600;  // the client area of both
constexpr int kColWidth = 64, kRowHeight = 20;

std::string CellText(int row, int col) { return "R" + std::to_string(row) + "C" + std::to_string(col); }

// ---- painting

double PaintFramework(TForm* form) {
  auto* grid = new TDrawGrid(form);
  grid->SetParent(form);
  grid->SetBorderStyle(bsNone);
  grid->SetColCount(kCols);
  grid->SetRowCount(kRows + 1);
  grid->SetDefaultColWidth(kColWidth - 1);
  grid->SetDefaultRowHeight(kRowHeight - 1);
  grid->SetBounds(0, 0, kWidth + GetSystemMetrics(SM_CXVSCROLL), kHeight + GetSystemMetrics(SM_CYHSCROLL));
  grid->OnDrawCell = [grid](TObject*, int col, int row, TRect r, TGridDrawState) {
    grid->Canvas()->TextRect(r, r.Left + 2, r.Top + 2, CellText(row, col));
  };
  QWidget* viewport = ClientWidgetOf(grid);
  auto start = Clock::now();
  for (int top = 1; top <= kPaintedRows; top += grid->VisibleRowCount()) {
    grid->SetTopRow(top);
    PaintOnce(viewport);
  }
  double ms = Millis(start);
  delete grid;
  return ms;
}

class TTextModel : public QAbstractTableModel {
public:
  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : kRows; }
  int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : kCols - 1; }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole) return {};
    return ToQString(CellText(index.row() + 1, index.column() + 1));
  }
  QVariant headerData(int section, Qt::Orientation o, int role) const override {
    if (role != Qt::DisplayRole) return {};
    return ToQString(o == Qt::Horizontal ? CellText(0, section + 1) : CellText(section + 1, 0));
  }
};

double PaintQt(QWidget* parent, TTextModel* model) {
  auto* view = new QTableView(parent);
  view->setModel(model);
  view->setFrameStyle(QFrame::NoFrame);
  view->horizontalHeader()->setDefaultSectionSize(kColWidth);
  view->verticalHeader()->setDefaultSectionSize(kRowHeight);
  view->verticalHeader()->setFixedWidth(kColWidth);
  view->horizontalHeader()->setFixedHeight(kRowHeight);
  view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  view->setGeometry(0, 0, kWidth + view->verticalScrollBar()->sizeHint().width(),
                    kHeight + view->horizontalScrollBar()->sizeHint().height());
  view->show();
  int page = (kHeight - kRowHeight) / kRowHeight;
  auto start = Clock::now();
  for (int top = 0; top < kPaintedRows; top += page) {
    view->verticalScrollBar()->setValue(top);
    PaintOnce(view->viewport());
  }
  double ms = Millis(start);
  delete view;
  return ms;
}

// ---- memory

long PeakResidentKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// In a child process: the table, the grid, the scroll. Writes the peak
// resident memory and the pages to the pipe.
void ScrollDataGrid(const std::string& dir, int records, int out) {
  const std::string name = "Guests" + std::to_string(records) + ".db";
  hOrvexDb db = 0;
  bench::Check(bench::E().OpenDatabase(dir.c_str(), nullptr, &db), "open database");
  bench::CreateTable(db, name.c_str());
  bench::E().CloseDatabase(&db);
  bench::Fill(dir + "/" + name, records);

  EnsureQtApplication();
  auto form = std::make_unique<TForm>(nullptr);
  form->SetBounds(0, 0, kWidth, kHeight);
  auto* table = new TTable(form.get());
  table->SetDatabaseName(dir);
  table->SetTableName(name);
  auto* source = new TDataSource(form.get());
  source->SetDataSet(table);
  auto* grid = new TDBGrid(form.get());
  grid->SetParent(form.get());
  grid->SetAlign(alClient);
  grid->SetDataSource(source);
  form->Show();
  table->Open();
  QWidget* viewport = ClientWidgetOf(grid);
  int pages = 0;
  auto start = Clock::now();
  while (!table->Eof()) {
    grid->Perform(WM_VSCROLL, SB_PAGEDOWN, 0);
    PaintOnce(viewport);
    ++pages;
  }
  double ms = Millis(start);
  char line[160];
  int n = std::snprintf(line, sizeof line, "%ld %d %.1f %d\n", PeakResidentKb(), pages, ms, table->RecNo());
  if (write(out, line, static_cast<std::size_t>(n)) != n) std::_Exit(1);
  form.reset();
  Session().DropConnections();
}

struct TScrollResult {
  long PeakKb = 0;
  int Pages = 0;
  double Ms = 0;
  int LastRecNo = 0;
};

TScrollResult RunChild(const std::string& dir, int records) {
  int fds[2];
  if (pipe(fds) != 0) std::exit(1);
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    ScrollDataGrid(dir, records, fds[1]);
    std::_Exit(0);
  }
  close(fds[1]);
  std::string text;
  char buf[256];
  for (ssize_t got; (got = read(fds[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<std::size_t>(got));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  TScrollResult r;
  if (std::sscanf(text.c_str(), "%ld %d %lf %d", &r.PeakKb, &r.Pages, &r.Ms, &r.LastRecNo) != 4 ||
      !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "grid_scroll: the data grid's child process for %d records failed\n", records);
    std::exit(1);
  }
  return r;
}

// ---- the library's grid against Qt's view over the same file

enum class TWalker { Library, Full, FullSelected, Qt };

// The grid's size, the part of it the records scroll in, and its cells in
// pixels, each cell with its grid line; the view is given the same.
struct TLayout {
  static constexpr int kMaxCols = 16;
  int Width = 0, Height = 0;
  int DataWidth = 0, DataHeight = 0;
  int TitleHeight = 0, RowHeight = 0;
  int Cols = 0;  // the indicator's first
  int ColWidth[kMaxCols] = {};
};

struct TWalk {
  long PeakKb = 0;
  double DownMs = 0, PageMs = 0;  // a step
  int DownSteps = 0, PageSteps = 0;
  double SelectAllMs = 0;  // FullSelected: every record selected
  int Selected = 0;
  int VisibleRows = 0, VisibleCols = 0;  // shown whole
  TLayout Layout;                        // Library: the grid's
};

void SendKey(QWidget* w, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &release);
  QApplication::processEvents();
}

// Presses Key until done() holds; the time a step.
template <class Done>
double Walk(QWidget* target, int key, const Done& done, int& steps) {
  steps = 0;
  auto start = Clock::now();
  while (!done() && steps <= kRows * 2) {
    SendKey(target, key);
    ++steps;
  }
  return Millis(start) / std::max(1, steps);
}

const char* const kFontName = "DejaVu Sans";
constexpr int kFontPoints = 9;

void WalkLibraryGrid(const std::string& file, TWalker walker, TWalk& w) {
  EnsureQtApplication();
  auto form = std::make_unique<TForm>(nullptr);
  form->SetBounds(0, 0, kWidth, kHeight);
  auto* table = new vx::TvxTable(form.get());
  table->SetDatabaseName(std::filesystem::path(file).parent_path().string());
  table->SetTableName(std::filesystem::path(file).filename().string());
  auto* source = new vx::TvxDataSource(form.get());
  source->SetDataSet(table);
  vx::TvxDBGrid* full = walker == TWalker::Library ? nullptr : new vx::TvxDBGrid(form.get());
  vx::TvxCustomDBGrid* grid = full ? full : new vx::TvxCustomDBGrid(form.get());
  grid->SetParent(form.get());
  grid->SetAlign(alClient);
  grid->Font()->SetName(kFontName);
  grid->Font()->SetSize(kFontPoints);
  grid->SetKeyOptions({});  // Down at the end stops there
  if (full) full->Loaded();
  if (walker == TWalker::FullSelected) grid->SetOptions(grid->Options() + vx::TvxDBGridOptions{vx::dgMultiSelect});
  grid->SetDataSource(source);
  form->Show();
  table->Open();
  grid->SetFocus();
  QApplication::processEvents();
  w.VisibleRows = grid->VisibleRowCount();
  w.VisibleCols = grid->VisibleColCount();
  const int colLine = grid->Options().Contains(vx::dgColLines) ? grid->GridLineWidth() : 0;
  const int rowLine = grid->Options().Contains(vx::dgRowLines) ? grid->GridLineWidth() : 0;
  w.Layout.Width = grid->Width();
  w.Layout.Height = grid->Height();
  w.Layout.TitleHeight = grid->RowHeights(0) + rowLine;
  w.Layout.RowHeight = grid->DefaultRowHeight() + rowLine;
  w.Layout.DataWidth = grid->ClientWidth() - (grid->ColWidths(0) + colLine);
  w.Layout.DataHeight = grid->ClientHeight() - w.Layout.TitleHeight;
  w.Layout.Cols = std::min(grid->ColCount(), TLayout::kMaxCols);
  for (int c = 0; c < w.Layout.Cols; ++c) w.Layout.ColWidth[c] = grid->ColWidths(c) + colLine;
  QWidget* target = WidgetOf(grid);
  auto atEnd = [table] { return table->Eof(); };
  if (walker == TWalker::FullSelected) {
    auto start = Clock::now();
    full->SelectAll();
    w.SelectAllMs = Millis(start);
    w.Selected = full->SelectedCount();
    QApplication::processEvents();
  } else {
    w.DownMs = Walk(target, Qt::Key_Down, atEnd, w.DownSteps);
    table->First();
    QApplication::processEvents();
  }
  w.PageMs = Walk(target, Qt::Key_PageDown, atEnd, w.PageSteps);
  form.reset();
  Session().DropConnections();
}

void WalkQtView(const std::string& file, int records, const TLayout& layout, TWalk& w) {
  bench::StartWidgets();
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "walk");
    db.setDatabaseName(QString::fromStdString(file));
    if (!db.open()) std::_Exit(2);
    QSqlTableModel model(nullptr, db);
    model.setTable("records");
    model.select();
    QTableView view;
    view.setModel(&model);
    view.setFont(QFont(kFontName, kFontPoints));
    QHeaderView* rows = view.verticalHeader();
    rows->setMinimumSectionSize(layout.RowHeight);
    rows->setDefaultSectionSize(layout.RowHeight);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setFixedWidth(layout.ColWidth[0]);
    view.horizontalHeader()->setFixedHeight(layout.TitleHeight);
    view.horizontalHeader()->setMinimumSectionSize(1);
    for (int c = 1; c < layout.Cols && c - 1 < model.columnCount(); ++c)
      view.setColumnWidth(c - 1, layout.ColWidth[c]);
    view.setGeometry(0, 0, layout.Width, layout.Height);
    view.show();
    view.setFocus();
    view.setCurrentIndex(model.index(0, 0));
    QApplication::processEvents();
    // Frames and scroll bars differ: the records get the grid's room.
    QSize port = view.viewport()->size();
    view.resize(view.width() + layout.DataWidth - port.width(), view.height() + layout.DataHeight - port.height());
    QApplication::processEvents();
    port = view.viewport()->size();
    w.VisibleRows = port.height() / layout.RowHeight;
    for (int c = 0; c < model.columnCount() && view.columnViewportPosition(c) + view.columnWidth(c) <= port.width();
         ++c)
      ++w.VisibleCols;
    auto atEnd = [&] { return view.currentIndex().row() >= records - 1; };
    w.DownMs = Walk(&view, Qt::Key_Down, atEnd, w.DownSteps);
    view.setCurrentIndex(model.index(0, 0));
    view.scrollToTop();
    QApplication::processEvents();
    w.PageMs = Walk(&view, Qt::Key_PageDown, atEnd, w.PageSteps);
  }
  QSqlDatabase::removeDatabase("walk");
}

// In a child process of its own: the walk and its peak memory.
TWalk RunWalk(const std::string& dir, TWalker walker, int records, const TLayout& layout = {}) {
  const std::string file = dir + "/Walk" + std::to_string(records) + ".db";
  int fds[2];
  if (pipe(fds) != 0) std::exit(1);
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    if (!std::filesystem::exists(file)) {
      hOrvexDb db = 0;
      bench::Check(bench::E().OpenDatabase(dir.c_str(), nullptr, &db), "open database");
      bench::CreateTable(db, std::filesystem::path(file).filename().c_str());
      bench::E().CloseDatabase(&db);
      bench::Fill(file, records);
    }
    TWalk w;
    if (walker == TWalker::Qt) WalkQtView(file, records, layout, w);
    else WalkLibraryGrid(file, walker, w);
    std::string line(512, '\0');
    int n = std::snprintf(line.data(), line.size(), "%ld %f %f %d %d %f %d %d %d %d %d %d %d %d %d %d",
                          PeakResidentKb(), w.DownMs, w.PageMs, w.DownSteps, w.PageSteps, w.SelectAllMs, w.Selected,
                          w.VisibleRows, w.VisibleCols, w.Layout.Width, w.Layout.Height, w.Layout.DataWidth,
                          w.Layout.DataHeight, w.Layout.TitleHeight, w.Layout.RowHeight, w.Layout.Cols);
    line.resize(static_cast<std::size_t>(n));
    for (int c = 0; c < w.Layout.Cols; ++c) line += " " + std::to_string(w.Layout.ColWidth[c]);
    line += "\n";
    if (write(fds[1], line.data(), line.size()) != static_cast<ssize_t>(line.size())) std::_Exit(1);
    std::_Exit(0);
  }
  close(fds[1]);
  std::string text;
  char buf[256];
  for (ssize_t got; (got = read(fds[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<std::size_t>(got));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  TWalk w;
  int used = 0;
  bool ok = std::sscanf(text.c_str(), "%ld %lf %lf %d %d %lf %d %d %d %d %d %d %d %d %d %d%n", &w.PeakKb,
                        &w.DownMs, &w.PageMs, &w.DownSteps, &w.PageSteps, &w.SelectAllMs, &w.Selected, &w.VisibleRows,
                        &w.VisibleCols, &w.Layout.Width, &w.Layout.Height, &w.Layout.DataWidth, &w.Layout.DataHeight,
                        &w.Layout.TitleHeight, &w.Layout.RowHeight, &w.Layout.Cols, &used) == 16 &&
              w.Layout.Cols >= 0 && w.Layout.Cols <= TLayout::kMaxCols;
  for (int c = 0; ok && c < w.Layout.Cols; ++c) {
    int more = 0;
    ok = std::sscanf(text.c_str() + used, "%d%n", &w.Layout.ColWidth[c], &more) == 1;
    used += more;
  }
  if (!ok || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "grid_scroll: the walk over %d records failed\n", records);
    std::exit(1);
  }
  return w;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  std::string dir = bench::WorkDirectory(argc, argv, "grid_scroll");
  bool ownDir = argc < 2;

  // The children start before this process has Qt or a table of its own.
  TScrollResult small = RunChild(dir, 10000);
  TScrollResult large = RunChild(dir, 100000);
  TWalk vxSmall = RunWalk(dir, TWalker::Library, 10000);
  TWalk qtSmall = RunWalk(dir, TWalker::Qt, 10000, vxSmall.Layout);
  TWalk vxLarge = RunWalk(dir, TWalker::Library, 100000);
  TWalk qtLarge = RunWalk(dir, TWalker::Qt, 100000, vxLarge.Layout);
  TWalk fullLarge = RunWalk(dir, TWalker::Full, 100000);
  TWalk fullSelected = RunWalk(dir, TWalker::FullSelected, 100000);

  bench::StartWidgets();
  auto form = std::make_unique<TForm>(nullptr);
  form->SetBounds(0, 0, kWidth + 40, kHeight + 40);
  form->Show();
  QWidget host;
  host.setGeometry(0, 0, kWidth + 40, kHeight + 40);
  host.show();
  TTextModel model;
  double framework = 1e18, qt = 1e18;
  for (int round = 0; round < kRounds; ++round) {
    framework = std::min(framework, PaintFramework(form.get()));
    qt = std::min(qt, PaintQt(&host, &model));
  }
  using bench::Print;
  Print("grid_scroll_framework", framework, "ms");
  Print("grid_scroll_qt", qt, "ms");
  Print("grid_scroll_ratio", framework / qt, "x");
  for (const auto& [records, r] : {std::pair{10000, small}, {100000, large}}) {
    std::string n = std::to_string(records);
    Print(("dbgrid_pages_" + n).c_str(), r.Pages, "pages");
    Print(("dbgrid_scroll_" + n).c_str(), r.Ms, "ms");
    Print(("dbgrid_peak_rss_" + n).c_str(), static_cast<double>(r.PeakKb), "KB");
  }
  Print("dbgrid_peak_rss_ratio_100000_to_10000",
        static_cast<double>(large.PeakKb) / static_cast<double>(std::max(1L, small.PeakKb)), "x");
  Print("vxgrid_down_step_100000", vxLarge.DownMs, "ms");
  Print("qtview_down_step_100000", qtLarge.DownMs, "ms");
  Print("vxgrid_down_step_ratio", vxLarge.DownMs / qtLarge.DownMs, "x");
  Print("vxgrid_pgdn_step_100000", vxLarge.PageMs, "ms");
  Print("qtview_pgdn_step_100000", qtLarge.PageMs, "ms");
  Print("vxgrid_pgdn_step_ratio", vxLarge.PageMs / qtLarge.PageMs, "x");
  Print("vxgrid_down_steps_100000", vxLarge.DownSteps, "steps");
  Print("qtview_down_steps_100000", qtLarge.DownSteps, "steps");
  Print("vxgrid_pgdn_steps_100000", vxLarge.PageSteps, "steps");
  Print("qtview_pgdn_steps_100000", qtLarge.PageSteps, "steps");
  Print("vxgrid_visible_rows", vxLarge.VisibleRows, "rows");
  Print("qtview_visible_rows", qtLarge.VisibleRows, "rows");
  Print("vxgrid_visible_cols", vxLarge.VisibleCols, "columns");
  Print("qtview_visible_cols", qtLarge.VisibleCols, "columns");
  Print("vxgrid_peak_rss_10000", static_cast<double>(vxSmall.PeakKb), "KB");
  Print("vxgrid_peak_rss_100000", static_cast<double>(vxLarge.PeakKb), "KB");
  Print("vxgrid_peak_rss_growth", static_cast<double>(vxLarge.PeakKb - vxSmall.PeakKb), "KB");
  Print("qtview_peak_rss_10000", static_cast<double>(qtSmall.PeakKb), "KB");
  Print("qtview_peak_rss_100000", static_cast<double>(qtLarge.PeakKb), "KB");
  Print("vxgrid_peak_rss_ratio_to_qtview_100000",
        static_cast<double>(vxLarge.PeakKb) / static_cast<double>(std::max(1L, qtLarge.PeakKb)), "x");
  Print("vxdbgrid_down_step_100000", fullLarge.DownMs, "ms");
  Print("vxdbgrid_down_step_ratio_to_core", fullLarge.DownMs / vxLarge.DownMs, "x");
  Print("vxdbgrid_pgdn_step_100000", fullLarge.PageMs, "ms");
  Print("vxdbgrid_pgdn_step_ratio_to_core", fullLarge.PageMs / vxLarge.PageMs, "x");
  Print("vxdbgrid_select_all_100000", fullSelected.SelectAllMs, "ms");
  Print("vxdbgrid_selected_records", fullSelected.Selected, "records");
  Print("vxdbgrid_selected_pgdn_step_100000", fullSelected.PageMs, "ms");
  Print("vxdbgrid_selected_pgdn_steps_100000", fullSelected.PageSteps, "steps");
  Print("vxdbgrid_selected_pgdn_ratio_to_unselected", fullSelected.PageMs / fullLarge.PageMs, "x");
  form.reset();
  if (ownDir) std::filesystem::remove_all(dir);
  return 0;
}
