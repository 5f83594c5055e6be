// Forms, the application object and the screen.
//
// A form class reads its form resource (named after the class) once it is
// constructed: create forms with Application->CreateForm or NewForm, which
// run AfterConstruction (read the resource, then OnCreate). A form designed
// at another resolution (PixelsPerInch in the file) is scaled to the
// screen's when it is read, unless Scaled is false.
//
// Screen. PixelsPerInch is 96 and the size is the primary screen's (1024 x
// 768 on Qt's offscreen platform), unless the environment variable FW_SCREEN
// says otherwise ("1024x768" or "1024x768@120") or a test sets them. The
// pixel metrics of GetSystemMetrics are fixed, Windows-like values, so that
// layouts come out the same on every machine.
//
// Message loop. Application->Run runs Qt's event loop until the main form
// (the first form created) closes. An exception that escapes an event
// handler is shown by HandleException and the loop goes on; EAbort is
// silent. ProcessMessages lets the loop run once, also from a handler.
#pragma once
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "Bitmap.h"
#include "Controls.h"
#include "MessageService.h"

namespace fw {

FW_ENUM(TPosition, poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
        poMainFormCenter, poOwnerFormCenter)
FW_ENUM(TFormStyle, fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop)
FW_ENUM(TBorderIcon, biSystemMenu, biMinimize, biMaximize, biHelp)
using TBorderIcons = TFlags<TBorderIcon>;
FW_ENUM(TWindowState, wsNormal, wsMinimized, wsMaximized)
FW_ENUM(TCloseAction, caNone, caHide, caFree, caMinimize)

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;
constexpr TModalResult mrCancel = IDCANCEL;
constexpr TModalResult mrAbort = IDABORT;
constexpr TModalResult mrRetry = IDRETRY;
constexpr TModalResult mrIgnore = IDIGNORE;
constexpr TModalResult mrYes = IDYES;
constexpr TModalResult mrNo = IDNO;
constexpr TModalResult mrAll = mrNo + 1;
constexpr TModalResult mrNoToAll = mrAll + 1;
constexpr TModalResult mrYesToAll = mrNoToAll + 1;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

// ---------------------------------------------------------------- forms

class TMainMenu;

class TCustomForm : public TWinControl {
  FW_CLASS(TCustomForm, TWinControl)
public:
  // An empty form; AfterConstruction fills it from its resource.
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;

  // Reads the form resource named after the class (not for TForm itself),
  // then runs OnCreate and shows the form when the file made it visible.
  virtual void AfterConstruction();

  TPosition Position() const { return position_; }
  void SetPosition(TPosition v) { position_ = v; }
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle v);
  TBorderIcons BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TBorderIcons v);
  TFormStyle FormStyle() const { return formStyle_; }
  void SetFormStyle(TFormStyle v);
  TWindowState WindowState() const { return windowState_; }
  void SetWindowState(TWindowState v);
  bool Scaled() const { return scaled_; }
  void SetScaled(bool v) { scaled_ = v; }
  // The resolution the form was designed at; the screen's once it is read.
  int PixelsPerInch() const { return pixelsPerInch_; }
  void SetPixelsPerInch(int v);
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool v) { keyPreview_ = v; }
  TWinControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(TWinControl* Control);
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult v) { modalResult_ = v; }
  bool Active() const { return active_; }
  const std::string& HelpFile() const { return helpFile_; }
  void SetHelpFile(const std::string& v) { helpFile_ = v; }
  // The menu bar; its height comes off the client area.
  TMainMenu* Menu() const { return menu_; }
  void SetMenu(TMainMenu* v);
  // Scales the form and its controls by M / D.
  void ScaleBy(int M, int D);
  // The client size as a form file gives it: it wins over Width and Height
  // once the whole file is read.
  void SetDesignClientWidth(int v);
  void SetDesignClientHeight(int v);

  void Show();
  void Hide();
  // Shows the form and runs the message loop until ModalResult is set; the
  // form is hidden again and ModalResult given back.
  int ShowModal();
  // Asks OnCloseQuery, then OnClose decides: hide, free, or nothing. The
  // main form's close ends the application.
  void Close();
  // Frees the form once the message that is being handled is done.
  void Release();
  virtual bool CloseQuery();
  bool Modal() const { return modal_; }

  void SetFocus() override;
  bool CanFocus() const override;
  void FocusControl(TWinControl* Control);
  // The window focus has come to Control: CM_EXIT up to the common parent,
  // CM_ENTER down to Control. False when the focus moved on meanwhile; a
  // handler that raises in CM_EXIT keeps the active control and re-raises.
  bool SetFocusedControl(TWinControl* Control);
  // Control is being hidden, disabled or removed.
  void DefocusControl(TWinControl* Control, bool Removing);

  TCanvas* Canvas() const;

  TRect GetClientRect() const override;
  TPoint ClientOrigin() const override;
  TPoint ClientOffset() const override;
  void SetVisible(bool v) override;
  bool Showing() const override;
  void Dispatch(TMessage& Message) override;
  void Loaded() override;

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnPaint;

  // Width of the frame and height of the caption of the border style.
  int FrameWidth() const;
  int CaptionHeight() const;

