#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "agent/host_manifests.h"
#include "agent/origin_policy.h"
#include "agent/registration.h"
#include "agent/serve_command.h"
#include "control/registration_record.h"
#include "support/scoped_environment.h"

namespace velkor {
namespace {

namespace fs = std::filesystem;

// Stands in for the user's systemd: records what would have been run.
class RecordingServices final : public UserServiceManager {
public:
    explicit RecordingServices(bool available)
        : available_(available)
    {
    }
    bool Available() override { return available_; }
    bool HasPackagedSocket() override { return packagedSocket; }
    bool Run(const std::vector<std::string>& arguments) override
    {
        std::string line;
        for (const auto& argument : arguments) {
            line += (line.empty() ? "" : " ") + argument;
        }
        commands.push_back(line);
        return true;
    }
    std::vector<std::string> commands;
    bool packagedSocket = false;

private:
    bool available_;
};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

// A home of its own, the user's systemd as a recorder, and the message of the last step.
class Registration : public ::testing::Test {
protected:
    testing::ScopedHome home;
    RecordingServices services { true };
    std::string message;
};

TEST_F(Registration, SystemdUserUnitTwiceThenUnregisterTwice)
{
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(RegisterAgent("/opt/velkor/bin/velkor", "1.0.0.1", services, message))
            << message;
        EXPECT_EQ(SystemdUnitPath(), home.Config() + "/systemd/user/velkor.service");
        EXPECT_NE(ReadFile(SystemdUnitPath()).find("ExecStart=\"/opt/velkor/bin/velkor\" serve\n"),
            std::string::npos);
        EXPECT_FALSE(fs::exists(AutostartEntryPath()));
        const auto record = ReadRegistrationRecord(RegistrationRecordPath());
        ASSERT_TRUE(record);
        EXPECT_EQ(record->executable, "/opt/velkor/bin/velkor");
        EXPECT_EQ(record->version, "1.0.0.1");
    }
    EXPECT_EQ(services.commands,
        (std::vector<std::string> { "daemon-reload", "enable --now velkor.service", "daemon-reload",
            "enable --now velkor.service" }));

    services.commands.clear();
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(UnregisterAgent(services, message)) << message;
        EXPECT_FALSE(fs::exists(SystemdUnitPath()));
        EXPECT_FALSE(fs::exists(RegistrationRecordPath()));
    }
    EXPECT_EQ(services.commands,
        (std::vector<std::string> {
            "disable --now velkor.service", "daemon-reload", "daemon-reload" }));
}

TEST_F(Registration, PackagedSocketReplacesAnEarlierUnitAndUnregisterMasksIt)
{
    ASSERT_TRUE(RegisterAgent("/usr/bin/velkor", "1", services, message));
    ASSERT_TRUE(fs::exists(SystemdUnitPath()));

    services.packagedSocket = true;
    services.commands.clear();
    ASSERT_TRUE(RegisterAgent("/usr/bin/velkor", "1", services, message)) << message;
    EXPECT_FALSE(fs::exists(SystemdUnitPath())) << "it would shadow the package's service";
    EXPECT_FALSE(fs::exists(AutostartEntryPath()));
    EXPECT_EQ(ReadRegistrationRecord(RegistrationRecordPath())->executable, "/usr/bin/velkor");
    EXPECT_EQ(services.commands,
        (std::vector<std::string> { "disable --now velkor.service", "daemon-reload",
            "unmask velkor.socket", "enable --now velkor.socket" }));

    services.commands.clear();
    ASSERT_TRUE(UnregisterAgent(services, message)) << message;
    EXPECT_FALSE(fs::exists(RegistrationRecordPath()));
    EXPECT_EQ(services.commands,
        (std::vector<std::string> {
            "mask --now velkor.socket", "stop velkor.service", "daemon-reload" }));
}

TEST_F(Registration, AutostartEntryWithoutSystemdReplacesAnEarlierUnit)
{
    ASSERT_TRUE(RegisterAgent("/usr/bin/velkor", "1", services, message));

    RecordingServices none(false);
    const std::string odd = home.Path() + "/Downloads/my \"bank\" $tools\\100%/velkor";
    ASSERT_TRUE(RegisterAgent(odd, "1", none, message)) << message;
    ASSERT_TRUE(RegisterAgent(odd, "1", none, message)) << message;
    EXPECT_TRUE(none.commands.empty());
    EXPECT_FALSE(fs::exists(SystemdUnitPath()));
    EXPECT_EQ(AutostartEntryPath(), home.Config() + "/autostart/velkor.desktop");
    const std::string entry = ReadFile(AutostartEntryPath());
    // Quoting as desktop files need it: \" \$ and a doubled backslash escape, %% for '%'.
    EXPECT_NE(entry.find("Exec=\"" + home.Path()
                  + "/Downloads/my \\\\\"bank\\\\\" \\\\$tools\\\\\\\\100%%/velkor\" serve\n"),
        std::string::npos)
        << entry;
    EXPECT_EQ(ReadRegistrationRecord(RegistrationRecordPath())->executable, odd);

    ASSERT_TRUE(UnregisterAgent(none, message));
    EXPECT_FALSE(fs::exists(AutostartEntryPath()));
    EXPECT_FALSE(fs::exists(RegistrationRecordPath()));
}

