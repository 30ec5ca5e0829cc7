// What the document windows share: opening the one window of a class (or of a class
// and a page), their entries in the window table, and telling a window when it
// becomes or stops being the active window.
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

// The first open document window of class T for which Match (const T&) holds,
// brought to the front, or a new one from Create (which loads it; a failure frees it
// and passes the error on) shown.
template <class T, class M, class F>
T* ShowMatchingDocumentWindow(const M& Match, const F& Create) {
    T* window = nullptr;
    for (TfrmAbstractMDIChild* open : OpenDocumentWindows())
        if (auto* found = dynamic_cast<T*>(open); found && Match(static_cast<const T&>(*found))) {
            window = found;
            break;
        }
    if (!window) {
        std::unique_ptr<T> fresh = Create();
        window = fresh.release();
    }
    ShowDocumentWindow(window);
    return window;
}

// The open document window of class T (at most one is open) brought to the front, or
// a new one from Create shown.
template <class T, class F>
T* ShowSingleDocumentWindow(const F& Create) {
    return ShowMatchingDocumentWindow<T>([](const T&) { return true; }, Create);
}

// A window table entry over a Show function (Main and the entry's further arguments
// A): a failure is shown over the main window and gives no window.
template <class... A, class F>
std::function<TfrmAbstractMDIChild*(IEditorMain&, A...)> GuardedWindowOpener(F Show) {
    return [Show](IEditorMain& Main, A... Arguments) -> TfrmAbstractMDIChild* {
        TfrmAbstractMDIChild* window = nullptr;
        Guarded(Main.MainWidget(), [&] { window = Show(Main, Arguments...); });
        return window;
    };
}
