#include "search/ModificationTime.h"

namespace quarrow {
namespace {

constexpr int64_t TicksPerSecond = 10000000;
constexpr int64_t TicksPerDay = 86400 * TicksPerSecond;
constexpr int64_t DaysFrom1601To1899 = 109205; // 1601-01-01 to 1899-12-30
// The local times a DOS date-time can hold: 1980-01-01 up to the end of 2107.
constexpr int64_t DosFirstTick = (DaysFrom1601To1899 + 29221) * TicksPerDay;
constexpr int64_t DosEndTick = (DaysFrom1601To1899 + 75972) * TicksPerDay;

int64_t Ticks(const FILETIME& time) {
    return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

} // namespace

// The platform applies the bias in force now to every time, whatever its date.
TModificationTimeRule::TModificationTimeRule() {
    FILETIME utc{}, local{};
    GetSystemTimeAsFileTime(&utc);
    if (FileTimeToLocalFileTime(&utc, &local))
        biasTicks_ = Ticks(local) - Ticks(utc);
}

TDateTime TModificationTimeRule::FromUtc(const FILETIME& utc) const {
    const int64_t local = Ticks(utc) + biasTicks_;
    if (local >= DosFirstTick && local < DosEndTick) {
        const int64_t days = local / TicksPerDay;
        const int64_t seconds = (local % TicksPerDay) / TicksPerSecond / 2 * 2;
        return static_cast<double>(days - DaysFrom1601To1899) + (seconds * 1000.0) / MillisecondsPerDay;
    }
    FILETIME localTime;
    const uint64_t clamped = local < 0 ? 0 : static_cast<uint64_t>(local);
    localTime.dwLowDateTime = static_cast<DWORD>(clamped & 0xFFFFFFFF);
    localTime.dwHighDateTime = static_cast<DWORD>(clamped >> 32);
    SYSTEMTIME st;
    if (!FileTimeToSystemTime(&localTime, &st))
        return 0;
    return SystemTimeToDateTime(st);
}

} // namespace quarrow
