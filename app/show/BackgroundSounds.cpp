#include "app/show/BackgroundSounds.h"

#include <QtGlobal>

#include <algorithm>
#include <iterator>

int CBackgroundSounds::CountIn(int group) const {
    return static_cast<int>(std::ranges::count(m_sounds, group, &Sound::nGroup));
}

std::vector<CBackgroundSounds::Sound> CBackgroundSounds::Keep(Sound sound) {
    Q_ASSERT(sound.pPlayer);
    // A group's background sounds are handed back whenever it is shown, so none can be left of it.
    Q_ASSERT(std::ranges::none_of(
        m_sounds, [&](const Sound& s) { return s.nGroup == sound.nGroup && s.nChannel == sound.nChannel; }));
    std::vector<Sound> dropped;
    m_sounds.push_back(std::move(sound));
    const auto over = static_cast<std::ptrdiff_t>(m_sounds.size()) - kMaxSounds;
    if (over > 0) {
        std::move(m_sounds.begin(), m_sounds.begin() + over, std::back_inserter(dropped));
        m_sounds.erase(m_sounds.begin(), m_sounds.begin() + over);
    }
    return dropped;
}

std::unique_ptr<CAdxShow> CBackgroundSounds::Take(int group, int channel) {
    const auto it = std::ranges::find_if(
        m_sounds, [&](const Sound& s) { return s.nGroup == group && s.nChannel == channel; });
    if (it == m_sounds.end())
        return nullptr;
    std::unique_ptr<CAdxShow> player = std::move(it->pPlayer);
    m_sounds.erase(it);
    return player;
}
