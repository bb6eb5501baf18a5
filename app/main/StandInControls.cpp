#include "app/main/StandInControls.h"

#include <QPainter>

CStandInMonitorList::CStandInMonitorList(QWidget* parent) : QWidget(parent) {}

void CStandInMonitorList::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(127, 127, 127));
    const int header = fontMetrics().height() + 6;
    p.fillRect(QRect(0, 0, width(), header), QColor(224, 224, 224));
    p.setPen(QColor(32, 32, 32));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.drawLine(0, header, width(), header);
}
