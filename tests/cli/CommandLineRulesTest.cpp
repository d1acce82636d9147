#include <gtest/gtest.h>

#include "cli/CommandLine.h"

using cli::Action;

// Words split as CommandLineToArgvW splits them, so a setup script's quoting means what it means
// to every other Windows program.
TEST(CommandLineRules, WordsSplitAsWindowsSplitsThem) {
  const struct {
    std::wstring text;
    std::vector<std::wstring> words;
  } cases[] = {
      {L"", {}},
      {L"  /s \t a.ocx  ", {L"/s", L"a.ocx"}},
      {L"/s \"C:\\My Heads\\a b.ocx\" c.ocx", {L"/s", L"C:\\My Heads\\a b.ocx", L"c.ocx"}},
      {L"\"\" x", {L"", L"x"}},
      {L"a\\\\\"b c\" d", {L"a\\b c", L"d"}},       // 2n backslashes and a quote: n, the quote opens
      {L"a\\\"b c", {L"a\"b", L"c"}},              // 2n+1: n and a literal quote
      {L"C:\\dir\\ x", {L"C:\\dir\\", L"x"}},       // backslashes before no quote stay
      {L"\"a \"\"b\"\" c\"", {L"a \"b\" c"}},       // "" inside quotes
      {L"\"unclosed path", {L"unclosed path"}},
  };
  for (const auto& c : cases) EXPECT_EQ(cli::SplitArguments(c.text), c.words) << std::string(c.text.begin(), c.text.end());
}

// Only a silent switch makes a command line silent: every form the window takes keeps its meaning.
TEST(CommandLineRules, SwitchesDecideTheFrontDoor) {
  const struct {
    std::vector<std::wstring> words;
    Action action;
    bool unregister;
    std::vector<std::wstring> files;
    std::wstring error;  // its start
  } cases[] = {
      {{}, Action::kWindow, false, {}, L""},
      {{L"C:\\Heads\\a b.ocx"}, Action::kWindow, false, {}, L""},
      {{L"/u", L"a.ocx"}, Action::kWindow, false, {}, L""},     // no /s: a path as today
      {{L"-x", L"a.ocx"}, Action::kWindow, false, {}, L""},
      {{L"/s", L"a.ocx", L"/u"}, Action::kRegister, false, {L"a.ocx", L"/u"}, L""},  // switches come first
      {{L"/S", L"-U", L"a.ocx", L"b.ocx"}, Action::kRegister, true, {L"a.ocx", L"b.ocx"}, L""},
      {{L"/s", L"", L"a.ocx"}, Action::kRegister, false, {L"", L"a.ocx"}, L""},
      {{L"/?"}, Action::kUsage, false, {}, L""},
      {{L"/s", L"--help"}, Action::kUsage, false, {}, L""},
      {{L"-H"}, Action::kUsage, false, {}, L""},
      {{L"/s"}, Action::kWrong, false, {}, L"No file was named."},
      {{L"/s", L"/u"}, Action::kWrong, false, {}, L"No file was named."},
      {{L"/s", L"/q", L"a.ocx"}, Action::kWrong, false, {}, L"Unknown switch /q."},
      {{L"/export", L"out.reg", L"a.ocx"}, Action::kExport, false, {L"a.ocx"}, L""},
      {{L"/export", L"out.reg"}, Action::kWrong, false, {}, L"/export needs"},
      {{L"/export", L"/u", L"o.reg", L"a.ocx"}, Action::kWrong, false, {}, L"/export cannot"},
      {{L"/s", L"/listbroken"}, Action::kListBroken, false, {}, L""},
      {{L"/REMOVEBROKEN"}, Action::kRemoveBroken, false, {}, L""},
      {{L"/s", L"/removebroken", L"a.ocx"}, Action::kWrong, false, {}, L"/listbroken and /removebroken take"},
      {{L"/listbroken", L"/removebroken"}, Action::kWrong, false, {}, L"Only one of"},
  };
  for (const auto& c : cases) {
    const cli::Request r = cli::ParseArguments(c.words);
    const std::wstring joined = c.words.empty() ? L"(none)" : c.words[0] + L" ...";
    SCOPED_TRACE(std::string(joined.begin(), joined.end()));
    EXPECT_EQ(r.action, c.action);
    EXPECT_EQ(r.unregister, c.unregister);
    EXPECT_EQ(r.files, c.files);
    EXPECT_TRUE(r.error.starts_with(c.error));
  }
  EXPECT_EQ(cli::ParseArguments({L"/export", L"out.reg", L"a.ocx"}).exportFile, L"out.reg");
}
