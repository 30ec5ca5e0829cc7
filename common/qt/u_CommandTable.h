// The command list of a window, shared by every Qt program of the kit: every command
// is one QAction with its caption and shortcut and one enabling predicate (optionally
// also a checked and a visible predicate). All predicates are evaluated in one pass when
// the event loop is about to wait for events (QAbstractEventDispatcher::aboutToBlock),
// never from the handlers themselves; a pass runs at most once per loop turn and not
// while a command runs. Every window keeps its commands in a table of its own.
#pragma once

#include <QKeySequence>
#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class QAction;
class QWidget;

using TCommandPredicate = std::function<bool()>;

class TCommandTable : public QObject {
    Q_OBJECT
public:
    explicit TCommandTable(QObject* Parent = nullptr);
    ~TCommandTable() override;

    // Adds a command; Enabled may be empty (always enabled). Returns the action.
    QAction* Add(QAction* Action, TCommandPredicate Enabled, TCommandPredicate Checked = {},
                 TCommandPredicate Visible = {});
    // Triggering Action runs Command through Execute, its failures shown over Parent.
    QAction* Connect(QAction* Action, QWidget* Parent, std::function<void()> Command);
    // Something else the idle pass keeps current (panel visibility, menus).
    void AddUpdate(std::function<void()> Update);

    // One pass over every command.
    void Update();
    // The passes run so far (tests, benchmarks).
    int Passes() const noexcept { return FPasses; }
    // The number of commands.
    int Count() const noexcept { return static_cast<int>(FCommands.size()); }

    // Runs Command with the idle pass held back (nested event loops of its dialogs do
    // not evaluate predicates over a half-changed project); the pass runs once after.
    void Run(const std::function<void()>& Command);
    bool Running() const noexcept { return FRunning > 0; }
    // Run with the program's error handling (the guard): a silent abort ends Command
    // quietly, any other failure is shown in the error dialog over Parent. True when it
    // ran through.
    bool Execute(QWidget* Parent, const std::function<void()>& Command);
    // The same, with Afterwards run when Command ends, also when it failed (before the
    // failure is shown): the window shows what the command got done.
    bool Execute(QWidget* Parent, const std::function<void()>& Command, const std::function<void()>& Afterwards);

    // How Execute runs a command and shows its failure. The program sets its own (the
    // editor its error dialog); the first one is a plain message box.
    using TGuard = bool (*)(QWidget* Parent, const std::function<void()>& Command);
    static void SetGuard(TGuard Guard);

private:
    struct TCommand {
        QAction* Action;
        TCommandPredicate Enabled, Checked, Visible;
    };
    void Idle();

    std::vector<TCommand> FCommands;
    std::vector<std::function<void()>> FUpdates;
    int FPasses = 0;
    int FRunning = 0;
    bool FInPass = false;
};

// A new action named Name (its objectName) with its caption (which also names the
// buttons and menu entries made from it), the picture ":/icons/" + Icon when given,
// and a shortcut.
QAction* MakeAction(QObject* Owner, const char* Name, const QString& Caption, const QString& Icon = {},
                    const QKeySequence& Shortcut = {});

// The action's hint: its tool tip, also shown in the status bar.
QAction* SetActionHint(QAction* Action, const QString& Hint);
