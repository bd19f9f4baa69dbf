#pragma once
// The time text of log lines and Date headers, and the CreateTime of reply XML.
#include <chrono>
#include <string>

namespace gw {

struct LocalTime {
    int year, month, day;          // month 1..12
    int weekday;                   // 0 = Sunday
    int hour, minute, second;
};

// "Mon, 25-Dec-2017 9:5:3 GMT": local time, no leading zeros, no zone shift.
std::string time_text(const LocalTime& moment);
std::string time_text();  // now

LocalTime local_time_of(std::chrono::system_clock::time_point moment);

// Unix seconds followed by three millisecond digits, at least 13 digits,
// both taken from one reading of the clock.
std::string create_time_text(std::chrono::system_clock::time_point moment);
std::string create_time_text();  // now

} // namespace gw
