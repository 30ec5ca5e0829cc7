// The tip-of-the-day window: the pages of the program folder's "Tips" folder, one at a
// time, with Previous and Next, and the choice when the editor shows it at start-up.
// The tip shown last and the start-up choice are kept under the editor's settings key.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QPointer>
#include <QPushButton>

#include <string>
#include <vector>

class TMXWebBrowser;

// The editor's settings key, where the tips keep "LastTip" and "TipsStartupAction"
// and the about box finds the installed "AboutText", "E-Mail" and "WWW".
extern const char* const SEditorSettingsKey;

// True for a name that "*.htm*" matches (letter case ignored): any name that holds
// ".htm".
bool IsTipFileName(const std::string& Name);
// The tip files of a host folder: every file (hidden ones too) whose name IsTipFileName,
// sorted by name with letter case ignored. Empty when the folder cannot be read.
std::vector<std::string> ListTipFiles(const std::string& Folder);
// The tip to start at: the first when LastTip is empty; the one after LastTip when the
// list has it (letter case ignored), else the one at the place where it would be; a
// start past the end goes back to the first.
int TipStartIndex(const std::vector<std::string>& Tips, const std::string& LastTip);
// The next and the previous tip, wrapping around (0 when there are none).
int NextTipIndex(int Index, int Count);
int PreviousTipIndex(int Index, int Count);

// The application's main window (the first main window among the top-level windows,
// a visible one preferred), or none.
QWidget* ApplicationMainWindow();

class TfrmTips : public QDialog {
    Q_OBJECT
public:
    // The startup choices, in list order.
    enum TStartupAction { saAlways = 0, saUnlessProject = 1, saNever = 2 };

    explicit TfrmTips(QWidget* Parent = nullptr);
    ~TfrmTips() override;

    // The tip files (names only) and the shown one (-1 before the window was shown).
    const std::vector<std::string>& Tips() const noexcept { return FTips; }
    int TipIndex() const noexcept { return FTipIndex; }
    // The folder the tips come from ("Tips" in the program folder).
    std::string TipsFolder() const;
    // Shows tip Index (nothing happens outside the list): remembers it as "LastTip" and
    // shows its page when the file exists.
    void ShowTip(int Index);

    TMXWebBrowser* wbTip = nullptr;
    QComboBox* cmbStartupAction = nullptr;
    QPushButton* btnPreviousTip = nullptr;
    QPushButton* btnNextTip = nullptr;
    QPushButton* btnClose = nullptr;

    void btnNextTipClick();
    void btnPreviousTipClick();

protected:
    void showEvent(QShowEvent* Event) override;
    void changeEvent(QEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void done(int Result) override;

private:
    void FormShow();

    std::vector<std::string> FTips;
    int FTipIndex = -1;
    bool FShown = false;
    // The editor's main window, minimized and restored together with this window.
    QPointer<QWidget> FMainWindow;
};
