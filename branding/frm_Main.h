// The window of Inkstamp: open a compiled book, show its file name, title, icon and
// brandable variables, type new values, load a new icon, write both back and start the
// book.
#pragma once

#include "u_Branding.h"

#include <QIcon>
#include <QLabel>
#include <QWidget>
#include <optional>
#include <string>

class QFileDialog;
class QMenu;
class QAction;
class QPushButton;
class QLineEdit;
class QSplitter;
class QTableWidget;
class QTextEdit;

// The icon box: double click and context menu.
class TIconImage : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

class TfrmMain : public QWidget {
    Q_OBJECT
public:
    // Where the window keeps its layout.
    static constexpr const char* LayoutKey = "Software\\Brevant\\Quarvel\\Branding";

    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Opens a book into the window; any failure leaves no book open and goes on.
    void OpenModule(const std::string& FileName);
    void CloseModule();
    // OpenModule for a book named when the program starts; failures go to the error dialog.
    void OpenBookFromCommandLine(const std::string& FileName);
    // The variables file text for the values now in the grid.
    std::string BuildVariablesXml() const;

    // Handlers; each shows a failure in the error dialog instead of passing it on.
    void btnOpenClick();
    void btnCloseModuleClick();
    // Writes the book back; with a sender (a click) asks whether to run the book.
    void btnUpdateClick(QObject* Sender);
    void btnViewEbookClick();
    void mnuLoadIconClick();
    void imgIconDblClick();
    void mnuResetIconClick();

    bool Loaded() const { return FBook.Loaded(); }
    TBrandingBook& Book() { return FBook; }
    bool HasNewIcon() const { return FNewIcon.has_value(); }
    // The rows as now typed into the grid.
    std::vector<TBrandingRow> GridRows() const;
    // Types a value into the grid row of that name; false when there is no such row.
    bool SetGridValue(const std::string& Name, const std::string& Value);

    // Controls, named as in the window's design.
    QPushButton* btnOpen = nullptr;
    QPushButton* btnCloseModule = nullptr;
    QPushButton* btnUpdate = nullptr;
    QPushButton* btnViewEbook = nullptr;
    QLineEdit* edtName = nullptr;
    QLineEdit* edtTitle = nullptr;
    TIconImage* imgIcon = nullptr;
    QMenu* popIcon = nullptr;
    QAction* mnuLoadIcon = nullptr;
    QAction* mnuResetIcon = nullptr;
    QTableWidget* vleVariables = nullptr;
    QTextEdit* edtHelp = nullptr;
    QSplitter* splHelp = nullptr;
    QFileDialog* dlgOpen = nullptr;
    QFileDialog* dlgOpenPicture = nullptr;

protected:
    // The interaction points, overridden by tests.
    // The book to open, or empty when the user cancelled.
    virtual std::string ChooseBookFile();
    // The icon file to load, or empty when the user cancelled.
    virtual std::string ChooseIconFile();
    // "eBook successfully branded. Would you like to run it?"; true for OK.
    virtual bool ConfirmRunBook();
    virtual void ShowError(const std::string& Message);
    // Starts a book program: the native reader of the program folder when there is one,
    // else whatever the desktop opens the file with.
    virtual void StartBook(const std::string& FileName);

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    template <typename Action>
    void Guarded(Action action);
    void ShowIcon(const QIcon& icon);
    void SetBookControlsEnabled(bool enabled);
    void FillGrid(const std::vector<TBrandingRow>& rows);

    TBrandingBook FBook;
    QIcon FBookIcon;                     // the book's own icon, for Reset
    std::optional<std::string> FNewIcon; // icon file bytes loaded by the user
    bool FLayoutRestored = false;
};

// Builds a displayable icon from icon file bytes (empty icon when they are not one).
QIcon IconFromData(const std::string& Data);
