// A form file that names a component of another form ("Form.Component").
#include <memory>

#include "FormReader.h"
#include "StdCtrls.h"
#include "UiTest.h"

namespace fw::test {
namespace {

class GlobalReference : public UiTest {};

TEST_F(GlobalReference, AComponentOfAnotherFormIsFoundByTheFormsName) {
  auto main = std::make_unique<TForm>(nullptr);
  main->SetName("MainWindow");
  auto* target = new TEdit(main.get());
  target->SetName("NameEdit");
  auto other = std::make_unique<TForm>(nullptr);
  ReadComponentText(other.get(),
                    "object Other: TForm\n"
                    "  object Caption1: TLabel\n"
                    "    FocusControl = mainwindow.NameEdit\n"
                    "  end\n"
                    "end\n",
                    "other.dfm");
  auto* label = dynamic_cast<TLabel*>(other->FindComponent("Caption1"));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->FocusControl(), target);
  EXPECT_THROW(ReadComponentText(other.get(),
                                 "object Other: TForm\n"
                                 "  object Caption2: TLabel\n"
                                 "    FocusControl = NoSuchForm.NameEdit\n"
                                 "  end\n"
                                 "end\n",
                                 "other.dfm"),
               EReadError);
}

}  // namespace
}  // namespace fw::test
