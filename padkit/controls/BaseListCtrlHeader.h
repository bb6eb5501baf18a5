#pragma once

#include "padkit/PadkitExport.h"
#include "platform/WinTypes.h"

#include <QString>

// One header-cell descriptor of a list: a cell spanning extents of two key axes, with its text and
// colours. The list stores and finds them by their (first key, second key) pair; drawing them is up
// to a derived list.
class PADKIT_API CBaseListCtrlHeader {
public:
    CBaseListCtrlHeader();
    CBaseListCtrlHeader(const CBaseListCtrlHeader& other) = default;
    ~CBaseListCtrlHeader() = default;

    virtual CBaseListCtrlHeader& operator=(const CBaseListCtrlHeader& other);

    void Init();
    void Copy(const CBaseListCtrlHeader& other);

    int GetKey1() const { return m_nKey1; }
    int GetExtent1() const { return m_nExtent1; }
    int GetKey2() const { return m_nKey2; }
    int GetExtent2() const { return m_nExtent2; }
    const QString& GetText() const { return m_strText; }
    COLORREF GetTextColor() const { return m_crText; }
    COLORREF GetBackColor() const { return m_crBack; }

    int m_nKey1;
    int m_nExtent1;
    int m_nKey2;
    int m_nExtent2;
    QString m_strText;
    COLORREF m_crText;
    COLORREF m_crBack;
};
