#include "config/Profile.h"

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

void Point::begin() { mMeasure.begin(); }

void Point::end() { mMeasure.end(); }

void Point::put(std::ostream& out) const { out << '[' << mName << "]: " << mMeasure; }

std::ostream& operator<<(std::ostream& out, const Point& point) {
    point.put(out);
    return out;
}

void dump(std::ostream& out) {
    for (const Point* point = mRoot; point; point = point->next()) out << *point << '\n';
}

}  // namespace Profile
