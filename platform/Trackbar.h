#pragma once

#include <QBasicTimer>
#include <QPoint>
#include <QSlider>

namespace platform {

// A slider that behaves as the desktop's trackbar: its page is a fifth of its range, set again with
// every range change, and a press off the thumb pages towards the press, repeating while the button is
// held until the thumb reaches it. Styles that jump the thumb to a click never see such a press.
// UI thread.
class CTrackbar : public QSlider {
public:
    explicit CTrackbar(Qt::Orientation orientation, QWidget* parent = nullptr);
    ~CTrackbar() override;
    CTrackbar(const CTrackbar&) = delete;
    CTrackbar& operator=(const CTrackbar&) = delete;

    // The page of a range lo..hi: a fifth of it, at least 1.
    static int PageSizeFor(int lo, int hi);

protected:
    void sliderChange(SliderChange change) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    // The page action that moves the thumb towards pos, or SliderNoAction when pos is on the thumb.
    SliderAction PageTowards(const QPoint& pos) const;
    void StopPaging();

    QBasicTimer m_repeat;
    SliderAction m_paging = SliderNoAction;
    QPoint m_pressPos;
};

} // namespace platform
