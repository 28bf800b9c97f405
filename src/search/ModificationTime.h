#pragma once
// The modification time of a listed entry as the search shows and filters it: the UTC
// last-write time moved by the local bias in force now, in the two-second steps of a DOS
// date-time when it falls in 1980 to 2107, else exact.

#include "base/DateTime.h"

#include <windows.h>

#include <cstdint>

namespace quarrow {

class TModificationTimeRule {
public:
    // Takes the bias in force now; it holds for every entry converted afterwards.
    TModificationTimeRule();

    TDateTime FromUtc(const FILETIME& utc) const;

private:
    int64_t biasTicks_ = 0;
};

} // namespace quarrow
