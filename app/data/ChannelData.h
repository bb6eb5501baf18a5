#pragma once

#include "platform/WinTypes.h"

#include <QString>

// One channel of a group: a sound file with its playing settings, plus the run-time state of its
// playback. The run-time fields travel with copies but are never written to a group file.
class CChannelData {
public:
    CChannelData();
    CChannelData(const CChannelData& src);
    virtual ~CChannelData() = default;

    // Every field back to its empty state (volume 0, rate 1.0, fade times 5.0, no media).
    virtual void Init();
    // Init, then copies every field of src, the run-time ones included.
    virtual CChannelData& operator=(const CChannelData& src);

    static constexpr double kDefaultFadeTime = 5.0;
    static constexpr short kNoMedia = -1;
    static constexpr short kStopped = 0;
    static constexpr short kPlaying = 1;
    // Output pairs are numbered from 1 (channels 1–2) to kMaxOutPair.
    static constexpr int kDefaultOutPair = 1;
    static constexpr int kMaxOutPair = 16;
    // "3–4" for pair 2: the two output channels of a pair.
    static QString OutPairText(int pair);

    QString m_strTitle;     // shown in the lists and on the strip
    QString m_strFile;      // absolute path of the sound; empty: no sound
    int m_nVolume;          // 0 to 100
    int m_nPan;             // -50 (left) to 50 (right)
    double m_dRate;         // speed factor, 1.0 normal
    BOOL m_bRepeat;         // play again from the start at the end
    BOOL m_bFadeIn;         // starting fades in
    BOOL m_bFadeOut;        // stopping fades out
    double m_dPlayTime;     // run-time: elapsed seconds
    double m_dEndTime;      // run-time: length in seconds
    double m_dTimeFadeIn;   // fade-in seconds
    double m_dTimeFadeOut;  // fade-out seconds
    int m_nFadeMode;        // run-time: 0 none, 1 fading in, -1 fading out
    int m_nFadeVolume;      // run-time: volume the running fade has reached
    int m_nFadeTarget;      // run-time: volume a fade rises to or restores
    short m_nPlayState;     // run-time: kNoMedia, kStopped or kPlaying
    BOOL m_bLoudness;       // play at the set's target loudness (a gain on top of the volume)
    double m_dLoudness;     // run-time: measured programme loudness in LUFS; NaN until measured
    BOOL m_bLoudnessFailed; // run-time: the sound could not be measured
    int m_nOutPair;         // the output pair it plays on, 1 to kMaxOutPair (1: channels 1–2)
};
