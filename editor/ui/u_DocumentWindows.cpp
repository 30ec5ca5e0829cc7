#include "u_DocumentWindows.h"

#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QWidget>

TDocumentActivation::TDocumentActivation(QWidget* Window, std::function<void(bool)> Changed)
    : QObject(Window), FWindow(Window), FChanged(std::move(Changed)) {
    Window->installEventFilter(this);
}

bool TDocumentActivation::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == FWindow) {
        if (Event->type() == QEvent::Show || Event->type() == QEvent::ParentChange)
            AttachHost();
        else if (Event->type() == QEvent::ActivationChange && !FFrame)
            Report(FWindow->isActiveWindow());
    }
    return QObject::eventFilter(Watched, Event);
}

void TDocumentActivation::AttachHost() {
    auto* frame = qobject_cast<QMdiSubWindow*>(FWindow->parentWidget());
    if (!frame || frame == FFrame || !frame->mdiArea())
        return;
    FFrame = frame;
    connect(frame->mdiArea(), &QMdiArea::subWindowActivated, this,
            [this](QMdiSubWindow* Window) { Report(Window && Window == FFrame); });
    if (frame->mdiArea()->activeSubWindow() == frame)
        Report(true);
}

void TDocumentActivation::Report(bool Active) {
    if (Active == FActive)
        return;
    FActive = Active;
    if (FChanged)
        FChanged(Active);
}
