#pragma once

#include "padkit/PadkitExport.h"

class QWidget;

// Window pointers that several modules of the program reach without knowing each other.
// None of them is owned here.
class PADKIT_API COM {
public:
    COM() = default;
    ~COM() = default;
    COM(const COM&) = default;
    COM& operator=(const COM& other);

    QWidget** Get_pwndMain() { return &m_pwndMain; }
    QWidget** Get_pwndCView() { return &m_pwndCView; }
    QWidget** Get_pwndStBar() { return &m_pwndStBar; }

private:
    QWidget* m_pwndMain = nullptr;
    QWidget* m_pwndCView = nullptr;
    QWidget* m_pwndStBar = nullptr;
};
