#include "padkit/util/Com.h"

COM& COM::operator=(const COM& other) {
    m_pwndMain = other.m_pwndMain;
    m_pwndCView = other.m_pwndCView;
    m_pwndStBar = other.m_pwndStBar;
    return *this;
}
