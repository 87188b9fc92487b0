// Private mount and network namespaces for tests that touch the daemon's fixed
// paths ("/var/run", "/dev/misc", ...) or ports, so they never reach the machine's own.
#pragma once

#include <initializer_list>
#include <string>

namespace TestSupport {

// Moves this process into new mount and network namespaces, makes every mount
// private and brings loopback up. Returns false with the reason when the
// machine does not allow it (not root, no namespaces).
bool EnterPrivateNamespaces(std::string& why);

// Mounts an empty tmpfs over dir, creating it first when missing.
bool MountTmpfs(const std::string& dir, std::string& why);

// EnterPrivateNamespaces for the running test only: the namespaces and the
// working directory it started with come back when it ends, after its
// fixture is gone.
bool IsolateThisTest(std::string& why);

}  // namespace TestSupport

// Skips the calling test with its reason unless the process could be isolated
// for the test and every listed directory covered by an empty tmpfs.
#define HALVOX_ISOLATE(...)                                                             \
    do {                                                                                \
        std::string halvox_why_;                                                        \
        if (!TestSupport::IsolateThisTest(halvox_why_))                                 \
            GTEST_SKIP() << "cannot isolate: " << halvox_why_;                          \
        for (const char* halvox_dir_ : std::initializer_list<const char*>{__VA_ARGS__}) \
            if (!TestSupport::MountTmpfs(halvox_dir_, halvox_why_))                     \
                GTEST_SKIP() << "cannot mount tmpfs: " << halvox_why_;                  \
    } while (0)
