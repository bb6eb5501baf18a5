#pragma once

#include "app/res/Resource.h"
#include "platform/DialogTemplate.h"
#include "platform/MenuTemplate.h"

#include <QIcon>
#include <QImage>
#include <QString>

// The program's resource data, looked up by id as the windows load it.

// The dialog resource with this id, or nullptr.
const platform::DialogTemplate* FindDialogResource(int id);
// The same for the editing dialogs (channel, groups, options and its pages) alone.
const platform::DialogTemplate* FindEditDialogResource(int id);

// The menu resource with this id, or nullptr.
const platform::MenuTemplate* FindMenuResource(int id);

// The string resource with this id; "" when there is none.
QString LoadResString(UINT id);

// Icon resource IDR_MAINFRAME, drawn at the sizes a window manager asks for. Needs a GUI application.
QIcon LoadAppIcon();

// The same icon as a size x size image; needs no application object.
QImage AppIconImage(int size);
