// The user's default language: POSIX locale names to Windows locale ids,
// the fallback for C, POSIX and unknown names, and which environment
// variable decides.
#include "UserLocale.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace tabula {
namespace {

TEST(UserLocale, PosixNamesMapToWindowsIdsAndTheRestFallsBack) {
    EXPECT_EQ(LocaleIdOfPosixName("de_DE.UTF-8"), 0x0407u);
    EXPECT_EQ(LocaleIdOfPosixName("de_DE@euro"), 0x0407u);
    EXPECT_EQ(LocaleIdOfPosixName("fr_CA"), 0x0C0Cu);
    EXPECT_EQ(LocaleIdOfPosixName("en_GB.ISO-8859-1"), 0x0809u);
    // A bare language takes its likely territory.
    EXPECT_EQ(LocaleIdOfPosixName("de"), 0x0407u);
    for (const char* name : {"C", "POSIX", "C.UTF-8", "", "xx_YY", "@"})
        EXPECT_EQ(LocaleIdOfPosixName(name), kFallbackLocaleId) << name;
}

// Sets or clears one environment variable for the scope of a test.
class TEnvironment {
public:
    TEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~TEnvironment() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    TEnvironment(const TEnvironment&) = delete;
    TEnvironment& operator=(const TEnvironment&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(UserLocale, FirstSetVariableOfLcAllLcCollateLangDecides) {
    TEnvironment all("LC_ALL", nullptr);
    TEnvironment collate("LC_COLLATE", nullptr);
    TEnvironment lang("LANG", nullptr);
    EXPECT_EQ(UserDefaultLocaleId(), kFallbackLocaleId);
    ::setenv("LANG", "fr_FR.UTF-8", 1);
    EXPECT_EQ(UserDefaultLocaleId(), 0x040Cu);
    ::setenv("LC_COLLATE", "de_DE.UTF-8", 1);
    EXPECT_EQ(UserDefaultLocaleId(), 0x0407u);
    ::setenv("LC_ALL", "POSIX", 1);
    EXPECT_EQ(UserDefaultLocaleId(), kFallbackLocaleId);
    // An empty setting counts as none.
    ::setenv("LC_ALL", "", 1);
    EXPECT_EQ(UserDefaultLocaleId(), 0x0407u);
}

} // namespace
} // namespace tabula
