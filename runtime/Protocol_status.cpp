#include "runtime/Protocol_status.h"

#include <ostream>

void Protocol_status_success::out(std::ostream& os) const { os << text; }

void Protocol_status_error::out(std::ostream& os) const { os << text; }
