// The base of the objects that make slots from a create command's
// parameters. Factories form one chain, headed by firstFactory, from the
// most recently constructed to the first; the create command asks them in
// chain order until one makes a slot.
#pragma once

#include "schema/LGCP.h"

#include <vector>

class Slot;

class SlotFactory {
public:
    SlotFactory(const SlotFactory&) = delete;
    SlotFactory& operator=(const SlotFactory&) = delete;

    virtual const char* GetName() const = 0;
    // A new slot when the parameters are this factory's kind and the slot
    // could be made; null otherwise.
    virtual Slot* INewSlot(const LGCP::CreateParams& params) = 0;
    // Fills in this factory's share of the resource report.
    virtual void Query(LGCP::Resources& resources) = 0;
    // Every trunkStatus signal that a service sends.
    virtual void SelfSignal(const LGCP::Signal&) {}

    // INewSlot, and the slot joins this factory's list.
    Slot* NewSlot(const LGCP::CreateParams& params);
    void Remove(Slot* slot);
    // The slots this factory made that have not been released.
    const std::vector<Slot*>& GetSlots() const { return slots; }
    SlotFactory* GetNext() const { return next; }

protected:
    // Joins the chain at its head. Factories live until the process ends
    // and never leave the chain.
    SlotFactory();
    virtual ~SlotFactory() = default;

private:
    std::vector<Slot*> slots;
    SlotFactory* next;
};

// Constant-initialised, so static factories may join before main.
extern SlotFactory* firstFactory;
