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
    // Without a display the default speaker is the quiet stand-in, never a crash.
    EXPECT_NE(dynamic_cast<FakeSpeaker*>(&Platform::Speaker()), nullptr);
}
