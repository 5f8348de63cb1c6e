#include "Clock.h"
#include "ListeningSoundOutput.h"
#include "ListeningSoundStream.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Ear {
    std::vector<std::vector<float>> sounds;
    ListeningSoundOutput::Ear Listen()
    {
        return [this](const HeardSound& sound) { sounds.emplace_back(sound.Samples.begin(), sound.Samples.end()); };
    }
};

// A float sound reaches the listener as synthesised, one the run holds only when released,
// and the simulated clock moves on by each sound's duration.
TEST(ListeningSoundStream, FloatsReachTheListenerAsTheyAreAndHeldSoundsOnRelease)
{
    VirtualClock clock;
    Ear ear;
    ListeningSoundOutput output(clock, ear.Listen());
    const auto stream = output.OpenStream(44100, 2, 0);
    const std::vector<float> quiet = {0.25f, -0.75f, 0.5f, 1.5f};
    const int first = stream->QueueFloat(quiet.data(), 2, SoundStart::Now(), false);
    ASSERT_EQ(ear.sounds.size(), 1u);
    EXPECT_EQ(ear.sounds[0], quiet);
    std::vector<float> second(2 * 44100, 3.0f);
    const int held = stream->QueueFloat(second.data(), 44100, SoundStart::AfterPrevious(10), true);
    second.assign(second.size(), 0.0f);  // the stream keeps its own copy
    EXPECT_EQ(ear.sounds.size(), 1u);
    EXPECT_EQ(stream->ExpectedOnset(held), 2);
    stream->WaitUntil(100);
    stream->Release(held);
    ASSERT_EQ(ear.sounds.size(), 2u);
    EXPECT_EQ(ear.sounds[1], std::vector<float>(2 * 44100, 3.0f));
    EXPECT_TRUE(stream->Wait(first).Played);
    EXPECT_TRUE(stream->Wait(held).Played);
    EXPECT_EQ(stream->ExpectedOnset(held), 100);
    EXPECT_EQ(stream->Position(), 100 + 44100);
    EXPECT_EQ(clock.NowMs(), 1000u);
    EXPECT_EQ(output.Played(), 2);
}

TEST(ListeningSoundStream, SixteenBitSoundsAreHeardAsTheirValuesAndABadRateIsNotPlayed)
{
    VirtualClock clock;
    Ear ear;
    ListeningSoundOutput output(clock, ear.Listen());
    const std::int16_t pcm[] = {-32768, 32767, 7, -1};
    const auto stream = output.OpenStream(44100, 2, 0);
    EXPECT_TRUE(stream->Wait(stream->Queue(pcm, 2, SoundStart::Now(), false)).Played);
    ASSERT_EQ(ear.sounds.size(), 1u);
    EXPECT_EQ(ear.sounds[0], (std::vector<float>{-32768.0f, 32767.0f, 7.0f, -1.0f}));
    const auto broken = output.OpenStream(0, 2, 0);
    const StreamedSound refused = broken->Wait(broken->Queue(pcm, 2, SoundStart::Now(), false));
    EXPECT_FALSE(refused.Played);
    EXPECT_FALSE(refused.Problem.empty());
    EXPECT_EQ(ear.sounds.size(), 1u);
}

}  // namespace
