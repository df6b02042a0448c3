#include "platform/system.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>

#include "platform/files.h"
#include "support/scoped_env.h"

namespace {

using testing_support::ScopedEnv;

uint16_t LangIdFor(const char* all, const char* messages, const char* lang) {
  ScopedEnv a("LC_ALL", all), m("LC_MESSAGES", messages), l("LANG", lang);
  return platform::SystemDefaultLangId();
}

}  // namespace

TEST(System, LanguageFromTheFirstLocaleVariableSet) {
  EXPECT_EQ(LangIdFor("ja_JP.UTF-8", "en_US", "fr_FR"), 0x0411);
  EXPECT_EQ(LangIdFor(nullptr, "fr_FR.UTF-8@euro", "ja_JP"), 0x000C);
  EXPECT_EQ(LangIdFor("", "", "ja"), 0x0411);  // empty counts as unset
  EXPECT_EQ(LangIdFor("jav_ID", nullptr, nullptr), 0x0409);  // not Japanese
}

TEST(System, ProgramFolderHonoursVund2Home) {
  const std::pair<const char*, std::string> homes[] = {
      {"/tmp/vund", "/tmp/vund/"}, {"/tmp/vund/", "/tmp/vund/"}, {u8"/tmp/設定", "/tmp/設定/"}};
  for (const auto& [home, folder] : homes) {
    ScopedEnv h("VUND2_HOME", home);
    EXPECT_EQ(platform::ProgramFolder(), folder) << folder;
  }
  ScopedEnv unset("VUND2_HOME", "");  // empty counts as unset: the program's own folder
  EXPECT_TRUE(platform::FileExists(platform::ProgramFolder() + "platform_tests")) << platform::ProgramFolder();
}
