#pragma once

#include "padkit/PadkitExport.h"

#include <QString>

// One field of a line of separated values. Fields count from 1; a field may be enclosed in double
// quotes to hold the separator. Quotes inside a field are kept as they are.

// The field's content, or "" when the line has no such field or the field's quotes are
// unbalanced. nTrim == 1 trims blanks at both ends after the quotes were dropped.
PADKIT_API QString PADKIT_GetCSVData(const QString& strLine, int nField, short nTrim, char cSep);

// Replaces field nField, or appends separators and the value when the line has fewer fields.
// A value holding the separator is stored in double quotes. Integers are written with "%d",
// doubles with "%f" (always a point). Return 1.
PADKIT_API int PADKIT_SetCSVData(QString& strLine, int nField, const QString& strValue, char cSep);
PADKIT_API int PADKIT_SetCSVData(QString& strLine, int nField, int nValue, char cSep);
PADKIT_API int PADKIT_SetCSVData(QString& strLine, int nField, double dValue, char cSep);
