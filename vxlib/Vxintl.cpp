#include "Vxintl.h"

#include "Forms.h"

using namespace fw;

namespace vx {

#define VX_INTL_DEFAULT(Name, Default) Default,
#define VX_INTL_PUBLISH(Name, Default) c.Property(#Name, &Self::Name, &Self::Set##Name);
#define VX_INTL_TEXTS_IMPL(Class, TEXTS)                           \
  Class::Class() : TvxIntlTexts({TEXTS(VX_INTL_DEFAULT)}) {}       \
  FW_PUBLISH(Class) {                                              \
    using Self = Class;                                            \
    TEXTS(VX_INTL_PUBLISH)                                         \
  }

FW_IMPLEMENT_CLASS(TvxIntlTexts)

VX_INTL_TEXTS_IMPL(TvxUserMessagesIntl, VX_USER_MESSAGES_TEXTS)
VX_INTL_TEXTS_IMPL(TvxLocateDialogIntl, VX_LOCATE_DIALOG_TEXTS)
VX_INTL_TEXTS_IMPL(TvxSearchDialogIntl, VX_SEARCH_DIALOG_TEXTS)
VX_INTL_TEXTS_IMPL(TvxFilterDialogIntl, VX_FILTER_DIALOG_TEXTS)
VX_INTL_TEXTS_IMPL(TvxRichEditMenuLabels, VX_RICH_EDIT_MENU_TEXTS)
VX_INTL_TEXTS_IMPL(TvxRichEditPopupMenuLabels, VX_RICH_EDIT_POPUP_TEXTS)
VX_INTL_TEXTS_IMPL(TvxRichEditParagraphDlg, VX_RICH_EDIT_PARAGRAPH_TEXTS)
VX_INTL_TEXTS_IMPL(TvxRichEditTabDlg, VX_RICH_EDIT_TAB_TEXTS)

void TvxIntlTexts::Assign(const TPersistent* Source) {
  if (Source && Source->ClassType() == ClassType()) {
    Texts_ = static_cast<const TvxIntlTexts*>(Source)->Texts_;
    return;
  }
  TPersistent::Assign(Source);
}

TvxDBRichEditIntl::TvxDBRichEditIntl()
    : TvxIntlTexts({VX_RICH_EDIT_TEXTS(VX_INTL_DEFAULT)}),
      MenuLabels_(std::make_unique<TvxRichEditMenuLabels>()),
      PopupMenuLabels_(std::make_unique<TvxRichEditPopupMenuLabels>()),
      ParagraphDialog_(std::make_unique<TvxRichEditParagraphDlg>()),
      TabDialog_(std::make_unique<TvxRichEditTabDlg>()) {}

void TvxDBRichEditIntl::Assign(const TPersistent* Source) {
  TvxIntlTexts::Assign(Source);
  if (auto* src = dynamic_cast<const TvxDBRichEditIntl*>(Source)) {
    MenuLabels_->Assign(src->MenuLabels());
    PopupMenuLabels_->Assign(src->PopupMenuLabels());
    ParagraphDialog_->Assign(src->ParagraphDialog());
    TabDialog_->Assign(src->TabDialog());
  }
}

FW_PUBLISH(TvxDBRichEditIntl) {
  using Self = TvxDBRichEditIntl;
  VX_RICH_EDIT_TEXTS(VX_INTL_PUBLISH)
  c.Property("MenuLabels", &Self::MenuLabels);
  c.Property("PopupMenuLabels", &Self::PopupMenuLabels);
  c.Property("ParagraphDialog", &Self::ParagraphDialog);
  c.Property("TabDialog", &Self::TabDialog);
}

#undef VX_INTL_TEXTS_IMPL
#undef VX_INTL_PUBLISH
#undef VX_INTL_DEFAULT

TvxIntl::TvxIntl(TComponent* AOwner)
    : TComponent(AOwner),
      SearchDialog_(std::make_unique<TvxSearchDialogIntl>()),
      LocateDialog_(std::make_unique<TvxLocateDialogIntl>()),
      FilterDialog_(std::make_unique<TvxFilterDialogIntl>()),
      RichEdit_(std::make_unique<TvxDBRichEditIntl>()),
      UserMessages_(std::make_unique<TvxUserMessagesIntl>()) {}

TvxIntl::~TvxIntl() = default;

void TvxIntl::SetConnected(bool v) {
  Connected_ = v;
  if (v) Connect();
}

void TvxIntl::SetCheckBoxInGridStyle(TvxCheckBoxInGridStyle v) {
  CheckBoxInGridStyle_ = v;
  TvxIntl* global = vxInternational();
  if (Connected_ && global != this) global->SetCheckBoxInGridStyle(v);
}

void TvxIntl::Connect() {
  TvxIntl* global = vxInternational();
  if (global == this) return;
  global->SearchDialog_->Assign(SearchDialog_.get());
  global->LocateDialog_->Assign(LocateDialog_.get());
  global->FilterDialog_->Assign(FilterDialog_.get());
  global->RichEdit_->Assign(RichEdit_.get());
  global->UserMessages_->Assign(UserMessages_.get());
  global->OKCancelBitmapped_ = OKCancelBitmapped_;
  global->BtnOKCaption_ = BtnOKCaption_;
  global->BtnCancelCaption_ = BtnCancelCaption_;
  global->SetCheckBoxInGridStyle(CheckBoxInGridStyle_);
  global->DialogFontStyle_ = DialogFontStyle_;
  global->UseLocateMethodForSearch_ = UseLocateMethodForSearch_;
  global->UseFastCancelRange_ = UseFastCancelRange_;
}

void TvxIntl::Loaded() {
  TComponent::Loaded();
  if (Connected_) Connect();
}

FW_PUBLISH(TvxIntl) {
  c.Property("SearchDialog", &TvxIntl::SearchDialog);
  c.Property("LocateDialog", &TvxIntl::LocateDialog);
  c.Property("FilterDialog", &TvxIntl::FilterDialog);
  c.Property("RichEdit", &TvxIntl::RichEdit);
  c.Property("UserMessages", &TvxIntl::UserMessages);
  c.Property("OKCancelBitmapped", &TvxIntl::OKCancelBitmapped, &TvxIntl::SetOKCancelBitmapped).Default(1);
  c.Property("Connected", &TvxIntl::Connected, &TvxIntl::SetConnected).Default(0);
  c.Property("BtnOKCaption", &TvxIntl::BtnOKCaption, &TvxIntl::SetBtnOKCaption);
  c.Property("BtnCancelCaption", &TvxIntl::BtnCancelCaption, &TvxIntl::SetBtnCancelCaption);
  c.Property("CheckBoxInGridStyle", &TvxIntl::CheckBoxInGridStyle, &TvxIntl::SetCheckBoxInGridStyle)
      .Default(cbStyleAuto);
  c.Property("VersionLumerix", &TvxIntl::VersionLumerix, &TvxIntl::SetVersionLumerix);
  c.Property("UseLocateMethodForSearch", &TvxIntl::UseLocateMethodForSearch, &TvxIntl::SetUseLocateMethodForSearch)
      .Default(1);
  c.Property("DialogFontStyle", &TvxIntl::DialogFontStyle, &TvxIntl::SetDialogFontStyle).Default(0);
}

TvxIntl* vxInternational() {
  static const std::unique_ptr<TvxIntl> global = std::make_unique<TvxIntl>(nullptr);
  return global.get();
}

fw::TButton* vxCreateCommonButton(fw::TWinControl* Form, fw::TBitBtnKind Kind) {
  using namespace fw;
  TvxIntl* intl = vxInternational();
  const int ppi = Screen->PixelsPerInch();
  TButton* button;
  if (intl->OKCancelBitmapped()) {
    auto* b = new TBitBtn(Form);
    b->SetKind(Kind);
    b->SetHeight(ppi * 27 / 96);
    b->SetMargin(2);
    b->SetLayout(blGlyphLeft);
    b->SetNumGlyphs(2);
    b->SetSpacing(-1);
    b->SetParentFont(false);
    b->Font()->SetColor(clBtnText);
    b->Font()->SetHeight(-11);
    b->Font()->SetName("MS Sans Serif");
    b->Font()->SetStyle(intl->DialogFontStyle());
    button = b;
  } else {
    button = new TButton(Form);
    button->SetHeight(ppi * 24 / 96);
  }
  button->SetVisible(false);
  button->SetParent(Form);
  button->SetWidth(ppi * 77 / 96);
  switch (Kind) {
    case bkOK:
      button->SetCaption(intl->BtnOKCaption());
      button->SetModalResult(mrOk);
      break;
    case bkCancel:
      button->SetCaption(intl->BtnCancelCaption());
      button->SetModalResult(mrCancel);
      button->SetCancel(true);
      break;
    default:
      button->SetCaption("Help");
      break;
  }
  return button;
}

}  // namespace vx
