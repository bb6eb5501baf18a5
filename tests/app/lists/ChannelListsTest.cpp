#include "app/data/ForeignLocale.h"
#include "app/data/GroupData.h"
#include "app/data/LoudnessMeter.h"
#include "app/lists/ChannelListCtrl.h"
#include "app/lists/MonitorListCtrl.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

struct ColumnExpect {
    const char* heading;
    int format;
    int widthChars;
};

// The text handler's answer for one cell, with a buffer of the given size pre-filled with a marker.
struct CellAnswer {
    std::string text;
    LRESULT result;
};

CellAnswer AskCell(CBaseListCtrl& list, int dbid, int subItem, UINT mask = LVIF_TEXT, int size = 260) {
    std::vector<char> buffer(static_cast<size_t>(size) + 1, '#');
    buffer.back() = '\0';
    NMLVDISPINFO info{};
    info.hdr.hwndFrom = &list;
    info.hdr.code = LVN_GETDISPINFO;
    info.item.mask = mask;
    info.item.iSubItem = subItem;
    info.item.lParam = dbid;
    info.item.pszText = buffer.data();
    info.item.cchTextMax = size;
    LRESULT result = -5;
    list.OnGetDispInfo(&info.hdr, &result);
    return {std::string(buffer.data()), result};
}

void ExpectColumns(CBaseListCtrl& list, const std::vector<ColumnExpect>& expected) {
    const int ave = QFontMetrics(list.font()).averageCharWidth();
    ASSERT_EQ(list.GetHeaderItemCount(), static_cast<int>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        const int c = static_cast<int>(i);
        EXPECT_EQ(list.GetColumnHeading(c), QString::fromUtf8(expected[i].heading)) << c;
        EXPECT_EQ(list.GetHeaderFormat(c) & 3, expected[i].format) << c;
        EXPECT_EQ(list.GetColumnWidth(c), expected[i].widthChars * ave) << c;
    }
}

CGroupData SampleGroup() {
    CGroupData g;
    g.m_strName = "Group1";
    for (int i = 0; i < CGroupData::kChannelCount; ++i) {
        CChannelData& ch = g.m_aChannel[static_cast<size_t>(i)];
        ch.m_strTitle = QString("音%1").arg(i);
        ch.m_strFile = QString("/snd/<tone>%1.wav").arg(i);
        ch.m_nVolume = 10 * i;
        ch.m_nPan = 5 * i - 25;
    }
    return g;
}

std::vector<std::string> Column(CBaseListCtrl& list, int subItem) {
    std::vector<std::string> out;
    for (int row = 0; row < list.GetItemCount(); ++row)
        out.push_back(list.GetItemText(row, subItem).toStdString());
    return out;
}

const std::vector<std::string> kPadLabels = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0"};

} // namespace

TEST(MonitorListCtrl, ColumnsTakeTheirWidthFromTheListFont) {
    std::vector<ColumnExpect> columns = {
        {"", LVCFMT_LEFT, 0},       {"CH", LVCFMT_CENTER, 4}, {"TITLE", LVCFMT_LEFT, 30},
        {"TIME", LVCFMT_RIGHT, 14}, {"Vol", LVCFMT_RIGHT, 6}, {"PAN", LVCFMT_RIGHT, 6},
        {"SPD", LVCFMT_RIGHT, 6},   {"FI", LVCFMT_RIGHT, 6},  {"FO", LVCFMT_RIGHT, 6},
    };
    CMonitorListCtrl list;
    list.InitColumn();
    ExpectColumns(list, columns);
    const int smallTitle = list.GetColumnWidth(2);

    // A larger font widens every column; calling InitColumn again replaces the columns, not adds.
    QFont big = list.font();
    big.setPointSize(big.pointSize() * 3);
    list.setFont(big);
    list.InitColumn();
    ExpectColumns(list, columns);
    EXPECT_GT(list.GetColumnWidth(2), smallTitle);

    // The loudness column comes with the first matched channel and goes with the last.
    CGroupData g = SampleGroup();
    g.m_aChannel[7].m_bLoudness = TRUE;
    list.SetGroupData(&g);
    list.ShowChannels(FALSE);
    columns.push_back({"LUFS", LVCFMT_RIGHT, 8});
    ExpectColumns(list, columns);
    list.RefreshChannels(TRUE);
    ExpectColumns(list, columns);
    g.m_aChannel[7].m_bLoudness = FALSE;
    list.RefreshChannels(TRUE);
    columns.pop_back();
    ExpectColumns(list, columns);
}

