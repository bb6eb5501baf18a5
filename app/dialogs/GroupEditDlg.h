#pragma once

#include "app/data/GroupArray.h"
#include "app/dialogs/ResDialog.h"

class QListWidget;

// The group list of "グループの編集": adds, renames, deletes and reorders the groups of the set it is
// given, each change at once. Row i of the list shows group i and carries i as its item data. The last
// group is never deleted. UI thread.
class CGroupEditDlg : public CResDialog {
    Q_OBJECT
public:
    // pSet: the set edited in place (not owned).
    explicit CGroupEditDlg(CGroupArray* pSet, QWidget* parent = nullptr);

    QListWidget* List() const { return m_pList; }

protected:
    BOOL OnInitDialog() override;
    void OnCommand(UINT id) override;

private:
    void OnAdd();
    void OnRename();
    void OnDelete();
    // Swaps the selected row's group with the one at offset from it and keeps it selected.
    void OnMove(int offset);
    int SelectedRow() const;
    void SelectRow(int row);
    // Row i shows group i and carries i (debug builds).
    void AssertListMatchesSet() const;

    CGroupArray* m_pSet;
    QListWidget* m_pList = nullptr;
};
