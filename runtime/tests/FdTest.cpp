#include "runtime/Fd.h"
#include "tests/support/TempDir.h"

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsOpen(int fd) { return ::fcntl(fd, F_GETFD) >= 0; }
bool CloseOnExec(int fd) { return (::fcntl(fd, F_GETFD) & FD_CLOEXEC) != 0; }
bool NonBlocking(int fd) { return (::fcntl(fd, F_GETFL) & O_NONBLOCK) != 0; }

}  // namespace

TEST(Fd, OwnsItsDescriptorCopiesOwnDuplicatesAndClosesOnce) {
    int p[2], before;
    ASSERT_EQ(0, ::pipe(p));
    {
        Fd reader(p[0]);
        ::close(p[1]);
        EXPECT_TRUE(CloseOnExec(p[0]));
        Fd copy(reader);
        EXPECT_NE(reader.lowlevel_fd(), copy.lowlevel_fd());
        EXPECT_TRUE(CloseOnExec(copy.lowlevel_fd()));
        struct stat a, b;
        ASSERT_EQ(0, ::fstat(reader.lowlevel_fd(), &a));
        ASSERT_EQ(0, ::fstat(copy.lowlevel_fd(), &b));
        EXPECT_EQ(a.st_ino, b.st_ino);

        before = copy.lowlevel_fd();
        Fd& same = copy;
        copy = same;  // self-assignment keeps the descriptor
        EXPECT_EQ(before, copy.lowlevel_fd());
        Fd assigned;
        assigned = reader;
        EXPECT_TRUE(assigned.is_valid());
        assigned = Fd();  // drops its own
        EXPECT_FALSE(assigned);
        EXPECT_FALSE(Fd(assigned).is_valid());

        int owned = reader.dup();
        EXPECT_TRUE(CloseOnExec(owned));
        ::close(owned);
        EXPECT_EQ(-1, Fd().dup());

        Fd moved(std::move(copy));
        EXPECT_EQ(before, moved.lowlevel_fd());
        EXPECT_FALSE(copy.is_valid());
        EXPECT_EQ(0, close(moved));
        EXPECT_FALSE(moved.is_valid());
        errno = 0;
        EXPECT_EQ(-1, moved.close()) << "a second close must not hit a reused number";
        EXPECT_EQ(EBADF, errno);
    }
    EXPECT_FALSE(IsOpen(p[0]));
    EXPECT_FALSE(IsOpen(before));
}

TEST(Fd, OpenCreatesFilesWithMode0644) {
    TestSupport::TempDir dir;
    mode_t saved = ::umask(0);
    Fd fd;
    EXPECT_TRUE(fd.open((dir / "made").c_str(), O_WRONLY | O_CREAT | O_TRUNC));
    ::umask(saved);
    EXPECT_TRUE(CloseOnExec(fd.lowlevel_fd()));
    struct stat st;
    ASSERT_EQ(0, ::stat((dir / "made").c_str(), &st));
    EXPECT_EQ(0644u, st.st_mode & 07777);
    int old = fd.lowlevel_fd();
    EXPECT_FALSE(fd.open((dir / "missing").c_str(), O_RDONLY));
    EXPECT_FALSE(fd.is_valid());
    EXPECT_FALSE(IsOpen(old)) << "open closes what the Fd held";
}

TEST(Fd, ModeSwitches) {
    int p[2];
    ASSERT_EQ(0, ::pipe(p));
    Fd in(p[0]), out(p[1]);
    EXPECT_TRUE(in.NonBlock() && NonBlocking(p[0]));
    EXPECT_TRUE(BlockMode(p[0]) && !NonBlocking(p[0]));
    EXPECT_TRUE(NonBlockMode(p[1]) && NonBlocking(p[1]));
    EXPECT_TRUE(SetCloexec(p[0], false) && !CloseOnExec(p[0]));
    EXPECT_TRUE(SetCloexec(p[0], true) && CloseOnExec(p[0]));
    EXPECT_FALSE(Fd().NonBlock() || NonBlockMode(-1) || BlockMode(-1) || SetCloexec(-1, true));
}

// A failed call's errno is read after the Fds around it are assigned over or
// destroyed (`listen_fd = Fd(::socket(...))`, then the line): those leave it
// as it was, and only an explicit close() of a closed Fd says EBADF.
TEST(Fd, AssigningOverOrDestroyingAnFdLeavesErrnoAsItWas) {
    int p[2];
    ASSERT_EQ(0, ::pipe(p));
    Fd held(p[0]), other(p[1]);
    const struct {
        const char* what;
        std::function<void()> step;
    } rows[] = {
        {"a closed Fd destroyed", [] { Fd closed; }},
        {"a closed Fd moved over", [] { Fd closed; closed = Fd(); }},
        {"a closed Fd copied over", [] { Fd closed, empty; closed = empty; }},
        {"an open Fd copied over", [&] { Fd copy(held); copy = other; }},
        {"an open Fd destroyed", [&] { Fd copy(held); }},
    };
    for (const auto& row : rows) {
        errno = EMFILE;
        row.step();
        EXPECT_EQ(EMFILE, errno) << row.what;
    }
    Fd closed;
    errno = 0;
    EXPECT_EQ(-1, closed.close());
    EXPECT_EQ(EBADF, errno);
}
