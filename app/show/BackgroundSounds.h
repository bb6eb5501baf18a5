#pragma once

#include "playkit/AdxShow.h"

#include <memory>
#include <vector>

// The sounds that go on playing in groups other than the shown one: for each, its group, its channel
// and the player that holds it, oldest first. Each (group, channel) is held at most once. UI thread.
class CBackgroundSounds {
public:
    // Room for three groups' worth and more; far fewer than the engine's voices, so that the shown
    // group and the loudness and check probes always find theirs.
    static constexpr int kMaxSounds = 40;

    struct Sound {
        int nGroup = -1;
        int nChannel = -1;
        std::unique_ptr<CAdxShow> pPlayer;
    };

    int Count() const { return static_cast<int>(m_sounds.size()); }
    bool IsEmpty() const { return m_sounds.empty(); }
    int CountIn(int group) const;
    // Oldest first; the session steps their fades and handles their ends here.
    std::vector<Sound>& Sounds() { return m_sounds; }
    const std::vector<Sound>& Sounds() const { return m_sounds; }

    // Keeps sound as the newest (none of its channel may be kept already); the oldest sounds beyond
    // kMaxSounds are handed back, to be stopped.
    [[nodiscard]] std::vector<Sound> Keep(Sound sound);
    // The player of channel of group, taken out; null when none plays there.
    std::unique_ptr<CAdxShow> Take(int group, int channel);
    // Takes out every sound for which gone(sound) is true, oldest first.
    template <typename F> std::vector<Sound> TakeIf(F&& gone) {
        std::vector<Sound> taken;
        for (auto it = m_sounds.begin(); it != m_sounds.end();) {
            if (gone(static_cast<const Sound&>(*it))) {
                taken.push_back(std::move(*it));
                it = m_sounds.erase(it);
            } else {
                ++it;
            }
        }
        return taken;
    }

private:
    std::vector<Sound> m_sounds;
};