TEST(ChannelListCtrl, ColumnsTakeTheirWidthFromTheListFont) {
    CChannelListCtrl list;
    list.InitColumn();
    ExpectColumns(list, {{"", LVCFMT_LEFT, 0},
                         {"CH", LVCFMT_CENTER, 4},
                         {"タイトル", LVCFMT_LEFT, 20},
                         {"ファイル", LVCFMT_LEFT, 20},
                         {"FI", LVCFMT_RIGHT, 6},
                         {"FO", LVCFMT_RIGHT, 6}});
}

TEST(MonitorListCtrl, RowsShowEveryChannelOfTheGroup) {
    CGroupData g = SampleGroup();
    CChannelData& ch = g.m_aChannel[2];
    ch.m_dPlayTime = 83.7;
    ch.m_dEndTime = 245.2;
    ch.m_dRate = 1.0;
    ch.m_dTimeFadeIn = 5.0;
    ch.m_dTimeFadeOut = 0.25;
    g.m_aChannel[3].m_dPlayTime = 59.99;
    g.m_aChannel[3].m_dEndTime = 3600.0;
    g.m_aChannel[4].m_dEndTime = 6000.0; // minutes are not capped at two digits
    g.m_aChannel[5].m_dRate = 0.55;
    g.m_aChannel[6].m_strTitle.clear(); // no file name stands in for a missing title

    CMonitorListCtrl list;
    list.SetGroupData(&g);
    list.InitColumn();
    list.ShowChannels(FALSE);

    ASSERT_EQ(list.GetItemCount(), 10);
    for (int row = 0; row < 10; ++row)
        EXPECT_EQ(list.GetItemData(row), row);
    EXPECT_EQ(Column(list, 0), std::vector<std::string>(10, ""));
    EXPECT_EQ(Column(list, 1), kPadLabels);
    EXPECT_EQ(Column(list, 2)[0], "音0");
    EXPECT_EQ(Column(list, 2)[6], "");
    EXPECT_EQ(Column(list, 3)[0], "00:00/00:00");
    EXPECT_EQ(Column(list, 3)[2], "01:23/04:05");
    EXPECT_EQ(Column(list, 3)[3], "00:59/60:00");
    EXPECT_EQ(Column(list, 3)[4], "00:00/100:00");
    EXPECT_EQ(Column(list, 4)[9], "90");
    EXPECT_EQ(Column(list, 5)[0], "-25");
    EXPECT_EQ(Column(list, 6)[2], "1.0");
    EXPECT_EQ(Column(list, 6)[5], "0.6"); // as printf rounds 0.55
    EXPECT_EQ(Column(list, 7)[2], "5.0");
    EXPECT_EQ(Column(list, 8)[2], "0.2"); // an exact half rounds to even, as printf does
    EXPECT_EQ(AskCell(list, 2, 10).text, "");
    EXPECT_EQ(AskCell(list, 2, 10).result, 0);
}

TEST(MonitorListCtrl, TheLoudnessColumnShowsMatchedChannelsOnly) {
    CGroupData g = SampleGroup();
    for (CChannelData& ch : g.m_aChannel)
        ch.m_nPlayState = CChannelData::kStopped;
    g.m_aChannel[1].m_dLoudness = -18.26; // measured, but played at its own level
    for (int i : {2, 3, 4, 5, 6})
        g.m_aChannel[i].m_bLoudness = TRUE;
    g.m_aChannel[2].m_dLoudness = -18.26;
    g.m_aChannel[4].m_bLoudnessFailed = TRUE;
    g.m_aChannel[5].m_dLoudness = CLoudnessMeter::kSilent;
    g.m_aChannel[6].m_nPlayState = CChannelData::kNoMedia; // its sound did not load
    CMonitorListCtrl list;
    list.SetGroupData(&g);
    list.InitColumn();
    list.ShowChannels(FALSE);
    const std::vector<std::string> cells = Column(list, 9);
    EXPECT_EQ(cells[0], "");
    EXPECT_EQ(cells[1], "");
    EXPECT_EQ(cells[2], "-18.3");
    EXPECT_EQ(cells[3], "測定中");
    EXPECT_EQ(cells[4], "不可");
    EXPECT_EQ(cells[5], "-∞");
    EXPECT_EQ(cells[6], "");
}

