// The library's user-visible texts, in one component so that an application
// can translate them: the library reads every text from vxInternational(). An
// application translates by putting its own TvxIntl on a form with Connected
// True, which copies its texts and settings into the global one when the form
// has loaded.
//
// The texts and their defaults are listed once, in the tables below; each
// line gives a published text property of that name with a getter and a
// setter (LocateNoMatches() and SetLocateNoMatches()).
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "Buttons.h"
#include "Classes.h"
#include "Graphics.h"

namespace vx {

// The texts of each part, in their published order: X(Name, default).
#define VX_USER_MESSAGES_TEXTS(X) \
  X(vxDBGridDiscardChanges, "Discard changes to this record?") \
  X(PictureValidateError, "Invalid characters. Field : ") \
  X(LocateNoMatches, "No matches found") \
  X(LocateNoMoreMatches, "No more matches found") \
  X(MemoChangesWarning, "Changes have been made!  Are you sure you wish to cancel?") \
  X(RichEditExitWarning, "Changes have been made!  Do you wish to save your changes?") \
  X(RichEditClearWarning, "Clear entire text?") \
  X(FilterDlgNoCriteria, "You have not selected any search criteria") \
  X(RecordViewExitWarning, "Changes have been made!  Do you wish to save your changes?")

#define VX_LOCATE_DIALOG_TEXTS(X) \
  X(FieldValueLabel, "Field &Value") \
  X(SearchTypeLabel, "&Search Type") \
  X(CaseSensitiveLabel, "&Case-sensitive") \
  X(MatchExactLabel, "&Exact Match") \
  X(MatchStartLabel, "&Partial Match at Beginning") \
  X(MatchAnyLabel, "Partial Match &Anywhere") \
  X(FieldsLabel, "&Fields") \
  X(BtnFirst, "Fi&rst") \
  X(BtnNext, "&Next") \
  X(BtnCancel, "Cancel") \
  X(FieldValueHint, "Enter field's search value") \
  X(CaseSensitiveHint, "Searching is case-sensitive") \
  X(MatchExactHint, "Match occurs only if there is an exact match") \
  X(MatchStartHint, "Match occurs if the start of the field's value matches") \
  X(MatchAnyHint, "Match occurs if any part of the field matches") \
  X(BtnFirstHint, "Find first match") \
  X(BtnNextHint, "Find next match from current record") \
  X(FieldNameHint, "Select the field to search on")

#define VX_SEARCH_DIALOG_TEXTS(X) \
  X(SearchCharLabel, "&Search Characters") \
  X(SearchCharShortLabel, "&Search Char") \
  X(SearchByLabel, "Search &By") \
  X(StatusRecLabel, "Rec #") \
  X(StatusOfLabel, "of") \
  X(SearchCharHint, "Enter characters for incremental search") \
  X(SearchByHint, "Incremental searching and sorting order")

#define VX_FILTER_DIALOG_TEXTS(X) \
  X(BtnViewSummary, "View Su&mmary") \
  X(BtnViewSummaryHint, "View summary of current search criteria") \
  X(ViewSummaryNotText, "NOT") \
  X(BtnNewSearch, "&New Search") \
  X(BtnNewSearchHint, "Start a new search") \
  X(FieldOrderLabel, "Field Order") \
  X(FieldOrderHint, "Sort field list alphabetically or in their natural logical order") \
  X(AlphabeticLabel, "Alpha&betic") \
  X(LogicalLabel, "&Logical") \
  X(AllFieldsLabel, "&All") \
  X(SearchedFieldsLabel, "&Searched") \
  X(StartingRangeLabel, "&Starting Range") \
  X(EndingRangeLabel, "En&ding Range") \
  X(StartingRangeHint, "Enter starting range for field") \
  X(EndingRangeHint, "Enter ending range for field") \
  X(BtnClearMin, "&Clear") \
  X(BtnClearMax, "Cl&ear") \
  X(BtnClearFilterValue, "&Clear") \
  X(BtnClearMinHint, "Clear starting range for field") \
  X(BtnClearMaxHint, "Clear ending range for field") \
  X(BtnClearFilterValueHint, "Clear the current field's search value") \
  X(ByValueLabel, "By &Value") \
  X(ByRangeLabel, "By &Range") \
  X(FieldValueLabel, "Field &Value") \
  X(FieldValueHint, "Enter field's search value") \
  X(SearchTypeLabel, "Search Type") \
  X(SearchTypeHint, "Specify how the Field Value should be compared") \
  X(MatchExactLabel, "&Exact Match") \
  X(MatchStartLabel, "&Partial Match at Beginning") \
  X(MatchAnyLabel, "Partial Match Any&where") \
  X(CaseSensitiveLabel, "Case Sensi&tive") \
  X(CaseSensitiveHint, "Searching is case-sensitive") \
  X(NonMatchingLabel, "N&on-matching records") \
  X(NonMatchingHint, "Show records that do not match the field value criteria") \
  X(SummaryFieldLabel, "Field") \
  X(SummarySearchLabel, "Search Type") \
  X(SummaryValueLabel, "Value") \
  X(FieldsLabel, "&Fields") \
  X(ValueRangeTabHint, "Search fields by value or by range") \
  X(AllSearchedTabHint, "Show all fields or only currently searched fields")

#define VX_RICH_EDIT_TEXTS(X) \
  X(FontNameComboHint, "Font | Changes the font of the selection") \
  X(FontSizeComboHint, "Font Size | Changes the font size of the selection") \
  X(NewButtonHint, "New | Creates a new document") \
  X(LoadButtonHint, "Load | Load from file") \
  X(SaveAsButtonHint, "Save As | Save to file") \
  X(PrintButtonHint, "Print | Prints the active document") \
  X(FindButtonHint, "Find | Finds the specified text") \
  X(CutButtonHint, "Cut | Cuts the selection and puts it on the Clipboard") \
  X(CopyButtonHint, "Copy | Copies the selection and puts it on the Clipboard") \
  X(UndoButtonHint, "Undo | Reverses the last action") \
  X(PasteButtonHint, "Paste | Inserts Clipboard contents") \
  X(BoldButtonHint, "Bold | Makes the selection bold (toggle)") \
  X(UnderlineButtonHint, "Underline | Formats the selection with a continuous underline (toggle)") \
  X(ItalicButtonHint, "Italic | Makes the selection italic (toggle)") \
  X(LeftButtonHint, "Align Left | Left-justifies paragraph (toggle)") \
  X(CenterButtonHint, "Center | Center-justifies paragraph (toggle)") \
  X(RightButtonHint, "Align Right | Right-justifies paragraph (toggle)") \
  X(BulletButtonHint, "Bullets | Inserts a bullet on this line (toggle)") \
  X(SaveExitHint, "Save And Exit | Saves changes and exits editor") \
  X(PageSetupHint, "Page Setup | Changes page layout settings") \
  X(ExitHint, "Exit") \
  X(ClearHint, "Erases the Selection") \
  X(SelectAllHint, "Selects all of the text") \
  X(FindNextHint, "Repeats the last find") \
  X(ReplaceHint, "Replaces specific text with different text") \
  X(ToolbarHint, "Shows or hides the toolbar") \
  X(FormatBarHint, "Shows or hides the format bar") \
  X(ViewStatusBarHint, "Shows or hides the status bar") \
  X(OptionsHint, "Sets options") \
  X(FontHint, "Selects font for current selection") \
  X(ParagraphHint, "Formats current or selected paragraph(s)") \
  X(TabsHint, "Sets tabs") \
  X(CAPLockCaption, "CAP") \
  X(NUMLockCaption, "NUM")

#define VX_RICH_EDIT_MENU_TEXTS(X) \
  X(FileCaption, "&File") \
  X(LoadCaption, "&Load") \
  X(SaveAsCaption, "Save &As") \
  X(SaveExitCaption, "&Save and Exit") \
  X(PrintCaption, "&Print") \
  X(PageSetupCaption, "Page Set&up") \
  X(ExitCaption, "E&xit") \
  X(EditCaption, "&Edit") \
  X(UndoCaption, "&Undo") \
  X(CutCaption, "Cu&t") \
  X(CopyCaption, "&Copy") \
  X(PasteCaption, "&Paste") \
  X(ClearCaption, "Cle&ar") \
  X(SelectallCaption, "Select A&ll") \
  X(FindCaption, "&Find") \
  X(FindNextCaption, "Find &Next") \
  X(ReplaceCaption, "R&eplace") \
  X(ViewCaption, "&View") \
  X(ToolbarCaption, "&Toolbar") \
  X(FormatBarCaption, "&Format Bar") \
  X(ViewStatusBarCaption, "&Status Bar") \
  X(OptionsCaption, "&Options") \
  X(FormatCaption, "F&ormat") \
  X(FontCaption, "&Font") \
  X(BulletStyleCaption, "&Bullet Style") \
  X(ParagraphCaption, "&Paragraph") \
  X(TabsCaption, "&Tabs") \
  X(HelpCaption, "Help")

#define VX_RICH_EDIT_POPUP_TEXTS(X) \
  X(EditCaption, "&Edit") \
  X(CutCaption, "Cu&t") \
  X(CopyCaption, "&Copy") \
  X(PasteCaption, "&Paste") \
  X(FontCaption, "&Font") \
  X(BulletStyleCaption, "&Bullet Style") \
  X(BoldCaption, "B&old") \
  X(ItalicCaption, "&Italic") \
  X(UnderlineCaption, "&Underline") \
  X(ParagraphCaption, "P&aragraph") \
  X(TabsCaption, "&Tabs") \
  X(FindCaption, "Fin&d") \
  X(ReplaceCaption, "&Replace")

#define VX_RICH_EDIT_PARAGRAPH_TEXTS(X) \
  X(ParagraphDlgCaption, "Paragraph") \
  X(IndentationGroupBoxCaption, "Indentation") \
  X(LeftEditCaption, "Left:") \
  X(RightEditCaption, "Right:") \
  X(FirstLineEditCaption, "First line:") \
  X(AlignmentCaption, "Alignment") \
  X(LeftEditHint, "Left Indentation") \
  X(RightEditHint, "Right Indentation") \
  X(FirstLineEditHint, "First Line of Paragraph Indentation") \
  X(AlignmentHint, "Changes Alignment of Paragraph") \
  X(AlignLeft, "Left") \
  X(AlignRight, "Right") \
  X(AlignCenter, "Center")

#define VX_RICH_EDIT_TAB_TEXTS(X) \
  X(TabDlgCaption, "Tab") \
  X(TabGroupBoxCaption, "&Tab Stop Position") \
  X(SetTabButtonCaption, "Set") \
  X(ClearTabButtonCaption, "Clear") \
  X(ClearAllButtonCaption, "Clear All") \
  X(TabPositionEditHint, "Tab Position Edit Box") \
  X(ListBoxHint, "List of tabs and their positions") \
  X(SetButtonHint, "Set a new tab position") \
  X(ClearButtonHint, "Clear the selected tab position") \
  X(ClearAllButtonHint, "Clear all the tabs")

FW_ENUM(TvxCheckBoxInGridStyle, cbStyleAuto, cbStyleCheckmark, cbStyleXmark)

// A list of texts with published names; the parts of TvxIntl descend from it.
class TvxIntlTexts : public fw::TPersistent {
  FW_CLASS(TvxIntlTexts, fw::TPersistent)
public:
  int TextCount() const { return static_cast<int>(Texts_.size()); }
  // Copies the texts of a part of the same class.
  void Assign(const fw::TPersistent* Source) override;

protected:
  explicit TvxIntlTexts(std::vector<std::string> defaults) : Texts_(std::move(defaults)) {}
  std::vector<std::string> Texts_;
};

#define VX_INTL_INDEX(Name, Default) i##Name,
#define VX_INTL_ACCESSORS(Name, Default)                          \
  const std::string& Name() const { return Texts_[i##Name]; }     \
  void Set##Name(const std::string& v) { Texts_[i##Name] = v; }

#define VX_INTL_TEXTS_CLASS(Class, TEXTS)         \
  class Class : public TvxIntlTexts {             \
    FW_CLASS(Class, TvxIntlTexts)                 \
  public:                                         \
    enum : int { TEXTS(VX_INTL_INDEX) };          \
    Class();                                      \
    TEXTS(VX_INTL_ACCESSORS)                      \
  };

VX_INTL_TEXTS_CLASS(TvxUserMessagesIntl, VX_USER_MESSAGES_TEXTS)
VX_INTL_TEXTS_CLASS(TvxLocateDialogIntl, VX_LOCATE_DIALOG_TEXTS)
VX_INTL_TEXTS_CLASS(TvxSearchDialogIntl, VX_SEARCH_DIALOG_TEXTS)
VX_INTL_TEXTS_CLASS(TvxFilterDialogIntl, VX_FILTER_DIALOG_TEXTS)
VX_INTL_TEXTS_CLASS(TvxRichEditMenuLabels, VX_RICH_EDIT_MENU_TEXTS)
VX_INTL_TEXTS_CLASS(TvxRichEditPopupMenuLabels, VX_RICH_EDIT_POPUP_TEXTS)
VX_INTL_TEXTS_CLASS(TvxRichEditParagraphDlg, VX_RICH_EDIT_PARAGRAPH_TEXTS)
VX_INTL_TEXTS_CLASS(TvxRichEditTabDlg, VX_RICH_EDIT_TAB_TEXTS)

// The rich-edit texts: its own hints and captions, and four parts it owns.
class TvxDBRichEditIntl : public TvxIntlTexts {
  FW_CLASS(TvxDBRichEditIntl, TvxIntlTexts)
public:
  enum : int { VX_RICH_EDIT_TEXTS(VX_INTL_INDEX) };
  TvxDBRichEditIntl();
  VX_RICH_EDIT_TEXTS(VX_INTL_ACCESSORS)

  TvxRichEditMenuLabels* MenuLabels() const { return MenuLabels_.get(); }
  TvxRichEditPopupMenuLabels* PopupMenuLabels() const { return PopupMenuLabels_.get(); }
  TvxRichEditParagraphDlg* ParagraphDialog() const { return ParagraphDialog_.get(); }
  TvxRichEditTabDlg* TabDialog() const { return TabDialog_.get(); }
  // Its own texts and those of its four parts.
  void Assign(const fw::TPersistent* Source) override;

private:
  std::unique_ptr<TvxRichEditMenuLabels> MenuLabels_;
  std::unique_ptr<TvxRichEditPopupMenuLabels> PopupMenuLabels_;
  std::unique_ptr<TvxRichEditParagraphDlg> ParagraphDialog_;
  std::unique_ptr<TvxRichEditTabDlg> TabDialog_;
};

#undef VX_INTL_TEXTS_CLASS
#undef VX_INTL_ACCESSORS
#undef VX_INTL_INDEX

class TvxIntl : public fw::TComponent {
  FW_CLASS(TvxIntl, fw::TComponent)
public:
  explicit TvxIntl(fw::TComponent* AOwner);
  ~TvxIntl() override;

  TvxSearchDialogIntl* SearchDialog() const { return SearchDialog_.get(); }
  TvxLocateDialogIntl* LocateDialog() const { return LocateDialog_.get(); }
  TvxFilterDialogIntl* FilterDialog() const { return FilterDialog_.get(); }
  TvxDBRichEditIntl* RichEdit() const { return RichEdit_.get(); }
  TvxUserMessagesIntl* UserMessages() const { return UserMessages_.get(); }

  bool OKCancelBitmapped() const { return OKCancelBitmapped_; }
  void SetOKCancelBitmapped(bool v) { OKCancelBitmapped_ = v; }
  // Setting True copies into the global at once.
  bool Connected() const { return Connected_; }
  void SetConnected(bool v);
  const std::string& BtnOKCaption() const { return BtnOKCaption_; }
  void SetBtnOKCaption(const std::string& v) { BtnOKCaption_ = v; }
  const std::string& BtnCancelCaption() const { return BtnCancelCaption_; }
  void SetBtnCancelCaption(const std::string& v) { BtnCancelCaption_ = v; }
  // On a connected instance, sets the global's too.
  TvxCheckBoxInGridStyle CheckBoxInGridStyle() const { return CheckBoxInGridStyle_; }
  void SetCheckBoxInGridStyle(TvxCheckBoxInGridStyle v);
  // Always "3.02"; writes are ignored.
  std::string VersionLumerix() const { return "3.02"; }
  void SetVersionLumerix(const std::string&) {}
  bool UseLocateMethodForSearch() const { return UseLocateMethodForSearch_; }
  void SetUseLocateMethodForSearch(bool v) { UseLocateMethodForSearch_ = v; }
  fw::TFontStyles DialogFontStyle() const { return DialogFontStyle_; }
  void SetDialogFontStyle(fw::TFontStyles v) { DialogFontStyle_ = v; }
  // Whether a table's fast range cancel may reopen an SQL table (not published).
  bool UseFastCancelRange() const { return UseFastCancelRange_; }
  void SetUseFastCancelRange(bool v) { UseFastCancelRange_ = v; }

  // Copies every text and setting but VersionLumerix and Connected into the
  // global instance; does nothing on the global itself.
  void Connect();
  void Loaded() override;

private:
  std::unique_ptr<TvxSearchDialogIntl> SearchDialog_;
  std::unique_ptr<TvxLocateDialogIntl> LocateDialog_;
  std::unique_ptr<TvxFilterDialogIntl> FilterDialog_;
  std::unique_ptr<TvxDBRichEditIntl> RichEdit_;
  std::unique_ptr<TvxUserMessagesIntl> UserMessages_;
  bool OKCancelBitmapped_ = true;
  bool Connected_ = false;
  std::string BtnOKCaption_ = "&OK";
  std::string BtnCancelCaption_ = "Cancel";
  TvxCheckBoxInGridStyle CheckBoxInGridStyle_ = cbStyleAuto;
  bool UseLocateMethodForSearch_ = true;
  fw::TFontStyles DialogFontStyle_;
  bool UseFastCancelRange_ = true;
};

// The global instance that the library reads its texts from. Made on first
// use, it belongs to no form and lives until the program ends, so every form,
// whenever it is freed, finds it still there. Never nullptr.
TvxIntl* vxInternational();

// The OK, Cancel or Help button of the library's dialogs (Kind bkOK, bkCancel
// or bkHelp): a picture button when OKCancelBitmapped, else a plain one,
// hidden on Form, which owns it; sized for the screen's resolution.
fw::TButton* vxCreateCommonButton(fw::TWinControl* Form, fw::TBitBtnKind Kind);

}  // namespace vx
