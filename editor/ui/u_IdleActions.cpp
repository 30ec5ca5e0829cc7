#include "u_IdleActions.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QThread>

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
