// The library's full data grid over a guest table it makes in a new folder
// under /tmp: a two-line title, title buttons, a guest-name column that
// stays while the others scroll, a phone column with a picture, the city
// picked in a lookup combo over a city table laid over the current cell, a
// check-box column, notes shown as "(Memo)" and edited in the memo dialog
// (F2 or a double click), a photo column drawn from the table's blobs, and
// names in several scripts. Ctrl and Shift clicks select rows. Without
// arguments it runs until it is killed, to be driven by hand or with
// xdotool (with --multi, rows are selected from the start: the cell
// controls then show only on selected rows); with --walk DIR it takes its own steps (browsing, a record in
// edit, a phone half typed, a title button held, the last page, Tab to the
// city, the combo dropped down and typed into, boxes ticked, three rows
// selected, the columns scrolled) and writes a screenshot of the window
// after each into DIR.
//
//   Xvfb :57 -screen 0 1024x768x24 & DISPLAY=:57 build/normal/tools/vx-grid-walk/vx-grid-walk &
//   DISPLAY=:57 import -window root shot.png
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QWidget>
#include <stdlib.h>

#include <cstdio>
#include <string>

#include "Bitmap.h"
#include "Forms.h"
#include "QtControls.h"
#include "Streams.h"
#include "Vxdbgrid.h"
#include "Vxdblook.h"
#include "Vxtable.h"

using namespace fw;
using namespace vx;

namespace {

// A round badge with the guest's initial, as a photo stand-in.
std::string Badge(TColor colour, const std::string& letter, bool withHeader) {
  TBitmap b;
  b.SetSize(40, 40);
  TCanvas* c = b.Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect(Rect(0, 0, 40, 40));
  c->Brush()->SetColor(colour);
  c->Pen()->SetColor(clBlack);
  c->Ellipse(2, 2, 38, 38);
  c->Font()->SetSize(14);
  c->Font()->SetColor(clWhite);
  c->Brush()->SetStyle(bsClear);
  c->TextOut(20 - c->TextWidth(letter) / 2, 20 - c->TextHeight(letter) / 2, letter);
  TMemoryStream s;
  b.SaveToStream(s);
  std::string bytes(static_cast<const char*>(s.Memory()), static_cast<std::size_t>(s.Size()));
  if (!withHeader) return bytes;
  // A graphic field's own header before the picture.
  std::string head(8, '\0');
  const std::uint16_t one = 1, kind = 0x0100;
  const auto size = static_cast<std::uint32_t>(bytes.size());
  std::memcpy(&head[0], &one, 2);
  std::memcpy(&head[2], &kind, 2);
  std::memcpy(&head[4], &size, 4);
  return head + bytes;
}

TvxTable* MakeCities(TComponent* owner, const std::string& dir) {
  auto* t = new TvxTable(owner);
  t->SetDatabaseName(dir);
  t->SetTableName("Cities.db");
  t->FieldDefs()->Add("Name", ftString, 16, true);
  t->FieldDefs()->Add("Country", ftString, 16);
  t->IndexDefs()->Add("", "Name", {ixPrimary});
  t->CreateTable();
  t->Open();
  const char* cities[][2] = {{"Amsel", "Norland"},   {"Brünnau", "Ostmark"}, {"Lorvik", "Norland"},
                             {"Tullen", "Ostmark"},  {"Varne", "Vardesh"},   {"Zell am Moor", "Ostmark"}};
  for (auto& c : cities) {
    t->Append();
    t->FieldByName("Name")->SetAsString(c[0]);
    t->FieldByName("Country")->SetAsString(c[1]);
    t->Post();
  }
  t->First();
  return t;
}

TvxTable* MakeGuests(TComponent* owner, const std::string& dir) {
  auto* t = new TvxTable(owner);
  t->SetDatabaseName(dir);
  t->SetTableName("Guests.db");
  t->FieldDefs()->Add("ID", ftInteger, 0, true);
  t->FieldDefs()->Add("Name", ftString, 24);
  t->FieldDefs()->Add("City", ftString, 16);
  t->FieldDefs()->Add("Phone", ftString, 14);
  t->FieldDefs()->Add("Attending", ftString, 1);
  t->FieldDefs()->Add("Notes", ftMemo);
  t->FieldDefs()->Add("Photo", ftGraphic);
  t->IndexDefs()->Add("", "ID", {ixPrimary});
  t->CreateTable();
  t->PictureMasks()->Add("Phone\t(###) ###-####\tT\tT");
  t->ControlType()->Add("City;LookupCombo;CityLookup");
  t->ControlType()->Add("Attending;CheckBox;Y;N");
  t->ControlType()->Add("Photo;Bitmap;Fit Height;Source Copy");
  t->Open();
  const char* guests[][4] = {{"Ada Brennan", "Lorvik", "(555) 201-3344", "Y"},
                             {"Zoë Ångström", "Amsel", "(555) 877-1200", "y"},
                             {"Søren Kähler", "Lorvik", "", "N"},
                             {"Θεοδώρα Παππά", "Varne", "(555) 410-0099", "Y"},
                             {"Мирослав Орлов", "Amsel", "", "N"},
                             {"Fenna Gorski", "Tullen", "(555) 300-0001", "Y"},
                             {"Gideon Haas", "Varne", "", "N"},
                             {"Hedy Iversen", "Lorvik", "(555) 733-8181", "Y"},
                             {"Ivo Janssen", "Tullen", "", "N"},
                             {"Juna Kestrel", "Amsel", "(555) 909-2323", "Y"},
                             {"Kasimir Lund", "Varne", "", "N"},
                             {"Lotte Marek", "Lorvik", "(555) 555-0142", "Y"}};
  const TColor colours[] = {clNavy, clMaroon, clGreen, clPurple, clTeal, clOlive};
  int id = 1;
  for (auto& g : guests) {
    t->Append();
    t->FieldByName("ID")->SetAsInteger(id);
    t->FieldByName("Name")->SetAsString(g[0]);
    t->FieldByName("City")->SetAsString(g[1]);
    t->FieldByName("Phone")->SetAsString(g[2]);
    t->FieldByName("Attending")->SetAsString(g[3]);
    t->FieldByName("Notes")->SetAsString(std::string("Seat ") + g[0] + " near the window.");
    std::string letter(g[0], static_cast<std::size_t>(static_cast<unsigned char>(g[0][0]) < 0x80 ? 1 : 2));
    t->FieldByName("Photo")->SetAsString(Badge(colours[id % 6], letter, id % 2 == 0));
    t->Post();
    ++id;
  }
  t->First();
  return t;
}

std::string outDir;

void Pump(int ms = 200) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) Application->ProcessMessages();
}

