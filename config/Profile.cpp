#include "config/Profile.h"

#include "runtime/MuxClock.h"

namespace Profile {

Point* mRoot = nullptr;

Point::Point(const char* name) : mNext(mRoot), mName(name) { mRoot = this; }

Point::~Point() {
    for (Point** link = &mRoot; *link; link = &(*link)->mNext) {
        if (*link == this) {
            *link = mNext;
            break;
        }
    }
}

void Point::begin() { mStart = Mux::microseconds(); }

void Point::end() {
    const std::uint32_t d = Mux::microseconds() - mStart;
    if (mNoSample) {
        mNoSample = false;
        mMin = mMax = d;
        mCounter = 1;
    } else {
        ++mCounter;
        if (d < mMin) mMin = d;
        if (d > mMax) mMax = d;
    }
    mLast = d;
}

void Point::put(std::ostream& out) const {
    out << '[' << mName << "]: min=" << mMin << " max=" << mMax << " avg=" << mLast
        << " counter=" << mCounter;
}

std::ostream& operator<<(std::ostream& out, const Point& point) {
    point.put(out);
    return out;
}

void dump(std::ostream& out) {
    for (const Point* point = mRoot; point; point = point->next()) out << *point << '\n';
}

}  // namespace Profile
