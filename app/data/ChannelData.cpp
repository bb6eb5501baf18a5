#include "app/data/ChannelData.h"

#include <limits>

CChannelData::CChannelData() {
    Init();
}

CChannelData::CChannelData(const CChannelData& src) {
    *this = src;
}

void CChannelData::Init() {
    m_strTitle.clear();
    m_strFile.clear();
    m_nVolume = 0;
    m_nPan = 0;
    m_dRate = 1.0;
    m_bRepeat = FALSE;
    m_bFadeIn = FALSE;
    m_bFadeOut = FALSE;
    m_dPlayTime = 0.0;
    m_dEndTime = 0.0;
    m_dTimeFadeIn = kDefaultFadeTime;
    m_dTimeFadeOut = kDefaultFadeTime;
    m_nFadeMode = 0;
    m_nFadeVolume = 0;
    m_nFadeTarget = 0;
    m_nPlayState = kNoMedia;
    m_bLoudness = FALSE;
    m_dLoudness = std::numeric_limits<double>::quiet_NaN();
    m_bLoudnessFailed = FALSE;
    m_nOutPair = kDefaultOutPair;
}

CChannelData& CChannelData::operator=(const CChannelData& src) {
    if (this == &src)
        return *this;
    Init();
    m_strTitle = src.m_strTitle;
    m_strFile = src.m_strFile;
    m_nVolume = src.m_nVolume;
    m_nPan = src.m_nPan;
    m_dRate = src.m_dRate;
    m_bRepeat = src.m_bRepeat;
    m_bFadeIn = src.m_bFadeIn;
    m_bFadeOut = src.m_bFadeOut;
    m_dPlayTime = src.m_dPlayTime;
    m_dEndTime = src.m_dEndTime;
    m_dTimeFadeIn = src.m_dTimeFadeIn;
    m_dTimeFadeOut = src.m_dTimeFadeOut;
    m_nFadeMode = src.m_nFadeMode;
    m_nFadeVolume = src.m_nFadeVolume;
    m_nFadeTarget = src.m_nFadeTarget;
    m_nPlayState = src.m_nPlayState;
    m_bLoudness = src.m_bLoudness;
    m_dLoudness = src.m_dLoudness;
    m_bLoudnessFailed = src.m_bLoudnessFailed;
    m_nOutPair = src.m_nOutPair;
    return *this;
}

QString CChannelData::OutPairText(int pair) {
    return QStringLiteral("%1–%2").arg(2 * pair - 1).arg(2 * pair);
}
