// Board::devices() of a build with the simulated board: the simulation when
// the environment asks for it at first use, the kernel's drivers otherwise.
#include "hardware/BoardDevices.h"
#include "hardware/sim/BoardSim.h"
#include "hardware/sim/BoardSimControl.h"

#include <cstdlib>
#include <cstring>

namespace Board {

namespace {

Sim* chosenSimulation = nullptr;
SimControl* control = nullptr;

// The init file runs before the control socket opens, so a test that waits
// for the socket finds the board's start-up state in place.
Sim* StartSimulation() {
    Sim* sim = new Sim;
    if (const char* init = std::getenv("HALVOXD_BOARD_INIT")) sim->RunFile(init);
    if (const char* path = std::getenv("HALVOXD_BOARD_CTL")) control = new SimControl(*sim, path);
    return sim;
}

Devices* Choose() {
    const char* board = std::getenv("HALVOXD_BOARD");
    if (board && std::strcmp(board, "sim") == 0) return chosenSimulation = StartSimulation();
    return &kernelDevices();
}

}  // namespace

Devices& devices() {
    static Devices* const chosen = Choose();
    return *chosen;
}

Sim* simulation() {
    devices();
    return chosenSimulation;
}

}  // namespace Board
