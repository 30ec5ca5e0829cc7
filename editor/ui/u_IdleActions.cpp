#include "u_IdleActions.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QThread>
#include <QToolBar>

TIdleActionList::TIdleActionList(QObject* Parent) : QObject(Parent) {
    // aboutToBlock comes once per turn of the loop, just before it waits: one pass there.
    if (auto* dispatcher = QAbstractEventDispatcher::instance(QThread::currentThread()))
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TIdleActionList::Update);
}

void TIdleActionList::Add(QAction* Action, std::function<bool()> Enabled) {
    FActions.emplace_back(Action, std::move(Enabled));
}

void TIdleActionList::Update() {
    for (const auto& [action, enabled] : FActions) {
        const bool value = enabled();
        if (action->isEnabled() != value)
            action->setEnabled(value);
    }
}

QAction* AddToolCommand(QToolBar* Bar, const char* Name, const QString& IconFile, const char* Caption,
                        const char* Hint) {
    QObject* owner = Bar->window() ? static_cast<QObject*>(Bar->window()) : Bar;
    auto* action = new QAction(QIcon(IconFile), QString::fromLatin1(Caption), owner);
    action->setObjectName(QLatin1String(Name));
    action->setToolTip(QString::fromLatin1(Hint));
    Bar->addAction(action);
    QWidget* button = Bar->widgetForAction(action);
    button->setObjectName(QLatin1String(Name));
    button->setAccessibleName(QString::fromLatin1(Caption));
    return action;
}
