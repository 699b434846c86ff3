#include "agent/prepared_call.h"

#include "common/secure_buffer.h"

namespace velkor {

void WipeArguments(std::vector<MethodArgument>& arguments)
{
    for (auto& argument : arguments) {
        if (auto* text = std::get_if<OptText>(&argument); text != nullptr && text->has_value()) {
            WipeString(**text);
        }
    }
}

PreparedCall::~PreparedCall()
{
    WipeArguments(arguments);
}

} // namespace velkor
