// The simulated board's entry into a program: linked in, it offers itself to
// the board layer, which starts it when HALVOXD_BOARD=sim chooses it.
#include "hardware/BoardDevices.h"
#include "hardware/sim/BoardSim.h"
#include "hardware/sim/BoardSimControl.h"

#include <cstdlib>

namespace Board {

namespace {

Sim* started = nullptr;
SimControl* control = nullptr;

// The control, like the board, lives as long as the process and is never
// destroyed; its socket file is removed at exit all the same.
void RemoveControlSocket() { control->RemoveSocket(); }

// The init file runs before the control socket opens, so a test that waits
// for the socket finds the board's start-up state in place.
Devices* StartSimulation() {
    started = new Sim;
    if (const char* init = std::getenv("HALVOXD_BOARD_INIT")) started->RunFile(init);
    if (const char* path = std::getenv("HALVOXD_BOARD_CTL")) {
        control = new SimControl(*started, path);
        std::atexit(RemoveControlSocket);
    }
    return started;
}

// Static initialisation, so no program that links the simulation has to
// remember to offer it; the library is an object library for the same
// reason: nothing references this file, and an archive would drop it.
struct Offer {
    Offer() { OfferSimulation(StartSimulation); }
} offer;

}  // namespace

Sim* simulation() {
    devices();
    return started;
}

}  // namespace Board
