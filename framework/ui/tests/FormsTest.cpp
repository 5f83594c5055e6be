#include <QTest>
#include <QTimer>
#include <string>
#include <vector>

#include "Exceptions.h"
#include "StdCtrls.h"
#include "UiTest.h"

namespace fw::test {
namespace {

// A dialog-like form: an edit, a memo, an OK button (default), a Cancel
// button (cancel) and "E&xit".
class FormsTest : public UiTest {
protected:
  FormsTest() : form(std::make_unique<TForm>(nullptr)) {
    form->SetBounds(100, 100, 320, 240);
    edit = Add<TEdit>(10, 10);
    memo = Add<TMemo>(10, 40);
    ok = Add<TButton>(10, 150);
    ok->SetCaption("OK");
    ok->SetDefault(true);
    ok->SetModalResult(mrOk);
    cancel = Add<TButton>(100, 150);
    cancel->SetCaption("Cancel");
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    exitButton = Add<TButton>(190, 150);
    exitButton->SetCaption("E&xit");
    for (TButton* b : {ok, cancel, exitButton})
      b->OnClick = [this, b](TObject*) { clicks.push_back(StripHotkey(b->Caption())); };
  }
  template <class T>
  T* Add(int x, int y) {
    T* c = new T(form.get());
    c->SetParent(form.get());
    c->SetLeft(x);
    c->SetTop(y);
    return c;
  }
  void Focus(TWinControl* c) {
    c->SetFocus();
    ASSERT_TRUE(PumpUntil([c] { return c->Focused(); }));
  }

