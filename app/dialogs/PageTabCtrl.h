#pragma once

#include "platform/WinTypes.h"

#include <QRect>
#include <QString>
#include <QWidget>

class QTabBar;

// A tab control as a dialog holds one: tabs along the top of a framed area whose pages the owner
// creates as children of this control. SelChange is sent when the operator picks another tab, not
// when SetCurSel does. UI thread.
class CPageTabCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CPageTabCtrl(QWidget* parent = nullptr);

    void DeleteAllItems();
    // Inserts a tab before index with its text and item data; returns its index.
    int InsertItem(int index, const QString& text, LPARAM data);
    int GetItemCount() const;
    LPARAM GetItemData(int index) const;
    // The tab's rectangle in this control's coordinates.
    QRect GetItemRect(int index) const;
    int GetCurSel() const;
    int SetCurSel(int index); // returns the previous selection
    QTabBar* TabBar() const { return m_pTabBar; }

signals:
    void SelChange();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QTabBar* m_pTabBar;
    bool m_bSetting = false;
};
