// The factory of mixer slots (create alternatives `mixerOut` and `mixerIn`):
// it discovers the board's mixer units at every resource query, reports
// them, and makes each slot on the unit the controller names. Before the
// first query it knows no unit and refuses every mixer create. A discovery
// that cannot open the mixer device keeps the units it has not heard of yet.
#pragma once

#include "hardware/DeviceNode.h"
#include "hardware/OwedRequests.h"
#include "slots/SlotFactory.h"

#include <cstdint>
#include <vector>

namespace Mixer {

class Mixer;

class MixerFactory : public SlotFactory {
public:
    // Discovery asks the driver at most this often per query.
    static constexpr unsigned maxUnits = 100;
    // The most TDM channels a unit may have: each is a switch timeslot, and
    // the switch's matrix addresses 2^16 of them. A unit claiming more is
    // left out; its reset alone (a device open per channel) would hold the
    // loop for as long as it claims.
    static constexpr int maxTdmChannels = 0x10000;

    static MixerFactory& instance();

    const char* GetName() const override { return "Mixer"; }
    Slot* INewSlot(const LGCP::CreateParams& params) override;
    // Discovery, then one mixer entry per unit.
    void Query(LGCP::Resources& resources) override;

    // A live unit with that id; null when there is none.
    Mixer* findMixer(int unit) const;
    // The smallest TDM channel count of the units found; -1 when none was.
    int tdm_channels() const { return tdmChannels; }

    // Units the driver no longer reports abort their slots and leave the list.
    void RefreshResources();
    void QueryDriverVersion();

private:
    // Every unit a cut discovery did not reach stays alive, and the counts
    // it was last found with still bound the channels and inputs.
    void KeepUnreported(const std::vector<std::int32_t>& reported, int knownInputs,
                        int knownChannels);

    MixerFactory();
    // The units at exit; slots, if any are left, are not touched.
    ~MixerFactory() override;

    bool driverVersionKnown = false;
    std::uint32_t driverVersion[5] = {};
    int mixerInputs = -1;
    int tdmChannels = -1;
    std::vector<Mixer*> mixers;
    // What the units asked of the mixer device and it has not taken: one
    // device node, so one pace and one share of pays for every unit.
    Hardware::OwedRequests requests;
    // The voice device, opened for each version query only: nothing is owed
    // to it, and its open's failure line keeps the one pace.
    Hardware::DeviceNode voice;
};

}  // namespace Mixer
