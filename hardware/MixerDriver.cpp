#include "hardware/MixerDriver.h"

#include "hardware/DevNames.h"
#include "runtime/Errno.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace Mixer {

Outcome Ask(unsigned long request, void* record) {
    Board::Devices& board = Board::devices();
    const int fd = board.open(GetMixerDevName(), O_RDONLY);
    if (fd < 0) return {false, -1};
    const int result = board.ioctl(fd, request, record);
    const Errno error;
    ::close(fd);
    errno = error.value();
    return {true, result};
}

int mixer_ctl(unsigned long request, void* record) { return Ask(request, record).result; }

}  // namespace Mixer
