// Cost of the monitor list's refresh: a ten-row, nine-column virtual list refreshed in place
// (keeping its selection) and repainted, as the main window's timer may do every 100 ms.
#include "padkit/controls/BaseListCtrl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>

#include <cstdio>

namespace {

constexpr int kRows = 10;
constexpr int kRounds = 2000;

class BenchList : public CBaseListCtrl {
public:
    BenchList() { m_nColumnCount = 9; }

    void InitColumn() override {
        CBaseListCtrl::InitColumn();
        const char* headings[] = {"", "CH", "TITLE", "TIME", "Vol", "PAN", "SPD", "FI", "FO"};
        const int widths[] = {0, 4, 30, 14, 6, 6, 6, 6, 6};
        const int ave = fontMetrics().averageCharWidth();
        for (int i = 0; i < m_nColumnCount; ++i)
            InsertColumn(i, headings[i], i == 2 ? LVCFMT_LEFT : LVCFMT_RIGHT, widths[i] * ave, i);
    }

    void OnGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult) override {
        auto* info = reinterpret_cast<NMLVDISPINFO*>(pNMHDR);
        const int ch = static_cast<int>(info->item.lParam);
        char* out = info->item.pszText;
        const auto size = static_cast<size_t>(info->item.cchTextMax);
        switch (info->item.iSubItem) {
        case 1:
            std::snprintf(out, size, "%d", ch + 1 < 10 ? ch + 1 : ch - 9);
            break;
        case 2:
            std::snprintf(out, size, "効果音 %d 開幕のベル", ch);
            break;
        case 3:
            std::snprintf(out, size, "%02d:%02d/%02d:%02d", m_tick / 60 % 100, m_tick % 60, 4, 5);
            break;
        default:
            std::snprintf(out, size, "%.1lf", 1.0 + info->item.iSubItem);
            break;
        }
        *pResult = 0;
    }

    int m_tick = 0;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    BenchList list;
    list.resize(782, 268);
    list.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    list.SetBkColor(RGB(127, 127, 127));
    list.SetTextBkColor(RGB(127, 127, 127));
    list.SetTextColor(RGB(255, 255, 255));
    list.InitColumn();
    list.SetItemHeight(22);
    list.SetList(kRows, FALSE);
    list.SetCurSel(2, TRUE, FALSE);
    list.SetCurSel(5, FALSE, FALSE);
    list.show();
    QApplication::processEvents();

    QImage target(list.size(), QImage::Format_ARGB32_Premultiplied);
    QElapsedTimer timer;

    timer.start();
    for (int i = 0; i < kRounds; ++i) {
        list.m_tick = i;
        list.RedrawList(kRows, TRUE);
        list.viewport()->render(&target);
    }
    const double refresh = static_cast<double>(timer.nsecsElapsed()) / kRounds / 1000.0;

    timer.restart();
    for (int i = 0; i < kRounds; ++i)
        list.RedrawList(kRows, TRUE);
    const double redrawOnly = static_cast<double>(timer.nsecsElapsed()) / kRounds / 1000.0;

    timer.restart();
    for (int i = 0; i < kRounds; ++i)
        list.SetList(kRows, TRUE);
    const double rebuild = static_cast<double>(timer.nsecsElapsed()) / kRounds / 1000.0;

    std::printf("list of %d rows x 9 columns, %d rounds\n", kRows, kRounds);
    std::printf("RedrawList(keep selection) + full repaint: %.1f us\n", refresh);
    std::printf("RedrawList(keep selection) alone:         %.1f us\n", redrawOnly);
    std::printf("SetList(keep selection) alone:            %.1f us\n", rebuild);
    return 0;
}
