#include "platform/MenuTemplate.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace platform {

namespace {

constexpr const char* kCommandProperty = "menuCommandId";

void AddItems(QMenu* menu, const std::vector<MenuItemTemplate>& items,
              const std::function<void(UINT)>& onCommand) {
    for (const MenuItemTemplate& item : items) {
        if (item.separator) {
            menu->addSeparator();
        } else if (!item.items.empty()) {
            AddItems(menu->addMenu(item.text), item.items, onCommand);
        } else {
            QAction* action = menu->addAction(item.text);
            action->setProperty(kCommandProperty, item.id);
            const UINT id = item.id;
            QObject::connect(action, &QAction::triggered, menu, [onCommand, id] {
                if (onCommand)
                    onCommand(id);
            });
        }
    }
}

} // namespace

QMenuBar* BuildMenuBar(const MenuTemplate& tmpl, QWidget* parent, std::function<void(UINT id)> onCommand) {
    auto* bar = new QMenuBar(parent);
    for (const MenuItemTemplate& popup : tmpl.popups)
        AddItems(bar->addMenu(popup.text), popup.items, onCommand);
    return bar;
}

QAction* FindMenuCommand(const QMenuBar* bar, UINT id) {
    if (!bar)
        return nullptr;
    const auto actions = bar->findChildren<QAction*>();
    for (QAction* a : actions) {
        const QVariant v = a->property(kCommandProperty);
        if (v.isValid() && v.toUInt() == id)
            return a;
    }
    return nullptr;
}

} // namespace platform
