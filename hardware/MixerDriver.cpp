#include "hardware/MixerDriver.h"

#include "hardware/DevNames.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace Mixer {

Hardware::Outcome Ask(unsigned long request, void* record) {
    Board::Devices& board = Board::devices();
    const int fd = board.open(GetMixerDevName(), O_RDONLY);
    if (fd < 0) return Hardware::Outcome::NotOpened(errno);
    const Hardware::Outcome outcome = Hardware::Outcome::Of(board.ioctl(fd, request, record));
    ::close(fd);
    return outcome;
}

int mixer_ctl(unsigned long request, void* record) {
    const Hardware::Outcome outcome = Ask(request, record);
    if (outcome.taken()) return outcome.value;
    errno = outcome.error;
    return -1;
}

}  // namespace Mixer
