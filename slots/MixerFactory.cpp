#include "slots/MixerFactory.h"

#include "hardware/BoardDevices.h"
#include "hardware/DevNames.h"
#include "hardware/MixerDriver.h"
#include "hardware/VoiceDriver.h"
#include "runtime/Errno.h"
#include "slots/Mixer.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <iostream>

namespace Mixer {

namespace {

int Smallest(int known, int reported) { return known < 0 ? reported : std::min(known, reported); }

}  // namespace

MixerFactory& MixerFactory::instance() {
    static MixerFactory factory;
    return factory;
}

MixerFactory::MixerFactory()
    : requests([this](const Hardware::OwedRequests::Key& key) {
          const Mixer* unit = findMixer(int(key.unit));
          return unit && unit->Holds(key);
      }),
      voice(GetVoiceDevName(), O_RDONLY, nullptr, [](int error) {
          std::cerr << "device \"" << GetVoiceDevName() << "\" open fail: " << Errno(error)
                    << std::endl;
      }) {}

MixerFactory::~MixerFactory() {
    for (Mixer* m : mixers) delete m;
}

Slot* MixerFactory::INewSlot(const LGCP::CreateParams& params) {
    using C = LGCP::CreateParams;
    switch (params.currentSelection()) {
        case C::mixerOut::Id::value: {
            const LGCP::MixerOutParams& out = params.get_mixerOut();
            Mixer* unit = findMixer(out.get_unit().getValue());
            return unit ? unit->New(out) : nullptr;
        }
        case C::mixerIn::Id::value: {
            const LGCP::MixerInParams& in = params.get_mixerIn();
            Mixer* unit = findMixer(in.get_unit().getValue());
            return unit ? unit->New(in) : nullptr;
        }
        default:
            return nullptr;
    }
}

Mixer* MixerFactory::findMixer(int unit) const {
    for (Mixer* m : mixers)
        if (!m->isDead() && m->id() == unsigned(unit)) return m;
    return nullptr;
}

// The driver names the next unit after the id passed in. Each call is
// bounded, and a driver that names a unit it already named (it would do so
// forever) ends the discovery. A unit with a channel count the switch cannot
// take is not made, or, when known, is lost like a unit not reported. A
// device that does not open has said nothing of the units not yet reported:
// they stay, their counts with them.
void MixerFactory::RefreshResources() {
    for (Mixer* m : mixers) m->SetDead(true);
    mix_unit info{-1, 0, 0, 0};
    const int knownInputs = mixerInputs, knownChannels = tdmChannels;
    mixerInputs = tdmChannels = -1;
    std::vector<std::int32_t> seen;
    for (unsigned calls = 0; calls < maxUnits; ++calls) {
        const Hardware::Outcome next = Ask(NextUnit, &info);
        if (next.kind == Hardware::Outcome::Unopened) {
            std::cerr << "mixer: device \"" << GetMixerDevName()
                      << "\" open fail: " << Errno(next.error) << ", units kept" << std::endl;
            KeepUnreported(seen, knownInputs, knownChannels);
            break;
        }
        if (!next.taken()) break;
        if (std::find(seen.begin(), seen.end(), info.id) != seen.end()) {
            std::cerr << "mixer: unit " << info.id << " reported twice, discovery stopped"
                      << std::endl;
            break;
        }
        seen.push_back(info.id);
        if (info.tdmChannels < 0 || info.tdmChannels > maxTdmChannels) {
            std::cerr << "mixer: unit " << info.id << " reports " << info.tdmChannels
                      << " TDM channels, left out" << std::endl;
            continue;
        }
        // A unit claiming fewer inputs than none has none, whichever unit is
        // reported first: -1 is the count no unit has given yet.
        mixerInputs = Smallest(mixerInputs, std::max(info.mixerInputs, 0));
        tdmChannels = Smallest(tdmChannels, info.tdmChannels);
        auto known = std::find_if(mixers.begin(), mixers.end(),
                                  [&](Mixer* m) { return m->id() == unsigned(info.id); });
        if (known != mixers.end()) {
            (*known)->SetDead(false);
        } else {
            mixers.push_back(new Mixer(unsigned(info.id), requests));
            mixers.back()->Reset();
        }
    }
    // Out of the list first: clearing a unit without slots deletes it.
    auto alive =
        std::stable_partition(mixers.begin(), mixers.end(), [](Mixer* m) { return !m->isDead(); });
    const std::vector<Mixer*> gone(alive, mixers.end());
    mixers.erase(alive, mixers.end());
    for (Mixer* m : gone) m->Clear();
    QueryDriverVersion();
}

void MixerFactory::KeepUnreported(const std::vector<std::int32_t>& reported, int knownInputs,
                                  int knownChannels) {
    bool kept = false;
    for (Mixer* m : mixers) {
        if (!m->isDead() ||
            std::find(reported.begin(), reported.end(), std::int32_t(m->id())) != reported.end())
            continue;
        m->SetDead(false);
        kept = true;
    }
    if (!kept || knownChannels < 0) return;
    mixerInputs = Smallest(mixerInputs, knownInputs);
    tdmChannels = Smallest(tdmChannels, knownChannels);
}

void MixerFactory::QueryDriverVersion() {
    if (voice.Open()) return;
    Voice::DriverVersionRecord version{};
    driverVersionKnown =
        Board::devices().ioctl(voice.Descriptor(), Voice::DriverVersion, &version) != -1;
    if (driverVersionKnown) std::memcpy(driverVersion, version.words, sizeof driverVersion);
    voice.Close();
}

void MixerFactory::Query(LGCP::Resources& resources) {
    RefreshResources();
    auto& list = resources.set_mixer();
    list.clear();
    for (Mixer* m : mixers) {
        LGCP::MixerResources_subtype entry;
        entry.set_unit(int(m->id()));
        entry.set_tdm_inputs(std::max(tdmChannels, 0));
        entry.set_tdm_outputs(std::max(tdmChannels, 0));
        entry.set_mixer_inputs(std::max(mixerInputs, 0));
        entry.set_dpu_per_mixer(770);
        entry.set_dpu_per_ec(17);
        entry.set_dpu_per_lms(24);
        list.push_back(entry);
    }
}

}  // namespace Mixer
