#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "control/registration_record.h"
#include "control/velkor_ctrl.h"
#include "install_way.h"
#include "support/scoped_environment.h"
#include "system_locale.h"

namespace velkor {
namespace {

using testing::ScopedHome;

void WriteFile(const std::string& path, const std::string& content)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path) << content;
}

TEST(ModuleInfo, LocaleTypeIsZeroOnlyForTaiwaneseChinese)
{
    for (const char* name : { "zh_TW", "zh_TW.UTF-8", "ZH_tw.big5", "zh_TW@radical" }) {
        EXPECT_EQ(LocaleTypeOf(name), kLocaleTraditionalChineseTaiwan) << name;
    }
    for (const char* name :
        { "", "C", "POSIX", "C.UTF-8", "en_US.UTF-8", "zh_CN.UTF-8", "zh_HK", "zh_TWN", "zh" }) {
        EXPECT_EQ(LocaleTypeOf(name), kLocaleOther) << name;
    }
}

TEST(ModuleInfo, LocaleComesFromEnvironmentInPosixOrderThenSystemDefaults)
{
    testing::TemporaryDirectory directory;
    const std::string defaults = directory.Path() + "/locale";
    std::map<std::string, std::string> environment;
    const auto lookup = [&](const char* name) {
        const auto it = environment.find(name);
        return it == environment.end() ? std::string() : it->second;
    };

    environment = { { "LC_ALL", "zh_TW.UTF-8" }, { "LC_CTYPE", "en_US" }, { "LANG", "de_DE" } };
    EXPECT_EQ(SystemLocaleName(lookup, defaults), "zh_TW.UTF-8");
    environment = { { "LC_ALL", "" }, { "LC_CTYPE", "en_US" }, { "LANG", "zh_TW" } };
    EXPECT_EQ(SystemLocaleName(lookup, defaults), "en_US");
    environment = { { "LANG", "zh_TW" } };
    EXPECT_EQ(SystemLocaleName(lookup, defaults), "zh_TW");

    environment.clear();
    EXPECT_EQ(SystemLocaleName(lookup, defaults), "") << "no file, no variables";
    WriteFile(defaults, "# system locale\nLANG=\"zh_TW.UTF-8\"\n");
    EXPECT_EQ(SystemLocaleName(lookup, defaults), "zh_TW.UTF-8");
    WriteFile(defaults, "LANG=zh_TW.UTF-8\nLC_ALL='en_GB.UTF-8'\n");
    EXPECT_EQ(SystemLocaleName(lookup, defaults), "en_GB.UTF-8");
}

TEST(ModuleInfo, ControlReportsLocaleOfItsEnvironment)
{
    testing::ScopedEnvironment environment;
    environment.Set("LC_ALL", "zh_TW.UTF-8");
    CVelkorCtrl control;
    EXPECT_EQ(control.GetLocaleType(), 0);
    environment.Set("LC_ALL", "en_US.UTF-8");
    EXPECT_EQ(control.GetLocaleType(), 1);
}

TEST(ModuleInfo, InstallWayComparesWholePathComponents)
{
    const std::string downloads = "/home/u/Downloads";
    EXPECT_EQ(InstallWayOf(std::nullopt, downloads), kInstallWayDownloaded);
    EXPECT_EQ(InstallWayOf("/home/u/Downloads/velkor", downloads), kInstallWayDownloaded);
    EXPECT_EQ(InstallWayOf("/home/u/Downloads/v1/bin/velkor", downloads), kInstallWayDownloaded);
    EXPECT_EQ(InstallWayOf("/home/u/Downloads2/velkor", downloads), kInstallWayInstalled);
    EXPECT_EQ(InstallWayOf("/usr/bin/velkor", downloads), kInstallWayInstalled);
}

TEST(ModuleInfo, InstallWayFallsBackToThePackagesRecord)
{
    ScopedHome home;
    const std::string systemRecord = home.Path() + "/usr-share-velkor-registration";
    EXPECT_EQ(CurrentInstallWay(systemRecord), 0) << "neither record";
    ASSERT_TRUE(WriteRegistrationRecord(systemRecord, { "/usr/bin/velkor", "1" }));
    EXPECT_EQ(CurrentInstallWay(systemRecord), 1) << "installed by the package, nobody registered";
    ASSERT_TRUE(WriteRegistrationRecord(
        RegistrationRecordPath(), { home.Path() + "/Downloads/velkor", "1" }));
    EXPECT_EQ(CurrentInstallWay(systemRecord), 0) << "the user's own registration comes first";
}

TEST(ModuleInfo, InstallWayReadsTheRegistrationRecordOfTheUser)
{
    ScopedHome home;
    CVelkorCtrl control;
    EXPECT_EQ(control.GetInstallWay(), 0) << "no registration";
    // The way reported once the user's record names `executable`.
    const auto wayOf = [&control](const std::string& executable) {
        EXPECT_TRUE(WriteRegistrationRecord(RegistrationRecordPath(), { executable, "1" }));
        return control.GetInstallWay();
    };
    EXPECT_EQ(wayOf("/usr/bin/velkor"), 1);
    EXPECT_EQ(wayOf(home.Path() + "/Downloads/velkor"), 0);

    // Paths are compared as the files they name: ".." leaves the folder, and a download folder
    // that is a link to another disk holds what the record names under the link's target.
    EXPECT_EQ(wayOf(home.Path() + "/Downloads/../bin/velkor"), 1);
    const std::string target = home.Path() + "/disk/Downloads";
    std::filesystem::create_directories(target);
    std::filesystem::create_directory_symlink(target, home.Path() + "/Downloads");
    EXPECT_EQ(wayOf(target + "/velkor"), 0);
    EXPECT_EQ(wayOf(home.Path() + "/Downloads/velkor"), 0);

    // A renamed download folder is found through user-dirs.dirs.
    WriteFile(home.Config() + "/user-dirs.dirs", "XDG_DOWNLOAD_DIR=\"$HOME/Telechargements\"\n");
    EXPECT_EQ(control.GetInstallWay(), 1);
    EXPECT_EQ(wayOf(home.Path() + "/Telechargements/velkor"), 0);

    // A damaged record reads as no registration.
    WriteFile(RegistrationRecordPath(), "executable=relative/velkor\n");
    EXPECT_EQ(control.GetInstallWay(), 0);
}

} // namespace
} // namespace velkor
