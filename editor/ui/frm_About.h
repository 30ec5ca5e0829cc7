// The about box: the product's name, version and picture, the about text with the
// maker's e-mail and web links below it, the license and the legal notice.
#pragma once

#include "c_LinkLabel.h"

#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include <string>

// The about text, e-mail address and web address as installed under the editor's
// settings key ("AboutText", "E-Mail", "WWW"); a value that was never written gives
// the program's own text. "##" in the about text stands for a line break.
std::string AboutText();
std::string AboutEMail();
std::string AboutWWW();
// "##" replaced by line breaks.
std::string AboutLines(const std::string& Stored);

// The e-mail link goes below the about text and the web link below the e-mail link,
// each after the gap the design has between the two links; the controls below the
// links move down by Shift.
struct TAboutLinkPlacement {
    int EMailTop = 0;
    int WWWTop = 0;
    int Shift = 0;
    bool operator==(const TAboutLinkPlacement&) const = default;
};
TAboutLinkPlacement PlaceAboutLinks(int AboutTextBottom, int DesignEMailTop, int EMailHeight, int DesignWWWTop);

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* Parent = nullptr);

    // Fills the box: version, about text, links (placed below the text) and license.
    void Fill();

    QLabel* imgAbout = nullptr;
    QLabel* lblProduct = nullptr;
    QLabel* lblVersionCaption = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblAboutText = nullptr;
    TLinkLabel* lblEMail = nullptr;
    TLinkLabel* lblWWW = nullptr;
    QPlainTextEdit* memLicense = nullptr;
    QLabel* lblLegal = nullptr;
    QPushButton* btnClose = nullptr;

protected:
    void showEvent(QShowEvent* Event) override;

private:
    // Places the controls for the texts they hold.
    void Arrange();
    bool FShown = false;
};
