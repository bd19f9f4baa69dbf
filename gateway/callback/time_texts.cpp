#include "callback/time_texts.h"

#include <ctime>

namespace gw {

LocalTime local_time_of(std::chrono::system_clock::time_point moment) {
    std::time_t t = std::chrono::system_clock::to_time_t(moment);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_wday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string time_text(const LocalTime& m) {
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::string out;
    out.reserve(32);
    out += days[(m.weekday % 7 + 7) % 7];
    out += ", ";
    out += std::to_string(m.day);
    out += '-';
    out += months[((m.month - 1) % 12 + 12) % 12];
    out += '-';
    out += std::to_string(m.year);
    out += ' ';
    out += std::to_string(m.hour);
    out += ':';
    out += std::to_string(m.minute);
    out += ':';
    out += std::to_string(m.second);
    out += " GMT";
    return out;
}

std::string time_text() { return time_text(local_time_of(std::chrono::system_clock::now())); }

std::string create_time_text(std::chrono::system_clock::time_point moment) {
    using namespace std::chrono;
    auto ms = duration_cast<milliseconds>(moment.time_since_epoch()).count();
    long long seconds = ms / 1000;
    long long millis = ms % 1000;
    if (millis < 0) {  // before 1970: keep the digits in 0..999
        millis += 1000;
        --seconds;
    }
    std::string millis_text = std::to_string(millis);
    std::string out = std::to_string(seconds) + std::string(3 - millis_text.size(), '0') + millis_text;
    if (out.size() < 13) out.append(13 - out.size(), '0');
    return out;
}

std::string create_time_text() { return create_time_text(std::chrono::system_clock::now()); }

} // namespace gw