TEST(ChannelListCtrl, RowsShowTitleFileAndFadeTimes) {
    CGroupData g = SampleGroup();
    g.m_aChannel[1].m_strTitle.clear();
    g.m_aChannel[1].m_dTimeFadeIn = 12.34;
    g.m_aChannel[1].m_dTimeFadeOut = 0.0;

    CChannelListCtrl list;
    list.SetGroupData(&g);
    list.InitColumn();
    list.ShowChannels(FALSE);

    ASSERT_EQ(list.GetItemCount(), 10);
    EXPECT_EQ(Column(list, 1), kPadLabels);
    EXPECT_EQ(Column(list, 2)[1], "");
    EXPECT_EQ(Column(list, 3)[1], "/snd/<tone>1.wav");
    EXPECT_EQ(Column(list, 4)[0], "5.0");
    EXPECT_EQ(Column(list, 4)[1], "12.3");
    EXPECT_EQ(Column(list, 5)[1], "0.0");
    EXPECT_EQ(AskCell(list, 1, 6).text, "");
}

TEST(ChannelLists, DecimalsKeepTheirPointUnderACommaLocale) {
    CForeignLocale locale;
    CGroupData g = SampleGroup();
    g.m_aChannel[0].m_dRate = 1.5;
    CMonitorListCtrl monitor;
    monitor.SetGroupData(&g);
    CChannelListCtrl channels;
    channels.SetGroupData(&g);
    EXPECT_EQ(AskCell(monitor, 0, 6).text, "1.5");
    EXPECT_EQ(AskCell(monitor, 0, 7).text, "5.0");
    EXPECT_EQ(AskCell(channels, 0, 5).text, "5.0");
}

TEST(ChannelLists, NothingIsWrittenWithoutATextRequestOrAGroup) {
    CGroupData g = SampleGroup();
    CMonitorListCtrl monitor;
    CChannelListCtrl channels;
    for (CBaseListCtrl* list :
         {static_cast<CBaseListCtrl*>(&monitor), static_cast<CBaseListCtrl*>(&channels)}) {
        // No group yet: the buffer is left as it was and the result is 0.
        CellAnswer a = AskCell(*list, 0, 2, LVIF_TEXT, 8);
        EXPECT_EQ(a.text, "########");
        EXPECT_EQ(a.result, 0);
    }
    monitor.SetGroupData(&g);
    channels.SetGroupData(&g);
    for (CBaseListCtrl* list :
         {static_cast<CBaseListCtrl*>(&monitor), static_cast<CBaseListCtrl*>(&channels)}) {
        CellAnswer a = AskCell(*list, 0, 1, LVIF_PARAM, 8);
        EXPECT_EQ(a.text, "########");
        EXPECT_EQ(a.result, 0);
        // A DBID with no channel behind it never reads past the group.
        EXPECT_EQ(AskCell(*list, 10, 2, LVIF_TEXT, 8).text, "########");
        EXPECT_EQ(AskCell(*list, -1, 2, LVIF_TEXT, 8).text, "########");
    }
}

TEST(ChannelLists, LongTextsAreCutToTheBufferOnWholeCharacters) {
    CGroupData g = SampleGroup();
    g.m_aChannel[0].m_strTitle = "ABCあいう"; // 3 + 3 x 3 bytes
    CMonitorListCtrl monitor;
    monitor.SetGroupData(&g);
    EXPECT_EQ(AskCell(monitor, 0, 2, LVIF_TEXT, 13).text, "ABCあいう");
    EXPECT_EQ(AskCell(monitor, 0, 2, LVIF_TEXT, 12).text, "ABCあい"); // 11 bytes would split う
    EXPECT_EQ(AskCell(monitor, 0, 2, LVIF_TEXT, 5).text, "ABC");
    EXPECT_EQ(AskCell(monitor, 0, 2, LVIF_TEXT, 1).text, "");
    EXPECT_EQ(AskCell(monitor, 0, 3, LVIF_TEXT, 6).text, "00:00");
}

