// Thread roles: a player answers one thread until it is handed over, and the mixer renders on one
// thread at a time, the caller's when rendering offline. Debug builds assert on a call from elsewhere.
#include "playkit/AdxEngine.h"
#include "playkit/AdxMixer.h"
#include "playkit/AdxShow.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

using playkit::CAdxEngine;
using playkit::CAdxMixer;

namespace {

constexpr std::size_t kFrames = 64;
constexpr const char* kWrongThread = "does not hold this role";

struct SIdleHost : playkit::IAdxMixerHost {
    void WakeDecoder() override {}
    void FlushNotifier() override {}
};

// Runs f on a thread of its own and waits for it.
template <typename F> void OnOtherThread(F f) {
    std::thread(f).join();
}

} // namespace

TEST(CAdxThreadRole, ARoleLetGoIsTakenByTheNextThread) {
    // Offline, whichever thread renders next may: the engine lets go after each render.
    std::vector<float> out(2 * kFrames);
    ASSERT_TRUE(CAdxEngine::Render(out.data(), kFrames));
    bool rendered = false;
    OnOtherThread([&] { rendered = CAdxEngine::Render(out.data(), kFrames); });
    EXPECT_TRUE(rendered);
    ASSERT_TRUE(CAdxEngine::Render(out.data(), kFrames));

    // A mixer whose render thread is done renders on the next one.
    SIdleHost host;
    auto mixer = std::make_unique<CAdxMixer>(host);
    mixer->Render(out.data(), kFrames, 2);
    mixer->RenderThreadDone();
    OnOtherThread([&] { mixer->Render(out.data(), kFrames, 2); });

    // A player handed over by its owner answers the next thread.
    CAdxShow p;
    OnOtherThread([&] {
        EXPECT_EQ(p.Play(), AdxResult::kNotReady);
        p.HandOver();
    });
    EXPECT_EQ(p.Stop(), AdxResult::kNotReady);
}

#ifndef NDEBUG
TEST(CAdxThreadRoleDeathTest, ACallFromASecondThreadAsserts) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            CAdxShow p;
            (void)p.Play(); // a closed player still belongs to its first caller
            OnOtherThread([&] { (void)p.SetVolume(0); });
        },
        kWrongThread);
    EXPECT_DEATH(
        {
            SIdleHost host;
            auto mixer = std::make_unique<CAdxMixer>(host);
            std::vector<float> out(2 * kFrames);
            mixer->Render(out.data(), kFrames, 2);
            OnOtherThread([&] { mixer->Render(out.data(), kFrames, 2); });
        },
        kWrongThread);
}
#endif
