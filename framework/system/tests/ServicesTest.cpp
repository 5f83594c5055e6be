#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "ScriptedMessages.h"
#include "Services.h"
#include "Shell.h"
#include "TempDir.h"

namespace fw {

namespace fs = std::filesystem;

TEST(MessageService, FlagsGiveButtonsDefaultAndIcon) {
  struct Case {
    unsigned flags;
    std::vector<int> buttons;
    int def;
    int cancel;
    TMessageIcon icon;
  } cases[] = {
      {MB_OK, {IDOK}, IDOK, IDOK, TMessageIcon::None},
      {MB_YESNO | MB_ICONQUESTION, {IDYES, IDNO}, IDYES, 0, TMessageIcon::Question},
      {MB_YESNOCANCEL | MB_DEFBUTTON3 | MB_ICONWARNING, {IDYES, IDNO, IDCANCEL}, IDCANCEL, IDCANCEL,
       TMessageIcon::Warning},
      {MB_OKCANCEL | MB_DEFBUTTON2 | MB_ICONERROR, {IDOK, IDCANCEL}, IDCANCEL, IDCANCEL, TMessageIcon::Error},
      {MB_OK | MB_DEFBUTTON3, {IDOK}, IDOK, IDOK, TMessageIcon::None},  // no third button: the first
  };
  for (const auto& c : cases) {
    TMessageRequest r = MessageBoxRequest("t", "c", c.flags);
    EXPECT_EQ(r.Buttons, c.buttons) << c.flags;
    EXPECT_EQ(r.DefaultButton, c.def) << c.flags;
    EXPECT_EQ(r.CancelButton, c.cancel) << c.flags;
    EXPECT_EQ(r.Icon, c.icon) << c.flags;
  }
}

TEST(MessageService, ScriptAnswersInOrderAndRecordsWhatWasAsked) {
  test::ScriptedMessages s;
  s->Answers = {IDNO};
  EXPECT_EQ(ShowMessageBox("Use x as default configuration?", "Confirmation", MB_YESNO), IDNO);
  EXPECT_EQ(ShowMessageBox("Second", "C", MB_YESNO | MB_DEFBUTTON2), IDNO);  // queue empty: the default
  ASSERT_EQ(s->Requests.size(), 2u);
  EXPECT_EQ(s->Requests[0].Text, "Use x as default configuration?");
  EXPECT_EQ(s->Requests[0].Caption, "Confirmation");
  MessageBeep(0);
  MessageBeep(MB_ICONEXCLAMATION);
  EXPECT_EQ(s->Beeps, (std::vector<unsigned>{0, MB_ICONEXCLAMATION}));

  TDialogRequest d{"OpenDialog", "Open", {{"FileName", ""}}, 0};
  s->DialogAnswers.push_back([](TDialogRequest& r) {
    r.Values["FileName"] = "/tmp/a.cfg";
    return true;
  });
  EXPECT_TRUE(MessageService().ExecuteDialog(d));
  EXPECT_EQ(d.Values["FileName"], "/tmp/a.cfg");
  EXPECT_FALSE(MessageService().ExecuteDialog(d));  // nothing scripted: cancelled
}

TEST(Services, TickClockCanBeReplaced) {
  std::uint32_t now = 1000;
  SetTickCountClock([&] { return now; });
  EXPECT_EQ(GetTickCount(), 1000u);
  now += 333;
  EXPECT_EQ(GetTickCount(), 1333u);
  SetTickCountClock({});
  std::uint32_t a = GetTickCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_GE(GetTickCount() - a, 15u);
}

TEST(Services, LanguageComesFromTheLocale) {
  struct Case {
    const char* lcAll;
    const char* lang;
    LANGID primary;
  } cases[] = {
      {"", "ja_JP.UTF-8", LANG_JAPANESE}, {"de_DE@euro", "ja_JP", LANG_GERMAN}, {"", "C", LANG_ENGLISH},
      {"", "", LANG_ENGLISH},             {"", "xx_YY", LANG_NEUTRAL},
  };
  for (const auto& c : cases) {
    setenv("LC_ALL", c.lcAll, 1);
    setenv("LANG", c.lang, 1);
    unsetenv("LC_MESSAGES");
    EXPECT_EQ(PRIMARYLANGID(GetUserDefaultLangID()), c.primary) << c.lcAll << "/" << c.lang;
  }
  unsetenv("LC_ALL");
  EXPECT_EQ(OemToChar("Grüße"), "Grüße");
}

class ShellTest : public ::testing::Test {
protected:
  test::TempDir temp_;
  fs::path dir_ = temp_.Path();
};

TEST_F(ShellTest, FailuresAreReportedByTheResult) {
  EXPECT_EQ(ShellExecute(0, "open", (dir_ / "no-such-program").string(), {}, "", SW_SHOWNORMAL), SE_ERR_FNF);
  EXPECT_EQ(ShellExecute(0, "open", "no-such-program-anywhere", {}, "", SW_SHOWNORMAL), SE_ERR_FNF);
  EXPECT_EQ(ShellExecute(0, "open", (dir_ / "missing" / "tool").string(), {}, "", SW_SHOWNORMAL), SE_ERR_PNF);
  EXPECT_EQ(ShellExecute(0, "open", "true", {}, (dir_ / "missing").string(), SW_SHOWNORMAL), SE_ERR_PNF);
  EXPECT_EQ(ShellExecute(0, "print", "true", {}, "", SW_SHOWNORMAL), SE_ERR_NOASSOC);
}

TEST_F(ShellTest, ArgumentsReachTheProgramAsTheyAreInItsFolder) {
  // Characters a shell would act on arrive unchanged: nothing goes through one.
  std::string name = "a b;$(echo x)&c";
  ASSERT_GT(ShellExecute(0, "", "touch", {name}, dir_.string(), SW_SHOWNORMAL), 32);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!fs::exists(dir_ / name) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(fs::exists(dir_ / name));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator{}), 1);
}

TEST_F(ShellTest, HelpForAMissingFileSaysSoNamingIt) {
  test::ScriptedMessages s;
  std::string file = (dir_ / "varkon.hlp").string();
  EXPECT_FALSE(WinHelp(0, file, HELP_FINDER, 0));
  ASSERT_EQ(s->Requests.size(), 1u);
  EXPECT_NE(s->Requests[0].Text.find(file), std::string::npos);
  EXPECT_TRUE(WinHelp(0, file, HELP_QUIT, 0));
  EXPECT_EQ(s->Requests.size(), 1u);
}

}  // namespace fw
