// Printing the seating tree into a PDF file, read back with poppler's tools.
#include <QImage>
#include <QProcess>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "AllForms.h"
#include "DateTime.h"
#include "Printer.h"
#include "TempDir.h"

namespace ostrel::test {
namespace {

using namespace fw;
using fw::test::WriteBytes;

std::string RunTool(const char* program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  EXPECT_TRUE(p.waitForFinished(60000)) << program;
  return p.readAllStandardOutput().toStdString();
}

class Print : public AllFormsTest {
protected:
  void SetUp() override {
    AllFormsTest::SetUp();
    OpenAll(false);
    pdf = dir.File("tree.pdf");
    setenv("FW_PRINT_TO_PDF", pdf.c_str(), 1);
    SetClock([] { return EncodeDate(2024, 6, 9) + EncodeTime(14, 7, 5, 0); });
    Form3->PrintIconsCheckBox->SetChecked(false);
  }
  void TearDown() override {
    unsetenv("FW_PRINT_TO_PDF");
    SetClock({});
    TPrinter* p = Printer();
    p->SetSystemPrinters(std::nullopt);
    p->SetOutputFileName("");
    p->SetPaperSize("");
    p->SetOrientation(poPortrait);
    AllFormsTest::TearDown();
  }
  // The machine's printers as the print support would list them.
  void Printers(std::vector<std::string> names, std::string defaultName) {
    unsetenv("FW_PRINT_TO_PDF");
    Printer()->SetSystemPrinters(TPrinterList{std::move(names), std::move(defaultName)});
  }
  std::string PdfInfo(const std::string& file) { return RunTool("pdfinfo", {QString::fromStdString(file)}); }
  // The first page's width and height in points, rounded.
  std::pair<int, int> PageSize(const std::string& file) {
    std::istringstream info(PdfInfo(file));
    for (std::string line; std::getline(info, line);) {
      double w = 0, h = 0;
      if (std::sscanf(line.c_str(), "Page size: %lf x %lf", &w, &h) == 2)
        return {static_cast<int>(std::lround(w)), static_cast<int>(std::lround(h))};
    }
    return {0, 0};
  }
  // Tables "Table A", "Table B" ... with n people each, "A person 1" ...
  void Tables(int tables, int people) {
    Items()->Clear();
    for (int t = 0; t < tables; ++t) {
      const std::string letter(1, static_cast<char>('A' + t));
      TTreeNode* table = Items()->Add(nullptr, "Table " + letter);
      for (int p = 1; p <= people; ++p) Items()->AddChild(table, letter + " person " + std::to_string(p));
    }
  }
  int Pages() {
    std::istringstream info(PdfInfo(pdf));
    for (std::string line; std::getline(info, line);)
      if (line.rfind("Pages:", 0) == 0) return std::stoi(line.substr(6));
    return 0;
  }
  // The text of each page, laid out as printed.
  std::vector<std::string> PageTexts() {
    std::string all = RunTool("pdftotext", {"-layout", QString::fromStdString(pdf), "-"});
    std::vector<std::string> pages;
    std::istringstream s(all);
    for (std::string page; std::getline(s, page, '\f');) pages.push_back(page);
    return pages;
  }
  // The lines of a page without blank ones, each with its indent.
  static std::vector<std::pair<int, std::string>> Lines(const std::string& page) {
    std::vector<std::pair<int, std::string>> lines;
    std::istringstream s(page);
    for (std::string line; std::getline(s, line);) {
      std::size_t at = line.find_first_not_of(' ');
      if (at == std::string::npos) continue;
      // Runs of blanks come out of the layout as the text's width allows: one blank stands for them.
      std::string text;
      for (std::size_t i = at; i < line.size(); ++i)
        if (line[i] != ' ' || (line[i - 1] != ' ')) text += line[i];
      while (!text.empty() && text.back() == ' ') text.pop_back();
      lines.push_back({static_cast<int>(at), text});
    }
    return lines;
  }
  std::string pdf;
};

TEST_F(Print, OnePageWithTheHeaderAndPeopleIndentedUnderTheirTables) {
  Tables(2, 2);
  Form3->Show();
  Form3->Button1Click(Form3->Button1);
  EXPECT_FALSE(Form3->Visible());
  EXPECT_FALSE(AbortPrinting->Visible());
  EXPECT_EQ(Pages(), 1);
  const auto lines = Lines(PageTexts().at(0));
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0].second, "Velloria - Seating-Tree 6/9/2024");  // no page number on the first page
  const std::string order[] = {"Table A", "A person 1", "A person 2", "Table B", "B person 1", "B person 2"};
  for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(lines[i + 1].second, order[i]);
  EXPECT_GT(lines[2].first, lines[1].first);  // people further in than tables
  EXPECT_EQ(lines[2].first, lines[3].first);
  EXPECT_EQ(lines[1].first, lines[4].first);
  EXPECT_GT(lines[1].first, lines[0].first);
  EXPECT_EQ(PageNumber, 1);
}

