#include "control/session_engine.h"

#include "system_locale.h"

namespace velkor {

int32_t SessionEngine::GetLocaleType() const
{
    return LocaleTypeOf(SystemLocaleName());
}

} // namespace velkor
