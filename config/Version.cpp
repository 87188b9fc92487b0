#include "config/Version.h"

std::ostream& operator<<(std::ostream& out, const Version& version) {
    version.put(out);
    return out;
}

const char* version_string(Version::Type type) {
    switch (type) {
        case Version::Snapshot:
            return "snapshot";
        case Version::Test:
            return "test";
        case Version::Release:
            return "release";
        case Version::UnitTest:
            return "unit-test";
    }
    return "unknown";
}

const char* version_suffix(Version::Type type) {
    switch (type) {
        case Version::Snapshot:
            return "S";
        case Version::Test:
        case Version::UnitTest:
            return "T";
        case Version::Release:
            return "R";
    }
    return "U";
}

std::ostream& operator<<(std::ostream& out, Version::Type type) {
    return out << version_string(type);
}
