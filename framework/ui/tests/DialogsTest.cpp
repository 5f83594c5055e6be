#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Dialogs.h"
#include "Printer.h"
#include "Scope.h"
#include "TempDir.h"
#include "UiTest.h"

namespace fw::test {
namespace {

class DialogsTest : public UiTest {
protected:
  std::string TempFile(const std::string& name, bool create) const {
    std::string path = temp_.File(name);
    if (create) std::ofstream(path) << "x";
    else std::filesystem::remove(path);
    return path;
  }
  // A dialog answer that chooses a file name.
  static std::function<bool(TDialogRequest&)> Choose(const std::string& name) {
    return [name](TDialogRequest& r) {
      r.Values["FileName"] = name;
      return true;
    };
  }

  TempDir temp_;
};

TEST_F(DialogsTest, MessageDlgAsksWithTheTypesCaptionIconAndButtons) {
  Application->SetTitle("Velloria Test");
  struct Case {
    TMsgDlgType type;
    TMsgDlgButtons buttons;
    const char* caption;
    TMessageIcon icon;
    std::vector<int> shown;
    int defaultButton, cancelButton;
  } cases[] = {
      {mtWarning, {mbOK}, "Warning", TMessageIcon::Warning, {mrOk}, mrOk, mrOk},
      {mtError, {mbOK}, "Error", TMessageIcon::Error, {mrOk}, mrOk, mrOk},
      {mtInformation, {mbOK}, "Information", TMessageIcon::Information, {mrOk}, mrOk, mrOk},
      {mtConfirmation, mbYesNoCancel, "Confirm", TMessageIcon::Question, {mrYes, mrNo, mrCancel}, mrYes, mrCancel},
      {mtConfirmation, {mbYes, mbNo}, "Confirm", TMessageIcon::Question, {mrYes, mrNo}, mrYes, mrNo},
      {mtCustom, mbOKCancel, "Velloria Test", TMessageIcon::None, {mrOk, mrCancel}, mrOk, mrCancel},
  };
  for (const Case& c : cases) {
    messages->Requests.clear();
    messages->Answers.push_back(c.shown.back());
    EXPECT_EQ(MessageDlg("Picture mask already defined.", c.type, c.buttons, 4010), c.shown.back());
    ASSERT_EQ(messages->Requests.size(), 1u);
    const TMessageRequest& r = messages->Requests[0];
    EXPECT_EQ(r.Kind, TMessageKind::MessageDlg);
    EXPECT_EQ(r.Text, "Picture mask already defined.");
    EXPECT_EQ(r.Caption, c.caption);
    EXPECT_EQ(r.Icon, c.icon);
    EXPECT_EQ(r.Buttons, c.shown);
    EXPECT_EQ(r.DefaultButton, c.defaultButton);
    EXPECT_EQ(r.CancelButton, c.cancelButton);
    EXPECT_EQ(r.HelpContext, 4010);
  }
  messages->Requests.clear();
  MessageDlgPos("Here", mtInformation, {mbOK}, 0, 30, 40);
  EXPECT_EQ(messages->Requests[0].X, 30);
  EXPECT_EQ(messages->Requests[0].Y, 40);
}

TEST_F(DialogsTest, ShowMessageAndInputQuery) {
  Application->SetTitle("Velloria Seating");
  ShowMessage("Nothing To Print !");
  ASSERT_EQ(messages->Requests.size(), 1u);
  EXPECT_EQ(messages->Requests[0].Kind, TMessageKind::ShowMessage);
  EXPECT_EQ(messages->Requests[0].Caption, "Velloria Seating");
  EXPECT_EQ(messages->Requests[0].Text, "Nothing To Print !");

  std::string value = "old";
  messages->DialogAnswers.push_back([](TDialogRequest& r) {
    EXPECT_EQ(r.Values["Prompt"], "New name:");
    EXPECT_EQ(r.Values["Value"], "old");
    r.Values["Value"] = "new";
    return true;
  });
  EXPECT_TRUE(InputQuery("Rename", "New name:", value));
  EXPECT_EQ(value, "new");
  EXPECT_FALSE(InputQuery("Rename", "New name:", value));  // cancelled
  EXPECT_EQ(value, "new");
  EXPECT_EQ(messages->Dialogs.back().Caption, "Rename");
}

TEST_F(DialogsTest, OpenDialogChecksThatTheFileExists) {
  std::string missing = TempFile("missing.cfg", false);
  std::string there = TempFile("there.cfg", true);
  auto d = std::make_unique<TOpenDialog>(nullptr);
  d->SetOptions({ofFileMustExist, ofPathMustExist});
  d->SetFilter("Configuration files|*.cfg|All files|*");
  d->SetTitle("Open configuration");
  messages->DialogAnswers.push_back(Choose(missing));
  messages->DialogAnswers.push_back(Choose(there));
  ASSERT_TRUE(d->Execute());
  EXPECT_EQ(d->FileName(), there);
  ASSERT_EQ(messages->Requests.size(), 1u);
  EXPECT_EQ(messages->Requests[0].Text, missing + "\nFile not found.\nPlease verify the correct file name was given.");
  EXPECT_EQ(messages->Dialogs[0].Kind, "Open");
  EXPECT_EQ(messages->Dialogs[0].Caption, "Open configuration");
  EXPECT_EQ(messages->Dialogs[0].Values["Options"], "ofPathMustExist,ofFileMustExist");
  EXPECT_EQ(messages->Dialogs[1].Values["FileName"], missing);  // asked again, from the name given
  EXPECT_FALSE(d->Execute());  // no more answers: cancelled
  EXPECT_EQ(d->FileName(), there);
}

TEST_F(DialogsTest, SaveDialogAsksBeforeOverwritingAndAddsTheExtension) {
  std::string there = TempFile("tree.dat", true);
  std::string fresh = TempFile("fresh.dat", false);
  auto d = std::make_unique<TSaveDialog>(nullptr);
  d->SetOptions({ofOverwritePrompt});
  d->SetDefaultExt("dat");
  messages->DialogAnswers.push_back(Choose(there));
  messages->Answers.push_back(IDNO);
  messages->DialogAnswers.push_back(Choose(fresh.substr(0, fresh.size() - 4)));
  ASSERT_TRUE(d->Execute());
  EXPECT_EQ(d->FileName(), fresh);
  ASSERT_EQ(messages->Requests.size(), 1u);
  EXPECT_EQ(messages->Requests[0].Text, there + " already exists.\nDo you want to replace it?");
  EXPECT_EQ(messages->Requests[0].Caption, "Save As");
  EXPECT_EQ(messages->Dialogs[0].Kind, "Save");
  messages->DialogAnswers.push_back(Choose(there));
  messages->Answers.push_back(IDYES);
  ASSERT_TRUE(d->Execute());
  EXPECT_EQ(d->FileName(), there);
}

TEST_F(DialogsTest, FontAndPrintDialogsTakeTheChoices) {
  auto fd = std::make_unique<TFontDialog>(nullptr);
  fd->Font()->SetName("MS Sans Serif");
  fd->Font()->SetSize(8);
  fd->SetDevice(fdBoth);
  messages->DialogAnswers.push_back([](TDialogRequest& r) {
    EXPECT_EQ(r.Values["Name"], "MS Sans Serif");
    EXPECT_EQ(r.Values["Size"], "8");
    EXPECT_EQ(r.Values["Device"], "fdBoth");
    r.Values["Name"] = "Arial";
    r.Values["Size"] = "12";
    r.Values["Style"] = "fsBold,fsItalic";
    return true;
  });
  ASSERT_TRUE(fd->Execute());
  EXPECT_EQ(fd->Font()->Name(), "Arial");
  EXPECT_EQ(fd->Font()->Size(), 12);
  EXPECT_EQ(fd->Font()->Style(), (TFontStyles{fsBold, fsItalic}));
  EXPECT_FALSE(fd->Execute());
  EXPECT_EQ(fd->Font()->Name(), "Arial");

  auto pd = std::make_unique<TPrintDialog>(nullptr);
  pd->SetCopies(1);
  EXPECT_EQ(Printer()->Copies(), 1);
  messages->DialogAnswers.push_back([](TDialogRequest& r) {
    EXPECT_EQ(r.Values["Copies"], "1");
    r.Values["Copies"] = "3";
    return true;
  });
  ASSERT_TRUE(pd->Execute());
  EXPECT_EQ(pd->Copies(), 3);
  EXPECT_EQ(Printer()->Copies(), 3);
  pd->SetCopies(1);
}

TEST_F(DialogsTest, ThePrinterSetupChoosesAPrinterOrAPdfFileWithPaperAndOrientation) {
  TPrinter* printer = Printer();
  printer->SetSystemPrinters(TPrinterList{{"Office", "Hall"}, "Hall"});
  TScopeExit reset([printer] {
    printer->SetSystemPrinters(std::nullopt);
    printer->SetOutputFileName("");
    printer->SetPaperSize("");
    printer->SetOrientation(poPortrait);
  });
  // The dialog as Qt shows it, worked as a user would.
  TMessageServiceScope qt(std::make_unique<TQtMessageService>());
  const std::string file = TempFile("plan.pdf", false);
  QStringList listed;
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle(), "Print Setup");
    const QList<QComboBox*> combos = d->findChildren<QComboBox*>();
    ASSERT_EQ(combos.size(), 2);
    QComboBox* printers = combos[0];
    for (int i = 0; i < printers->count(); ++i) listed << printers->itemText(i);
    EXPECT_EQ(printers->currentText(), "Hall");  // the default to start with
    auto* edit = d->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    EXPECT_FALSE(edit->isEnabled());  // a printer needs no file
    printers->setCurrentIndex(printers->count() - 1);
    EXPECT_TRUE(edit->isEnabled());
    edit->setText(QString::fromStdString(file));
    combos[1]->setCurrentIndex(combos[1]->findText("Letter"));
    for (QRadioButton* b : d->findChildren<QRadioButton*>())
      if (b->text().contains("Landscape")) b->click();
    d->accept();
  });
  auto setup = std::make_unique<TPrinterSetupDialog>(nullptr);
  ASSERT_TRUE(setup->Execute());
  EXPECT_EQ(listed, (QStringList{"Office", "Hall", "PDF file"}));
  EXPECT_TRUE(printer->PrintsToFile());
  EXPECT_EQ(printer->OutputFileName(), file);
  EXPECT_EQ(printer->PaperSize(), "Letter");
  EXPECT_EQ(printer->Orientation(), poLandscape);
  EXPECT_GT(printer->PageWidth(), printer->PageHeight());

  // Back to a printer; a cancelled setup changes nothing.
  auto choose = [](int index, bool confirm) {
    QTimer::singleShot(0, [index, confirm] {
      auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(d, nullptr);
      d->findChildren<QComboBox*>()[0]->setCurrentIndex(index);
      confirm ? d->accept() : d->reject();
    });
  };
  choose(0, true);
  ASSERT_TRUE(setup->Execute());
  EXPECT_EQ(printer->PrinterName(), "Office");
  choose(1, false);
  EXPECT_FALSE(setup->Execute());
  EXPECT_EQ(printer->PrinterName(), "Office");
}

}  // namespace
}  // namespace fw::test
