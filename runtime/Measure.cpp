#include "runtime/Measure.h"

#include "runtime/MuxClock.h"

void Measure::begin() { start = Mux::microseconds(); }

void Measure::end() {
    std::uint32_t sample = Mux::microseconds() - start;
    if (first) {
        first = false;
        min = max = sample;
        counter = 1;
    } else {
        ++counter;
        if (sample < min) min = sample;
        if (sample > max) max = sample;
    }
    last = sample;
}

void Measure::put(std::ostream& out) const {
    out << "min=" << min << " max=" << max << " avg=" << last << " counter=" << counter;
}

std::ostream& operator<<(std::ostream& out, const Measure& m) {
    m.put(out);
    return out;
}
