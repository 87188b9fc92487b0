// When a failure line is written: a new error at once, the same one at most
// once a second whatever was taken between, a retry's repeat only once
// something was taken since its last line.
#include "runtime/FailureLine.h"
#include "runtime/tests/FakeClock.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(FailureLine, WritesANewErrorAtOnceAndTheSameOnceASecond) {
    // After a pause: an ask or a retry refused with an error, or a take.
    enum What { Ask, Retry, Take };
    struct Event {
        unsigned afterMs;
        What what;
        int error;
    };
    const struct {
        const char* name;
        std::vector<Event> events;
        std::vector<int> written;
    } rows[] = {
        {"the same error, once a second",
         {{0, Ask, EIO}, {300, Ask, EIO}, {699, Ask, EIO}, {1, Ask, EIO}},
         {EIO, EIO}},
        {"a new error at once, and back",
         {{0, Ask, EIO}, {10, Ask, EINVAL}, {10, Ask, EIO}},
         {EIO, EINVAL, EIO}},
        {"a take between changes no pace", {{0, Ask, EIO}, {10, Take, 0}, {10, Ask, EIO}}, {EIO}},
        {"a retry of the same error says nothing new",
         {{0, Ask, EIO}, {1000, Retry, EIO}, {5000, Retry, EIO}},
         {EIO}},
        {"a retry after a take, a second on",
         {{0, Ask, EIO}, {10, Take, 0}, {500, Retry, EIO}, {500, Retry, EIO}},
         {EIO, EIO}},
        {"a retry's new error at once", {{0, Ask, EIO}, {1, Retry, ENOENT}}, {EIO, ENOENT}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FakeClock clock;
        FailureLine line;
        std::vector<int> written;
        for (const Event& e : row.events) {
            clock.advanceMs(e.afterMs);
            if (e.what == Take)
                line.Clear();
            else
                line.Tell(e.error, e.what == Retry, [&] { written.push_back(e.error); });
        }
        EXPECT_EQ(row.written, written);
    }
}

}  // namespace