TEST_F(Print, ALongTreeGoesOnOverPagesWithNumberedHeaders) {
  Tables(1, 150);
  PrintTree();
  const int pages = Pages();
  ASSERT_GE(pages, 3);
  EXPECT_EQ(PageNumber, pages);
  const auto texts = PageTexts();
  int people = 0;
  for (int p = 0; p < pages; ++p) {
    const auto lines = Lines(texts.at(static_cast<std::size_t>(p)));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].second, p == 0 ? std::string("Velloria - Seating-Tree 6/9/2024")
                                      : "Velloria - Seating-Tree 6/9/2024 page " + std::to_string(p + 1));
    for (const auto& l : lines)
      if (l.second.find("person") != std::string::npos) ++people;
  }
  EXPECT_EQ(people, 150);
}

TEST_F(Print, OnePagePerTable) {
  Tables(3, 2);
  Form3->PrintOnePageCheckBox->SetChecked(true);
  PrintTree();
  ASSERT_EQ(Pages(), 3);
  const auto texts = PageTexts();
  for (int p = 0; p < 3; ++p) {
    const auto lines = Lines(texts.at(static_cast<std::size_t>(p)));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1].second, std::string("Table ") + static_cast<char>('A' + p));  // each page starts with its table
  }
  EXPECT_EQ(Lines(texts[2])[0].second, "Velloria - Seating-Tree 6/9/2024 page 3");
}

TEST_F(Print, TheStopButtonEndsThePrintoutAfterTheCurrentNode) {
  Tables(1, 80);
  // The stop is pressed a few turns of the message loop into the printout.
  int turns = 12;
  std::function<void()> tick = [&] {
    if (--turns == 0)
      AbortPrinting->AbortBtn->Click();
    else
      QTimer::singleShot(0, tick);
  };
  QTimer::singleShot(0, tick);
  PrintTree();
  EXPECT_TRUE(AbortPrintFlag);
  EXPECT_FALSE(AbortPrinting->Visible());
  const std::string text = PageTexts().at(0);
  EXPECT_NE(text.find("Table A"), std::string::npos);
  EXPECT_EQ(text.find("A person 80"), std::string::npos);
  EXPECT_FALSE(Printer()->Printing());

  // Escape presses the stop button too.
  AbortPrintFlag = false;
  AbortPrinting->Show();
  Pump();
  Key(WidgetOf(AbortPrinting->AbortBtn), Qt::Key_Escape);
  EXPECT_TRUE(AbortPrintFlag);
}

TEST_F(Print, NothingToPrintAndAPrinterThatFails) {
  Items()->Clear();
  PrintTree();
  EXPECT_EQ(Asked(), std::vector<std::string>{"Nothing To Print !"});
  EXPECT_FALSE(fw::FileExists(pdf));

  // A document that cannot be made: the error goes on, and nothing is left open or shown.
  Tables(1, 1);
  setenv("FW_PRINT_TO_PDF", dir.File("no/such/folder/tree.pdf").c_str(), 1);
  EXPECT_THROW(PrintTree(), EPrinter);
  EXPECT_FALSE(Printer()->Printing());
  EXPECT_FALSE(AbortPrinting->Visible());

  // Cancel on the setup form prints nothing.
  setenv("FW_PRINT_TO_PDF", pdf.c_str(), 1);
  Form3->Show();
  Form3->Button2Click(Form3->Button2);
  EXPECT_FALSE(Form3->Visible());
  EXPECT_FALSE(fw::FileExists(pdf));
}

