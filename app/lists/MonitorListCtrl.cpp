#include "app/lists/MonitorListCtrl.h"

#include "app/data/GroupData.h"
#include "app/data/LoudnessMeter.h"
#include "app/lists/ChannelCellText.h"

#include <cmath>

#include <QCoreApplication>

namespace {

constexpr lists::ColumnDef kColumns[CMonitorListCtrl::kColumnCount] = {
    {"", LVCFMT_LEFT, 0},       {"CH", LVCFMT_CENTER, 4}, {"TITLE", LVCFMT_LEFT, 30},
    {"TIME", LVCFMT_RIGHT, 14}, {"Vol", LVCFMT_RIGHT, 6}, {"PAN", LVCFMT_RIGHT, 6},
    {"SPD", LVCFMT_RIGHT, 6},   {"FI", LVCFMT_RIGHT, 6},  {"FO", LVCFMT_RIGHT, 6},
    {"LUFS", LVCFMT_RIGHT, 8},
};

enum Column {
    kColumnPad = 1,
    kColumnTitle,
    kColumnTime,
    kColumnVolume,
    kColumnPan,
    kColumnSpeed,
    kColumnFadeIn,
    kColumnFadeOut,
    kColumnLoudness
};

constexpr const char* kMeasuringCell = QT_TRANSLATE_NOOP("CMonitorListCtrl", "測定中");
constexpr const char* kNotMeasurableCell = QT_TRANSLATE_NOOP("CMonitorListCtrl", "不可");
constexpr const char* kSilentCell = "-∞";

// Empty for a channel that plays at its own level (the figure matters only where it sets the gain) and
// for one whose sound did not load.
QByteArray LoudnessCell(const CChannelData& ch) {
    if (!ch.m_bLoudness || ch.m_nPlayState == CChannelData::kNoMedia)
        return QByteArray();
    if (ch.m_bLoudnessFailed)
        return QCoreApplication::translate("CMonitorListCtrl", kNotMeasurableCell).toUtf8();
    if (std::isnan(ch.m_dLoudness))
        return QCoreApplication::translate("CMonitorListCtrl", kMeasuringCell).toUtf8();
    if (ch.m_dLoudness <= CLoudnessMeter::kSilent)
        return kSilentCell;
    return lists::TenthsText(ch.m_dLoudness);
}

// The text of one cell.
QByteArray CellText(int index, const CChannelData& channel, int column) {
    switch (column) {
    case kColumnPad:
        return lists::PadNumberText(index);
    case kColumnTitle:
        // Off the first pair the title says where it plays.
        if (channel.m_nOutPair != CChannelData::kDefaultOutPair && !channel.m_strTitle.isEmpty())
            return (channel.m_strTitle +
                    QStringLiteral(" [%1]").arg(CChannelData::OutPairText(channel.m_nOutPair)))
                .toUtf8();
        return channel.m_strTitle.toUtf8();
    case kColumnTime:
        return lists::PlayTimeText(channel.m_dPlayTime, channel.m_dEndTime);
    case kColumnVolume:
        return lists::IntText(channel.m_nVolume);
    case kColumnPan:
        return lists::IntText(channel.m_nPan);
    case kColumnSpeed:
        return lists::TenthsText(channel.m_dRate);
    case kColumnFadeIn:
        return lists::TenthsText(channel.m_dTimeFadeIn);
    case kColumnFadeOut:
        return lists::TenthsText(channel.m_dTimeFadeOut);
    case kColumnLoudness:
        return LoudnessCell(channel);
    default:
        return QByteArray();
    }
}

} // namespace

CMonitorListCtrl::CMonitorListCtrl(QWidget* parent) : CBaseListCtrl(parent) {
    m_nColumnCount = kColumnCount;
}

void CMonitorListCtrl::InitColumn() {
    CBaseListCtrl::InitColumn();
    lists::InsertColumns(*this, kColumns, kFixedColumnCount);
    ShowLoudnessColumn();
}

// The loudness column is there only while the group has a channel played at the target loudness, so a
// set that does not use matching shows the list as it always was.
void CMonitorListCtrl::ShowLoudnessColumn() {
    bool matched = false;
    if (m_pGroup)
        for (const CChannelData& ch : m_pGroup->m_aChannel)
            matched = matched || ch.m_bLoudness;
    const bool shown = GetHeaderItemCount() > kFixedColumnCount;
    if (matched && !shown)
        lists::InsertColumn(*this, kColumns, kColumnLoudness);
    else if (!matched && shown)
        DeleteColumn(kColumnLoudness);
}

void CMonitorListCtrl::OnGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult) {
    CBaseListCtrl::OnGetDispInfo(pNMHDR, pResult);
    lists::AnswerChannelText(pNMHDR, m_pGroup, &CellText);
    *pResult = 0;
}

void CMonitorListCtrl::SetGroupData(CGroupData* pGroup) {
    m_pGroup = pGroup;
}

void CMonitorListCtrl::ShowChannels(BOOL keepSelection) {
    ShowLoudnessColumn();
    SetList(CGroupData::kChannelCount, keepSelection);
}

void CMonitorListCtrl::RefreshChannels(BOOL keepSelection) {
    ShowLoudnessColumn();
    RedrawList(CGroupData::kChannelCount, keepSelection);
}

void CMonitorListCtrl::OnNMCustomdraw(NMHDR* pNMHDR, LRESULT* pResult) {
    const auto* draw = reinterpret_cast<const NMLVCUSTOMDRAW*>(pNMHDR);
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        *pResult = CDRF_NOTIFYITEMDRAW;
        break;
    case CDDS_ITEMPREPAINT:
        *pResult = CDRF_NOTIFYSUBITEMDRAW;
        break;
    default:
        *pResult = CDRF_DODEFAULT;
        break;
    }
}
