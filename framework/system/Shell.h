// Starting programs, opening documents and help files.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace fw {

using HWND = std::uintptr_t;  // a window of the ui layer; the services here do not use it

// Show commands of ShellExecute (accepted; the desktop decides how windows show).
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_NORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOW = 5;

// Results of ShellExecute at or below 32: the failures.
constexpr int SE_ERR_FNF = 2;           // the file is not there
constexpr int SE_ERR_PNF = 3;           // the folder is not there
constexpr int SE_ERR_ACCESSDENIED = 5;  // not allowed to run or open it
constexpr int SE_ERR_OOM = 8;           // the system could not start a process
constexpr int SE_ERR_NOASSOC = 31;      // no program opens documents of this kind

// Starts the program File with the arguments Parameters in Directory ("": the
// current one), or, for a file that is not a program, opens it with the
// desktop's viewer (xdg-open). Nothing goes through a shell. Operation is
// "open" or "" (the default verb). A File without '/' is looked up on PATH.
// Returns a value above 32 when the program was started, else one of the
// SE_ERR values.
int ShellExecute(HWND Wnd, const std::string& Operation, const std::string& File,
                 const std::vector<std::string>& Parameters, const std::string& Directory, int ShowCmd);

// Commands of WinHelp.
constexpr unsigned HELP_CONTEXT = 0x0001;
constexpr unsigned HELP_QUIT = 0x0002;
constexpr unsigned HELP_CONTENTS = 0x0003;
constexpr unsigned HELP_HELPONHELP = 0x0004;
constexpr unsigned HELP_KEY = 0x0101;
constexpr unsigned HELP_FINDER = 0x000B;

// Opens HelpFile (a plain text or HTML file of ours) with the desktop's
// viewer. A relative name is looked for in the current folder, then in the
// program's. A file that is not there is said so in a message box naming it,
// through the message service, and gives false. HELP_QUIT does nothing.
bool WinHelp(HWND Wnd, const std::string& HelpFile, unsigned Command, std::uintptr_t Data);

}  // namespace fw
