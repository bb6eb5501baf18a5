#include "app/lists/MonitorListCtrl.h"

#include "app/data/GroupData.h"
#include "app/lists/ChannelCellText.h"

namespace {

constexpr lists::ColumnDef kColumns[CMonitorListCtrl::kColumnCount] = {
    {"", LVCFMT_LEFT, 0},       {"CH", LVCFMT_CENTER, 4}, {"TITLE", LVCFMT_LEFT, 30},
    {"TIME", LVCFMT_RIGHT, 14}, {"Vol", LVCFMT_RIGHT, 6}, {"PAN", LVCFMT_RIGHT, 6},
    {"SPD", LVCFMT_RIGHT, 6},   {"FI", LVCFMT_RIGHT, 6},  {"FO", LVCFMT_RIGHT, 6},
};

enum Column {
    kColumnPad = 1,
    kColumnTitle,
    kColumnTime,
    kColumnVolume,
    kColumnPan,
    kColumnSpeed,
    kColumnFadeIn,
    kColumnFadeOut
};

} // namespace

CMonitorListCtrl::CMonitorListCtrl(QWidget* parent) : CBaseListCtrl(parent) {
    m_nColumnCount = kColumnCount;
}

void CMonitorListCtrl::InitColumn() {
    CBaseListCtrl::InitColumn();
    lists::InsertColumns(*this, kColumns, kColumnCount);
}

void CMonitorListCtrl::OnGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult) {
    CBaseListCtrl::OnGetDispInfo(pNMHDR, pResult);
    auto* info = reinterpret_cast<NMLVDISPINFO*>(pNMHDR);
    const int index = static_cast<int>(info->item.lParam);
    if ((info->item.mask & LVIF_TEXT) && m_pGroup && index >= 0 && index < CGroupData::kChannelCount) {
        const CChannelData& ch = m_pGroup->m_aChannel[static_cast<size_t>(index)];
        QByteArray text;
        switch (info->item.iSubItem) {
        case kColumnPad:
            text = lists::PadNumberText(index);
            break;
        case kColumnTitle:
            text = ch.m_strTitle.toUtf8();
            break;
        case kColumnTime:
            text = lists::PlayTimeText(ch.m_dPlayTime, ch.m_dEndTime);
            break;
        case kColumnVolume:
            text = lists::IntText(ch.m_nVolume);
            break;
        case kColumnPan:
            text = lists::IntText(ch.m_nPan);
            break;
        case kColumnSpeed:
            text = lists::TenthsText(ch.m_dRate);
            break;
        case kColumnFadeIn:
            text = lists::TenthsText(ch.m_dTimeFadeIn);
            break;
        case kColumnFadeOut:
            text = lists::TenthsText(ch.m_dTimeFadeOut);
            break;
        default:
            break;
        }
        lists::CopyCellText(text, info->item.pszText, info->item.cchTextMax);
    }
    *pResult = 0;
}

void CMonitorListCtrl::SetGroupData(CGroupData* pGroup) {
    m_pGroup = pGroup;
}

void CMonitorListCtrl::ShowChannels(BOOL keepSelection) {
    SetList(CGroupData::kChannelCount, keepSelection);
}

void CMonitorListCtrl::RefreshChannels(BOOL keepSelection) {
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
