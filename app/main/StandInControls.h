#pragma once

#include <QWidget>

// A plain stand-in for the monitor list, which the list module provides: a grey field under a header
// row, so the window keeps its final look; swapping in the real class changes one alias.
class CStandInMonitorList : public QWidget {
    Q_OBJECT
public:
    explicit CStandInMonitorList(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
