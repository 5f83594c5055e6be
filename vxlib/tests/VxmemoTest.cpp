// The memo dialog over a memo field, driven as a user drives it.
#include <gtest/gtest.h>

#include <QTimer>
#include <deque>
#include <functional>
#include <memory>

#include "DataSource.h"
#include "Forms.h"
#include "TempDir.h"
#include "UiTest.h"
#include "Vxdbgrid.h"
#include "Vxmemo.h"
#include "Vxtable.h"
#include "VxTables.h"

using namespace fw;
using namespace vx;

namespace {

class MemoDialog : public test::UiTest {
protected:
  void SetUp() override {
    vxtest::MakeTable(dir.Path(), "notes.db", {{"ID", ORVEX_FT_INTEGER}, {"Notes", ORVEX_FT_MEMO}}, {{1}});
    table = std::make_unique<TvxTable>(nullptr);
    table->SetDatabaseName(dir.Path());
    table->SetTableName("notes.db");
    table->Open();
    table->Append();
    table->FieldByName("ID")->SetAsInteger(1);
    table->FieldByName("Notes")->SetAsString("Früh ankommen.\r\nZweite Zeile");
    table->Post();
    source = std::make_unique<TvxDataSource>(nullptr);
    source->SetDataSet(table.get());
    memo = std::make_unique<TvxMemoDialog>(nullptr);
    memo->SetDataSource(source.get());
    memo->SetDataField("Notes");
    memo->SetCaption("Notes");
  }

  // What the user does once the dialog shows, a step each turn of its loop.
  void Then(std::deque<std::function<void(TvxMemoDlg*)>> steps) {
    steps_ = std::move(steps);
    memo->OnInitDialog = [this](TvxMemoDlg* d) { Next(d); };
  }
  void Next(TvxMemoDlg* d) {
    if (steps_.empty()) return;
    QTimer::singleShot(0, [this, d] {
      auto step = std::move(steps_.front());
      steps_.pop_front();
      step(d);
      Next(d);
    });
  }
  static void Type(TvxMemoDlg* d, const QString& text) {
    // The key code does not matter to a memo: it takes the character.
    for (QChar ch : text) Key(WidgetOf(d->Memo), Qt::Key_A, Qt::NoModifier, QString(ch));
  }
  std::string Notes() const { return table->FieldByName("Notes")->AsString(); }

