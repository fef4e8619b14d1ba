#pragma once
// Pins the process's local time zone for one test and puts the old one back after.
// POSIX zone strings need no zone database, so the tests run the same everywhere.
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace testing_support {

inline constexpr const char* kUtc = "UTC0";
// Central Europe: daylight saving from the last Sunday of March, 02:00, to the last
// Sunday of October, 03:00.
inline constexpr const char* kBerlin = "CET-1CEST,M3.5.0,M10.5.0/3";

class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) previous_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (previous_)
            setenv("TZ", previous_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> previous_;
};

}  // namespace testing_support
