#include "app/data/GroupArray.h"

#include <stdexcept>
#include <string>

namespace {

void CheckIndex(int nIndex, int nSize) {
    if (nIndex < 0 || nIndex >= nSize)
        throw std::invalid_argument("group index " + std::to_string(nIndex) + " outside 0.." +
                                    std::to_string(nSize - 1));
}

} // namespace

CGroupData& CGroupArray::GetAt(int nIndex) {
    CheckIndex(nIndex, GetSize());
    return m_aGroup[static_cast<size_t>(nIndex)];
}

const CGroupData& CGroupArray::GetAt(int nIndex) const {
    CheckIndex(nIndex, GetSize());
    return m_aGroup[static_cast<size_t>(nIndex)];
}

int CGroupArray::Add(const CGroupData& group) {
    m_aGroup.push_back(group);
    return GetSize() - 1;
}

void CGroupArray::RemoveAt(int nIndex) {
    CheckIndex(nIndex, GetSize());
    m_aGroup.erase(m_aGroup.begin() + nIndex);
}

void CGroupArray::Copy(const CGroupArray& src) {
    if (this == &src)
        return;
    m_aGroup.resize(src.m_aGroup.size());
    for (size_t i = 0; i < src.m_aGroup.size(); ++i)
        m_aGroup[i] = src.m_aGroup[i];
}
