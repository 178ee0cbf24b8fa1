// Starting with the session and the one-instance mark, through the platform interfaces,
// on both systems (the Windows build runs under Wine).
#include <gtest/gtest.h>

#include <string>

#include "platform/autostart.h"
#include "platform/single_instance.h"
#include "tests/unit/session_places.h"
#include "tests/unit/test_support.h"

namespace zolvantek {
namespace {

using platform::Autostart;
using platform::SingleInstance;
using State = SingleInstance::State;

TEST(SingleInstanceTest, OnlyOneHolderUntilItGoes) {
    const test_support::PrivateRuntimeDir runtime;
    const std::string id = "com.brindlex.Test" + std::to_string(ZOLVANTEK_TEST_PID);
    {
        const SingleInstance first(id);
        ASSERT_EQ(first.state(), State::First) << first.error();
        const SingleInstance second(id);
        EXPECT_EQ(second.state(), State::AlreadyRunning);
        // A refused second start leaves the first one's mark alone.
        const SingleInstance third(id);
        EXPECT_EQ(third.state(), State::AlreadyRunning);
        // Another program's mark is its own.
        const SingleInstance other(id + "Other");
        EXPECT_EQ(other.state(), State::First) << other.error();
    }
    const SingleInstance next(id);
    EXPECT_EQ(next.state(), State::First) << next.error();
}

TEST(AutostartTest, OnAndOffAreRememberedAndOffTwiceIsFine) {
    const test_support::AutostartPlace place;
    const Autostart autostart("com.brindlex.Test", place.path());
    EXPECT_FALSE(autostart.Enabled());
    EXPECT_EQ(autostart.Disable(), "");

    EXPECT_EQ(autostart.Enable(place.program()), "");
    EXPECT_TRUE(autostart.Enabled());
    EXPECT_EQ(place.StoredCommand(autostart), place.ExpectedCommand());
    // On again replaces the entry rather than adding a second one.
    EXPECT_EQ(autostart.Enable(place.program()), "");
    EXPECT_TRUE(autostart.Enabled());

    EXPECT_EQ(autostart.Disable(), "");
    EXPECT_FALSE(autostart.Enabled());
    EXPECT_EQ(autostart.Disable(), "");
    // Without a program path there is nothing sound to store.
    EXPECT_NE(autostart.Enable(""), "");
    EXPECT_FALSE(autostart.Enabled());
}

}  // namespace
}  // namespace zolvantek
