// The calendar from the system's local time.
#include "platform/clock.h"

#include <windows.h>

namespace platform {

Clock Now() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return Clock{Date{now.wYear, now.wMonth, now.wDay}, now.wHour, now.wMinute, now.wSecond};
}

Date Today() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return Date{now.wYear, now.wMonth, now.wDay};
}

}  // namespace platform
