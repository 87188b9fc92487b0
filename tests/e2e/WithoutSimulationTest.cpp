// The daemon of a build without the simulated board, asked to run on it.
#include "tests/e2e/DaemonTest.h"

#include <sys/wait.h>
#include <unistd.h>

using WithoutSimulation = DaemonTest;

// Falling back to the kernel's drivers would leave the operator thinking the
// simulation runs; nothing may start serving, nor a device be opened.
TEST_F(WithoutSimulation, AskedForTheSimulatedBoardTheDaemonSaysSoAndExitsWithStatus2) {
    daemon.environment["HALVOXD_BOARD"] = "sim";
    ASSERT_TRUE(daemon.Start({"--port", "20001"}));
    const int status = daemon.WaitExit();
    ASSERT_TRUE(WIFEXITED(status)) << status << "\n" << daemon.Output();
    EXPECT_EQ(2, WEXITSTATUS(status));
    EXPECT_EQ("halvoxd: the simulated board is not built in (HALVOXD_BOARD=sim)\n", daemon.Err());
    EXPECT_EQ("", daemon.Out());
    EXPECT_NE(0, ::access(DaemonProcess::pidPath, F_OK));
}
