#pragma once

#include "playkit/PlaykitExport.h"

class PLAYKIT_API CAdxShow {
public:
    CAdxShow();
    ~CAdxShow();
};
