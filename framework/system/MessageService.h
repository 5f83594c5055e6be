// The one way to a message box, a dialog or a beep. Every message box and
// dialog of the framework is a request to the installed service, so that
// tests answer them by script and read what was asked; the ui layer installs
// the service that shows real windows when the application starts. Until
// then the default service writes each request to stderr and answers with
// the default button.
#pragma once
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace fw {

// Buttons, icons and options of a message box.
constexpr unsigned MB_OK = 0x0000;
constexpr unsigned MB_OKCANCEL = 0x0001;
constexpr unsigned MB_ABORTRETRYIGNORE = 0x0002;
constexpr unsigned MB_YESNOCANCEL = 0x0003;
constexpr unsigned MB_YESNO = 0x0004;
constexpr unsigned MB_RETRYCANCEL = 0x0005;
constexpr unsigned MB_ICONHAND = 0x0010;
constexpr unsigned MB_ICONERROR = 0x0010;
constexpr unsigned MB_ICONSTOP = 0x0010;
constexpr unsigned MB_ICONQUESTION = 0x0020;
constexpr unsigned MB_ICONEXCLAMATION = 0x0030;
constexpr unsigned MB_ICONWARNING = 0x0030;
constexpr unsigned MB_ICONASTERISK = 0x0040;
constexpr unsigned MB_ICONINFORMATION = 0x0040;
constexpr unsigned MB_DEFBUTTON1 = 0x0000;
constexpr unsigned MB_DEFBUTTON2 = 0x0100;
constexpr unsigned MB_DEFBUTTON3 = 0x0200;
constexpr unsigned MB_APPLMODAL = 0x0000;
constexpr unsigned MB_SYSTEMMODAL = 0x1000;
constexpr unsigned MB_TASKMODAL = 0x2000;
constexpr unsigned MB_HELP = 0x4000;
constexpr unsigned MB_TYPEMASK = 0x000F;
constexpr unsigned MB_ICONMASK = 0x00F0;
constexpr unsigned MB_DEFMASK = 0x0F00;

// Answers: the button that closed the box.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
constexpr int IDCLOSE = 8;
constexpr int IDHELP = 9;

enum class TMessageIcon { None, Warning, Error, Information, Question };
enum class TMessageKind { MessageBox, MessageDlg, ShowMessage };

// What a message box asks. Buttons holds the answer of each button in the
// order shown: the ID values above for a message box; a message dialog uses
// its own result codes for the buttons it adds (All, Help ...).
struct TMessageRequest {
  TMessageKind Kind = TMessageKind::MessageBox;
  std::string Text;
  std::string Caption;
  unsigned Flags = 0;  // the MB_ flags of a message box
  TMessageIcon Icon = TMessageIcon::None;
  std::vector<int> Buttons;
  int DefaultButton = 0;  // the answer that Enter gives
  int CancelButton = 0;   // the answer that Esc or closing gives; 0: none
  int HelpContext = 0;
  std::string HelpFile;
  int X = -1;  // position on the screen; -1: centred
  int Y = -1;
};

// A message box request from MB_ flags: buttons, default button, icon.
TMessageRequest MessageBoxRequest(const std::string& text, const std::string& caption, unsigned flags);

// Any other dialog (open, save, font, print, input query ...): Kind names it,
// Values carries its settings in and the user's choices out, by names that
// the dialog defines ("FileName", "Copies", "Value" ...).
struct TDialogRequest {
  std::string Kind;
  std::string Caption;
  std::map<std::string, std::string> Values;
  int HelpContext = 0;
};

class TMessageService {
public:
  virtual ~TMessageService() = default;
  virtual int MessageBox(const TMessageRequest& request) = 0;
  // True when the user confirmed the dialog; Values then holds the choices.
  virtual bool ExecuteDialog(TDialogRequest& request) = 0;
  // type: 0 or an MB_ICON value; 0xFFFFFFFF the plain beep.
  virtual void Beep(unsigned type) = 0;
};

// The installed service.
TMessageService& MessageService();
// Installs service (nullptr: the default one) and gives back the one installed before.
std::unique_ptr<TMessageService> SetMessageService(std::unique_ptr<TMessageService> service);

// Shows a message box through the service and gives the answer.
int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags);

// Writes every request to stderr; answers the default button, cancels dialogs.
class TConsoleMessageService : public TMessageService {
public:
  int MessageBox(const TMessageRequest& request) override;
  bool ExecuteDialog(TDialogRequest& request) override;
  void Beep(unsigned type) override;
};

// For tests: answers from queues, in order, and keeps what was asked. An
// empty queue answers the default button, or cancels a dialog.
class TScriptedMessageService : public TMessageService {
public:
  std::deque<int> Answers;
  std::deque<std::function<bool(TDialogRequest&)>> DialogAnswers;
  std::vector<TMessageRequest> Requests;
  std::vector<TDialogRequest> Dialogs;  // as asked, before the answer
  std::vector<unsigned> Beeps;

  int MessageBox(const TMessageRequest& request) override;
  bool ExecuteDialog(TDialogRequest& request) override;
  void Beep(unsigned type) override;
};

// Installs a service for the life of the scope, then puts back the one before.
class TMessageServiceScope {
public:
  explicit TMessageServiceScope(std::unique_ptr<TMessageService> service);
  ~TMessageServiceScope();
  TMessageServiceScope(const TMessageServiceScope&) = delete;
  TMessageServiceScope& operator=(const TMessageServiceScope&) = delete;

private:
  std::unique_ptr<TMessageService> previous_;
};

}  // namespace fw
