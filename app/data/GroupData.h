#pragma once

#include "app/data/ChannelData.h"

#include <QString>
#include <array>

// One group of a sound set: a name (the tab's text) and exactly ten channels; index 0 is pad "1",
// index 9 pad "0".
class CGroupData {
public:
    static constexpr int kChannelCount = 10;

    CGroupData();
    CGroupData(const CGroupData& src);
    virtual ~CGroupData() = default;

    // Resets the ten channels; the name stays.
    virtual void Init();
    // Init, then copies the name and the ten channels.
    virtual CGroupData& operator=(const CGroupData& src);

    QString m_strName;
    std::array<CChannelData, kChannelCount> m_aChannel;
};
