// The factory of software T.38 gateway slots (create alternative `t38soft`).
// One per process, created by the daemon at start-up in its factory order.
#pragma once

class T38SoftFactory {
public:
    static T38SoftFactory& instance();
    T38SoftFactory(const T38SoftFactory&) = delete;
    T38SoftFactory& operator=(const T38SoftFactory&) = delete;

private:
    T38SoftFactory() = default;
};
