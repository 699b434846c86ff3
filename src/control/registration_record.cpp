#include "control/registration_record.h"

#include <fstream>

#include "common/atomic_file.h"
#include "common/xdg_paths.h"

namespace velkor {

std::string RegistrationRecordPath()
{
    return VelkorConfigDirectory() + "/registration";
}

std::optional<RegistrationRecord> ReadRegistrationRecord(const std::string& path)
{
    std::ifstream in(path);
    if (!in) {
        return std::nullopt;
    }
    RegistrationRecord record;
    std::string line;
    while (std::getline(in, line)) {
        const auto equals = line.find('=');
        if (line.empty() || line.front() == '#' || equals == std::string::npos) {
            continue;
        }
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        if (key == "executable") {
            record.executable = value;
        } else if (key == "version") {
            record.version = value;
        }
    }
    if (record.executable.empty() || record.executable.front() != '/') {
        return std::nullopt;
    }
    return record;
}

bool WriteRegistrationRecord(const std::string& path, const RegistrationRecord& record)
{
    return WriteFileAtomically(path,
        "# Written by `velkor register`, removed by `velkor unregister`.\n"
            + ("executable=" + record.executable) + "\nversion=" + record.version + "\n");
}

} // namespace velkor