protected:
  friend class TApplication;
  friend class TControlBridge;
  // Runs OnDestroy (unless the application ran it already), then frees the
  // controls and the window.
  void BeforeDestruction() override;
  void CreateParams(TCreateParams& Params) override;
  TControlBridge* CreateWidget(const TCreateParams& Params) override;
  void CreateWnd() override;
  void ApplyWidgetState() override;
  void TextChanged() override;
  virtual void DoCreate();
  virtual void DoDestroy();
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& Action);
  virtual void Activate();
  virtual void Deactivate();
  virtual void Paint();
  void UpdateWidgetGeometry() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void CMDialogKey(TMessage& Message);
  void CMActivate(TMessage& Message);
  void CMDeactivate(TMessage& Message);
  void CMRelease(TMessage& Message);
  void WMPaint(TMessage& Message) override;
  void WMClose(TMessage& Message);

private:
  // OnDestroy, once, for a form that was created.
  void RunOnDestroy();
  void CloseModal();
  // Activating: a widget inside the active control that had the focus
  // last (an in-place editor) gets it back, which keeps its edit going.
  void SetWindowFocus(bool activating = false);
  void PlaceOnScreen();
  void ApplyWindowFlags();
  // Qt moved or resized the window.
  void WindowMoved(int x, int y);
  void WindowResized(int clientWidth, int clientHeight);
  int MenuHeight() const;

  TPosition position_ = poDesigned;
  TFormBorderStyle borderStyle_ = bsSizeable;
  TBorderIcons borderIcons_ = {biSystemMenu, biMinimize, biMaximize};
  TFormStyle formStyle_ = fsNormal;
  TWindowState windowState_ = wsNormal;
  bool scaled_ = true;
  int pixelsPerInch_ = 0;
  bool keyPreview_ = false;
  TWinControl* activeControl_ = nullptr;
  TWinControl* focusedControl_ = nullptr;
  int focusCount_ = 0;
  TModalResult modalResult_ = mrNone;
  bool active_ = false;
  bool modal_ = false;
  bool placed_ = false;
  bool created_ = false;
  bool destroyed_ = false;
  bool syncing_ = false;
  bool visibleInFile_ = false;
  bool showingNow_ = false;
  int loadedClientWidth_ = 0;
  int loadedClientHeight_ = 0;
  std::string helpFile_;
  std::unique_ptr<TControlCanvas> canvas_;
  TMainMenu* menu_ = nullptr;
};

class TForm : public TCustomForm {
  FW_CLASS(TForm, TCustomForm)
public:
  using TCustomForm::TCustomForm;
};

// The form a control sits on, or nullptr.
TCustomForm* GetParentForm(const TControl* Control);

// Creates a form of class T with an owner and reads its resource.
template <class T>
T* NewForm(TComponent* AOwner) {
  std::unique_ptr<T> f(new T(AOwner));
  f->AfterConstruction();
  return f.release();
}

// ---------------------------------------------------------------- application

using TExceptionEvent = std::function<void(TObject* Sender, const Exception& E)>;
// Answers a help request; CallHelp false: the handler did it all.
using THelpEvent = std::function<bool(unsigned Command, std::intptr_t Data, bool& CallHelp)>;

class TApplication : public TComponent {
  FW_CLASS(TApplication, TComponent)
public:
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;

  // Starts Qt and installs the message service that shows windows, unless a
  // service of the program's own is installed already.
  void Initialize();

  std::string Title() const;
  void SetTitle(const std::string& v) { title_ = v; }
  const std::string& HelpFile() const { return helpFile_; }
  void SetHelpFile(const std::string& v) { helpFile_ = v; }
  TPicture* Icon() const { return icon_.get(); }
  HWND Handle() const;
  TCustomForm* MainForm() const { return mainForm_; }
  bool ShowMainForm() const { return showMainForm_; }
  void SetShowMainForm(bool v) { showMainForm_ = v; }

  // Creates a form owned by the application; the first becomes the main form.
  // The reference is set before the form reads its resource, so that its
  // OnCreate can use it.
  template <class T>
  void CreateForm(T*& Reference) {
    Reference = nullptr;
    CreateForm(T::StaticClass(), [&Reference](TCustomForm* f) { Reference = static_cast<T*>(f); });
  }
  TCustomForm* CreateForm(TClass InstanceClass, const std::function<void(TCustomForm*)>& SetReference);

  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Handles the events waiting now, then returns.
  void ProcessMessages();
  // Waits for an event and handles it.
  void HandleMessage();
  // For use inside a catch block: shows the exception being handled (through
  // OnException when assigned), nothing for EAbort.
  void HandleException(TObject* Sender);
  void ShowException(const Exception& E);
  int MessageBox(const std::string& Text, const std::string& Caption, unsigned Flags = MB_OK);
  bool HelpCommand(unsigned Command, std::intptr_t Data);
  bool HelpContext(std::intptr_t Context);

