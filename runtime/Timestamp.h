// The local time of day as "dd/mm hh:mm:ss", for log lines.
#pragma once

#include <ostream>

// Writes nothing when the local time cannot be had.
std::ostream& timestamp(std::ostream& out);
