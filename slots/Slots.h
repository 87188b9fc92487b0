// The controller-facing service that owns every slot: it carries out the
// slot commands (create through the factory chain, destroy, connect,
// disconnect, activate, deactivate, userData, ioctl) on the table of 1024
// slot numbers, answers the resource query, passes trunk status to the
// factories, and destroys every slot when the controller link drops.
#pragma once

#include "control/CtrlSrvService.h"

#include <vector>

class Slot;

class Slots : public CtrlSrv::Service {
public:
    static constexpr unsigned maxSlot = 1023;

    static Slots& instance();

    void OnConnect() override {}
    // Destroys every slot; slots whose release does not finish within a
    // second are deleted regardless, with no answer.
    void OnDisconnect() override;
    bool OnCommand(const LGCP::Command& command) override;
    // trunkStatus goes to every factory's SelfSignal, in chain order.
    void OnSignal(const LGCP::Signal& signal) override;

    // Unlinks the slot on both sides and releases it: true when it was
    // deleted at once, false when its release is under way (or the slot is
    // not one of the table's, which is refused).
    bool Destroy(Slot* slot);
    // The end of a release: the owed destroy answer, then int_destroy.
    void on_release(Slot* slot);
    // Out of the table, the creation list and its factory's list; deleted.
    void int_destroy(Slot* slot);
    // The factories' resource report, as a query signal.
    void UpdateHardwareResources();

    // The slot recorded under the number; null for a free one.
    Slot* Get(unsigned number) const { return number <= maxSlot ? table[number] : nullptr; }
    // Recorded slots, in the order of creation.
    const std::vector<Slot*>& Live() const { return live; }

    void CmdQuery();
    void CmdCreate(const LGCP::CreateParams& params);
    void CmdDestroy();
    void CmdConnect(unsigned peer);
    void CmdDisconnect();
    void CmdActivate(const TERM::TermActivateParams& params);
    void CmdDeactivate();
    void CmdUserData(const std::vector<char>& octets);
    void CmdIoctl(const LGCP::IoctlParams& params);

private:
    Slots() = default;
    ~Slots() override = default;

    bool OnSlotCommand(const LGCP::Command& command);
    bool OnBaseCommand(const LGCP::Command& command);
    // The slot of the command being dispatched; error 3 when there is none.
    Slot* CommandSlot();
    // A recorded slot: its number indexes the table and the table holds it.
    bool Recorded(const Slot* slot) const;

    Slot* table[maxSlot + 1] = {};
    std::vector<Slot*> live;
};
