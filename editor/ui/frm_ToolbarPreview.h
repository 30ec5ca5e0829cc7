// The toolbar preview ("Toolbar Preview"): the reader's toolbar as the book will show
// it, from the toolbar options and the store's toolbar description, above (or below)
// an empty browser area, with the logo at its right.
#pragma once

#include <QDialog>

class QLabel;
class QToolBar;
class QVBoxLayout;
class TMFS;
class TMXWebBrowser;
class TToolbarOptions;

class TfrmToolbarPreview : public QDialog {
    Q_OBJECT
public:
    explicit TfrmToolbarPreview(QWidget* Parent = nullptr);

    QWidget* pnlToolbar = nullptr;
    QToolBar* tbrMain = nullptr;
    QWidget* pnlLogo = nullptr;
    QLabel* imgLogo = nullptr;
    TMXWebBrowser* wbBrowser = nullptr;

    // Places and styles the toolbar by the options, shows "about:blank", makes one
    // button per element of the store's "\Toolbar.xml" and the logo. A button
    // picture that is not a bitmap raises its error.
    void Build(TMFS& SystemStore, const TToolbarOptions& Options);
    // The toolbar panel is as high as the larger of the toolbar and the logo.
    void SizeToolbarPanel();

protected:
    void resizeEvent(QResizeEvent* Event) override;

private:
    QVBoxLayout* FLayout = nullptr;
    int FLogoHeight = 0;
};

// Builds the preview and shows it modally; it is freed when it closes.
void ShowToolbarPreview(QWidget* Parent, TMFS& SystemStore, const TToolbarOptions& Options);
