// Locate: the search of a dataset for a record whose field's text matches a
// value (vxFindMatch, also the tables' record search), the component that
// runs it with or without its dialog (TvxLocateDialog), and that dialog's
// form (TvxLocateDlg, form resource TVXLOCATEDLG).
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "DataSource.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"

namespace vx {

FW_ENUM(TvxLocateMatchType, mtExactMatch, mtPartialMatchStart, mtPartialMatchAny)
FW_ENUM(TvxFieldSortType, fsSortByFieldNo, fsSortByFieldName)
FW_ENUM(TvxDefaultButtonType, dbFindFirst, dbFindNext)
FW_ENUM(TvxFieldSelection, fsAllFields, fsVisibleFields)

// Searches DataSet from its first record (FromBeginning) or from the record
// after the current one for a record whose field FieldName matches Value:
// exactly, at its beginning or anywhere (without CaseSensitive both texts
// upper-cased). A float, currency or BCD field matches exactly by value
// ("3.50" is 3.5); a date-time field by its date. On success the dataset is
// on the record found; else it is back where it was. A table whose current
// index begins with the field is searched through the index where its case
// rule allows. A field that is not there is said in a message box.
bool vxFindMatch(bool FromBeginning, fw::TDataSet* DataSet, const std::string& FieldName, bool CaseSensitive,
                 TvxLocateMatchType MatchType, const std::string& Value);

class TvxLocateDlg;
using TvxOnInitLocateDlgEvent = std::function<void(TvxLocateDlg* Dialog)>;

// Runs the locate search on a data source's dataset, with its dialog
// (Execute) or without (FindFirst, FindNext, which show the dialog when
// there is no value to search for yet).
class TvxLocateDialog : public fw::TComponent {
  FW_CLASS(TvxLocateDialog, fw::TComponent)
public:
  explicit TvxLocateDialog(fw::TComponent* AOwner);
  ~TvxLocateDialog() override;

  // ---- published
  const std::string& Caption() const { return Caption_; }
  void SetCaption(const std::string& Value) { Caption_ = Value; }
  fw::TDataSource* DataSource() const { return DataLink_->DataSource(); }
  void SetDataSource(fw::TDataSource* Value);
  const std::string& SearchField() const { return SearchField_; }
  void SetSearchField(const std::string& Value) { SearchField_ = Value; }
  TvxLocateMatchType MatchType() const { return MatchType_; }
  void SetMatchType(TvxLocateMatchType Value) { MatchType_ = Value; }
  bool CaseSensitive() const { return CaseSensitive_; }
  void SetCaseSensitive(bool Value) { CaseSensitive_ = Value; }
  TvxFieldSortType SortFields() const { return SortFields_; }
  void SetSortFields(TvxFieldSortType Value) { SortFields_ = Value; }
  TvxDefaultButtonType DefaultButton() const { return DefaultButton_; }
  void SetDefaultButton(TvxDefaultButtonType Value) { DefaultButton_ = Value; }
  TvxFieldSelection FieldSelection() const { return FieldSelection_; }
  void SetFieldSelection(TvxFieldSelection Value) { FieldSelection_ = Value; }
  bool ShowMessages() const { return ShowMessages_; }
  void SetShowMessages(bool Value) { ShowMessages_ = Value; }
  TvxOnInitLocateDlgEvent OnInitDialog;

  // ---- public
  // The text last searched for.
  const std::string& FieldValue() const { return FieldValue_; }
  void SetFieldValue(const std::string& Value) { FieldValue_ = Value; }
  // The dialog while Execute shows it; nullptr otherwise.
  TvxLocateDlg* Form() const { return Form_; }
  fw::TDataSet* DataSet() const;

  // Shows the dialog; True when it closed on a match. Its settings are read
  // back whatever closed it. False, after a message, without an active dataset.
  bool Execute();
  // Without a dialog; with an empty FieldValue, the dialog with First
  // (Next) as its default button.
  bool FindFirst();
  bool FindNext();
  bool FindPrior() { return false; }

protected:
  void Notification(fw::TComponent* AComponent, fw::TOperation Operation) override;

private:
  bool Find(bool FromBeginning);

  std::unique_ptr<fw::TDataLink> DataLink_;
  std::string Caption_ = "Locate Field Value";
  std::string SearchField_;
  TvxLocateMatchType MatchType_ = mtPartialMatchStart;
  bool CaseSensitive_ = false;
  TvxFieldSortType SortFields_ = fsSortByFieldName;
  TvxDefaultButtonType DefaultButton_ = dbFindNext;
  TvxFieldSelection FieldSelection_ = fsAllFields;
  bool ShowMessages_ = true;
  std::string FieldValue_;
  TvxLocateDlg* Form_ = nullptr;
};

// The dialog: the value, the search type, the field, First and Next; Cancel
// comes from the library's common buttons.
class TvxLocateDlg : public fw::TForm {
  FW_CLASS(TvxLocateDlg, fw::TForm)
public:
  explicit TvxLocateDlg(fw::TComponent* AOwner);
  ~TvxLocateDlg() override;
  // Reads the form, then adds the Cancel button beside Next.
  void AfterConstruction() override;

  fw::TGroupBox* FieldValueGroup = nullptr;
  fw::TEdit* SearchValue = nullptr;
  fw::TGroupBox* SearchTypeGroup = nullptr;
  fw::TCheckBox* CaseSensitiveCheckBox = nullptr;
  fw::TPanel* SeparatorPanel = nullptr;
  fw::TRadioButton* ExactMatchBtn = nullptr;
  fw::TRadioButton* PartialMatchStartBtn = nullptr;
  fw::TRadioButton* PartialMatchAnyBtn = nullptr;
  fw::TGroupBox* FieldsGroup = nullptr;
  fw::TComboBox* FieldNameComboBox = nullptr;
  fw::TButton* FirstButton = nullptr;
  fw::TButton* NextButton = nullptr;
  fw::TButton* CancelButton = nullptr;

  // The component that shows the dialog, and the dataset searched.
  TvxLocateDialog* LocateDialog = nullptr;
  fw::TDataSet* DataSet = nullptr;

  // The field whose display label (a "~" read as a blank) the list shows:
  // physical fields first, then calculated and lookup fields; empty when none.
  std::string FieldName() const;
  TvxLocateMatchType MatchType() const;
  void SetMatchType(TvxLocateMatchType Value);

  void FormShow(fw::TObject* Sender);
  void FirstButtonClick(fw::TObject* Sender);
  void NextButtonClick(fw::TObject* Sender);
  void FieldNameComboBoxChange(fw::TObject* Sender);
  void FieldNameComboBoxEnter(fw::TObject* Sender);
  void FieldNameComboBoxExit(fw::TObject* Sender);
  void FieldNameComboBoxKeyDown(fw::TObject* Sender, fw::Word& Key, fw::TShiftState Shift);

private:
  void Search(bool FromBeginning);
  int LastFieldIndex_ = -1;
};

}  // namespace vx
