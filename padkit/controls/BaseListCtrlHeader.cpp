#include "padkit/controls/BaseListCtrlHeader.h"

#include "padkit/controls/SysColor.h"

CBaseListCtrlHeader::CBaseListCtrlHeader() {
    Init();
}

CBaseListCtrlHeader& CBaseListCtrlHeader::operator=(const CBaseListCtrlHeader& other) {
    if (this != &other)
        Copy(other);
    return *this;
}

void CBaseListCtrlHeader::Init() {
    m_nKey1 = 0;
    m_nExtent1 = 1;
    m_nKey2 = 0;
    m_nExtent2 = 1;
    m_strText.clear();
    m_crText = padkit::GetSysColorRef(padkit::SysColor::BtnText);
    m_crBack = padkit::GetSysColorRef(padkit::SysColor::BtnFace);
}

void CBaseListCtrlHeader::Copy(const CBaseListCtrlHeader& other) {
    Init();
    m_nKey1 = other.m_nKey1;
    m_nExtent1 = other.m_nExtent1;
    m_nKey2 = other.m_nKey2;
    m_nExtent2 = other.m_nExtent2;
    m_strText = other.m_strText;
    m_crText = other.m_crText;
    m_crBack = other.m_crBack;
}