TEST_F(Registration, SystemdQuotingAndBadPaths)
{
    const std::string unit = SystemdUnitText("/a b/100%/$x/\"q\"\\v");
    EXPECT_NE(unit.find("ExecStart=\"/a b/100%%/$$x/\\\"q\\\"\\\\v\" serve\n"), std::string::npos)
        << unit;
    EXPECT_FALSE(RegisterAgent("velkor", "1", services, message));
    EXPECT_FALSE(RegisterAgent("/usr/bin/velkor\nExecStartPre=/bin/evil", "1", services, message));
    EXPECT_TRUE(services.commands.empty());
    EXPECT_FALSE(fs::exists(SystemdUnitPath()));
}

// What register installs runs `serve` with no arguments: that agent must trust no page the user
// has not listed, the demo bank included; only an explicit --demo-origin (as ./run passes) does.
TEST_F(Registration, InstalledAgentDoesNotTrustTheDemoBank)
{
    const std::string unit = SystemdUnitText("/usr/bin/velkor");
    const size_t serve = unit.find("\" serve\n");
    ASSERT_NE(serve, std::string::npos) << unit;
    EXPECT_NE(AutostartEntryText("/usr/bin/velkor").find("\" serve\n"), std::string::npos);

    const auto allowed = [](const std::vector<std::string>& args) {
        ServeSettings settings;
        std::string error;
        EXPECT_TRUE(ParseServeArguments(args, settings, error)) << error;
        return settings.options.allowedOrigins;
    };
    const std::string demo(kDemoOrigin);
    EXPECT_TRUE(allowed({}).empty());
    EXPECT_TRUE(allowed({ "--no-demo-origin" }).empty());
    EXPECT_EQ(allowed({ "--demo-origin" }), std::vector<std::string> { demo });
    EXPECT_EQ(allowed({ "--allow-origin", "https://bank.example" }),
        std::vector<std::string> { "https://bank.example" });
}

// The browsers find the host through the manifests in the user's folders; each allows only the
// Velkor extension, and names a launcher that runs the registered program as native-host.
TEST_F(Registration, HostManifestsForEachBrowserComeAndGo)
{
    const std::string program = home.Path() + "/it's mine/velkor";
    fs::create_directories(fs::path(program).parent_path());
    {
        std::ofstream fake(program);
        fake << "#!/bin/sh\necho \"$@\"\n";
    }
    fs::permissions(program, fs::perms::owner_all);
    ASSERT_TRUE(InstallHostManifests(program, message)) << message;
    ASSERT_TRUE(InstallHostManifests(program, message)) << message;

    const auto places = HostManifestPlaces();
    ASSERT_EQ(places.size(), 3U);
    EXPECT_EQ(
        places[0].path, home.Config() + "/chromium/NativeMessagingHosts/com.velkor.agent.json");
    EXPECT_EQ(
        places[2].path, home.Path() + "/.mozilla/native-messaging-hosts/com.velkor.agent.json");
    for (const auto& place : places) {
        const auto manifest = nlohmann::json::parse(ReadFile(place.path));
        EXPECT_EQ(manifest["name"], "com.velkor.agent");
        EXPECT_EQ(manifest["type"], "stdio");
        EXPECT_EQ(manifest["path"], home.Path() + "/.local/share/velkor/native-host");
        if (place.firefox) {
            EXPECT_EQ(manifest["allowed_extensions"], nlohmann::json { "velkor@velkor.example" });
        } else {
            EXPECT_EQ(manifest["allowed_origins"],
                nlohmann::json { "chrome-extension://cbckpafkgagkkjgkgmenlkfapbekeijc/" });
        }
    }
    // The browser runs the launcher with the calling extension as its argument.
    const std::string run
        = "'" + NativeHostLauncherPath() + "' chrome-extension://x/ > '" + home.Path() + "/out'";
    ASSERT_EQ(std::system(run.c_str()), 0);
    EXPECT_EQ(ReadFile(home.Path() + "/out"), "native-host chrome-extension://x/\n");

    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(RemoveHostManifests(message)) << message;
    }
    for (const auto& place : places) {
        EXPECT_FALSE(fs::exists(place.path));
    }
    EXPECT_FALSE(fs::exists(NativeHostLauncherPath()));
}

} // namespace
} // namespace velkor
