#include "tests/support/Alarm.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace TestSupport {

namespace {

// Made when the alarm is armed: the handler may only write what is ready.
char message[512];
std::size_t messageLength = 0;

// SA_RESETHAND has put the default action back: the signal raised again
// waits until the handler returns, then ends the program.
extern "C" void OnAlarm(int) {
    (void)!::write(STDERR_FILENO, message, messageLength);
    ::raise(SIGALRM);
}

}  // namespace

Alarm::Alarm(unsigned seconds) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string text =
        std::string(program_invocation_short_name) + ": " +
        (test ? std::string(test->test_suite_name()) + '.' + test->name() : std::string("a test")) +
        " still running after " + std::to_string(seconds) + " s, ended by its alarm\n";
    if (text.size() > sizeof message) text.replace(sizeof message - 4, std::string::npos, "...\n");
    messageLength = text.copy(message, sizeof message);
    struct sigaction action {};
    action.sa_handler = OnAlarm;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGALRM, &action, &saved);
    ::alarm(seconds);
}

Alarm::~Alarm() {
    ::alarm(0);
    ::sigaction(SIGALRM, &saved, nullptr);
}

}  // namespace TestSupport
