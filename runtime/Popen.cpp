#include "runtime/Popen.h"

#include "runtime/ChildWait.h"

#include <cerrno>
#include <fcntl.h>
#include <list>
#include <sys/wait.h>
#include <unistd.h>

namespace {

ChildWait::Init childWaitInit;

// A running command: its watch keeps the status if the service reaps it.
struct Command {
    FILE* stream = nullptr;
    pid_t pid = -1;
    bool ended = false;
    int status = -1;
    ChildWait watch;

    void OnExit(int s) {
        ended = true;
        status = s;
    }
};

std::list<Command>& Running() {
    static std::list<Command> commands;
    return commands;
}

}  // namespace

FILE* Popen(const char* command, const char* type) {
    bool reading = type[0] == 'r';
    if ((type[0] != 'r' && type[0] != 'w') || type[1] != '\0') {
        errno = EINVAL;
        return nullptr;
    }
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return nullptr;
    int ours = reading ? ends[0] : ends[1];
    int theirs = reading ? ends[1] : ends[0];
    pid_t pid = ::fork();
    if (pid == 0) {
        // dup2 leaves the copy open across exec; everything else of ours is
        // close-on-exec. _exit: the parent's static objects are not ours.
        int target = reading ? STDOUT_FILENO : STDIN_FILENO;
        if (::dup2(theirs, target) == target) ::execl("/bin/sh", "sh", "-c", command, nullptr);
        ::_exit(127);
    }
    int forkErrno = errno;
    ::close(theirs);
    if (pid < 0) {
        ::close(ours);
        errno = forkErrno;
        return nullptr;
    }
    FILE* stream = ::fdopen(ours, reading ? "r" : "w");
    if (!stream) {
        int fdopenErrno = errno;
        ::close(ours);
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        errno = fdopenErrno;
        return nullptr;
    }
    Command& started = Running().emplace_back();
    started.stream = stream;
    started.pid = pid;
    started.watch.Bind(&started, &Command::OnExit);
    started.watch.Attach(pid);
    return stream;
}

int Pclose(FILE* stream) {
    std::list<Command>& running = Running();
    for (auto it = running.begin(); it != running.end(); ++it) {
        if (it->stream != stream) continue;
        std::fclose(stream);
        int status = it->status;
        if (!it->ended) {
            it->watch.Detach();
            while (::waitpid(it->pid, &status, 0) < 0 && errno == EINTR) {
            }
        }
        running.erase(it);
        return status;
    }
    errno = EINVAL;
    return -1;
}
