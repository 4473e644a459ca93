// The local time, for log names and log lines.
#pragma once

namespace platform {

struct LocalTime {
    int year, month, day, hour, minute, second, milliseconds;
};
LocalTime CurrentLocalTime();

}  // namespace platform
