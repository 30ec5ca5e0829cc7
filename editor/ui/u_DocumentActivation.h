// Tells a document window when it becomes or stops being the active window: inside
// the main window's client area by the area's sub-window activation, as a window of
// its own by its activation state.
#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

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
