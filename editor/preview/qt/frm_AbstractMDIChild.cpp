#include "frm_AbstractMDIChild.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPointer>

#include <algorithm>

namespace {

QPointer<QMdiArea>& Host() {
    static QPointer<QMdiArea> host;
    return host;
}

// Every document window in the order of creation, hosted or not.
std::vector<TfrmAbstractMDIChild*>& AllWindows() {
    static std::vector<TfrmAbstractMDIChild*> windows;
    return windows;
}

} // namespace

TfrmAbstractMDIChild::TfrmAbstractMDIChild(QWidget* Parent) : QWidget(Parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    AllWindows().push_back(this);
}

TfrmAbstractMDIChild::~TfrmAbstractMDIChild() {
    auto& windows = AllWindows();
    windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
}

void TfrmAbstractMDIChild::GetPageData(TMFSInternetProtocol&, std::string&, bool&, bool&, std::string&) {}

void TfrmAbstractMDIChild::ApplyChanges() {}

void TfrmAbstractMDIChild::SaveChanges() {}

void TfrmAbstractMDIChild::CloseWithoutSaving() {
    // Inside a host the sub-window frame is closed, which closes this widget.
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
        frame->close();
    else
        close();
}

void TfrmAbstractMDIChild::closeEvent(QCloseEvent* Event) {
    try {
        SaveChanges();
    } catch (const std::exception& e) {
        Event->ignore();
        QMessageBox::critical(this, QApplication::applicationName(), QString::fromUtf8(e.what()));
        return;
    }
    Event->accept();
    // A closed window answers no more requests, even before it is freed.
    auto& windows = AllWindows();
    windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
}

void SetDocumentWindowHost(QMdiArea* Host_) {
    Host() = Host_;
}

QMdiArea* DocumentWindowHost() {
    return Host();
}

void ShowDocumentWindow(TfrmAbstractMDIChild* Window) {
    if (QMdiArea* host = Host()) {
        auto* frame = qobject_cast<QMdiSubWindow*>(Window->parentWidget());
        const bool added = !frame;
        // A new frame takes its size from the window's size hint; a window that was
        // given its size keeps it, the frame's border and title bar around it.
        const QSize given = Window->testAttribute(Qt::WA_Resized) ? Window->size() : QSize();
        if (added) {
            frame = host->addSubWindow(Window);
            frame->setAttribute(Qt::WA_DeleteOnClose);
            if (given.isValid()) {
                // Sized before it is shown, so that the area places it at its real size.
                frame->ensurePolished();
                QSize wanted = given.grownBy(frame->contentsMargins());
                // Never larger than the area it opens in (when the area is on screen),
                // so that its title bar and borders stay within reach.
                const QSize area = host->viewport()->size();
                if (host->isVisible() && area.width() >= 200 && area.height() >= 150)
                    wanted = wanted.boundedTo(area);
                frame->resize(wanted);
            }
        }
        frame->show();
        Window->show();
        if (added && host->isVisible()) {
            // The area places a new window by its own rule; one that would stick out
            // is moved back in (a large window to the top left corner).
            const QSize area = host->viewport()->size();
            const QPoint at(std::max(0, std::min(frame->x(), area.width() - frame->width())),
                            std::max(0, std::min(frame->y(), area.height() - frame->height())));
            if (at != frame->pos())
                frame->move(at);
        }
        host->setActiveSubWindow(frame);
        return;
    }
    Window->show();
    Window->raise();
    Window->activateWindow();
}

std::vector<TfrmAbstractMDIChild*> OpenDocumentWindows() {
    return AllWindows();
}

std::vector<TPageDataClient*> OpenPageDataClients() {
    const std::vector<TfrmAbstractMDIChild*>& windows = AllWindows();
    return std::vector<TPageDataClient*>(windows.begin(), windows.end());
}
