// The "Project Options" dialog: four of the wizard's step frames on pages, editing the
// open project's options at any time. The frames are initialised when the dialog is
// shown and applied by OK; their picture commands change the project at once.
#pragma once

#include <QDialog>

class IEditorMain;
class QPushButton;
class QTabWidget;
class TframEpubOptions;
class TframWizGeneralOptions;
class TframWizSecurityType;
class TframWizSplash;
class TframWizToolbarOptions;

extern const char* const SToolbarImageSizeChanged; // "Toolbar image size changed. Open toolbar setup?"

class TfrmProjectOptions : public QDialog {
    Q_OBJECT
public:
    explicit TfrmProjectOptions(IEditorMain& Main, QWidget* Parent = nullptr);

    // Applies the pages in order (General, Security, Toolbar, Splash, EPUB), marks the project modified, offers the toolbar
    // designer when the picture size changed, and closes with OK. A failing page keeps
    // the dialog open.
    void btnOkClick();

    QTabWidget* pgcOptions;
    TframWizGeneralOptions* framGeneral;
    TframWizSecurityType* framSecurity;
    TframWizToolbarOptions* framToolbar;
    TframWizSplash* framSplash;
    TframEpubOptions* framEpub;
    QPushButton* btnOk;
    QPushButton* btnCancel;

protected:
    void showEvent(QShowEvent* Event) override;

private:
    void FormShow();
    IEditorMain& FMain;
    bool FInitialised = false;
};

// The "Project Options" command: the dialog, modal; true when closed with OK.
bool ShowProjectOptions(IEditorMain& Main);