  test::TempDir dir;
  std::unique_ptr<TvxTable> table;
  std::unique_ptr<TvxDataSource> source;
  std::unique_ptr<TvxMemoDialog> memo;
  std::deque<std::function<void(TvxMemoDlg*)>> steps_;
};

TEST_F(MemoDialog, EscWithChangesAsksAndNoKeepsTheTextAndTheForm) {
  std::string kept;
  bool stillShown = false;
  Then({[](TvxMemoDlg* d) {
          EXPECT_EQ(d->Caption(), "Notes");
          EXPECT_EQ(d->Memo->Text(), "Früh ankommen.\r\nZweite Zeile");
          d->Memo->SetSelStart(0);
          Type(d, "ß ");
          Key(WidgetOf(d->Memo), Qt::Key_Escape);
        },
        [&](TvxMemoDlg* d) {
          stillShown = d->Visible();
          kept = d->Memo->Text();
          Key(WidgetOf(d->Memo), Qt::Key_Escape);  // and Yes this time
        }});
  messages->Answers = {mrNo, mrYes};
  EXPECT_FALSE(memo->Execute());
  ASSERT_EQ(messages->Requests.size(), 2u);
  EXPECT_EQ(messages->Requests[0].Text, "Changes have been made!  Are you sure you wish to cancel?");
  EXPECT_TRUE(stillShown);
  EXPECT_EQ(kept, "ß Früh ankommen.\r\nZweite Zeile");
  EXPECT_EQ(Notes(), "Früh ankommen.\r\nZweite Zeile");
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(memo->Form(), nullptr);
}

TEST_F(MemoDialog, CtrlEnterAndF2SaveWithoutAsking) {
  struct Case {
    int key;
    Qt::KeyboardModifiers mods;
  } cases[] = {{Qt::Key_Return, Qt::ControlModifier}, {Qt::Key_F2, Qt::NoModifier}};
  for (const Case& c : cases) {
    Then({[&](TvxMemoDlg* d) {
      d->Memo->SetSelStart(static_cast<int>(d->Memo->Text().size()));
      Type(d, "!");
      Key(WidgetOf(d->Memo), c.key, c.mods);
    }});
    const std::string before = Notes();
    EXPECT_TRUE(memo->Execute());
    EXPECT_EQ(table->State(), dsEdit);
    EXPECT_EQ(Notes(), before + "!");
    table->Post();
  }
  EXPECT_TRUE(messages->Requests.empty());
}

TEST_F(MemoDialog, ReadOnlyHidesCancelAndCentresOK) {
  memo->SetMemoAttributes({mSizeable, mWordWrap, mViewOnly});
  Then({[](TvxMemoDlg* d) {
    EXPECT_TRUE(d->Memo->ReadOnly());
    EXPECT_FALSE(d->CancelButton->Visible());
    EXPECT_TRUE(d->OKButton->Visible());
    EXPECT_EQ(d->OKButton->Left(), d->Memo->Left() + d->Memo->Width() / 2 - d->CancelButton->Width() / 2);
    EXPECT_EQ(d->OKButton->Top(), d->Memo->Height() + 17);
    Key(WidgetOf(d->Memo), Qt::Key_Return, Qt::ControlModifier);
  }});
  EXPECT_TRUE(memo->Execute());
  EXPECT_EQ(table->State(), dsBrowse);  // nothing written
}

TEST_F(MemoDialog, UserButtonsTheirPlacesAndEvents) {
  memo->SetUserButton1Caption("Stamp");
  memo->SetUserButton2Caption("Clear");
  std::vector<std::string> clicks;
  memo->OnUserButton1Click = [&](TvxMemoDlg* d, TMemo* m) {
    EXPECT_EQ(m, d->Memo);
    clicks.push_back("1");
    m->SetText(m->Text() + " (seen)");
  };
  memo->OnUserButton2Click = [&](TvxMemoDlg*, TMemo*) { clicks.push_back("2"); };
  bool closed = false;
  memo->OnCloseDialog = [&](TvxMemoDlg* d) { closed = d != nullptr; };
  Then({[](TvxMemoDlg* d) {
          EXPECT_TRUE(d->UserButtonPanel->Visible());
          EXPECT_EQ(d->UserButtonPanel->Top(), d->Memo->Top() + d->Memo->Height() + 2);
          EXPECT_EQ(d->UserButtonPanel->Left(), d->Memo->Left() - 1);
          EXPECT_EQ(d->UserButton1->Left(), 10);
          EXPECT_EQ(d->UserButton2->Left(), 10 + 89 + 15);
          EXPECT_EQ(d->UserButtonPanel->Width(), d->UserButton2->Left() + 89 + 10);
          EXPECT_EQ(d->UserButton1->Caption(), "Stamp");
          d->UserButton1->Click();
          d->UserButton2->Click();
        },
        [](TvxMemoDlg* d) { d->OKButton->Click(); }});
  EXPECT_TRUE(memo->Execute());
  EXPECT_EQ(clicks, (std::vector<std::string>{"1", "2"}));
  EXPECT_TRUE(closed);
  EXPECT_EQ(Notes(), "Früh ankommen.\r\nZweite Zeile (seen)");
  EXPECT_TRUE(messages->Requests.empty());  // OK after a change asks nothing

  // Read-only with user buttons: OK at the right.
  memo->SetMemoAttributes({mViewOnly});
  memo->SetUserButton1Caption("");
  Then({[](TvxMemoDlg* d) {
    EXPECT_FALSE(d->UserButton1->Visible());
    EXPECT_EQ(d->UserButton2->Left(), 10);  // the only one stands first
    EXPECT_EQ(d->OKButton->Left(), d->Memo->Left() + d->Memo->Width() - d->OKButton->Width() - 25);
    EXPECT_EQ(d->BorderStyle(), bsDialog);
    EXPECT_FALSE(d->Memo->WordWrap());
    d->OKButton->Click();
  }});
  EXPECT_TRUE(memo->Execute());
}

TEST_F(MemoDialog, AnInitEventThatRaisesLeavesNoForm) {
  memo->OnInitDialog = [](TvxMemoDlg*) { throw EConvertError("no"); };
  const int forms = Application->ComponentCount();
  EXPECT_THROW(memo->Execute(), EConvertError);
  EXPECT_EQ(Application->ComponentCount(), forms);
  EXPECT_EQ(memo->Form(), nullptr);
}

TEST_F(MemoDialog, PlaceAndSize) {
  struct Case {
    int left, top, width;
    bool centred;
  } cases[] = {{0, 0, 300, true}, {40, 0, 400, false}, {-1, 0, 300, true}};
  for (const Case& c : cases) {
    memo->SetDlgLeft(c.left);
    memo->SetDlgTop(c.top);
    memo->SetDlgWidth(c.width);
    int left = 0, top = 0, width = 0, height = 0;
    Then({[&](TvxMemoDlg* d) {
      left = d->Left();
      top = d->Top();
      width = d->Width();
      height = d->Height();
      EXPECT_TRUE(d->OKButton->Visible() && d->CancelButton->Visible()) << c.left;
      EXPECT_EQ(d->CancelButton->Top(), d->Memo->Height() + 17) << c.left;
      Key(WidgetOf(d->Memo), Qt::Key_Escape);
    }});
    EXPECT_FALSE(memo->Execute());
    if (c.left < 0) {
      EXPECT_EQ(width, 561);  // neither place nor size: the form's own
      EXPECT_EQ(height, 395);
    } else {
      EXPECT_EQ(width, c.width) << c.left;
      EXPECT_EQ(height, 396);
    }
    if (c.centred) {
      // Halving rounds: the centre may be a pixel off.
      EXPECT_NEAR(left, (Screen->Width() - width) / 2, 1) << c.left;
      EXPECT_NEAR(top, (Screen->Height() - height) / 2, 1) << c.left;
    } else {
      EXPECT_EQ(left, c.left);
      EXPECT_EQ(top, c.top);
    }
  }
}

}  // namespace
