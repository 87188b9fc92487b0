// Profiling points: how long a code path takes, in microseconds of the
// monotonic clock, kept as minimum, maximum, last duration and count. Every
// point is listed for the status dump.
#pragma once

#include "runtime/Measure.h"

#include <ostream>

namespace Profile {

class Point {
public:
    // name is not copied: pass a string literal.
    explicit Point(const char* name);
    ~Point();
    Point(const Point&) = delete;
    Point& operator=(const Point&) = delete;

    // One clock read each and no allocation; a second begin() restarts.
    void begin();
    void end();

    // "[name]: min=.. max=.. avg=.. counter=.." (avg is the last duration), no end of line.
    void put(std::ostream& out) const;
    Point* next() const { return mNext; }

private:
    Point* mNext;
    const char* mName;
    Measure mMeasure;
};

// Head of the list of all points, the most recently constructed first; null
// when there is none. Constant-initialised, so points may be static anywhere.
extern Point* mRoot;

std::ostream& operator<<(std::ostream& out, const Point& point);

// Every point, one line each.
void dump(std::ostream& out);

}  // namespace Profile
