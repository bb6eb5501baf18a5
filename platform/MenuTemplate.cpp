#include "platform/MenuTemplate.h"

#include "platform/DialogTemplate.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace platform {

namespace {

constexpr const char* kCommandProperty = "menuCommandId";

void AddItems(QMenu* menu, const std::vector<MenuItemTemplate>& items, const char* context,
              const std::function<void(UINT)>& onCommand) {
    for (const MenuItemTemplate& item : items) {
        const QString text = TranslatedText(context, item.text);
        if (item.separator) {
            menu->addSeparator();
        } else if (!item.items.empty()) {
            AddItems(menu->addMenu(text), item.items, context, onCommand);
        } else {
            QAction* action = menu->addAction(text);
            action->setProperty(kCommandProperty, item.id);
            // The shortcut shown beside the item works too (in the window that holds the bar); it is the
            // source's, whatever the translation shows.
            if (const QString keys = item.text.section(QLatin1Char('\t'), 1); !keys.isEmpty()) {
                action->setShortcut(QKeySequence::fromString(keys, QKeySequence::PortableText));
                action->setShortcutContext(Qt::WindowShortcut);
            }
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
        AddItems(bar->addMenu(TranslatedText(tmpl.trContext, popup.text)), popup.items, tmpl.trContext,
                 onCommand);
    return bar;
}

bool HandleMenuKey(QMenuBar* bar, QKeyCombination key) {
    if (!bar)
        return false;
    const QKeySequence sequence(key);
    const auto actions = bar->findChildren<QAction*>();
    for (QAction* a : actions) {
        if (!a->shortcut().isEmpty() && a->shortcut() == sequence && a->isEnabled()) {
            a->trigger();
            return true;
        }
    }
    // Alt and the underlined letter of a menu opens it.
    if (key.keyboardModifiers() != Qt::AltModifier || key.key() < Qt::Key_A || key.key() > Qt::Key_Z)
        return false;
    const QChar letter(static_cast<char16_t>(key.key()));
    for (QAction* a : bar->actions()) {
        const QString text = a->text();
        const qsizetype amp = text.indexOf(QLatin1Char('&'));
        if (a->menu() && a->isEnabled() && amp >= 0 && amp + 1 < text.size() &&
            text.at(amp + 1).toUpper() == letter) {
            bar->setActiveAction(a);
            return true;
        }
    }
    return false;
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
