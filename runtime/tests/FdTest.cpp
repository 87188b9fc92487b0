#include "runtime/Fd.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsOpen(int fd) { return ::fcntl(fd, F_GETFD) >= 0; }
bool CloseOnExec(int fd) { return (::fcntl(fd, F_GETFD) & FD_CLOEXEC) != 0; }

struct TempDir {
    TempDir() {
        char pattern[] = "/tmp/fdtest.XXXXXX";
        path = ::mkdtemp(pattern);
    }
    ~TempDir() { (void)!std::system(("rm -rf " + path).c_str()); }
    std::string path;
};

}  // namespace

TEST(Fd, OwnsItsDescriptorAndMakesItCloseOnExec) {
    int ends[2];
    ASSERT_EQ(0, ::pipe(ends));
    int raw = ends[0];
    {
        Fd fd(raw);
        EXPECT_TRUE(fd.is_valid());
        EXPECT_TRUE(bool(fd));
        EXPECT_TRUE(CloseOnExec(raw));
        Fd closed;
        EXPECT_FALSE(closed);
        EXPECT_EQ(-1, closed.lowlevel_fd());
    }
    EXPECT_FALSE(IsOpen(raw));
    ::close(ends[1]);
}

TEST(Fd, CopiesOwnDuplicates) {
    int ends[2];
    ASSERT_EQ(0, ::pipe(ends));
    Fd reader(ends[0]);
    ::close(ends[1]);
    Fd copy(reader);
    EXPECT_NE(reader.lowlevel_fd(), copy.lowlevel_fd());
    EXPECT_TRUE(CloseOnExec(copy.lowlevel_fd()));
    struct stat a, b;
    ASSERT_EQ(0, ::fstat(reader.lowlevel_fd(), &a));
    ASSERT_EQ(0, ::fstat(copy.lowlevel_fd(), &b));
    EXPECT_EQ(a.st_ino, b.st_ino);

    int before = copy.lowlevel_fd();
    Fd& same = copy;
    copy = same;  // self-assignment keeps the descriptor
    EXPECT_EQ(before, copy.lowlevel_fd());
    EXPECT_TRUE(IsOpen(before));

    Fd assigned;
    assigned = reader;
    EXPECT_TRUE(assigned.is_valid());
    assigned = Fd();  // drops its own
    EXPECT_FALSE(assigned.is_valid());
    Fd fromClosed(assigned);
    EXPECT_FALSE(fromClosed.is_valid());

    int owned = reader.dup();
    EXPECT_TRUE(CloseOnExec(owned));
    ::close(owned);
    EXPECT_EQ(-1, Fd().dup());

    Fd moved(std::move(copy));
    EXPECT_EQ(before, moved.lowlevel_fd());
    EXPECT_FALSE(copy.is_valid());
}

TEST(Fd, CloseTwiceFailsWithEbadf) {
    int ends[2];
    ASSERT_EQ(0, ::pipe(ends));
    Fd a(ends[0]), b(ends[1]);
    EXPECT_EQ(0, a.close());
    errno = 0;
    EXPECT_EQ(-1, a.close());
    EXPECT_EQ(EBADF, errno);
    EXPECT_EQ(0, close(b));
    EXPECT_FALSE(b.is_valid());
}

TEST(Fd, OpenCreatesFilesWithMode0644) {
    TempDir dir;
    mode_t saved = ::umask(0);
    Fd fd;
    EXPECT_TRUE(fd.open((dir.path + "/made").c_str(), O_WRONLY | O_CREAT | O_TRUNC));
    ::umask(saved);
    EXPECT_TRUE(CloseOnExec(fd.lowlevel_fd()));
    struct stat st;
    ASSERT_EQ(0, ::stat((dir.path + "/made").c_str(), &st));
    EXPECT_EQ(0644u, st.st_mode & 07777);
    int old = fd.lowlevel_fd();
    EXPECT_FALSE(fd.open((dir.path + "/missing").c_str(), O_RDONLY));
    EXPECT_FALSE(fd.is_valid());
    EXPECT_FALSE(IsOpen(old)) << "open closes what the Fd held";
}

TEST(Fd, ModeSwitches) {
    int ends[2];
    ASSERT_EQ(0, ::pipe(ends));
    Fd in(ends[0]), out(ends[1]);
    EXPECT_TRUE(in.NonBlock());
    EXPECT_TRUE(::fcntl(in.lowlevel_fd(), F_GETFL) & O_NONBLOCK);
    EXPECT_TRUE(BlockMode(in.lowlevel_fd()));
    EXPECT_FALSE(::fcntl(in.lowlevel_fd(), F_GETFL) & O_NONBLOCK);
    EXPECT_TRUE(NonBlockMode(out.lowlevel_fd()));
    EXPECT_TRUE(::fcntl(out.lowlevel_fd(), F_GETFL) & O_NONBLOCK);

    EXPECT_TRUE(SetCloexec(in.lowlevel_fd(), false));
    EXPECT_FALSE(CloseOnExec(in.lowlevel_fd()));
    EXPECT_TRUE(SetCloexec(in.lowlevel_fd(), true));
    EXPECT_TRUE(CloseOnExec(in.lowlevel_fd()));

    Fd closed;
    EXPECT_FALSE(closed.NonBlock());
    EXPECT_FALSE(NonBlockMode(-1));
    EXPECT_FALSE(BlockMode(-1));
    EXPECT_FALSE(SetCloexec(-1, true));
}
