#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/ProgramPaths.h"
#include "platform/UserLocale.h"

namespace tabrova::platform {
namespace {

#ifndef _WIN32
// Sets an environment variable for the test's duration.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(ProgramPathsTest, ConfigFolderFollowsXdgRules) {
    ScopedEnv home("HOME", "/home/u");
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", "/cfg");
        EXPECT_EQ(userConfigFolder(), std::filesystem::path("/cfg/tabrova"));
    }
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", "relative/cfg");  // ignored: not absolute
        EXPECT_EQ(userConfigFolder(), std::filesystem::path("/home/u/.config/tabrova"));
    }
    ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(userConfigFolder(), std::filesystem::path("/home/u/.config/tabrova"));
}

TEST(UserLocaleTest, UnknownOrPlainLocalesUseAFullStop) {
    ScopedEnv all("LC_ALL", nullptr);
    ScopedEnv numeric("LC_NUMERIC", "no_SUCH.locale");
    EXPECT_EQ(userDecimalSeparator(), u'.');
    ScopedEnv lang("LC_ALL", "C");
    EXPECT_EQ(userDecimalSeparator(), u'.');
}
#endif

}  // namespace
}  // namespace tabrova::platform
