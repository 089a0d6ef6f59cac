// UTC calendar arithmetic for the target's clock and time stamps, independent
// of the host's time zone and of the C library's time_t range.
#pragma once

#include <cstdint>

namespace quorvex::sim {

struct CivilTime {
    int year = 1970;
    int month = 1;  // 1 to 12
    int day = 1;    // 1 to 31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

CivilTime CivilFromSeconds(std::int64_t seconds);
std::int64_t SecondsFromCivil(const CivilTime& t);
// True when every field lies in its calendar range (the day within its month).
bool IsValidCivil(const CivilTime& t);

}  // namespace quorvex::sim
