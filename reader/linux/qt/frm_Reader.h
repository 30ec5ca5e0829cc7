// The reader's window: the book's page view with the book's own toolbar (from
// "ToolButtons.xml" and the toolbar options), menus with every command and its
// shortcut, a contents panel built from the story that can be shown or hidden, and
// the book's forms in windows of their own. What a link means, the story walk, the
// history and the search are the reading session's; the window shows the result.
#pragma once

#include "u_ReaderSession.h"

#include <QMainWindow>
#include <QPointer>
#include <QUrl>

#include <map>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QDockWidget;
class QMenu;
class QPrinter;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QWebEngineProfile;
class TBookView;
class TCommandTable;
class TfrmReaderForm;
struct TToolbarBookmark;
struct TToolbarButton;

class TfrmReader : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmReader(TReaderSession& Session, QWidget* Parent = nullptr);
    ~TfrmReader() override;

    // Shows the first page: the one last read when the settings know it, else the
    // story's first page.
    void Start();
    // Follows a link or book address as a click in the page would.
    void FollowLink(const std::string& Link);
    // Opens a link in a window of its own (a bookmark or link asking for one).
    void FollowLinkInNewWindow(const std::string& Link);
    // Opens an additional page entry in its form window (brought to the front when open).
    TfrmReaderForm* ShowForm(const TReaderForm& Form);

    TReaderSession& Session() const { return FSession; }
    TBookView* View() const { return wbBook; }
    QTreeWidget* ContentsTree() const { return tvContents; }
    QDockWidget* ContentsPanel() const { return dckContents; }
    QToolBar* BookToolBar() const { return tbBook; }
    // The form windows open now.
    std::vector<TfrmReaderForm*> OpenForms() const;
    // The pass over the enabling rules (run by itself when the loop goes idle).
    void UpdateCommands();

    // Commands.
    QAction *actBack, *actForward, *actHome, *actFirst, *actPrior, *actNext, *actLast, *actPriorChapter,
        *actNextChapter, *actSearch, *actPrint, *actPrintPdf, *actCopy, *actSelectAll, *actRefresh, *actAbout,
        *actExit, *actContents, *actLarger, *actSmaller;
    QAction* actFontSize[5];

signals:
    // After each page the view loaded, with its success.
    void PageShown(bool Ok);
    // The window was closed (the reader is done with the book).
    void Closed();

protected:
    // What the window asks of the reader and of the desktop; tests answer these.
    virtual bool AskPassword(const QString& Message, bool AskUser, QString& User, QString& Password);
    virtual QString AskSearchText(const QString& Initial);
    virtual void OpenExternal(const QUrl& Url);
    virtual void ShowMessage(const QString& Text);
    virtual bool RunPrintDialog(QPrinter& Printer);
    virtual QString ChoosePdfFile();

    void closeEvent(QCloseEvent* Event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateContents();
    void ApplyWindowOptions();
    // A button's caption: its own with variables expanded, else its kind's.
    QString ButtonCaption(const TToolbarButton& Button) const;
    // A menu entry that follows the bookmark (in a window of its own when it asks for one).
    QAction* AddBookmark(QMenu* Menu, const TToolbarBookmark& Bookmark);
    QToolButton* AddToolButton(const TToolbarButton& Button, QAction* Action);
    QAction* KindAction(int Kind) const;
    void ShowAddress(const std::string& Address, bool AddToHistory = true);
    void StoryCommand(TStoryCommand Command);
    void FollowLinkIn(TfrmReaderForm& Form, const QUrl& Url);
    // A form window showing Address, its links followed by this window.
    TfrmReaderForm* OpenFormWindow(const TReaderForm& Form, const QString& Caption, const std::string& Address);
    bool UnlockGuarded();
    void PageLoaded(bool Ok);
    void HighlightHits();
    void SyncContents();
    void ShowContextMenu(const QPoint& Position);
    void SetFontSize(int Index);
    void actSearchExecute();
    void actPrintExecute();
    void actPrintPdfExecute();
    void actAboutExecute();
    void SaveSettings();

    TReaderSession& FSession;
    TReaderBook& FBook;
    QWebEngineProfile* FProfile;
    TBookView* wbBook;
    QToolBar* tbBook = nullptr;
    QDockWidget* dckContents;
    QTreeWidget* tvContents;
    TCommandTable* FCommands;
    std::vector<QTreeWidgetItem*> FPageItems; // by story index
    std::map<std::string, QPointer<TfrmReaderForm>> FForms; // by form path, case-blind key
    std::vector<QPointer<TfrmReaderForm>> FPageWindows;
    std::unique_ptr<QPrinter> FPrinter;
    bool FPrinting = false;
    QString FLastSearch;
    std::string FLastPage; // of the book's settings, read with the window
    bool FClosed = false;
};