TEST_F(Print, PrintCommandsWaitWhileAPrintoutRuns) {
  Tables(2, 60);
  bool fired = false;
  // A second Print Tree, Print and printout from the message loop the printout lets run.
  std::function<void()> tick = [&] {
    if (!Printer()->Printing()) {
      QTimer::singleShot(0, tick);
      return;
    }
    fired = true;
    form->BitBtn2Click(form->BitBtn2);
    Form3->Button1Click(Form3->Button1);
    Form3->Button3Click(Form3->Button3);
    PrintTree();
  };
  QTimer::singleShot(0, tick);
  PrintTree();
  EXPECT_TRUE(fired) << "the timer did not fire inside the printout";
  EXPECT_FALSE(Form3->Visible());
  EXPECT_TRUE(messages->Dialogs.empty());  // no printer setup either
  EXPECT_TRUE(Asked().empty());
  const int pages = Pages();
  int people = 0;
  for (const std::string& page : PageTexts())
    for (const auto& l : Lines(page))
      if (l.second.find("person") != std::string::npos) ++people;
  EXPECT_EQ(people, 120);
  EXPECT_EQ(PageNumber, pages);
  EXPECT_FALSE(Printer()->Printing());
}

TEST_F(Print, WithoutAPrinterTheTreeGoesToAPdfFileTheUserNames) {
  Printers({}, "");
  EXPECT_TRUE(Printer()->PrintsToFile());
  EXPECT_EQ(Printer()->PrinterIndex(), -1);
  Tables(2, 3);
  // Cancelling the file prints nothing.
  PrintTree();
  ASSERT_EQ(messages->Dialogs.size(), 1u);
  const TDialogRequest& asked = messages->Dialogs[0];
  EXPECT_EQ(asked.Kind, "Save");
  EXPECT_EQ(asked.Values.at("FileName"), "Seating.pdf");
  EXPECT_EQ(asked.Values.at("InitialDir"), GetCurrentDir());
  EXPECT_FALSE(AbortPrinting->Visible());
  EXPECT_FALSE(FileExists(dir.File("Seating.pdf")));

  // The default name, as the user confirms it.
  messages->DialogAnswers.push_back([](TDialogRequest&) { return true; });
  Form3->Button1Click(Form3->Button1);
  pdf = dir.File("Seating.pdf");
  ASSERT_TRUE(FileExists(pdf));
  EXPECT_EQ(Pages(), 1);
  EXPECT_NE(PageTexts().at(0).find("B person 3"), std::string::npos);
  EXPECT_EQ(Printer()->OutputFileName(), "");  // asked again next time

  // Another name, over a file that is there: asked before it is replaced.
  const std::string other = dir.File("other.pdf");
  WriteBytes(other, "old");
  messages->DialogAnswers.push_back([&](TDialogRequest& r) {
    r.Values["FileName"] = other;
    return true;
  });
  messages->Answers = {IDYES};
  PrintTree();
  EXPECT_EQ(Asked().back(), other + " already exists.\nDo you want to replace it?");
  pdf = other;
  EXPECT_EQ(Pages(), 1);
}