  std::unique_ptr<TForm> form;
  TEdit* edit;
  TMemo* memo;
  TButton *ok, *cancel, *exitButton;
  std::vector<std::string> clicks;
};

TEST_F(FormsTest, EnterPressesTheDefaultButtonAndEscTheCancelButton) {
  ShowActive(form.get());
  Focus(edit);
  Key(WidgetOf(edit), Qt::Key_Return, Qt::NoModifier, "\r");
  Key(WidgetOf(edit), Qt::Key_Escape, Qt::NoModifier, "\x1b");
  EXPECT_EQ(clicks, (std::vector<std::string>{"OK", "Cancel"}));
  EXPECT_EQ(form->ModalResult(), mrCancel);
  // A focused button is the one that Enter presses.
  clicks.clear();
  Focus(exitButton);
  Key(WidgetOf(exitButton), Qt::Key_Return, Qt::NoModifier, "\r");
  EXPECT_EQ(clicks, (std::vector<std::string>{"Exit"}));
  // A memo that wants returns keeps Enter for a new line.
  clicks.clear();
  Focus(memo);
  Key(WidgetOf(memo), Qt::Key_A, Qt::NoModifier, "a");
  Key(WidgetOf(memo), Qt::Key_Return, Qt::NoModifier, "\r");
  Key(WidgetOf(memo), Qt::Key_B, Qt::NoModifier, "b");
  EXPECT_TRUE(clicks.empty());
  EXPECT_EQ(memo->Text(), "a\r\nb");
  EXPECT_EQ(memo->Lines()->Count(), 2);
  memo->SetWantReturns(false);
  Key(WidgetOf(memo), Qt::Key_Return, Qt::NoModifier, "\r");
  EXPECT_EQ(clicks, (std::vector<std::string>{"OK"}));
  EXPECT_EQ(memo->Text(), "a\r\nb");
}

TEST_F(FormsTest, AcceleratorsPressButtons) {
  ShowActive(form.get());
  Focus(edit);
  Key(WidgetOf(edit), Qt::Key_X, Qt::AltModifier, "x");
  EXPECT_EQ(clicks, (std::vector<std::string>{"Exit"}));
  EXPECT_EQ(edit->Text(), "");
  // Without Alt a letter is text in an edit, and an accelerator on a button.
  Key(WidgetOf(edit), Qt::Key_X, Qt::NoModifier, "x");
  EXPECT_EQ(edit->Text(), "x");
  Focus(ok);
  Key(WidgetOf(ok), Qt::Key_X, Qt::NoModifier, "x");
  EXPECT_EQ(clicks, (std::vector<std::string>{"Exit", "Exit"}));
}

TEST_F(FormsTest, KeyPreviewLetsTheFormSeeKeysFirst) {
  std::vector<std::string> log;
  form->SetKeyPreview(true);
  form->OnKeyDown = [&](TObject*, Word& k, TShiftState) {
    log.push_back("form " + std::to_string(k));
    if (k == VK_F2) k = 0;
  };
  edit->OnKeyDown = [&](TObject*, Word& k, TShiftState) { log.push_back("edit " + std::to_string(k)); };
  ShowActive(form.get());
  Focus(edit);
  Key(WidgetOf(edit), Qt::Key_F3);
  Key(WidgetOf(edit), Qt::Key_F2);
  EXPECT_EQ(log, (std::vector<std::string>{"form 114", "edit 114", "form 113"}));
}

TEST_F(FormsTest, ShowModalRunsUntilAButtonGivesAResult) {
  std::vector<std::string> shown;
  form->OnShow = [&](TObject*) { shown.push_back("show"); };
  form->OnClose = [&](TObject*, TCloseAction& a) { shown.push_back(a == caHide ? "close hide" : "close"); };
  QTimer::singleShot(0, [this] { ok->Click(); });
  EXPECT_EQ(form->ShowModal(), mrOk);
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(shown, (std::vector<std::string>{"show", "close hide"}));

  // Close gives Cancel; a refused close keeps the loop going.
  int asked = 0;
  form->OnCloseQuery = [&](TObject*, bool& can) { can = ++asked > 1; };
  QTimer::singleShot(0, [this] { form->Close(); });
  QTimer::singleShot(20, [this] { form->Close(); });
  EXPECT_EQ(form->ShowModal(), mrCancel);
  EXPECT_EQ(asked, 2);
  EXPECT_THROW(
      {
        form->Show();
        form->ShowModal();
      },
      EInvalidOperation);
}

TEST_F(FormsTest, CloseAsksThenHidesFreesOrStays) {
  Application->SetTitle("Velloria Test");
  ShowActive(form.get());
  bool can = false;
  TCloseAction action = caNone;
  form->OnCloseQuery = [&](TObject*, bool& c) { c = can; };
  form->OnClose = [&](TObject*, TCloseAction& a) { a = action; };
  form->Close();
  EXPECT_TRUE(form->Visible());  // refused
  can = true;
  form->Close();
  EXPECT_TRUE(form->Visible());  // caNone
  action = caHide;
  form->Close();
  EXPECT_FALSE(form->Visible());

  // caFree: the form goes once the message loop runs.
  auto* owned = new TForm(Application);
  owned->OnClose = [](TObject*, TCloseAction& a) { a = caFree; };
  bool destroyed = false;
  owned->OnDestroy = [&](TObject*) { destroyed = true; };
  owned->AfterConstruction();
  auto alive = owned->LifeToken();
  owned->Show();
  owned->Close();
  EXPECT_TRUE(*alive);
  EXPECT_TRUE(PumpUntil([&] { return !*alive; }));
  EXPECT_TRUE(destroyed);
}

// The application tells every form OnDestroy, once, before it frees the
// first; a form's controls go with it.
TEST_F(FormsTest, TheApplicationTellsEveryFormBeforeFreeingAny) {
  std::vector<std::string> log;
  std::vector<std::shared_ptr<const bool>> edits;
  auto app = std::make_unique<TApplication>(nullptr);
  for (std::string name : {"A", "B"}) {
    auto* f = new TForm(app.get());
    f->SetName(name);
    auto* e = new TEdit(f);
    e->SetParent(f);
    f->OnDestroy = [&log, &edits, name](TObject*) {
      int alive = 0;
      for (const auto& token : edits) alive += *token ? 1 : 0;
      log.push_back(name + " hears OnDestroy, edits: " + std::to_string(alive));
    };
    f->AfterConstruction();
    f->Show();
    edits.push_back(e->LifeToken());
  }
  app.reset();
  EXPECT_EQ(log, (std::vector<std::string>{"B hears OnDestroy, edits: 2", "A hears OnDestroy, edits: 2"}));
  for (const auto& token : edits) EXPECT_FALSE(*token);
}

TEST_F(FormsTest, ExceptionsFromHandlersAreShownAndTheLoopGoesOn) {
  Application->SetTitle("Velloria Test");
  ShowActive(form.get());
  ok->OnClick = [](TObject*) { throw EConvertError("'x' is not a valid integer value"); };
  cancel->OnClick = [](TObject*) { Abort(); };
  QTest::mouseClick(WidgetOf(ok), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  QTest::mouseClick(WidgetOf(cancel), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  ASSERT_EQ(messages->Requests.size(), 1u);
  EXPECT_EQ(messages->Requests[0].Text, "'x' is not a valid integer value.");
  EXPECT_EQ(messages->Requests[0].Caption, "Velloria Test");
  EXPECT_EQ(messages->Requests[0].Icon, TMessageIcon::Error);
  // OnException takes the place of the message.
  std::string seen;
  Application->OnException = [&](TObject* sender, const Exception& e) {
    seen = static_cast<TComponent*>(sender) == ok ? "ok: " + e.Message() : "other";
  };
  QTest::mouseClick(WidgetOf(ok), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  Application->OnException = nullptr;
  EXPECT_EQ(seen, "ok: 'x' is not a valid integer value");
  EXPECT_EQ(messages->Requests.size(), 1u);
}

TEST_F(FormsTest, ApplicationMessageBoxAsksTheServiceAndGivesItsAnswer) {
  messages->Answers.push_back(IDNO);
  EXPECT_EQ(Application->MessageBox("Save Your Seating-Tree Data?", "Data Not Saved", MB_YESNOCANCEL), IDNO);
  ASSERT_EQ(messages->Requests.size(), 1u);
  const TMessageRequest& r = messages->Requests[0];
  EXPECT_EQ(r.Text, "Save Your Seating-Tree Data?");
  EXPECT_EQ(r.Caption, "Data Not Saved");
  EXPECT_EQ(r.Buttons, (std::vector<int>{IDYES, IDNO, IDCANCEL}));
}

TEST_F(FormsTest, ScreenCentringAndFixedMetrics) {
  Screen->SetSize(1024, 768);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
  struct {
    int index, value;
  } metrics[] = {{SM_CXVSCROLL, 16}, {SM_CYHSCROLL, 16}, {SM_CYCAPTION, 19}, {SM_CXFRAME, 4},
                 {SM_CXDLGFRAME, 3}, {SM_CXBORDER, 1},   {SM_CXEDGE, 2}};
  for (auto m : metrics) EXPECT_EQ(GetSystemMetrics(m.index), m.value) << m.index;
  form->SetPosition(poScreenCenter);
  form->SetBorderStyle(bsDialog);
  form->SetClientWidth(300);
  form->SetClientHeight(200);
  EXPECT_EQ(form->Width(), 306);
  EXPECT_EQ(form->Height(), 225);
  form->Show();
  EXPECT_EQ(form->Left(), (1024 - 306) / 2);
  EXPECT_EQ(form->Top(), (768 - 225) / 2);
  Screen->SetSize(0, 0);
}

// Last in this file: once the main form has closed the application stays terminated.
TEST_F(FormsTest, RunEndsWhenTheMainFormClosesAndMessagesRunFromHandlers) {
  TForm* main = nullptr;
  Application->CreateForm(main);
  ASSERT_EQ(Application->MainForm(), main);
  int ticks = 0;
  QTimer::singleShot(10, [&] {
    Application->ProcessMessages();  // safe from a handler
    ++ticks;
    main->Close();
  });
  Application->Run();
  EXPECT_EQ(ticks, 1);
  EXPECT_TRUE(Application->Terminated());
  EXPECT_TRUE(main->Visible());  // closing the main form ends the loop; the form stays
}

}  // namespace
}  // namespace fw::test
