#include "app/lists/ChannelListCtrl.h"

#include "app/data/GroupData.h"
#include "app/lists/ChannelCellText.h"

namespace {

constexpr lists::ColumnDef kColumns[CChannelListCtrl::kColumnCount] = {
    {"", LVCFMT_LEFT, 0},          {"CH", LVCFMT_CENTER, 4}, {"タイトル", LVCFMT_LEFT, 20},
    {"ファイル", LVCFMT_LEFT, 20}, {"FI", LVCFMT_RIGHT, 6},  {"FO", LVCFMT_RIGHT, 6},
};

enum Column { kColumnPad = 1, kColumnTitle, kColumnFile, kColumnFadeIn, kColumnFadeOut };

} // namespace

CChannelListCtrl::CChannelListCtrl(QWidget* parent) : CBaseListCtrl(parent) {
    m_nColumnCount = kColumnCount;
}

void CChannelListCtrl::InitColumn() {
    CBaseListCtrl::InitColumn();
    lists::InsertColumns(*this, kColumns, kColumnCount);
}

void CChannelListCtrl::OnGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult) {
    CBaseListCtrl::OnGetDispInfo(pNMHDR, pResult);
    auto* info = reinterpret_cast<NMLVDISPINFO*>(pNMHDR);
    const int index = static_cast<int>(info->item.lParam);
    // A row painted before the group is set, or a row with no channel behind it, stays empty.
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
        case kColumnFile:
            text = ch.m_strFile.toUtf8();
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

void CChannelListCtrl::SetGroupData(CGroupData* pGroup) {
    m_pGroup = pGroup;
}

void CChannelListCtrl::ShowChannels(BOOL keepSelection) {
    SetList(CGroupData::kChannelCount, keepSelection);
}

void CChannelListCtrl::RefreshChannels(BOOL keepSelection) {
    RedrawList(CGroupData::kChannelCount, keepSelection);
}