TEST_F(Print, APrinterChosenInTheSetupIsTheOneTheNextPrintUses) {
  Printers({"Office", "Hall"}, "Office");
  EXPECT_EQ(Printer()->PrinterName(), "Office");  // the system's default to start with
  EXPECT_FALSE(Printer()->PrintsToFile());
  Tables(1, 2);
  messages->DialogAnswers.push_back([](TDialogRequest& r) {
    EXPECT_EQ(r.Kind, "PrinterSetup");
    EXPECT_EQ(r.Values["Printers"], "Office\nHall");
    EXPECT_EQ(r.Values["Printer"], "Office");
    r.Values["Printer"] = "Hall";
    return true;
  });
  Form3->Button3Click(Form3->Button3);
  EXPECT_EQ(Printer()->PrinterName(), "Hall");
  EXPECT_EQ(Printer()->PrinterIndex(), 1);
  // The print support of this machine knows neither printer: the document is
  // refused by the name of the one chosen, and no file is asked for.
  try {
    Form3->Button1Click(Form3->Button1);
    ADD_FAILURE() << "printed to a printer that is not there";
  } catch (const EPrinter& e) {
    EXPECT_EQ(std::string(e.what()), "Printer \"Hall\" is not available");
  }
  EXPECT_EQ(messages->Dialogs.size(), 1u);
  EXPECT_FALSE(Printer()->Printing());
  EXPECT_FALSE(AbortPrinting->Visible());
}

TEST_F(Print, TheSetupsPdfFileWithItsPaperAndOrientation) {
  Printers({"Office"}, "Office");
  Tables(1, 2);
  const std::string chosen = dir.File("plan a5.pdf");
  messages->DialogAnswers.push_back([&](TDialogRequest& r) {
    EXPECT_NE(r.Values["PaperSizes"].find("A5"), std::string::npos);
    r.Values["Printer"] = "";
    r.Values["FileName"] = chosen;
    r.Values["PaperSize"] = "A5";
    r.Values["Orientation"] = "poLandscape";
    return true;
  });
  Form3->Button3Click(Form3->Button3);
  EXPECT_TRUE(Printer()->PrintsToFile());
  Form3->Button1Click(Form3->Button1);
  EXPECT_EQ(messages->Dialogs.size(), 1u);  // the file is named already
  EXPECT_EQ(PageSize(chosen), std::make_pair(595, 420));  // A5, the long side across
  pdf = chosen;
  EXPECT_NE(PageTexts().at(0).find("A person 2"), std::string::npos);

  // Portrait Letter the next time.
  messages->DialogAnswers.push_back([&](TDialogRequest& r) {
    EXPECT_EQ(r.Values["Printer"], "");
    EXPECT_EQ(r.Values["FileName"], chosen);
    EXPECT_EQ(r.Values["PaperSize"], "A5");
    EXPECT_EQ(r.Values["Orientation"], "poLandscape");
    r.Values["PaperSize"] = "Letter";
    r.Values["Orientation"] = "poPortrait";
    return true;
  });
  Form3->Button3Click(Form3->Button3);
  PrintTree();
  EXPECT_EQ(PageSize(chosen), std::make_pair(612, 792));
}

// Coloured pixels of page 1, rendered small.
int ColouredPixels(const std::string& pdf, const std::string& png) {
  RunTool("pdftoppm", {"-r", "60", "-png", "-f", "1", "-l", "1", "-singlefile", QString::fromStdString(pdf),
                   QString::fromStdString(png.substr(0, png.size() - 4))});
  QImage image(QString::fromStdString(png));
  EXPECT_FALSE(image.isNull());
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (QColor(image.pixel(x, y)).hsvSaturation() > 80) ++n;
  return n;
}

TEST_F(Print, IconsArePrintedBesideTheirNodes) {
  Tables(2, 3);
  TTreeNode* first = Items()->GetFirstNode()->GetFirstChild();
  first->SetStateIndex(7);   // printed as the node icon's happy picture
  first->SetImageIndex(12);  // the same picture, half a margin to the right
  first->getNextSibling()->SetStateIndex(2);
  first->getNextSibling()->SetImageIndex(7);
  PrintTree();
  const int without = ColouredPixels(pdf, dir.File("plain.png"));
  Form3->PrintIconsCheckBox->SetChecked(true);
  PrintTree();
  const int with = ColouredPixels(pdf, dir.File("icons.png"));
  EXPECT_EQ(without, 0);
  EXPECT_GT(with, 20);
}

}  // namespace
}  // namespace ostrel::test
