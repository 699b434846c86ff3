#include "agent/scripted_file_open.h"

namespace velkor {

std::optional<ControlView> ScriptedFileOpen::Control(int id) const
{
    if (id == kOpen) {
        return ControlView { u"開啟", true, true };
    }
    if (id == kCancel) {
        return ControlView { u"取消", true, true };
    }
    return std::nullopt;
}

bool ScriptedFileOpen::Click(int id, std::string& problem)
{
    if (!Usable(id, problem)) {
        return false;
    }
    if (id == kOpen) {
        problem = "no file is chosen: use {\"file\": PATH}";
        return false;
    }
    open_ = false;
    return true;
}

bool ScriptedFileOpen::File(const Text& path, std::string&)
{
    chosen_ = path;
    open_ = false;
    return true;
}

} // namespace velkor
