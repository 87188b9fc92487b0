// The ASN.1 GeneralizedTime value: calendar fields, milliseconds and the zone.
#pragma once

#include "asn1/Allocator.h"
#include "asn1/AbstractData.h"

#include <ctime>
#include <string>

namespace ASN1 {

class GeneralizedTime : public AbstractData, public detail::Allocator<GeneralizedTime> {
public:
    GeneralizedTime() : AbstractData(&theInfo) {}
    explicit GeneralizedTime(const void* info) : AbstractData(info) {}
    // The value of `text` (see set); a text that does not parse leaves the default value.
    explicit GeneralizedTime(const char* text);
    GeneralizedTime(int year, int month, int day, int hour, int minute, int second, int millisec,
                    int mindiff, bool utc);
    GeneralizedTime(const GeneralizedTime&) = default;
    GeneralizedTime& operator=(const GeneralizedTime& other);
    static AbstractData* create(const void* info) { return new GeneralizedTime(info); }
    GeneralizedTime* clone() const { return static_cast<GeneralizedTime*>(AbstractData::clone()); }

    void swap(GeneralizedTime& other);

    // "YYYYMMDDHHMMSS", then ".fff" when there are milliseconds, then "Z" for UTC or the
    // offset "+HHMM" / "-HHMM" when there is one.
    std::string get() const;
    // Replaces the whole value from the form get() writes (a fraction of any number of
    // digits, truncated to milliseconds). Digits, lengths and field ranges are checked;
    // false leaves the value as it was.
    bool set(const char* text);

    // The calendar fields taken as UTC, and back (milliseconds and zone untouched).
    std::time_t get_time_t() const;
    void set_time_t(std::time_t t);

    // Every field within its calendar range (the fraction of a second not checked).
    bool isStrictlyValid() const;
    bool isValid() const { return isStrictlyValid(); }

    int getYear() const { return year_; }
    int getMonth() const { return month_; }
    int getDay() const { return day_; }
    int getHour() const { return hour_; }
    int getMinute() const { return minute_; }
    int getSecond() const { return second_; }
    int getMillisec() const { return millisec_; }
    int getMinDiff() const { return mindiff_; }
    bool getUTC() const { return utc_; }

    static const TypeInfo theInfo;

private:
    int do_compare(const AbstractData& other) const override;
    AbstractData* do_clone() const override;
    bool do_accept(Visitor& visitor) override;
    bool do_accept(ConstVisitor& visitor) const override;

    int year_ = 1;
    int month_ = 1;
    int day_ = 1;
    int hour_ = 0;
    int minute_ = 0;
    int second_ = 0;
    int millisec_ = 0;
    int mindiff_ = 0;  // offset of the local time from UTC, in minutes
    bool utc_ = false;
};

}  // namespace ASN1
