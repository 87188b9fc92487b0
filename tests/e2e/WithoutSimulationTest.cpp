// The daemon of a build without the simulated board, asked to run on it.
#include "tests/e2e/DaemonTest.h"

using WithoutSimulation = DaemonTest;

// Falling back to the kernel's drivers would leave the operator thinking the
// simulation runs; nothing may start serving, nor a device be opened.
TEST_F(WithoutSimulation, AskedForTheSimulatedBoardTheDaemonSaysSoAndExitsWithStatus2) {
    ExpectBoardRefused("sim", "halvoxd: the simulated board is not built in (HALVOXD_BOARD=sim)");
}
