#include "common/atomic_file.h"

#include <filesystem>
#include <fstream>

namespace velkor {

bool WriteFileAtomically(const std::string& path, const std::string& content)
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::create_directories(fs::path(path).parent_path(), error);
    if (error) {
        return false;
    }
    const std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << content;
        out.flush();
        if (!out) {
            fs::remove(temporary, error);
            return false;
        }
    }
    fs::rename(temporary, path, error);
    return !error;
}

} // namespace velkor
