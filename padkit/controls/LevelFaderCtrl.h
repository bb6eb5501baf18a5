#pragma once

#include "padkit/PadkitExport.h"
#include "platform/Trackbar.h"
#include "platform/WinTypes.h"

#include <QRect>

#include <array>

class QPainter;

namespace padkit {

inline constexpr COLORREF kLevelRed = RGB(255, 0, 0);
inline constexpr COLORREF kLevelYellow = RGB(255, 255, 0);
inline constexpr COLORREF kLevelGreen = RGB(0, 255, 0);

// What the meter needs to know to lay out its bands.
struct LevelScale {
    int nMin = 0;
    int nMax = 100;
    int nRedMin = 0;
    int nYellowMin = 0;
    int nYellowMax = 0;
    int nGreenMax = 100;
};

struct LevelBand {
    QRect rect;
    COLORREF color = 0;
};

// Bands in painting order; later ones paint over the lower part of earlier ones.
struct LevelBands {
    std::array<LevelBand, 3> band;
    int count = 0;
};

// The groove widened by half the level width on each side (integer half: width 5 adds 2 per side).
PADKIT_API QRect LevelMeterRect(const QRect& channel, int levelWidth);

// Pixels of a meter of the given height that the value v fills from the bottom. An empty scale
// (minimum equal to maximum) fills nothing.
PADKIT_API int LevelFillHeight(int height, int nMin, int nMax, int v);

// The coloured bands for a level: red over yellow over green when the level is above the red
// threshold, yellow over green above the yellow threshold, otherwise green alone. Thresholds are
// strict: a level equal to a threshold shows the zone below it.
PADKIT_API LevelBands LevelMeterBands(const QRect& meter, const LevelScale& scale, int levelPos);

} // namespace padkit

// A vertical fader whose own thumb stays the volume handle while its groove shows the current level
// as a green/yellow/red bar growing from the bottom. It knows nothing of audio: the caller maps its
// measurement onto the level range. Clicks and keys move the thumb as on any trackbar.
class PADKIT_API CLevelFaderCtrl : public platform::CTrackbar {
    Q_OBJECT
public:
    explicit CLevelFaderCtrl(QWidget* parent = nullptr);
    ~CLevelFaderCtrl() override;

    void SetLevelRange(int min, int max);
    void GetLevelRange(int* min, int* max) const {
        *min = m_nLevelMin;
        *max = m_nLevelMax;
    }
    void SetLevelRangeR(int min, int max);
    void GetLevelRangeR(int* min, int* max) const {
        *min = m_nRedMin;
        *max = m_nRedMax;
    }
    void SetLevelRangeY(int min, int max);
    void GetLevelRangeY(int* min, int* max) const {
        *min = m_nYellowMin;
        *max = m_nYellowMax;
    }
    void SetLevelRangeG(int min, int max);
    void GetLevelRangeG(int* min, int* max) const {
        *min = m_nGreenMin;
        *max = m_nGreenMax;
    }
    // Stores the level clamped to the range (with an inverted range the maximum wins) and repaints.
    void SetLevelPos(int pos);
    int GetLevelPos() const { return m_nLevelPos; }
    void SetLevelWidth(int width);
    int GetLevelWidth() const { return m_nLevelWidth; }

    // The groove the meter replaces, in widget coordinates.
    QRect ChannelRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void DrawLevel(QPainter& painter, const QRect& channel) const;

private:
    padkit::LevelScale Scale() const;

    int m_nLevelMin = 0;
    int m_nLevelMax = 100;
    int m_nRedMin = 0;
    int m_nRedMax = 0;
    int m_nYellowMin = 0;
    int m_nYellowMax = 0;
    int m_nGreenMin = 0;
    int m_nGreenMax = 100;
    int m_nLevelPos = 0;
    int m_nLevelWidth = 4;
};
