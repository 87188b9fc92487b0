// Private mount and network namespaces for tests that touch the daemon's fixed
// paths ("/var/run", "/dev/misc", ...) or ports, so they never reach the machine's own.
#pragma once

#include <initializer_list>
#include <string>

namespace TestSupport {

// Moves this process into new mount and network namespaces, makes every mount
// private and brings loopback up. Returns false with the reason when the
// machine does not allow it (no namespaces, or a user who is not root and may
// not have a user namespace either).
//
// A program that links this file and is not run as root enters, before main,
// a user namespace of its own in which it is root, with a mount and a network
// namespace to come back to; the private namespaces are made inside those.
bool EnterPrivateNamespaces(std::string& why);

// Whether this program, not run as root, was given its user namespace before
// main (never when run as root). From then on the machine has allowed it: a
// refusal that follows (a map, the private namespaces, loopback) is a fault
// of the set-up, not the machine's choice.
bool EnteredUserNamespace();

// Mounts an empty tmpfs over dir, creating it first when missing. Each of the
// machine's device nodes named in keep ("/dev/null" under "/dev") stays
// where it was, bound from the machine's own: root in a user namespace may
// not make device nodes.
bool MountTmpfs(const std::string& dir, std::string& why,
                std::initializer_list<const char*> keep = {});

// Shows the device node at node also at path (a file made for it), bound from it.
bool BindNode(const std::string& node, const std::string& path, std::string& why);

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
