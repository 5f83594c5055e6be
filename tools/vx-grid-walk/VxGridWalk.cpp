// The library's data grid over a guest table it makes in a new folder under
// /tmp: a two-line title, title buttons, a phone column with a picture, a
// check-box column and a photo column drawn from the table's blobs, and
// names in several scripts. Without arguments it runs until it is killed,
// to be driven by hand or with xdotool; with --walk DIR it takes its own
// steps (browsing, a record in edit, a phone half typed, a title button held,
// the last page) and writes a screenshot of the window after each into DIR.
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
#include "Vxdbigrd.h"
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

TvxTable* MakeGuests(TComponent* owner, const std::string& dir) {
  auto* t = new TvxTable(owner);
  t->SetDatabaseName(dir);
  t->SetTableName("Guests.db");
  t->FieldDefs()->Add("ID", ftInteger, 0, true);
  t->FieldDefs()->Add("Name", ftString, 24);
  t->FieldDefs()->Add("City", ftString, 16);
  t->FieldDefs()->Add("Phone", ftString, 14);
  t->FieldDefs()->Add("Attending", ftString, 1);
  t->FieldDefs()->Add("Photo", ftGraphic);
  t->IndexDefs()->Add("", "ID", {ixPrimary});
  t->CreateTable();
  t->PictureMasks()->Add("Phone\t(###) ###-####\tT\tT");
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

void Walk(TForm* form, TvxCustomDBGrid* grid) {
  QWidget* g = WidgetOf(grid);
  Shot(form, "1-browse");
  Key(g, Qt::Key_Down);
  Key(g, Qt::Key_Right);
  Type("e");
  Shot(form, "2-edit");
  Key(QApplication::focusWidget(), Qt::Key_Escape);
  Key(QApplication::focusWidget(), Qt::Key_Escape);
  Key(g, Qt::Key_Right);
  Key(g, Qt::Key_Right);
  Key(g, Qt::Key_F2);
  QWidget* editor = QApplication::focusWidget();
  Key(editor, Qt::Key_A, Qt::ControlModifier);
  Type("(55512");
  Shot(form, "3-phone-half-typed");
  Key(QApplication::focusWidget(), Qt::Key_Escape);
  Key(QApplication::focusWidget(), Qt::Key_Escape);
  // A title button held down.
  QWidget* vp = static_cast<QWidget*>(g->findChildren<QWidget*>().value(0));
  QWidget* target = vp ? vp : g;
  const TRect title = grid->CellRect(2, 0);
  QPoint at((title.Left + title.Right) / 2, (title.Top + title.Bottom) / 2);
  QMouseEvent down(QEvent::MouseButtonPress, at, target->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(target, &down);
  Shot(form, "4-title-button-down");
  QMouseEvent up(QEvent::MouseButtonRelease, at, target->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &up);
  Key(g, Qt::Key_End, Qt::ControlModifier);
  Shot(form, "5-last-record");
}

}  // namespace

int main(int argc, char** argv) {
  SetQtApplicationArguments(argc, argv);
  Application->Initialize();
  if (argc == 3 && std::string(argv[1]) == "--walk") outDir = argv[2];
  char folder[] = "/tmp/vx-grid-walk-XXXXXX";
  if (!mkdtemp(folder)) return 1;
  TForm* form = nullptr;
  Application->CreateForm(form);
  form->SetCaption("Guests");
  form->SetBounds(40, 30, 760, 420);
  TvxTable* guests = MakeGuests(form, folder);
  auto* source = new TvxDataSource(form);
  source->SetDataSet(guests);
  auto* grid = new TvxCustomDBGrid(form);
  grid->SetParent(form);
  grid->SetBounds(10, 10, 730, 390);
  grid->SetTitleLines(2);
  grid->SetTitleButtons(true);
  grid->SetUseTFields(false);
  grid->Selected()->Add("ID\t4\tGuest~No.");
  grid->Selected()->Add("Name\t20\tGuest~name");
  grid->Selected()->Add("City\t10");
  grid->Selected()->Add("Phone\t14\tPhone~number");
  grid->Selected()->Add("Attending\t5\tComing?");
  grid->Selected()->Add("Photo\t8\tPhoto");
  grid->SetRowHeightPercent(160);
  grid->SetDataSource(source);
  grid->OnTitleButtonClick = [](TObject*, const std::string& name) {
    std::printf("title button: %s\n", name.c_str());
    std::fflush(stdout);
  };
  form->Show();
  grid->SetFocus();
  if (!outDir.empty()) {
    Walk(form, grid);
    // The table closes while the window system is still there to repaint the grid.
    guests->Close();
    return 0;
  }
  Application->Run();
  return 0;
}
