// What the single-instance document windows share: opening the one window of a
// class, and telling a window when it becomes or stops being the active window.
#pragma once

#include "u_Dialogs.h"
#include "u_EditorServices.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QMdiSubWindow;
class QWidget;

class TDocumentActivation : public QObject {
    Q_OBJECT
public:
    // Watches Window (and owns itself through it); Changed gets the new state.
    TDocumentActivation(QWidget* Window, std::function<void(bool Active)> Changed);

    bool Active() const noexcept { return FActive; }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void AttachHost();
    void Report(bool Active);

    QWidget* FWindow;
    std::function<void(bool)> FChanged;
    QPointer<QMdiSubWindow> FFrame;
    bool FActive = false;
};

// The open document window of class T brought to the front, or a new one from Create
// (which loads it; a failure frees it and passes the error on) shown.
template <class T, class F>
T* ShowSingleDocumentWindow(F Create) {
    T* window = FindChildWindow<T>();
    if (!window) {
        std::unique_ptr<T> fresh = Create();
        window = fresh.release();
    }
    ShowDocumentWindow(window);
    return window;
}

// A window table entry over a Show function: a failure is shown and gives no window.
template <class F>
std::function<TfrmAbstractMDIChild*(IEditorMain&)> GuardedWindowOpener(F Show) {
    return [Show](IEditorMain& Main) -> TfrmAbstractMDIChild* {
        TfrmAbstractMDIChild* window = nullptr;
        Guarded(Main.MainWidget(), [&] { window = Show(Main); });
        return window;
    };
}
