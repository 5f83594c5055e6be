#include "MessageService.h"

#include <cstdio>

namespace fw {

namespace {

std::unique_ptr<TMessageService>& Installed() {
  static std::unique_ptr<TMessageService> service = std::make_unique<TConsoleMessageService>();
  return service;
}

const char* IconName(TMessageIcon i) {
  switch (i) {
    case TMessageIcon::Warning: return "warning";
    case TMessageIcon::Error: return "error";
    case TMessageIcon::Information: return "information";
    case TMessageIcon::Question: return "question";
    default: return "";
  }
}

}  // namespace

TMessageRequest MessageBoxRequest(const std::string& text, const std::string& caption, unsigned flags) {
  TMessageRequest r;
  r.Kind = TMessageKind::MessageBox;
  r.Text = text;
  r.Caption = caption;
  r.Flags = flags;
  switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL: r.Buttons = {IDOK, IDCANCEL}; r.CancelButton = IDCANCEL; break;
    case MB_ABORTRETRYIGNORE: r.Buttons = {IDABORT, IDRETRY, IDIGNORE}; break;
    case MB_YESNOCANCEL: r.Buttons = {IDYES, IDNO, IDCANCEL}; r.CancelButton = IDCANCEL; break;
    case MB_YESNO: r.Buttons = {IDYES, IDNO}; break;
    case MB_RETRYCANCEL: r.Buttons = {IDRETRY, IDCANCEL}; r.CancelButton = IDCANCEL; break;
    default: r.Buttons = {IDOK}; r.CancelButton = IDOK; break;
  }
  if (flags & MB_HELP) r.Buttons.push_back(IDHELP);
  std::size_t def = (flags & MB_DEFMASK) >> 8;
  r.DefaultButton = r.Buttons[def < r.Buttons.size() ? def : 0];
  switch (flags & MB_ICONMASK) {
    case MB_ICONERROR: r.Icon = TMessageIcon::Error; break;
    case MB_ICONQUESTION: r.Icon = TMessageIcon::Question; break;
    case MB_ICONWARNING: r.Icon = TMessageIcon::Warning; break;
    case MB_ICONINFORMATION: r.Icon = TMessageIcon::Information; break;
    default: r.Icon = TMessageIcon::None; break;
  }
  return r;
}

TMessageService& MessageService() { return *Installed(); }

std::unique_ptr<TMessageService> SetMessageService(std::unique_ptr<TMessageService> service) {
  if (!service) service = std::make_unique<TConsoleMessageService>();
  std::swap(service, Installed());
  return service;
}

int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  return MessageService().MessageBox(MessageBoxRequest(text, caption, flags));
}

int TConsoleMessageService::MessageBox(const TMessageRequest& request) {
  std::fprintf(stderr, "[%s%s%s] %s\n", request.Caption.c_str(), request.Icon == TMessageIcon::None ? "" : ": ",
               IconName(request.Icon), request.Text.c_str());
  return request.DefaultButton;
}

bool TConsoleMessageService::ExecuteDialog(TDialogRequest& request) {
  std::fprintf(stderr, "[%s] %s: cancelled\n", request.Kind.c_str(), request.Caption.c_str());
  return false;
}

void TConsoleMessageService::Beep(unsigned) {}

int TScriptedMessageService::MessageBox(const TMessageRequest& request) {
  Requests.push_back(request);
  if (Answers.empty()) return request.DefaultButton;
  int a = Answers.front();
  Answers.pop_front();
  return a;
}

bool TScriptedMessageService::ExecuteDialog(TDialogRequest& request) {
  Dialogs.push_back(request);
  if (DialogAnswers.empty()) return false;
  auto answer = std::move(DialogAnswers.front());
  DialogAnswers.pop_front();
  return answer ? answer(request) : false;
}

void TScriptedMessageService::Beep(unsigned type) { Beeps.push_back(type); }

TMessageServiceScope::TMessageServiceScope(std::unique_ptr<TMessageService> service)
    : previous_(SetMessageService(std::move(service))) {}

TMessageServiceScope::~TMessageServiceScope() { SetMessageService(std::move(previous_)); }

}  // namespace fw
