// The calendar, as far as this program uses it.
#pragma once

namespace platform {

struct Date {
    int year = 0, month = 0, day = 0;  // month 1..12, day 1..31
};

// Today's date in the user's time zone.
Date Today();

struct Clock {
    Date date;
    int hour = 0, minute = 0, second = 0;
};
// The date and the time of day in the user's time zone.
Clock Now();

}  // namespace platform
