// The base of the editor's document windows (page editor, toolbar designer, variables
// window, additional pages, preview). Each lives inside the main window, holds a
// working copy of its part of the project and is saved when it is closed.
#pragma once

#include "u_MFSInternetProtocol.h"

#include <QWidget>

#include <vector>

class QMdiArea;

class TfrmAbstractMDIChild : public QWidget, public TPageDataClient {
    Q_OBJECT
public:
    explicit TfrmAbstractMDIChild(QWidget* Parent = nullptr);
    ~TfrmAbstractMDIChild() override;

    // Lets the window answer a request of the project protocol. The base does nothing.
    void GetPageData(TMFSInternetProtocol& Sender, std::string& URL, bool& Substitute, bool& Handled,
                     std::string& Data) override;
    // Takes pending edits of the controls into the window's own model. The base does nothing.
    virtual void ApplyChanges();
    // Writes the window's model into the project's stores. The base does nothing.
    virtual void SaveChanges();
    // Closes the window; overrides drop their modified flag first so that the close
    // does not save.
    virtual void CloseWithoutSaving();

protected:
    // Closing by any means saves first; a failed save keeps the window open, so
    // that nothing is lost, and shows the message.
    void closeEvent(QCloseEvent* Event) override;
};

// Where new document windows are shown: the main window's client area. Without one
// a document window is a window of its own.
void SetDocumentWindowHost(QMdiArea* Host);
QMdiArea* DocumentWindowHost();
// Shows a document window in the host (adding it when it is new) and brings it to the front.
void ShowDocumentWindow(TfrmAbstractMDIChild* Window);
// The open document windows in the platform's child order (the order of creation).
std::vector<TfrmAbstractMDIChild*> OpenDocumentWindows();
// The same, as the project protocol's hooks ask for them (TProjectProtocolHooks::OpenWindows).
std::vector<TPageDataClient*> OpenPageDataClients();
