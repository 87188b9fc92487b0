// The factory of ISDN and ATS-QSIG slots (create alternatives `isdn`, `ats-qsig`, `ats-qsig-b`).
// One per process, created by the daemon at start-up in its factory order.
#pragma once

class IsdnFactory {
public:
    static IsdnFactory& instance();
    IsdnFactory(const IsdnFactory&) = delete;
    IsdnFactory& operator=(const IsdnFactory&) = delete;

private:
    IsdnFactory() = default;
};
