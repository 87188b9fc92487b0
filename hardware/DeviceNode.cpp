#include "hardware/DeviceNode.h"

#include "hardware/BoardDevices.h"

#include <cerrno>
#include <utility>

namespace Hardware {

DeviceNode::DeviceNode(const char* path, int flags, OwedRequests* owed,
                       std::function<void(int)> failed, std::function<int()> ready)
    : path(path), flags(flags), owed(owed), failed(std::move(failed)), ready(std::move(ready)) {}

int DeviceNode::Open(bool retry) {
    if (node.is_valid()) return 0;
    node = Fd(Board::devices().open(path, flags));
    int error = node ? 0 : errno;
    if (!error && ready) error = ready();
    if (error) {
        node.close();
        failure.Tell(error, retry || (owed && owed->Paying()), [&] { failed(error); });
        return error;
    }
    failure.Clear();
    if (owed) owed->Pay();
    return 0;
}

}  // namespace Hardware
