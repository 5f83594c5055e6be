// Where the administrator keeps its window and option settings, and the text
// forms of the values that are not plain numbers: the text font, the
// delimiter characters and the comment brackets of the SQL scripts.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "DbXUtils.h"
#include "Registry.h"

namespace fw {
class TFont;
}

namespace dbx {

// The tool's registry key under the current user, set once by the program's
// start; empty: no settings are read or written.
extern std::string ToolRegistryKey;

// The section of the main window's keys ("DbX.") and the blob viewer's ("BlobX.").
inline constexpr char kSettingsSection[] = "DbXForm";

// A store on the tool key for one load or save; none without a key.
std::unique_ptr<fw::TRegIniFile> CreateSettingsIniFile();

// Reads and writes keys of the section; without a store every key reads as
// its default.
class TSettings {
public:
  explicit TSettings(fw::TRegIniFile* ini) : ini_(ini) {}
  int Int(const char* key, int def) { return ini_ ? ini_->ReadInteger(kSettingsSection, key, def) : def; }
  bool Bool(const char* key, bool def) { return ini_ ? ini_->ReadBool(kSettingsSection, key, def) : def; }
  std::string Str(const char* key, const std::string& def) {
    return ini_ ? ini_->ReadString(kSettingsSection, key, def) : def;
  }
  void Put(const char* key, int v) { ini_->WriteInteger(kSettingsSection, key, v); }
  void Put(const char* key, bool v) { ini_->WriteBool(kSettingsSection, key, v); }
  void Put(const char* key, const std::string& v) { ini_->WriteString(kSettingsSection, key, v); }

private:
  fw::TRegIniFile* ini_;
};

// "charset:name:pitch:size", as "1:Courier New:0:8".
std::string FontToString(const fw::TFont& font);
// Empty: the font stays as it is. Fields are taken in order; a missing one
// counts as empty, and a number that does not read as 0.
void StringToFont(const std::string& text, fw::TFont& font);
// "1:Courier New:0:8"; for a Japanese user the framework's default font.
std::string DefaultTextFont();

// A statement delimiter or escape character: "", a single character, "#"
// and a decimal code, or a quoted character; anything else is none (0).
TChar DelimiterFromText(std::string_view text);
std::string DelimiterToText(TChar c);

// Comment brackets "open,close" or a lone opener, joined with ";".
std::vector<std::string> CommentsFromText(std::string_view text);
std::string CommentsToText(const std::vector<std::string>& comments);

}  // namespace dbx
