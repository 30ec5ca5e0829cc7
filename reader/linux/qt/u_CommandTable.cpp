#include "u_CommandTable.h"

#include <QAbstractEventDispatcher>
#include <QAction>

TCommandTable::TCommandTable(QObject* Parent) : QObject(Parent) {
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        // Woken: something may have changed; about to wait: one pass if it did.
        connect(dispatcher, &QAbstractEventDispatcher::awake, this, [this] { FDue = true; });
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
            if (FDue) {
                FDue = false;
                Update();
            }
        });
    }
}

QAction* TCommandTable::Add(QAction* Action, std::function<bool()> Enabled) {
    FEntries.push_back({Action, std::move(Enabled)});
    return Action;
}

void TCommandTable::Update() {
    for (const TEntry& entry : FEntries)
        if (entry.Enabled)
            entry.Action->setEnabled(entry.Enabled());
}