  TExceptionEvent OnException;
  THelpEvent OnHelp;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  friend struct UiGlobals;
  // Frees the forms while Qt is still there (at the end of the program).
  void FreeForms();

  std::string title_;
  std::string helpFile_;
  std::unique_ptr<TPicture> icon_;
  TCustomForm* mainForm_ = nullptr;
  bool showMainForm_ = true;
  bool terminated_ = false;
};

// ---------------------------------------------------------------- screen

class TScreen : public TComponent {
  FW_CLASS(TScreen, TComponent)
public:
  explicit TScreen(TComponent* AOwner);
  ~TScreen() override;

  int PixelsPerInch() const { return pixelsPerInch_; }
  void SetPixelsPerInch(int v);
  int Width() const;
  int Height() const;
  // For tests: a fixed screen size (0, 0: the real screen again).
  void SetSize(int width, int height);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor v);
  TCustomForm* ActiveForm() const { return activeForm_; }
  TCustomForm* ActiveCustomForm() const { return activeForm_; }
  TWinControl* ActiveControl() const { return activeControl_; }
  int FormCount() const { return static_cast<int>(forms_.size()); }
  TCustomForm* Forms(int index) const;

  TNotifyEvent OnActiveControlChange;
  TNotifyEvent OnActiveFormChange;

private:
  friend class TCustomForm;
  void AddForm(TCustomForm* f);
  void RemoveForm(TCustomForm* f);
  void SetActive(TCustomForm* form, TWinControl* control);

  int pixelsPerInch_ = 96;
  int width_ = 0;
  int height_ = 0;
  TCursor cursor_ = crDefault;
  TCustomForm* activeForm_ = nullptr;
  TWinControl* activeControl_ = nullptr;
  std::vector<TCustomForm*> forms_;
};

// The program's application object and screen.
extern TApplication* Application;
extern TScreen* Screen;

// A long operation's hourglass: the screen's cursor is the hourglass while
// the scope lives and the default cursor once it ends, however it ends. A
// scope inside another leaves the cursor to the outer one.
class THourGlassScope {
public:
  THourGlassScope();
  ~THourGlassScope();
  THourGlassScope(const THourGlassScope&) = delete;
  THourGlassScope& operator=(const THourGlassScope&) = delete;

private:
  bool outermost_ = false;
};

// ---------------------------------------------------------------- system metrics

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXVSCROLL = 2;
constexpr int SM_CYHSCROLL = 3;
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CXBORDER = 5;
constexpr int SM_CYBORDER = 6;
constexpr int SM_CXDLGFRAME = 7;
constexpr int SM_CYDLGFRAME = 8;
constexpr int SM_CXFIXEDFRAME = 7;
constexpr int SM_CYFIXEDFRAME = 8;
constexpr int SM_CYVTHUMB = 9;
constexpr int SM_CXHTHUMB = 10;
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;
constexpr int SM_CXCURSOR = 13;
constexpr int SM_CYCURSOR = 14;
constexpr int SM_CYMENU = 15;
constexpr int SM_CXFULLSCREEN = 16;
constexpr int SM_CYFULLSCREEN = 17;
constexpr int SM_CYVSCROLL = 20;
constexpr int SM_SWAPBUTTON = 23;
constexpr int SM_CXHSCROLL = 21;
constexpr int SM_CXMIN = 28;
constexpr int SM_CYMIN = 29;
constexpr int SM_CXFRAME = 32;
constexpr int SM_CYFRAME = 33;
constexpr int SM_CXSIZEFRAME = 32;
constexpr int SM_CYSIZEFRAME = 33;
constexpr int SM_CXDOUBLECLK = 36;
constexpr int SM_CYDOUBLECLK = 37;
constexpr int SM_CXEDGE = 45;
constexpr int SM_CYEDGE = 46;
constexpr int SM_CXSMICON = 49;
constexpr int SM_CYSMICON = 50;
constexpr int SM_CYSMCAPTION = 51;
constexpr int SM_CXDRAG = 68;
constexpr int SM_CYDRAG = 69;

// Fixed values (scroll bars 16, caption 19, sizing frame 4, fixed frame 3,
// border 1, edge 2); the screen size is Screen's; SM_SWAPBUTTON 0, as the
// window system hands the primary button over as the left one. 0 for other
// indexes.
int GetSystemMetrics(int Index);
// The longest time between the clicks of a double click, in milliseconds.
unsigned GetDoubleClickTime();

constexpr unsigned SPI_GETWORKAREA = 0x0030;
// SPI_GETWORKAREA: the desktop's work area (the screen without the panels the
// desktop keeps for itself) into the TRect that Param points to. False for
// any other action.
bool SystemParametersInfo(unsigned Action, unsigned UIParam, void* Param, unsigned WinIni);

}  // namespace fw
