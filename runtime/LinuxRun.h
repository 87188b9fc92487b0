// The pid file "/var/run/<name>.pid", held for the object's lifetime.
#pragma once

#include "runtime/Fd.h"

#include <string>

namespace Linux {

class Run {
public:
    // Writes the process id; a file that cannot be created is reported on the
    // error stream and the process runs on without one.
    explicit Run(const char* name);
    // Removes the file, unless it no longer holds this process's id.
    ~Run();
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

private:
    Fd fd;
    std::string path;
};

}  // namespace Linux
