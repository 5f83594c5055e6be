#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FormReader.h"
#include "Vxintl.h"

namespace vx {
namespace {

// Every published text of an object and of its parts, with its path; a
// component's Name is no text.
void ForEachText(fw::TObject* obj, const std::string& path,
                 const std::function<void(fw::TObject*, const fw::TPropInfo*, const std::string&)>& f) {
  for (const fw::TPropInfo* p : fw::GetPropList(obj->ClassType())) {
    std::string name = path + p->Name;
    if (name == "Name") continue;
    if (p->Kind == fw::tkString) {
      f(obj, p, name);
    } else if (p->Kind == fw::tkClass) {
      if (fw::TObject* part = fw::GetObjectProp(obj, p)) ForEachText(part, name + ".", f);
    }
  }
}

std::vector<std::string> AllTexts(TvxIntl* intl) {
  std::vector<std::string> out;
  ForEachText(intl, "", [&](fw::TObject* o, const fw::TPropInfo* p, const std::string& name) {
    out.push_back(name + "=" + fw::GetStrProp(o, p));
  });
  return out;
}

// Puts the global back to its defaults after a test changed it.
class VxintlTest : public ::testing::Test {
protected:
  void TearDown() override { std::make_unique<TvxIntl>(nullptr)->Connect(); }
};

TEST_F(VxintlTest, Defaults) {
  auto intl = std::make_unique<TvxIntl>(nullptr);
  EXPECT_EQ(intl->UserMessages()->PictureValidateError(), "Invalid characters. Field : ");
  EXPECT_EQ(intl->UserMessages()->MemoChangesWarning(), "Changes have been made!  Are you sure you wish to cancel?");
  EXPECT_EQ(intl->LocateDialog()->MatchAnyLabel(), "Partial Match &Anywhere");
  EXPECT_EQ(intl->FilterDialog()->MatchAnyLabel(), "Partial Match Any&where");
  EXPECT_EQ(intl->SearchDialog()->StatusRecLabel(), "Rec #");
  EXPECT_EQ(intl->RichEdit()->UnderlineButtonHint(),
            "Underline | Formats the selection with a continuous underline (toggle)");
  EXPECT_EQ(intl->RichEdit()->NUMLockCaption(), "NUM");
  EXPECT_EQ(intl->RichEdit()->MenuLabels()->HelpCaption(), "Help");
  EXPECT_EQ(intl->RichEdit()->PopupMenuLabels()->ParagraphCaption(), "P&aragraph");
  EXPECT_EQ(intl->RichEdit()->ParagraphDialog()->FirstLineEditHint(), "First Line of Paragraph Indentation");
  EXPECT_EQ(intl->RichEdit()->TabDialog()->TabGroupBoxCaption(), "&Tab Stop Position");
  EXPECT_EQ(intl->BtnOKCaption(), "&OK");
  EXPECT_EQ(intl->BtnCancelCaption(), "Cancel");
  EXPECT_TRUE(intl->OKCancelBitmapped());
  EXPECT_FALSE(intl->Connected());
  EXPECT_EQ(intl->CheckBoxInGridStyle(), cbStyleAuto);
  EXPECT_TRUE(intl->UseLocateMethodForSearch());
  EXPECT_TRUE(intl->UseFastCancelRange());
  EXPECT_TRUE(intl->DialogFontStyle().Empty());
  EXPECT_EQ(intl->RichEdit()->MenuLabels()->TextCount(), 28);
  EXPECT_EQ(intl->RichEdit()->PopupMenuLabels()->TextCount(), 13);
  EXPECT_EQ(intl->RichEdit()->ParagraphDialog()->TextCount(), 13);
  EXPECT_EQ(intl->RichEdit()->TabDialog()->TextCount(), 10);
}

TEST_F(VxintlTest, VersionStaysFixed) {
  auto intl = std::make_unique<TvxIntl>(nullptr);
  fw::SetStrProp(intl.get(), "VersionLumerix", "9.99");
  intl->SetVersionLumerix("1.0");
  EXPECT_EQ(intl->VersionLumerix(), "3.02");
  EXPECT_EQ(fw::GetStrProp(intl.get(), "VersionLumerix"), "3.02");
}

TEST_F(VxintlTest, ConnectCopiesEverythingIntoTheGlobal) {
  auto mine = std::make_unique<TvxIntl>(nullptr);
  int n = 0;
  ForEachText(mine.get(), "", [&](fw::TObject* o, const fw::TPropInfo* p, const std::string& name) {
    fw::SetStrProp(o, p, name + " #" + std::to_string(++n));
  });
  mine->SetOKCancelBitmapped(false);
  mine->SetCheckBoxInGridStyle(cbStyleXmark);
  mine->SetUseLocateMethodForSearch(false);
  mine->SetDialogFontStyle({fw::fsBold, fw::fsItalic});
  mine->SetUseFastCancelRange(false);
  ASSERT_NE(AllTexts(mine.get()), AllTexts(vxInternational()));

  mine->SetConnected(true);

  TvxIntl* global = vxInternational();
  std::vector<std::string> expected = AllTexts(mine.get());
  for (std::string& line : expected)
    if (line.rfind("VersionLumerix=", 0) == 0) line = "VersionLumerix=3.02";
  EXPECT_EQ(AllTexts(global), expected);
  EXPECT_FALSE(global->OKCancelBitmapped());
  EXPECT_EQ(global->CheckBoxInGridStyle(), cbStyleXmark);
  EXPECT_FALSE(global->UseLocateMethodForSearch());
  EXPECT_EQ(global->DialogFontStyle(), (fw::TFontStyles{fw::fsBold, fw::fsItalic}));
  EXPECT_FALSE(global->UseFastCancelRange());
  EXPECT_FALSE(global->Connected());
  EXPECT_EQ(global->VersionLumerix(), "3.02");

  // Connected, the style setter reaches the global too.
  mine->SetCheckBoxInGridStyle(cbStyleCheckmark);
  EXPECT_EQ(global->CheckBoxInGridStyle(), cbStyleCheckmark);
  auto other = std::make_unique<TvxIntl>(nullptr);
  other->SetCheckBoxInGridStyle(cbStyleXmark);
  EXPECT_EQ(global->CheckBoxInGridStyle(), cbStyleCheckmark);

  // On the global itself Connect changes nothing.
  global->UserMessages()->SetLocateNoMatches("kept");
  global->Connect();
  EXPECT_EQ(global->UserMessages()->LocateNoMatches(), "kept");
}

TEST_F(VxintlTest, FormLevelInstanceConnectsWhenLoaded) {
  auto root = std::make_unique<fw::TComponent>(nullptr);
  fw::ReadComponentText(root.get(), R"(object Root: TComponent
  object Intl1: TvxIntl
    Connected = True
    UserMessages.LocateNoMatches = 'Keine Treffer'
    RichEdit.MenuLabels.FileCaption = '&Datei'
    DialogFontStyle = [fsBold]
  end
end
)", "intl.dfm");
  TvxIntl* global = vxInternational();
  EXPECT_EQ(global->UserMessages()->LocateNoMatches(), "Keine Treffer");
  EXPECT_EQ(global->RichEdit()->MenuLabels()->FileCaption(), "&Datei");
  EXPECT_EQ(global->DialogFontStyle(), fw::TFontStyles{fw::fsBold});
  EXPECT_EQ(global->UserMessages()->LocateNoMoreMatches(), "No more matches found");
}

}  // namespace
}  // namespace vx
