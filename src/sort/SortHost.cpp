#include "sort/SortHost.h"

#include "platform/Text.h"

ProgressDisplay MakeProgressDisplay(std::int32_t done, std::int32_t total) {
    ProgressDisplay progress;
    progress.done = done;
    progress.total = total;
    // In 64 bits: done * 100 overflows 32 bits from 21,474,837 paths on.
    progress.percent = total > 0 ? static_cast<std::uint32_t>(std::int64_t{done} * 100 / total) : 0;
    const unsigned d = static_cast<unsigned>(done), t = static_cast<unsigned>(total);
    progress.caption = FormatText("%02u%%(%u/%u) - Pallidor", progress.percent, d, t);
    progress.text = FormatText("%02u%% ( %u / %u )", progress.percent, d, t);
    return progress;
}
