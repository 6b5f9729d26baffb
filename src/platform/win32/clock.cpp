// The calendar from the system's local time.
#include "platform/clock.h"

#include <windows.h>

namespace platform {

Date Today() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return Date{now.wYear, now.wMonth, now.wDay};
}

}  // namespace platform
