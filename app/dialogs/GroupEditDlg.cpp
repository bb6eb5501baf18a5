#include "app/dialogs/GroupEditDlg.h"

#include "app/dialogs/GroupInpDlg.h"
#include "app/res/Resources.h"
#include "padkit/util/MessageBox.h"

#include <QCoreApplication>
#include <QListWidget>

#include <algorithm>

namespace {

constexpr const char* kLastGroupText = QT_TRANSLATE_NOOP("CGroupEditDlg", "グループは最低１つは必要です。");
constexpr const char* kDeleteQuestion = QT_TRANSLATE_NOOP("CGroupEditDlg", "削除してもよろしいですか？");
constexpr int kItemDataRole = Qt::UserRole;

int ItemData(const QListWidgetItem* item) {
    return item->data(kItemDataRole).toInt();
}

void SetItemData(QListWidgetItem* item, int data) {
    item->setData(kItemDataRole, data);
}

} // namespace

CGroupEditDlg::CGroupEditDlg(CGroupArray* pSet, QWidget* parent)
    : CResDialog(IDD_GROUP_EDIT, parent), m_pSet(pSet) {}

BOOL CGroupEditDlg::OnInitDialog() {
    CResDialog::OnInitDialog();
    m_pList = GetDlgItemAs<QListWidget>(IDC_GROUPEDIT_LIST);
    for (int i = 0; i < m_pSet->GetSize(); ++i) {
        auto* item = new QListWidgetItem((*m_pSet)[i].m_strName, m_pList);
        SetItemData(item, i);
    }
    SelectRow(0);
    return TRUE;
}

void CGroupEditDlg::OnCommand(UINT id) {
    switch (static_cast<int>(id)) {
    case IDC_GROUPEDIT_ADD:
        OnAdd();
        break;
    case IDC_GROUPEDIT_RENAME:
        OnRename();
        break;
    case IDC_GROUPEDIT_DELETE:
        OnDelete();
        break;
    case IDC_GROUPEDIT_UP:
        OnMove(-1);
        break;
    case IDC_GROUPEDIT_DOWN:
        OnMove(1);
        break;
    default:
        CResDialog::OnCommand(id);
        break;
    }
}

int CGroupEditDlg::SelectedRow() const {
    const QList<QListWidgetItem*> selected = m_pList->selectedItems();
    return selected.isEmpty() ? -1 : m_pList->row(selected.constFirst());
}

void CGroupEditDlg::SelectRow(int row) {
    if (row >= 0 && row < m_pList->count())
        m_pList->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

void CGroupEditDlg::OnAdd() {
    CGroupInpDlg input(QString(), this);
    if (input.DoModal() != platform::IDOK)
        return;
    CGroupData group;
    group.m_strName = input.m_strName;
    const int index = m_pSet->Add(group);
    auto* item = new QListWidgetItem(input.m_strName, m_pList);
    SetItemData(item, index);
    SelectRow(m_pList->row(item));
    AssertListMatchesSet();
}

void CGroupEditDlg::OnRename() {
    const int row = SelectedRow();
    if (row < 0)
        return;
    QListWidgetItem* item = m_pList->item(row);
    CGroupData& group = (*m_pSet)[ItemData(item)];
    CGroupInpDlg input(group.m_strName, this);
    if (input.DoModal() != platform::IDOK)
        return;
    group.m_strName = input.m_strName;
    item->setText(input.m_strName);
    SelectRow(row);
    AssertListMatchesSet();
}

void CGroupEditDlg::OnDelete() {
    const int row = SelectedRow();
    if (row < 0)
        return;
    const int count = m_pList->count();
    if (count <= 1) {
        PADKIT_MessageBox(this, QCoreApplication::translate("CGroupEditDlg", kLastGroupText), QString(),
                          MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (PADKIT_MessageBox(this, QCoreApplication::translate("CGroupEditDlg", kDeleteQuestion), QString(),
                          MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    const int deleted = ItemData(m_pList->item(row));
    for (int i = 0; i < count; ++i) {
        QListWidgetItem* item = m_pList->item(i);
        if (ItemData(item) > deleted)
            SetItemData(item, ItemData(item) - 1);
    }
    m_pSet->RemoveAt(deleted);
    delete m_pList->takeItem(row);
    SelectRow(std::min(row, count - 2));
    AssertListMatchesSet();
}

void CGroupEditDlg::OnMove(int offset) {
    const int row = SelectedRow();
    const int other = row + offset;
    if (row < 0 || other < 0 || other >= m_pList->count())
        return;
    // Whole groups change places through a copy; the rows keep their item data (their index) and take
    // each other's names.
    CGroupData& a = (*m_pSet)[ItemData(m_pList->item(row))];
    CGroupData& b = (*m_pSet)[ItemData(m_pList->item(other))];
    const CGroupData temp(a);
    a = b;
    b = temp;
    QListWidgetItem* rowItem = m_pList->item(row);
    QListWidgetItem* otherItem = m_pList->item(other);
    const QString text = rowItem->text();
    rowItem->setText(otherItem->text());
    otherItem->setText(text);
    SelectRow(other);
    AssertListMatchesSet();
}

void CGroupEditDlg::AssertListMatchesSet() const {
#ifndef NDEBUG
    Q_ASSERT(m_pList->count() == m_pSet->GetSize());
    for (int i = 0; i < m_pList->count(); ++i)
        Q_ASSERT(ItemData(m_pList->item(i)) == i && m_pList->item(i)->text() == (*m_pSet)[i].m_strName);
#endif
}
