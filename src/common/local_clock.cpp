#include "common/local_clock.h"

namespace velkor {

namespace {
LocalTimeSource& CurrentSource()
{
    static LocalTimeSource source;
    return source;
}
} // namespace

std::tm LocalTimeNow()
{
    if (const auto& source = CurrentSource()) {
        return source();
    }
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    return local;
}

ScopedLocalTime::ScopedLocalTime(LocalTimeSource source)
    : previous_(std::move(CurrentSource()))
{
    CurrentSource() = std::move(source);
}

ScopedLocalTime::~ScopedLocalTime()
{
    CurrentSource() = std::move(previous_);
}

} // namespace velkor
