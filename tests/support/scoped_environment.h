#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

namespace velkor::testing {

// Sets or unsets environment variables for one test and restores them afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second) {
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            } else {
                ::unsetenv(it->first.c_str());
            }
        }
    }

    void Set(const std::string& name, const std::string& value)
    {
        Save(name);
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    void Unset(const std::string& name)
    {
        Save(name);
        ::unsetenv(name.c_str());
    }

private:
    void Save(const std::string& name)
    {
        const char* value = std::getenv(name.c_str());
        saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }

    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// A fresh folder under the system's temporary folder, removed with everything in it.
class TemporaryDirectory {
public:
    TemporaryDirectory()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "velkor-test-XXXXXX");
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
    ~TemporaryDirectory()
    {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Points HOME and XDG_CONFIG_HOME at a temporary folder for one test.
class ScopedHome {
public:
    ScopedHome()
    {
        environment_.Set("HOME", directory_.Path());
        environment_.Set("XDG_CONFIG_HOME", directory_.Path() + "/.config");
    }
    const std::string& Path() const { return directory_.Path(); }
    std::string Config() const { return directory_.Path() + "/.config"; }
    ScopedEnvironment& Environment() { return environment_; }

private:
    TemporaryDirectory directory_;
    ScopedEnvironment environment_;
};

} // namespace velkor::testing
