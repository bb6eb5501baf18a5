#include "app/show/KeyRole.h"

#include <gtest/gtest.h>

namespace {

OPTIONDATA Defaults() {
    OPTIONDATA option{};
    const int keys[10] = {97, 98, 99, 100, 101, 102, 103, 104, 105, 96};
    std::copy(std::begin(keys), std::end(keys), option.nVKey);
    option.nMasterKey = 'M';
    option.nStopKey = 0x11;
    option.nAllStopKey = 0x20;
    option.nGrpBackKey = 0x25;
    option.nGrpNextKey = 0x27;
    option.nVolUpKey = 0x26;
    option.nVolDownKey = 0x28;
    option.nVolVal = 1;
    return option;
}

TEST(KeyRoleTest, DefaultKeys) {
    const OPTIONDATA option = Defaults();
    EXPECT_EQ(FindKeyRole(option, 0x61).role, EKeyRole::Channel);
    EXPECT_EQ(FindKeyRole(option, 0x61).nChannel, 0);
    EXPECT_EQ(FindKeyRole(option, 0x60).nChannel, 9) << "keypad 0 is pad \"0\", the tenth channel";
    EXPECT_EQ(FindKeyRole(option, 0x11).role, EKeyRole::Stop);
    EXPECT_EQ(FindKeyRole(option, 0x26).role, EKeyRole::VolumeUp);
    EXPECT_EQ(FindKeyRole(option, 0x28).role, EKeyRole::VolumeDown);
    EXPECT_EQ(FindKeyRole(option, 0x20).role, EKeyRole::AllStop);
    EXPECT_EQ(FindKeyRole(option, 0x25).role, EKeyRole::GroupBack);
    EXPECT_EQ(FindKeyRole(option, 0x27).role, EKeyRole::GroupNext);
    EXPECT_EQ(FindKeyRole(option, 'M').role, EKeyRole::Master);
    EXPECT_EQ(FindKeyRole(option, 0x1B).role, EKeyRole::None) << "Esc is left to the dialog";
    EXPECT_EQ(FindKeyRole(option, '1').role, EKeyRole::None) << "the main block's 1 is not keypad 1";
    EXPECT_EQ(FindKeyRole(option, 0x23).role, EKeyRole::None) << "keypad 1 without Num Lock is End";
}

// A key with two roles acts in the first of the fixed order only; two channels on one key: the lower.
TEST(KeyRoleTest, SharedKeysActInTheFirstRoleOnly) {
    OPTIONDATA option = Defaults();
    option.nAllStopKey = 0x11; // also the stop key
    option.nMasterKey = 0x26;  // also volume up
    option.nVKey[7] = 0x62;    // also channel 1
    option.nGrpNextKey = 0x25; // also previous group
    EXPECT_EQ(FindKeyRole(option, 0x11).role, EKeyRole::Stop);
    EXPECT_EQ(FindKeyRole(option, 0x26).role, EKeyRole::VolumeUp);
    EXPECT_EQ(FindKeyRole(option, 0x25).role, EKeyRole::GroupBack);
    EXPECT_EQ(FindKeyRole(option, 0x62).nChannel, 1);

    // An unassigned role (0) never matches, not even a key message without a code.
    option.nStopKey = 0;
    option.nVKey[0] = 0;
    EXPECT_EQ(FindKeyRole(option, 0).role, EKeyRole::None);
    EXPECT_EQ(FindKeyRole(option, 0x11).role, EKeyRole::AllStop);
}

TEST(KeyRoleTest, VolumeStepsStayWithin0To100) {
    EXPECT_EQ(StepVolume(50, 1, TRUE, FALSE), 51);
    EXPECT_EQ(StepVolume(50, 1, FALSE, TRUE), 49);
    EXPECT_EQ(StepVolume(50, 5, TRUE, TRUE), 50) << "both held: re-applied unchanged";
    EXPECT_EQ(StepVolume(99, 5, TRUE, FALSE), 100);
    EXPECT_EQ(StepVolume(0, 1, FALSE, TRUE), 0);
    EXPECT_EQ(StepVolume(100, 100, FALSE, TRUE), 0);
}

} // namespace
