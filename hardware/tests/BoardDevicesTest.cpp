// The board layer's choice between the kernel's drivers and an offered
// simulation. A process chooses once, so each case chooses in a fresh copy
// of this program.
#include "hardware/BoardDevices.h"

#include <cstdlib>
#include <string>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// Stands in for a simulated board; no call reaches it.
class StandIn final : public Board::Devices {
public:
    int open(const char*, int) override { return -1; }
    int ioctl(int, unsigned long, void*) override { return -1; }
    int ioctlValue(int, unsigned long, unsigned long) override { return -1; }
    ssize_t read(int, void*, std::size_t) override { return -1; }
    ssize_t write(int, const void*, std::size_t) override { return -1; }
};

StandIn standIn;
int starts = 0;

Board::Devices* StartStandIn() {
    ++starts;
    return &standIn;
}

}  // namespace

// A value naming no board, a mistyped "sim" above all, is refused, so that
// the daemon stops instead of driving the kernel's drivers unasked.
TEST(BoardChoice, TheOfferedSimulationOnlyWhenTheEnvironmentAsksForIt) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string unknown =
        " names no board this daemon knows (sim, or unset for the board's own devices)";
    const struct {
        const char* board;  // null: unset
        bool offered;
        bool simulated;
        std::string refusal;
    } cases[] = {
        {"sim", true, true, ""},
        {nullptr, true, false, ""},
        {"", true, false, "HALVOXD_BOARD=" + unknown},
        {"simulated", true, false, "HALVOXD_BOARD=simulated" + unknown},
        {"SIM", true, false, "HALVOXD_BOARD=SIM" + unknown},
        {"sim", false, false, "the simulated board is not built in (HALVOXD_BOARD=sim)"},
        {nullptr, false, false, ""},
        {"kernel", false, false, "HALVOXD_BOARD=kernel" + unknown},
    };
    for (const auto& c : cases) {
        EXPECT_EXIT(
            {
                if (c.board)
                    ::setenv("HALVOXD_BOARD", c.board, 1);
                else
                    ::unsetenv("HALVOXD_BOARD");
                if (c.offered) Board::OfferSimulation(StartStandIn);
                EXPECT_EQ(c.refusal, Board::Refusal());
                Board::Devices& chosen = Board::devices();
                EXPECT_EQ(c.simulated ? &standIn : &Board::kernelDevices(), &chosen);
                // Chosen once: the simulation starts at most once.
                EXPECT_EQ(&chosen, &Board::devices());
                EXPECT_EQ(c.simulated ? 1 : 0, starts);
                ::_exit(::testing::Test::HasFailure() ? 1 : 0);
            },
            ::testing::ExitedWithCode(0), "")
            << "HALVOXD_BOARD=" << (c.board ? c.board : "(unset)")
            << (c.offered ? ", offered" : ", none offered");
    }
}

// A simulation that offers itself too late (from a static initialiser that
// ran after a first use) must not leave the process on the wrong board.
TEST(BoardChoice, AnOfferAfterTheChoiceAborts) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            ::setenv("HALVOXD_BOARD", "sim", 1);
            Board::devices();
            Board::OfferSimulation(StartStandIn);
        },
        "board: the simulated board was offered after the board was chosen\n");
}
