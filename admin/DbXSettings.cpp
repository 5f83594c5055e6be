#include "DbXSettings.h"

#include <cmath>

#include "Format.h"
#include "Forms.h"
#include "GraphicsObjects.h"
#include "Services.h"
#include "Text.h"

namespace dbx {

std::string ToolRegistryKey;

std::unique_ptr<fw::TRegIniFile> CreateSettingsIniFile() {
  if (ToolRegistryKey.empty()) return nullptr;
  return std::make_unique<fw::TRegIniFile>(ToolRegistryKey);
}

std::string FontToString(const fw::TFont& font) {
  return fw::Format("%d:%s:%d:%d",
                    {font.Charset(), font.Name(), static_cast<int>(font.Pitch()), font.Size()});
}

void StringToFont(const std::string& text, fw::TFont& font) {
  if (text.empty()) return;
  std::vector<std::string> fields = SplitByChars(text, TCharSet(U":"));
  fields.resize(4);
  font.SetCharset(fw::StrToIntDef(fields[0], 0));
  font.SetName(fields[1]);
  int pitch = fw::StrToIntDef(fields[2], 0);
  font.SetPitch(pitch >= fw::fpDefault && pitch <= fw::fpFixed ? static_cast<fw::TFontPitch>(pitch) : fw::fpDefault);
  font.SetSize(fw::StrToIntDef(fields[3], 0));
}

std::string DefaultTextFont() {
  if (fw::PRIMARYLANGID(fw::GetUserDefaultLangID()) != fw::LANG_JAPANESE) return "1:Courier New:0:8";
  fw::TFont standard;  // the framework's default font
  int points = static_cast<int>(std::lround(-standard.Height() * 72.0 / fw::Screen->PixelsPerInch()));
  return fw::Format("%d:%s:%d:%d", {standard.Charset(), standard.Name(), static_cast<int>(standard.Pitch()), points});
}

TChar DelimiterFromText(std::string_view text) { return CharFromLiteral(text); }

std::string DelimiterToText(TChar c) { return CharToLiteral(c); }

std::vector<std::string> CommentsFromText(std::string_view text) { return SplitByChars(text, TCharSet(U";")); }

std::string CommentsToText(const std::vector<std::string>& comments) { return JoinStrings(comments, U';'); }

}  // namespace dbx
