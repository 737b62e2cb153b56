#pragma once
// The cursor move every test dataset over a list makes for GetRecord: one step in the asked
// direction, stopping one place outside either end.

#include "platform/toolkit/DataSet.h"

// Moves `position` over `count` rows; grOK when it stands on a row.
inline TGetResult StepCursor(int& position, int count, TGetMode mode)
{
    switch (mode) {
    case gmNext:
        if (position < count) ++position;
        if (position >= count) return grEOF;
        break;
    case gmPrior:
        if (position >= 0) --position;
        if (position < 0) return grBOF;
        break;
    case gmCurrent:
        if (position < 0) return grBOF;
        if (position >= count) return grEOF;
        break;
    }
    return grOK;
}
