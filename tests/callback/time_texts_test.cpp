#include "callback/time_texts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace {

using namespace std::chrono;

// Sets the process time zone for one test and puts the old one back.
class ZoneGuard {
public:
    explicit ZoneGuard(const char* zone) {
        if (const char* old = std::getenv("TZ")) old_ = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ZoneGuard() {
        if (old_) ::setenv("TZ", old_->c_str(), 1);
        else ::unsetenv("TZ");
        ::tzset();
    }
    ZoneGuard(const ZoneGuard&) = delete;
    ZoneGuard& operator=(const ZoneGuard&) = delete;

private:
    std::optional<std::string> old_;
};

system_clock::time_point unix_time(long long seconds, int millis = 0) {
    return system_clock::time_point(duration_cast<system_clock::duration>(seconds * 1s + millis * 1ms));
}

TEST(TimeText, WritesFieldsWithoutLeadingZeros) {
    struct Case {
        gw::LocalTime moment;
        const char* text;
    };
    const Case cases[] = {
        {{2017, 12, 25, 1, 9, 5, 3}, "Mon, 25-Dec-2017 9:5:3 GMT"},
        {{2018, 1, 1, 1, 0, 0, 0}, "Mon, 1-Jan-2018 0:0:0 GMT"},
        {{2020, 2, 29, 6, 23, 59, 59}, "Sat, 29-Feb-2020 23:59:59 GMT"},
        {{2019, 9, 8, 0, 10, 30, 45}, "Sun, 8-Sep-2019 10:30:45 GMT"},
    };
    for (const auto& c : cases) EXPECT_EQ(gw::time_text(c.moment), c.text);
}

TEST(TimeText, UsesTheLocalClockWithoutShiftingToGmt) {
    struct Case {
        const char* zone;
        long long unix_seconds;
        const char* text;
    };
    const Case cases[] = {
        {"CST-8", 1514163903, "Mon, 25-Dec-2017 9:5:3 GMT"},  // 01:05:03 UTC
        {"UTC0", 1514764800, "Mon, 1-Jan-2018 0:0:0 GMT"},
        {"CST-8", 1514735999, "Sun, 31-Dec-2017 23:59:59 GMT"},  // 15:59:59 UTC
        {"EST5", 1514782800, "Mon, 1-Jan-2018 0:0:0 GMT"},  // 05:00:00 UTC
    };
    for (const auto& c : cases) {
        ZoneGuard zone(c.zone);
        EXPECT_EQ(gw::time_text(gw::local_time_of(unix_time(c.unix_seconds))), c.text) << c.zone;
    }
}

TEST(CreateTimeText, DoesNotDependOnTheZone) {
    for (const char* z : {"CST-8", "UTC0", "EST5", "NZST-12"}) {
        ZoneGuard zone(z);
        EXPECT_EQ(gw::create_time_text(unix_time(1514160000, 7)), "1514160000007") << z;
    }
}

TEST(CreateTimeText, ThirteenDigitsAfterSeptember2001) {
    struct Case {
        long long seconds;
        int millis;
        const char* text;
    };
    const Case cases[] = {
        {1000000000, 0, "1000000000000"},  // 2001-09-09 01:46:40 UTC
        {1514160000, 70, "1514160000070"},
        {1514160000, 999, "1514160000999"},
        {2147483648, 1, "2147483648001"},  // past 32-bit time_t
        {4102444800, 500, "4102444800500"},  // 2100-01-01
        {9000000000, 999, "9000000000999"},  // 2255, near the end of the clock
        // Before then the seconds are shorter and "0" fills up to 13.
        {999999999, 5, "9999999990050"},
    };
    for (const auto& c : cases) EXPECT_EQ(gw::create_time_text(unix_time(c.seconds, c.millis)), c.text);

    const std::string now = gw::create_time_text();
    EXPECT_EQ(now.size(), 13u);
    EXPECT_EQ(now.find_first_not_of("0123456789"), std::string::npos) << now;
}

} // namespace
