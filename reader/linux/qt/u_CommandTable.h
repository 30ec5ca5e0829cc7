// The window's commands: one QAction per command with its caption, shortcut and one
// enabling rule. The rules are evaluated together in one pass whenever the event
// loop is about to wait (at most once per turn of the loop), never in handlers.
#pragma once

#include <QObject>

#include <functional>
#include <vector>

class QAction;

class TCommandTable : public QObject {
    Q_OBJECT
public:
    explicit TCommandTable(QObject* Parent);

    // Registers an action with its enabling rule (none: always enabled).
    QAction* Add(QAction* Action, std::function<bool()> Enabled = nullptr);
    // The one pass over every rule.
    void Update();

private:
    struct TEntry {
        QAction* Action;
        std::function<bool()> Enabled;
    };
    std::vector<TEntry> FEntries;
    bool FDue = true;
};
