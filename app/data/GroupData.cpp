#include "app/data/GroupData.h"

CGroupData::CGroupData() {
    Init();
}

CGroupData::CGroupData(const CGroupData& src) : m_strName(src.m_strName), m_aChannel(src.m_aChannel) {}

void CGroupData::Init() {
    for (CChannelData& channel : m_aChannel)
        channel.Init();
}

CGroupData& CGroupData::operator=(const CGroupData& src) {
    if (this == &src)
        return *this;
    Init();
    m_strName = src.m_strName;
    for (int i = 0; i < kChannelCount; ++i)
        m_aChannel[static_cast<size_t>(i)] = src.m_aChannel[static_cast<size_t>(i)];
    return *this;
}
