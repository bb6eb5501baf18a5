#pragma once

#include "app/data/GroupData.h"

#include <vector>

// A sound set: the ordered groups, held by value. Index 0 is the first tab.
class CGroupArray {
public:
    int GetSize() const { return static_cast<int>(m_aGroup.size()); }
    bool IsEmpty() const { return m_aGroup.empty(); }

    // Element access; an index outside 0..GetSize()-1 throws std::invalid_argument.
    CGroupData& GetAt(int nIndex);
    const CGroupData& GetAt(int nIndex) const;
    CGroupData& operator[](int nIndex) { return GetAt(nIndex); }
    const CGroupData& operator[](int nIndex) const { return GetAt(nIndex); }

    // Appends a copy; returns its index.
    int Add(const CGroupData& group);
    // Throws std::invalid_argument for an index out of range.
    void RemoveAt(int nIndex);
    void RemoveAll() { m_aGroup.clear(); }
    // Resizes to src's size, then assigns group by group.
    void Copy(const CGroupArray& src);

private:
    std::vector<CGroupData> m_aGroup;
};
