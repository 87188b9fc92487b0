// The build's identity: printed at start-up, by --version, in the status
// dump and, by its tag, in the daemon's syslog ident.
#pragma once

#include <ostream>

class Version {
public:
    // Fixed to int so that any number read back (an unknown type) is a valid value.
    enum Type : int { Snapshot = 0, Test = 1, Release = 2, UnitTest = 3 };

    // The texts are kept by pointer, not copied.
    constexpr Version(Type type, int number, const char* label, const char* builder,
                      const char* time, const char* tag, const char* target)
        : mType(type),
          mNumber(number),
          mLabel(label),
          mBuilder(builder),
          mTime(time),
          mTag(tag),
          mTarget(target) {}

    Type type() const { return mType; }
    int number() const { return mNumber; }
    const char* label() const { return mLabel; }
    const char* builder() const { return mBuilder; }
    // "YYYY-MM-DD hh:mm"
    const char* time() const { return mTime; }
    const char* tag() const { return mTag; }
    const char* target() const { return mTarget; }

    // Writes the tag.
    void put(std::ostream& out) const { out << mTag; }

    // This build, stamped when it was built.
    static const Version current;

private:
    Type mType;
    int mNumber;
    const char* mLabel;
    const char* mBuilder;
    const char* mTime;
    const char* mTag;
    const char* mTarget;
};

std::ostream& operator<<(std::ostream& out, const Version& version);

// "snapshot", "test", "release", "unit-test"; "unknown" for any other value.
const char* version_string(Version::Type type);
// "S", "T" (test and unit-test), "R"; "U" for any other value.
const char* version_suffix(Version::Type type);
std::ostream& operator<<(std::ostream& out, Version::Type type);
