#include "app/dialogs/GroupDlg.h"

#include "app/data/SoundFileRules.h"
#include "app/dialogs/ChannelEditDlg.h"
#include "app/dialogs/GroupEditDlg.h"
#include "app/lists/ChannelListCtrl.h"
#include "app/res/Resources.h"
#include "padkit/util/MessageBox.h"

#include <QComboBox>
#include <QCoreApplication>

namespace {

constexpr const char* kSelectChannelText = QT_TRANSLATE_NOOP("CGroupDlg", "チャンネルを選択してください。");
constexpr const char* kClearQuestion = QT_TRANSLATE_NOOP("CGroupDlg", "削除してもよろしいですか？");
// Grid lines, full-row selection, info tips.
constexpr DWORD kChannelListStyle = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP;

} // namespace

CGroupDlg::CGroupDlg(CGroupArray* pSet, QWidget* parent, CSettingsFile settings)
    : CResDialog(IDD_GROUP_DLG, parent), m_pSet(pSet), m_Settings(std::move(settings)) {
    m_aGroup.Copy(*pSet);
}

CGroupDlg::~CGroupDlg() = default;

QWidget* CGroupDlg::MakeControl(const platform::ControlTemplate& c, QWidget* parent) {
    if (c.id == IDC_GROUPDLG_LIST) {
        auto* list = new CChannelListCtrl(parent);
        list->SetListStyle(LVS_SINGLESEL | LVS_SHOWSELALWAYS);
        list->SetDlgCtrlID(c.id);
        return list;
    }
    return nullptr;
}

BOOL CGroupDlg::OnInitDialog() {
    CResDialog::OnInitDialog();
    m_pCombo = GetDlgItemAs<QComboBox>(IDC_GROUPDLG_COMBO);
    m_listChannel = GetDlgItemAs<CChannelListCtrl>(IDC_GROUPDLG_LIST);
    FillCombo();
    m_listChannel->SetExtendedStyle(kChannelListStyle);
    m_listChannel->SetGroupData(SelectedGroup());
    m_listChannel->InitColumn();
    m_listChannel->SetItemHeight(kListRowHeight);
    m_listChannel->ShowChannels(FALSE);
    m_listChannel->SetCurSel(0, TRUE, FALSE);
    connect(m_pCombo, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_bFilling)
            ShowSelectedGroup();
    });
    return TRUE;
}

void CGroupDlg::FillCombo() {
    m_bFilling = true;
    m_pCombo->clear();
    for (int i = 0; i < m_aGroup.GetSize(); ++i)
        m_pCombo->addItem(m_aGroup[i].m_strName, i);
    m_pCombo->setCurrentIndex(m_aGroup.IsEmpty() ? -1 : 0);
    m_bFilling = false;
}

CGroupData* CGroupDlg::SelectedGroup() {
    const int sel = m_pCombo->currentIndex();
    if (sel < 0)
        return nullptr;
    const int index = m_pCombo->itemData(sel).toInt();
    return index >= 0 && index < m_aGroup.GetSize() ? &m_aGroup[index] : nullptr;
}

void CGroupDlg::ShowSelectedGroup() {
    m_listChannel->SetGroupData(SelectedGroup());
    m_listChannel->SetCurSel(0, TRUE, FALSE);
    m_listChannel->Invalidate();
}

void CGroupDlg::OnCommand(UINT id) {
    switch (static_cast<int>(id)) {
    case IDC_GROUPDLG_GROUPS:
        OnGroupEdit();
        break;
    case IDC_GROUPDLG_EDIT:
        OnChannelEdit();
        break;
    case IDC_GROUPDLG_CLEAR:
        OnChannelClear();
        break;
    default:
        CResDialog::OnCommand(id);
        break;
    }
}

void CGroupDlg::OnGroupEdit() {
    // Adding or deleting groups moves the working copy's groups in memory; until the list is given
    // its group again it paints from a copy of the one it shows.
    if (CGroupData* shown = SelectedGroup()) {
        m_shownGroup = *shown;
        m_listChannel->SetGroupData(&m_shownGroup);
    } else {
        m_listChannel->SetGroupData(nullptr);
    }
    CGroupEditDlg edit(&m_aGroup, this);
    edit.DoModal();
    FillCombo();
    ShowSelectedGroup();
}

int CGroupDlg::SelectedChannel() {
    const int row = m_listChannel->GetCurSel();
    if (row < 0 || row >= CGroupData::kChannelCount) {
        PADKIT_MessageBox(this, QCoreApplication::translate("CGroupDlg", kSelectChannelText), QString(),
                          MB_OK | MB_ICONEXCLAMATION);
        return -1;
    }
    return row;
}

void CGroupDlg::OnChannelEdit() {
    CGroupData* group = SelectedGroup();
    if (!group)
        return;
    const int row = SelectedChannel();
    if (row < 0)
        return;
    CChannelData& channel = group->m_aChannel[static_cast<size_t>(row)];
    CChannelEditDlg edit(row + 1, &channel, this, m_Settings);
    edit.SetLoudnessMatcher(m_pLoudness);
    edit.SetAudition(m_pAudition);
    if (edit.DoModal() == platform::IDOK) {
        channel.m_nVolume = soundfile::kNewSoundVolume;
        m_listChannel->RefreshChannels(TRUE);
    }
}

void CGroupDlg::OnChannelClear() {
    CGroupData* group = SelectedGroup();
    if (!group)
        return;
    const int row = SelectedChannel();
    if (row < 0)
        return;
    CChannelData& channel = group->m_aChannel[static_cast<size_t>(row)];
    if (channel.m_strFile.isEmpty())
        return;
    if (PADKIT_MessageBox(this, QCoreApplication::translate("CGroupDlg", kClearQuestion), QString(),
                          MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    channel.Init();
    m_listChannel->RefreshChannels(TRUE);
}

void CGroupDlg::OnOK() {
    m_pSet->Copy(m_aGroup);
    EndDialog(platform::IDOK);
}
