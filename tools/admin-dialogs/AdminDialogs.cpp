// The administrator's two small dialogs, to look at under Xvfb: the engine
// error dialog on an error of three entries with its details open, or the
// input-request dialog with four options. The answer is printed when the
// dialog closes.
//
//   Xvfb :57 -screen 0 1024x768x24 & DISPLAY=:57 build/normal/tools/admin-dialogs/admin-dialogs error &
//   DISPLAY=:57 import -window root shot.png
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "DbEngErr.h"
#include "Files.h"
#include "InputReq.h"

using namespace fw;
using namespace dbx;

namespace {

int ShowError() {
  EDBEngineError error({TDBError(ORVEX_ERR_FILENOTFOUND, "File not found: /home/guest/Wedding/Guests.db"),
                        TDBError(0x3E06, "General SQL error: the server refused the connection.", 1205),
                        TDBError(0x2501, "The alias WEDDING could not be opened.")});
  std::unique_ptr<TDbEngineErrorDlg> dialog(NewForm<TDbEngineErrorDlg>(nullptr));
  dialog->DetailsBtn->Click();
  int result = dialog->Show(error);
  std::printf("result %d\n", result);
  return 0;
}

void Put(char* field, std::size_t size, const char* text) { std::strncpy(field, text, size - 1); }

int AskInput() {
  OrvexInputReq request{};
  request.kind = ORVEX_INPUTREQ_TABLEBUSY;
  request.optionCount = 4;
  request.chosen = 2;
  Put(request.message, sizeof request.message, "Table Guests.db is in use by another program.");
  const char* options[4][2] = {
      {"Retry", "Try the change again once."},
      {"Wait", "Wait until the other program lets go of the table, then make the change."},
      {"Skip", "Leave this record and go on with the next one."},
      {"Fail", "Give up: the change is not made and an error is reported."},
  };
  for (int i = 0; i < 4; ++i) {
    Put(request.options[i].keyword, sizeof request.options[i].keyword, options[i][0]);
    Put(request.options[i].help, sizeof request.options[i].help, options[i][1]);
  }
  std::uint16_t answer = InputRequestCallback(&request);
  std::printf("answer %u chosen %d save %d\n", answer, request.chosen, request.save);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  SetCommandLine(argc, argv);
  Application->Initialize();
  std::string which = argc > 1 ? argv[1] : "";
  if (which == "error") return ShowError();
  if (which == "input") return AskInput();
  std::fprintf(stderr, "usage: admin-dialogs error|input\n");
  return 2;
}
