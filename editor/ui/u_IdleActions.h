// The enabling of a window's commands: each QAction has one predicate, and all of them
// are evaluated in one pass when the event loop is about to wait for events (the
// user interface is idle), at most once per turn of the loop.
#pragma once

#include <QObject>

#include <functional>
#include <utility>
#include <vector>

class QAction;

class TIdleActionList : public QObject {
    Q_OBJECT
public:
    explicit TIdleActionList(QObject* Parent = nullptr);

    // Registers a command with its enabling predicate.
    void Add(QAction* Action, std::function<bool()> Enabled);
    // Evaluates every predicate now (the idle pass, also callable directly).
    void Update();

private:
    std::vector<std::pair<QAction*, std::function<bool()>>> FActions;
};
