#include "playkit/AdxShow.h"

CAdxShow::CAdxShow() = default;
CAdxShow::~CAdxShow() = default;
