// Message dialogs and the common dialogs. Every one of them is a request to
// the message service (MessageService.h), so that tests answer them by
// script; TQtMessageService shows them as Qt windows.
//
// The dialog requests (TDialogRequest) and the names of their values:
//   "Open", "Save"  FileName, Filter, FilterIndex, DefaultExt, InitialDir, Options
//                   (the option names, comma-separated); answer: FileName, FilterIndex
//   "Font"          Name, Size, Style ("fsBold,fsItalic"), Color, Device
//                   (fdScreen, fdPrinter, fdBoth); answer: Name, Size, Style, Color
//   "InputQuery"    Prompt, Value; answer: Value
//   "Print"         Copies, FromPage, ToPage, MinPage, MaxPage, PrintToFile ("0"/"1"),
//                   Printer (the printer's name, "" for a PDF file), FileName (the PDF
//                   file); answer: Copies, PrintToFile, Printer, FileName, FromPage, ToPage
//   "PrinterSetup"  Printers (the system's printers, one a line), Printer (the chosen
//                   one, "" for a PDF file), FileName (the PDF file; "" to be asked when
//                   printing), PaperSizes (one a line), PaperSize ("" for the printer's
//                   own), Orientation (poPortrait, poLandscape); answer: Printer,
//                   FileName, PaperSize, Orientation
//   "SelectDirectory" Directory, Options (sdAllowCreate, sdPerformCreate,
//                   sdPrompt, comma-separated); answer: Directory
// The dialog's title is the request's Caption.
#pragma once
#include <memory>
#include <string>

#include "Classes.h"
#include "Forms.h"
#include "GraphicsObjects.h"
#include "MessageService.h"
#include "Strings.h"

namespace fw {

FW_ENUM(TMsgDlgType, mtWarning, mtError, mtInformation, mtConfirmation, mtCustom)
FW_ENUM(TMsgDlgBtn, mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp)
using TMsgDlgButtons = TFlags<TMsgDlgBtn>;
inline const TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline const TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline const TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};

// The result of a button: mrYes, mrNo, mrOk ...
TModalResult ModalResultOf(TMsgDlgBtn button);

// A message box with the type's caption ("Warning", "Error", "Information",
// "Confirm"; the application title for mtCustom) and icon. The default button
// is OK, else Yes; Esc gives Cancel, else No, else OK. Returns the result of
// the button pressed. The Help button opens HelpCtx and does not close.
int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx);
// The same at a screen position (-1: centred).
int MessageDlgPos(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx, int X, int Y);
// A message with an OK button and the application title as caption.
void ShowMessage(const std::string& Msg);
// Asks for a text; true and Value changed when the user confirmed.
bool InputQuery(const std::string& ACaption, const std::string& APrompt, std::string& Value);
std::string InputBox(const std::string& ACaption, const std::string& APrompt, const std::string& ADefault);

// ---------------------------------------------------------------- common dialogs

class TCommonDialog : public TComponent {
  FW_CLASS(TCommonDialog, TComponent)
public:
  using TComponent::TComponent;
  virtual bool Execute() = 0;
  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int v) { helpContext_ = v; }
  bool Ctl3D() const { return ctl3D_; }
  void SetCtl3D(bool v) { ctl3D_ = v; }
  TNotifyEvent OnShow;
  TNotifyEvent OnClose;

protected:
  // Asks the service; OnShow before and OnClose after.
  bool Ask(TDialogRequest& request);

private:
  int helpContext_ = 0;
  bool ctl3D_ = true;
};

FW_ENUM(TOpenOption, ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate,
        ofAllowMultiSelect, ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt, ofShareAware,
        ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames, ofOldStyleDialog,
        ofNoDereferenceLinks, ofEnableIncludeNotify, ofEnableSizing)
using TOpenOptions = TFlags<TOpenOption>;

// Asks for a file name. After the answer the dialog checks the options:
// ofPathMustExist and ofFileMustExist say so and ask again; DefaultExt is
// added to a name without an extension.
class TOpenDialog : public TCommonDialog {
  FW_CLASS(TOpenDialog, TCommonDialog)
public:
  explicit TOpenDialog(TComponent* AOwner);
  ~TOpenDialog() override;
  bool Execute() override;

  const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& v) { fileName_ = v; }
  const std::string& Filter() const { return filter_; }
  void SetFilter(const std::string& v) { filter_ = v; }
  int FilterIndex() const { return filterIndex_; }
  void SetFilterIndex(int v) { filterIndex_ = v; }
  const std::string& DefaultExt() const { return defaultExt_; }
  void SetDefaultExt(const std::string& v) { defaultExt_ = v; }
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& v) { title_ = v; }
  const std::string& InitialDir() const { return initialDir_; }
  void SetInitialDir(const std::string& v) { initialDir_ = v; }
  TOpenOptions Options() const { return options_; }
  void SetOptions(TOpenOptions v) { options_ = v; }
  TStrings* Files() const { return files_.get(); }

