// The enabling of a window's commands: each QAction has one predicate, and all of them
// are evaluated in one pass when the event loop is about to wait for events (the
// user interface is idle), at most once per turn of the loop.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <utility>
#include <vector>

class QAction;
class QToolBar;

// A new command on a tool bar, owned by the bar's window: objectName Name on the action
// and its button, the picture IconFile, Caption as its text and the button's accessible
// name, Hint as its tool tip.
QAction* AddToolCommand(QToolBar* Bar, const char* Name, const QString& IconFile, const char* Caption,
                        const char* Hint);

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
