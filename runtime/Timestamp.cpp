#include "runtime/Timestamp.h"

#include "runtime/MuxClock.h"

#include <ctime>

std::ostream& timestamp(std::ostream& out) {
    std::time_t now = Mux::seconds();
    std::tm local;
    char text[256];
    if (::localtime_r(&now, &local) && std::strftime(text, sizeof text, "%d/%m %H:%M:%S", &local))
        out << text;
    return out;
}