protected:
  virtual const char* Kind() const { return "Open"; }
  virtual std::string DefaultTitle() const { return "Open"; }
  // False when the answer does not pass the options and the user must choose again.
  virtual bool CheckAnswer(const std::string& name);

private:
  std::string fileName_, filter_, defaultExt_, title_, initialDir_;
  int filterIndex_ = 1;
  TOpenOptions options_{ofHideReadOnly};
  std::unique_ptr<TStringList> files_;
};

// Asks for a file name to save to; ofOverwritePrompt asks before an existing
// file is chosen.
class TSaveDialog : public TOpenDialog {
  FW_CLASS(TSaveDialog, TOpenDialog)
public:
  using TOpenDialog::TOpenDialog;

protected:
  const char* Kind() const override { return "Save"; }
  std::string DefaultTitle() const override { return "Save As"; }
  bool CheckAnswer(const std::string& name) override;
};

FW_ENUM(TFontDialogDevice, fdScreen, fdPrinter, fdBoth)

class TFontDialog : public TCommonDialog {
  FW_CLASS(TFontDialog, TCommonDialog)
public:
  explicit TFontDialog(TComponent* AOwner);
  ~TFontDialog() override;
  bool Execute() override;
  TFont* Font() const { return font_.get(); }
  void SetFont(const TFont* v) { font_->Assign(v); }
  TFontDialogDevice Device() const { return device_; }
  void SetDevice(TFontDialogDevice v) { device_ = v; }

private:
  std::unique_ptr<TFont> font_;
  TFontDialogDevice device_ = fdScreen;
};

FW_ENUM(TPrintRange, prAllPages, prSelection, prPageNums)
FW_ENUM(TPrintDialogOption, poPrintToFile, poPageNums, poSelection, poWarning, poHelp, poDisablePrintToFile)
using TPrintDialogOptions = TFlags<TPrintDialogOption>;

// The print dialog; Copies is the printer's number of copies. Confirming it
// sets the printer's copies and, when the user chose a file, its output file.
class TPrintDialog : public TCommonDialog {
  FW_CLASS(TPrintDialog, TCommonDialog)
public:
  using TCommonDialog::TCommonDialog;
  bool Execute() override;
  int Copies() const;
  void SetCopies(int v);
  int FromPage() const { return fromPage_; }
  void SetFromPage(int v) { fromPage_ = v; }
  int ToPage() const { return toPage_; }
  void SetToPage(int v) { toPage_ = v; }
  int MinPage() const { return minPage_; }
  void SetMinPage(int v) { minPage_ = v; }
  int MaxPage() const { return maxPage_; }
  void SetMaxPage(int v) { maxPage_ = v; }
  bool PrintToFile() const { return printToFile_; }
  void SetPrintToFile(bool v) { printToFile_ = v; }
  TPrintRange PrintRange() const { return printRange_; }
  void SetPrintRange(TPrintRange v) { printRange_ = v; }
  TPrintDialogOptions Options() const { return options_; }
  void SetOptions(TPrintDialogOptions v) { options_ = v; }

private:
  int fromPage_ = 0, toPage_ = 0, minPage_ = 0, maxPage_ = 0;
  bool printToFile_ = false;
  TPrintRange printRange_ = prAllPages;
  TPrintDialogOptions options_;
};

// Chooses the printer (one of the system's or a PDF file), its paper and orientation.
class TPrinterSetupDialog : public TCommonDialog {
  FW_CLASS(TPrinterSetupDialog, TCommonDialog)
public:
  using TCommonDialog::TCommonDialog;
  bool Execute() override;
};

// ---------------------------------------------------------------- directories

FW_ENUM(TSelectDirOpt, sdAllowCreate, sdPerformCreate, sdPrompt)
using TSelectDirOpts = TFlags<TSelectDirOpt>;

// Asks for a folder, starting at Directory; true and Directory set when the
// user chose one. A folder that does not exist is accepted only with
// sdAllowCreate (else the user is told and asked again); sdPrompt asks
// before it is taken, and sdPerformCreate makes it (a folder that cannot be
// made is reported, and the user asked again).
bool SelectDirectory(std::string& Directory, TSelectDirOpts Options, int HelpCtx);

// ---------------------------------------------------------------- the Qt service

// Shows message boxes and dialogs as Qt windows; Application->Initialize
// installs it unless a service is installed already.
class TQtMessageService : public TMessageService {
public:
  int MessageBox(const TMessageRequest& request) override;
  bool ExecuteDialog(TDialogRequest& request) override;
  void Beep(unsigned type) override;
};

}  // namespace fw
