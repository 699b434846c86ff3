#pragma once

#include <ctime>
#include <functional>

// The PC's local date and time, for the timestamps the card signs. Production reads the system
// clock; tests fix the time with ScopedLocalTime.
namespace velkor {

std::tm LocalTimeNow();

using LocalTimeSource = std::function<std::tm()>;

// Replaces the clock while alive; restores the previous source on destruction.
class ScopedLocalTime {
public:
    explicit ScopedLocalTime(LocalTimeSource source);
    ScopedLocalTime(const ScopedLocalTime&) = delete;
    ScopedLocalTime& operator=(const ScopedLocalTime&) = delete;
    ~ScopedLocalTime();

private:
    LocalTimeSource previous_;
};

} // namespace velkor
