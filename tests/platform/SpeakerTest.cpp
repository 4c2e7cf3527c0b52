#include "Platform.h"

#include <gtest/gtest.h>

TEST(Speaker, TestsPutTheirOwnSpeakerInPlace)
{
    FakeSpeaker fake;
    Platform::SetSpeaker(&fake);
    EXPECT_TRUE(Beep(1000, 30));
    fake.refuse = true;
    EXPECT_FALSE(Beep(500, 10));
    Platform::SetSpeaker(nullptr);
    ASSERT_EQ(fake.beeps.size(), 1);
    EXPECT_EQ(fake.beeps.first(), qMakePair(1000u, 30u));
    // Without a display the default speaker is the quiet stand-in, never a
    // crash, and it keeps no record of the tones of a long-running program.
    auto* quiet = dynamic_cast<FakeSpeaker*>(&Platform::Speaker());
    ASSERT_NE(quiet, nullptr);
    EXPECT_TRUE(Beep(1000, 30));
    EXPECT_TRUE(quiet->beeps.isEmpty());
}