void Shot(TForm* form, const char* name) {
  Pump();
  QWidget* w = WidgetOf(form)->window();
  const std::string file = outDir + "/" + name + ".png";
  QPixmap p = w->screen()->grabWindow(0, w->frameGeometry().x(), w->frameGeometry().y(), w->frameGeometry().width(),
                                      w->frameGeometry().height());
  if (p.isNull() || !p.save(QString::fromStdString(file))) std::fprintf(stderr, "could not write %s\n", file.c_str());
  std::printf("screenshot %s\n", file.c_str());
}

void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = QString()) {
  QKeyEvent press(QEvent::KeyPress, key, mods, text);
  QCoreApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, mods, text);
  QCoreApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : w, &release);
  Pump(60);
}

void Type(const std::string& text) {
  for (char ch : text) {
    QWidget* w = QApplication::focusWidget();
    if (!w) return;
    Key(w, ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch, Qt::NoModifier, QString(QChar(ch)));
  }
}

void Click(TvxDBGrid* grid, int col, int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QWidget* target = ClientWidgetOf(grid);
  const TRect r = grid->CellRect(col, row);
  const QPoint at((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  QMouseEvent down(QEvent::MouseButtonPress, at, target->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, mods);
  QCoreApplication::sendEvent(target, &down);
  QMouseEvent up(QEvent::MouseButtonRelease, at, target->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, mods);
  QCoreApplication::sendEvent(target, &up);
  Pump(60);
}

// Grid columns: the indicator, then the Selected lines in order.
constexpr int kName = 1, kCity = 3, kPhone = 4, kComing = 5;

void Walk(TForm* form, TvxDBGrid* grid) {
  QWidget* g = WidgetOf(grid);
  Shot(form, "01-browse");
  Key(g, Qt::Key_Tab);
  Shot(form, "02-tab-to-city");
  Key(g, Qt::Key_Down, Qt::AltModifier);
  Shot(form, "03-combo-dropped");
  Key(QApplication::focusWidget(), Qt::Key_Escape);
  grid->SetFocus();
  Pump();
  Type("tu");
  Shot(form, "04-combo-typed");
  Key(QApplication::focusWidget(), Qt::Key_Escape);
  Key(QApplication::focusWidget(), Qt::Key_Escape);
  grid->SetFocus();
  Pump();
  Key(g, Qt::Key_Tab);
  Key(g, Qt::Key_F2);
  QWidget* editor = QApplication::focusWidget();
  Key(editor, Qt::Key_A, Qt::ControlModifier);
  Type("(55512");
  Shot(form, "05-phone-half-typed");
  Key(QApplication::focusWidget(), Qt::Key_Escape);
  Key(QApplication::focusWidget(), Qt::Key_Escape);
  grid->SetFocus();
  Pump();
  Click(grid, kComing, 3);
  Key(g, Qt::Key_Down);
  Click(grid, kComing, 5);
  Shot(form, "06-boxes-ticked");
  Key(g, Qt::Key_Up);
  // A title button held down.
  QWidget* target = ClientWidgetOf(grid);
  const TRect title = grid->CellRect(kPhone, 0);
  QPoint at((title.Left + title.Right) / 2, (title.Top + title.Bottom) / 2);
  QMouseEvent down(QEvent::MouseButtonPress, at, target->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(target, &down);
  Shot(form, "07-title-button-down");
  QMouseEvent up(QEvent::MouseButtonRelease, at, target->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &up);
  grid->SetOptions(grid->Options() + TvxDBGridOptions{dgMultiSelect});
  Click(grid, kName + 1, 2, Qt::ControlModifier);
  Click(grid, kName + 1, 4, Qt::ShiftModifier);
  Shot(form, "08-three-selected");
  grid->SetLeftCol(grid->LeftCol() + 3);
  Shot(form, "09-columns-scrolled");
  Key(g, Qt::Key_End, Qt::ControlModifier);
  Shot(form, "10-last-record");
  std::printf("selected rows: %d\n", grid->SelectedCount());
}

}  // namespace

int main(int argc, char** argv) {
  SetQtApplicationArguments(argc, argv);
  Application->Initialize();
  if (argc == 3 && std::string(argv[1]) == "--walk") outDir = argv[2];
  const bool multi = argc == 2 && std::string(argv[1]) == "--multi";
  char folder[] = "/tmp/vx-grid-walk-XXXXXX";
  if (!mkdtemp(folder)) return 1;
  TForm* form = nullptr;
  Application->CreateForm(form);
  form->SetCaption("Guests");
  form->SetBounds(40, 30, 620, 420);
  TvxTable* cities = MakeCities(form, folder);
  TvxTable* guests = MakeGuests(form, folder);
  auto* source = new TvxDataSource(form);
  source->SetDataSet(guests);
  guests->AfterPost = [](TDataSet* ds) {
    std::printf("stored: %s City=%s Coming=%s\n", ds->FieldByName("Name")->AsString().c_str(),
                ds->FieldByName("City")->AsString().c_str(), ds->FieldByName("Attending")->AsString().c_str());
    std::fflush(stdout);
  };
  // The city's control: a lookup combo the grid lays over the current cell.
  auto* city = new TvxDBLookupCombo(form);
  city->SetName("CityLookup");
  city->SetParent(form);
  city->Loaded();
  city->SetOptions({loTitles, loColLines});
  city->SetUseTFields(false);
  city->Selected()->Add("Name\t14\tCity");
  city->Selected()->Add("Country\t10\tCountry");
  city->SetLookupTable(cities);
  city->SetLookupField("Name");
  city->SetDropDownWidth(220);
  auto* grid = new TvxDBGrid(form);
  grid->SetName("GuestGrid");
  grid->SetParent(form);
  grid->SetBounds(10, 10, 590, 390);
  grid->SetTitleLines(2);
  grid->SetTitleButtons(true);
  grid->SetUseTFields(false);
  grid->Selected()->Add("Name\t18\tGuest~name");
  grid->Selected()->Add("ID\t4\tGuest~No.");
  grid->Selected()->Add("City\t14");
  grid->Selected()->Add("Phone\t14\tPhone~number");
  grid->Selected()->Add("Attending\t6\tComing?");
  grid->Selected()->Add("Photo\t8\tPhoto");
  grid->Selected()->Add("Notes\t30\tNotes");
  grid->SetRowHeightPercent(160);
  grid->SetFixedCols(1);
  grid->SetEditControlOptions({ecoSearchOwnerForm, ecoCheckboxSingleClick});
  grid->SetMultiSelectOptions({msoShiftSelect});
  if (multi) grid->SetOptions(grid->Options() + TvxDBGridOptions{dgMultiSelect});
  grid->Loaded();
  grid->SetDataSource(source);
  grid->OnTitleButtonClick = [](TObject*, const std::string& name) {
    std::printf("title button: %s\n", name.c_str());
    std::fflush(stdout);
  };
  form->Show();
  grid->SetFocus();
  if (!outDir.empty()) {
    Walk(form, grid);
    // The tables close while the window system is still there to repaint the grid.
    guests->Close();
    cities->Close();
    return 0;
  }
  Application->Run();
  return 0;
}
