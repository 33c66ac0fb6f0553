// The scenery counters and the angles and shift derived from them.
#include "render/scenery.h"

#include <cmath>

SceneryCounters sceneryCounters;

void advanceScenery() {
    SceneryCounters& c = sceneryCounters;
    c.backdropScroll =
        static_cast<float>(static_cast<double>(c.backdropScroll) + backdropScrollStep);
    if (c.turnCounter >= turnPeriod) {
        // Every turn is whole again: start the next period instead of running the signed
        // count into overflow (2^31 frames) and the angles into coarse single precision.
        c.turnCounter = 0;
        // Take whole texture periods off the scroll at the same moment. Within a period the
        // scroll then takes the same single-precision steps as in the first one and stays
        // below about 770 units, where a step of 0.02 is still resolved finely; left alone it
        // would stop changing after about 26 million frames.
        c.backdropScroll = std::fmod(c.backdropScroll, backdropScrollPeriod);
    }
    c.turnCounter += 1;
}

float sceneryTurn(double rate) {
    return static_cast<float>(static_cast<double>(sceneryCounters.turnCounter) * rate);
}

float backdropShift() {
    return static_cast<float>(static_cast<double>(sceneryCounters.backdropScroll) *
                              backdropShiftScale);
}
