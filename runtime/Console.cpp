#include "runtime/Console.h"

#include <iostream>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace Console {

void SwitchToBinaryMode() {
    termios mode;
    if (::tcgetattr(STDIN_FILENO, &mode) != 0) {
        std::cerr << "can't obtain terminal attributes" << std::endl;
        return;
    }
    mode.c_lflag &= ~tcflag_t(ICANON | ECHO | ECHOE | ECHOK | ECHONL | ECHOPRT | ECHOCTL);
    if (::tcsetattr(STDIN_FILENO, TCSADRAIN, &mode) != 0)
        std::cerr << "can't set terminal attributes" << std::endl;
}

void SwitchToNonBlockMode() {
    int on = 1;
    if (::ioctl(STDIN_FILENO, FIONBIO, &on) != 0)
        std::cerr << "can't switch terminal to blocked mode" << std::endl;
}

}  // namespace Console
