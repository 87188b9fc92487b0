#include "asn1/GeneralizedTime.h"

#include "asn1/Compare.h"
#include "asn1/ConstVisitor.h"
#include "asn1/Visitor.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace ASN1 {

HALVOX_CONSTINIT const TypeInfo GeneralizedTime::theInfo = {&GeneralizedTime::create, 24};

GeneralizedTime::GeneralizedTime(const char* text) : AbstractData(&theInfo) { set(text); }

GeneralizedTime::GeneralizedTime(int year, int month, int day, int hour, int minute, int second,
                                 int millisec, int mindiff, bool utc)
    : AbstractData(&theInfo),
      year_(year),
      month_(month),
      day_(day),
      hour_(hour),
      minute_(minute),
      second_(second),
      millisec_(millisec),
      mindiff_(mindiff),
      utc_(utc) {}

GeneralizedTime& GeneralizedTime::operator=(const GeneralizedTime& other) {
    GeneralizedTime copy(other);
    swap(copy);
    return *this;
}

void GeneralizedTime::swap(GeneralizedTime& other) {
    std::swap(year_, other.year_);
    std::swap(month_, other.month_);
    std::swap(day_, other.day_);
    std::swap(hour_, other.hour_);
    std::swap(minute_, other.minute_);
    std::swap(second_, other.second_);
    std::swap(millisec_, other.millisec_);
    std::swap(mindiff_, other.mindiff_);
    std::swap(utc_, other.utc_);
}

std::string GeneralizedTime::get() const {
    char text[64];
    int n = std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", year_, month_, day_, hour_,
                          minute_, second_);
    std::string result(text, std::size_t(n));
    if (millisec_ != 0) {
        n = std::snprintf(text, sizeof text, ".%03d", millisec_);
        result.append(text, std::size_t(n));
    }
    if (utc_) {
        result += 'Z';
    } else if (mindiff_ != 0) {
        int offset = std::abs(mindiff_);
        n = std::snprintf(text, sizeof text, "%c%02d%02d", mindiff_ < 0 ? '-' : '+', offset / 60,
                          offset % 60);
        result.append(text, std::size_t(n));
    }
    return result;
}

namespace {

// Reads `count` decimal digits into `value`, advancing `p`; false on anything else.
bool readDigits(const char*& p, int count, int& value) {
    value = 0;
    for (int i = 0; i < count; ++i, ++p) {
        if (*p < '0' || *p > '9') return false;
        value = value * 10 + (*p - '0');
    }
    return true;
}

}  // namespace

bool GeneralizedTime::set(const char* text) {
    GeneralizedTime t;
    const char* p = text;
    if (!readDigits(p, 4, t.year_) || !readDigits(p, 2, t.month_) || !readDigits(p, 2, t.day_) ||
        !readDigits(p, 2, t.hour_) || !readDigits(p, 2, t.minute_) || !readDigits(p, 2, t.second_))
        return false;
    if (t.month_ < 1 || t.month_ > 12 || t.day_ < 1 || t.day_ > 31 || t.hour_ > 23 ||
        t.minute_ > 59 || t.second_ > 60)
        return false;
    if (*p == '.') {
        ++p;
        if (*p < '0' || *p > '9') return false;
        for (int scale = 100; *p >= '0' && *p <= '9'; ++p, scale /= 10)
            t.millisec_ += (*p - '0') * scale;
    }
    if (*p == 'Z') {
        t.utc_ = true;
        ++p;
    } else if (*p == '+' || *p == '-') {
        int sign = *p++ == '-' ? -1 : 1;
        int hours, minutes;
        if (!readDigits(p, 2, hours) || !readDigits(p, 2, minutes) || hours > 23 || minutes > 59)
            return false;
        t.mindiff_ = sign * (hours * 60 + minutes);
    }
    if (*p != '\0') return false;
    swap(t);
    return true;
}

bool GeneralizedTime::isStrictlyValid() const {
    return year_ > 0 && month_ >= 1 && month_ <= 12 && day_ >= 1 && day_ <= 31 && hour_ >= 0 &&
           hour_ <= 24 && minute_ >= 0 && minute_ <= 59 && second_ >= 0 && second_ <= 59 &&
           mindiff_ >= -720 && mindiff_ <= 720;
}

std::time_t GeneralizedTime::get_time_t() const {
    std::tm tm = {};
    tm.tm_year = year_ - 1900;
    tm.tm_mon = month_ - 1;
    tm.tm_mday = day_;
    tm.tm_hour = hour_;
    tm.tm_min = minute_;
    tm.tm_sec = second_;
    return timegm(&tm);
}

void GeneralizedTime::set_time_t(std::time_t t) {
    std::tm tm;
    gmtime_r(&t, &tm);
    year_ = tm.tm_year + 1900;
    month_ = tm.tm_mon + 1;
    day_ = tm.tm_mday;
    hour_ = tm.tm_hour;
    minute_ = tm.tm_min;
    second_ = tm.tm_sec;
}

int GeneralizedTime::do_compare(const AbstractData& other) const {
    const GeneralizedTime* that = dynamic_cast<const GeneralizedTime*>(&other);
    if (!that) return mismatch(other);
    const int mine[] = {year_, month_, day_, hour_, minute_, second_, millisec_};
    const int theirs[] = {that->year_,   that->month_,  that->day_,     that->hour_,
                          that->minute_, that->second_, that->millisec_};
    for (int i = 0; i < 7; ++i)
        if (mine[i] != theirs[i]) return compareNumbers(mine[i], theirs[i]);
    return int(utc_) - int(that->utc_);
}

AbstractData* GeneralizedTime::do_clone() const { return new GeneralizedTime(*this); }
bool GeneralizedTime::do_accept(Visitor& visitor) { return visitor.visit(*this); }
bool GeneralizedTime::do_accept(ConstVisitor& visitor) const { return visitor.visit(*this); }

}  // namespace ASN1