TEST(ChannelLists, BrokenTimesShowAsZeroInsteadOfGarbage) {
    CGroupData g = SampleGroup();
    g.m_aChannel[0].m_dPlayTime = std::numeric_limits<double>::quiet_NaN();
    g.m_aChannel[0].m_dEndTime = 1e300;
    g.m_aChannel[1].m_dPlayTime = -0.7; // towards zero
    g.m_aChannel[1].m_dEndTime = 61.999;
    CMonitorListCtrl monitor;
    monitor.SetGroupData(&g);
    EXPECT_EQ(AskCell(monitor, 0, 3).text, "00:00/00:00");
    EXPECT_EQ(AskCell(monitor, 1, 3).text, "00:00/01:01");
}

TEST(MonitorListCtrl, RefreshRereadsTheRowsAndKeepsTheSelection) {
    CGroupData g = SampleGroup();
    CMonitorListCtrl list;
    list.resize(700, 300);
    list.SetGroupData(&g);
    list.InitColumn();
    list.SetItemHeight(22);
    list.ShowChannels(FALSE);
    list.SetCurSel(3, TRUE, FALSE);
    list.SetSel(7, TRUE);

    const QImage before = list.grab().toImage();
    g.m_aChannel[0].m_dPlayTime = 1.0;
    list.RefreshChannels(TRUE);
    const QImage after = list.grab().toImage();
    EXPECT_EQ(list.GetItemText(0, 3), "00:01/00:00");
    EXPECT_TRUE(before != after) << "the TIME cell shows the new second";

    std::vector<int> dbids(2);
    ASSERT_EQ(list.GetSelectedItemDBID(0, dbids.data(), TRUE), 2);
    EXPECT_EQ(dbids, (std::vector<int>{3, 7}));

    list.ShowChannels(TRUE);
    ASSERT_EQ(list.GetSelectedItemDBID(0, dbids.data(), TRUE), 2);
    EXPECT_EQ(dbids, (std::vector<int>{3, 7}));
    list.ShowChannels(FALSE);
    EXPECT_EQ(list.GetSelectedCount(), 0);
}

TEST(MonitorListCtrl, PaintsWithTheOwnersColours) {
    CGroupData g = SampleGroup();
    CMonitorListCtrl list;
    list.resize(700, 300);
    list.SetGroupData(&g);
    list.InitColumn();
    list.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    list.SetItemHeight(22);
    list.SetBkColor(RGB(127, 127, 127));
    list.SetTextBkColor(RGB(127, 127, 127));
    list.SetTextColor(RGB(255, 255, 255));
    list.ShowChannels(FALSE);

    const QImage img = list.grab().toImage();
    const QRect row = list.GetItemRect(0).translated(list.viewport()->pos());
    int white = 0;
    int grey = 0;
    for (int x = row.left(); x < std::min(row.right(), img.width()); ++x)
        for (int y = row.top() + 1; y < row.bottom(); ++y) {
            const QRgb p = img.pixel(x, y);
            white += qRed(p) > 240 && qGreen(p) > 240 && qBlue(p) > 240;
            grey += qRed(p) == 127 && qGreen(p) == 127 && qBlue(p) == 127;
        }
    EXPECT_GT(white, 20);       // the row's white texts
    EXPECT_GT(grey, white * 4); // on the grey ground
    EXPECT_EQ(list.GetRowHeight(), 22);
}

TEST(MonitorListCtrl, CustomDrawAsksForRowsAndCells) {
    CMonitorListCtrl list;
    for (auto [stage, expected] :
         {std::pair{CDDS_PREPAINT, CDRF_NOTIFYITEMDRAW}, std::pair{CDDS_ITEMPREPAINT, CDRF_NOTIFYSUBITEMDRAW},
          std::pair{CDDS_ITEMPREPAINT | CDDS_SUBITEM, CDRF_DODEFAULT}, std::pair{DWORD{2}, CDRF_DODEFAULT}}) {
        NMLVCUSTOMDRAW draw{};
        draw.nmcd.dwDrawStage = stage;
        LRESULT result = -1;
        list.OnNMCustomdraw(&draw.nmcd.hdr, &result);
        EXPECT_EQ(result, expected) << stage;
    }
}
