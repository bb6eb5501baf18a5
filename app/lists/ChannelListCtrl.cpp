#include "app/lists/ChannelListCtrl.h"

#include "app/data/GroupData.h"
#include "app/lists/ChannelCellText.h"

namespace {

constexpr lists::ColumnDef kColumns[CChannelListCtrl::kColumnCount] = {
    {"", LVCFMT_LEFT, 0},
    {"CH", LVCFMT_CENTER, 4},
    {QT_TRANSLATE_NOOP("ColumnHeading", "タイトル"), LVCFMT_LEFT, 20},
    {QT_TRANSLATE_NOOP("ColumnHeading", "ファイル"), LVCFMT_LEFT, 20},
    {"FI", LVCFMT_RIGHT, 6},
    {"FO", LVCFMT_RIGHT, 6},
};

enum Column { kColumnPad = 1, kColumnTitle, kColumnFile, kColumnFadeIn, kColumnFadeOut };

// The text of one cell.
QByteArray CellText(int index, const CChannelData& channel, int column) {
    switch (column) {
    case kColumnPad:
        return lists::PadNumberText(index);
    case kColumnTitle:
        return channel.m_strTitle.toUtf8();
    case kColumnFile:
        return channel.m_strFile.toUtf8();
    case kColumnFadeIn:
        return lists::TenthsText(channel.m_dTimeFadeIn);
    case kColumnFadeOut:
        return lists::TenthsText(channel.m_dTimeFadeOut);
    default:
        return QByteArray();
    }
}

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
    lists::AnswerChannelText(pNMHDR, m_pGroup, &CellText);
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
