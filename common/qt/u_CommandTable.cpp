#include "u_CommandTable.h"

#include "u_Exception.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QIcon>
#include <QMessageBox>
#include <QWidget>

namespace {

bool PlainGuard(QWidget* Parent, const std::function<void()>& Command) {
    try {
        Command();
        return true;
    } catch (const EAbort&) {
    } catch (const std::exception& e) {
        QMessageBox::critical(Parent, QStringLiteral("Error"), QString::fromStdString(e.what()));
    }
    return false;
}

TCommandTable::TGuard GGuard = PlainGuard;

} // namespace

void TCommandTable::SetGuard(TGuard Guard) {
    GGuard = Guard ? Guard : PlainGuard;
}

TCommandTable::TCommandTable(QObject* Parent) : QObject(Parent) {
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(thread()))
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TCommandTable::Idle);
}

TCommandTable::~TCommandTable() = default;

QAction* TCommandTable::Add(QAction* Action, TCommandPredicate Enabled, TCommandPredicate Checked,
                            TCommandPredicate Visible) {
    FCommands.push_back({Action, std::move(Enabled), std::move(Checked), std::move(Visible)});
    return Action;
}

QAction* TCommandTable::Connect(QAction* Action, QWidget* Parent, std::function<void()> Command) {
    connect(Action, &QAction::triggered, this,
            [this, Parent, Command = std::move(Command)] { Execute(Parent, Command); });
    return Action;
}

void TCommandTable::AddUpdate(std::function<void()> Update) {
    FUpdates.push_back(std::move(Update));
}

void TCommandTable::Idle() {
    if (FRunning == 0)
        Update();
}

void TCommandTable::Update() {
    // A pass that shows or hides widgets may post events and wake the loop: a nested
    // request during the pass is dropped, the next turn evaluates again anyway.
    if (FInPass)
        return;
    FInPass = true;
    ++FPasses;
    for (const TCommand& command : FCommands) {
        if (command.Visible) {
            const bool visible = command.Visible();
            if (command.Action->isVisible() != visible)
                command.Action->setVisible(visible);
        }
        const bool enabled = !command.Enabled || command.Enabled();
        if (command.Action->isEnabled() != enabled)
            command.Action->setEnabled(enabled);
        if (command.Checked) {
            const bool checked = command.Checked();
            if (command.Action->isChecked() != checked)
                command.Action->setChecked(checked);
        }
    }
    for (const auto& update : FUpdates)
        update();
    FInPass = false;
}

void TCommandTable::Run(const std::function<void()>& Command) {
    ++FRunning;
    try {
        Command();
    } catch (...) {
        --FRunning;
        throw;
    }
    --FRunning;
    if (FRunning == 0)
        Update();
}

bool TCommandTable::Execute(QWidget* Parent, const std::function<void()>& Command) {
    bool ranThrough = false;
    Run([&] { ranThrough = GGuard(Parent, Command); });
    return ranThrough;
}

bool TCommandTable::Execute(QWidget* Parent, const std::function<void()>& Command,
                            const std::function<void()>& Afterwards) {
    return Execute(Parent, [&] {
        try {
            Command();
        } catch (...) {
            Afterwards();
            throw;
        }
        Afterwards();
    });
}

QAction* MakeAction(QObject* Owner, const char* Name, const QString& Caption, const QString& Icon,
                    const QKeySequence& Shortcut) {
    auto* action = new QAction(Caption, Owner);
    action->setObjectName(QString::fromLatin1(Name));
    if (!Icon.isEmpty())
        action->setIcon(QIcon(QStringLiteral(":/icons/") + Icon));
    if (!Shortcut.isEmpty())
        action->setShortcut(Shortcut);
    return action;
}

QAction* SetActionHint(QAction* Action, const QString& Hint) {
    Action->setToolTip(Hint);
    Action->setStatusTip(Hint);
    return Action;
}

