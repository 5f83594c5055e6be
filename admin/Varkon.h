// The administrator's main body: the root, the window and the engine error
// dialog made in their order, the active configuration file shown, the
// message loop, and at the end the offer to make the active configuration
// file the engine's default.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "Dbexplfm.h"
#include "Shell.h"

namespace dbx {

// The program's root: the explorer tree bound to the main window.
class TDbXVarkon : public TDbXForm {
  FW_CLASS(TDbXVarkon, TDbXForm)
public:
  TDbXVarkon() = default;
};

// The main body: what comes before the message loop, the loop, what comes
// after it. The first half gives the root, which the second frees.
TDbXVarkon* StartAdministrator();
void FinishAdministrator(TDbXVarkon* Root);
void RunAdministrator();

// The engine's default configuration file, "CONFIGFILE01" of its registry
// key; "" when the key, the value or the registry cannot be read.
std::string ReadDefaultConfigFile();
// Stores Name as "CONFIGFILE01", making the key when it is missing. Raises
// ERegistryException when the key cannot be made or the registry written.
void WriteDefaultConfigFile(const std::string& Name);
// The engine's active configuration file, its full path read whole; "" when
// the engine has none. Starts the session's engine when it is not running.
std::string ReadActiveConfigFile();
// Tells the user when the engine runs on its defaults: the active file is not
// the registry's default, or is missing.
void NoticeDefaultConfigFile(const std::string& Active);
// Offers to make the active file the default when the two differ; true when
// the registry was written. Without an active file there is nothing to offer.
bool AskDefaultConfigFile();
// The same for the active file given.
bool OfferDefaultConfigFile(const std::string& Active);

// The application's help hook: a help request without a topic opens the
// help file's contents and index.
bool VarkonHelpCallback(unsigned Command, std::intptr_t Data, bool& CallHelp);
using TWinHelpProc =
    std::function<bool(fw::HWND Wnd, const std::string& HelpFile, unsigned Command, std::uintptr_t Data)>;
// The hook's work, with the help call given.
bool VarkonHelp(unsigned Command, std::intptr_t Data, bool& CallHelp, const TWinHelpProc& WinHelp);

}  // namespace dbx
