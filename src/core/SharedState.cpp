#include "SharedState.h"

#include "FreqPointCount.h"

void SharedState::ResetResults()
{
    FreqPointCount = HasConditions() ? ::FreqPointCount(Current()) : 0;
    Results.Reset(FreqPointCount);
}
