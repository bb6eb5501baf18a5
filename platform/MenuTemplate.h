#pragma once

#include "platform/Message.h"
#include "platform/WinTypes.h"

#include <QKeyCombination>
#include <QString>

#include <functional>
#include <vector>

class QAction;
class QMenuBar;
class QWidget;

namespace platform {

// One item of a menu resource: a command (id > 0), a separator, or a popup with its own items.
// A text may carry "\t" followed by the shortcut shown beside it.
struct MenuItemTemplate {
    QString text;
    UINT id = 0;
    bool separator = false;
    std::vector<MenuItemTemplate> items; // popup when not empty

    static MenuItemTemplate Command(const QString& text, UINT id) { return {text, id, false, {}}; }
    static MenuItemTemplate Separator() { return {QString(), 0, true, {}}; }
    static MenuItemTemplate Popup(const QString& text, std::vector<MenuItemTemplate> items) {
        return {text, 0, false, std::move(items)};
    }
};

struct MenuTemplate {
    int id = 0;
    std::vector<MenuItemTemplate> popups;
    // The translation context of the item texts; nullptr: shown as written.
    const char* trContext = nullptr;
};

// Builds the menu bar of a menu resource, its texts translated. Choosing an item calls onCommand with its id.
// UI thread.
QMenuBar* BuildMenuBar(const MenuTemplate& tmpl, QWidget* parent, std::function<void(UINT id)> onCommand);

// A key that reached the window another way than through its own key events (the system-wide
// capture): the item whose shortcut it is is chosen, or Alt with a menu's underlined letter opens that
// menu. False when the key is neither. UI thread.
bool HandleMenuKey(QMenuBar* bar, QKeyCombination key);

// The action of a command id anywhere in the bar, or nullptr.
QAction* FindMenuCommand(const QMenuBar* bar, UINT id);

} // namespace platform
