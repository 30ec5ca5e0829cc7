#include "frm_About.h"

#include "u_Controls.h"
#include "u_EditorServices.h"
#include "u_Forms.h"
#include "u_MFS.h"
#include "u_ProgramFolder.h"
#include "u_Registry.h"
#include "u_TextUtils.h"
#include "u_Version.h"

#include "frm_Tips.h"

#include <QFontMetrics>
#include <QIcon>
#include <QStyle>
#include <QTextDocument>

#include <algorithm>

namespace {


// What the box says when the installation wrote nothing.
const char* const KOwnAboutText =
    "Tomewright, the editor of the Quarvel book authoring kit.##"
    "Build books of HTML pages, preview them as your readers will see them and compile "
    "them into one stand-alone book program.";
const char* const KOwnEMail = "quarvel@brevant.example";
const char* const KOwnWWW = "www.brevant.example/quarvel";

const char* const KLegalNotice =
    "This program is protected by copyright law. Copying, passing on or selling the program or any "
    "part of it other than as the license above allows is not permitted.";

// The design: the picture on the left, the texts in a column beside it, the license
// and the legal notice across the whole width below. The width follows the license's
// longest line, within bounds.
constexpr int KMargin = 12;
constexpr int KPictureSize = 64;
constexpr int KColumnLeft = KMargin + KPictureSize + 16;
constexpr int KMinWidth = 520;
constexpr int KMaxWidth = 760;
constexpr int KLinkGap = 6;
constexpr int KLicenseHeight = 170;

std::string StoredOr(const char* Name, const char* Own) {
    return RegValueExists(SEditorSettingsKey, Name) ? ReadRegString(SEditorSettingsKey, Name) : std::string(Own);
}

} // namespace

std::string AboutLines(const std::string& Stored) {
    return ReplaceAll(Stored, "##", "\n");
}

std::string AboutText() {
    return AboutLines(StoredOr("AboutText", KOwnAboutText));
}

std::string AboutEMail() {
    return StoredOr("E-Mail", KOwnEMail);
}

std::string AboutWWW() {
    return StoredOr("WWW", KOwnWWW);
}

TAboutLinkPlacement PlaceAboutLinks(int AboutTextBottom, int DesignEMailTop, int EMailHeight, int DesignWWWTop) {
    const int gap = DesignWWWTop - (DesignEMailTop + EMailHeight);
    TAboutLinkPlacement placement;
    placement.EMailTop = AboutTextBottom + gap;
    placement.WWWTop = placement.EMailTop + EMailHeight + gap;
    placement.Shift = placement.WWWTop - DesignWWWTop;
    return placement;
}

TfrmAbout::TfrmAbout(QWidget* Parent)
    : QDialog(Parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));

    imgAbout = new QLabel(this);
    imgAbout->setObjectName(QStringLiteral("imgAbout"));
    imgAbout->setAccessibleName(QStringLiteral("Quarvel"));
    imgAbout->setPixmap(QIcon(QStringLiteral(":/icons/small/About.svg"))
                            .pixmap(QSize(KPictureSize, KPictureSize), devicePixelRatioF()));

    lblProduct = new QLabel(QStringLiteral("Quarvel"), this);
    lblProduct->setObjectName(QStringLiteral("lblProduct"));
    QFont productFont = font();
    productFont.setPointSizeF(productFont.pointSizeF() * 1.8);
    productFont.setBold(true);
    lblProduct->setFont(productFont);

    lblVersionCaption = new QLabel(QStringLiteral("Version"), this);
    lblVersionCaption->setObjectName(QStringLiteral("lblVersionCaption"));
    lblVersion = new QLabel(this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setTextInteractionFlags(Qt::TextSelectableByMouse);

    lblAboutText = new QLabel(this);
    lblAboutText->setObjectName(QStringLiteral("lblAboutText"));
    lblAboutText->setTextFormat(Qt::PlainText);
    lblAboutText->setWordWrap(true);
    lblAboutText->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    lblEMail = new TLinkLabel(this);
    lblEMail->setObjectName(QStringLiteral("lblEMail"));
    lblEMail->LinkKind = TLinkKind::lkEMail;
    lblWWW = new TLinkLabel(this);
    lblWWW->setObjectName(QStringLiteral("lblWWW"));
    lblWWW->LinkKind = TLinkKind::lkHTTP;

    memLicense = new QPlainTextEdit(this);
    memLicense->setObjectName(QStringLiteral("memLicense"));
    memLicense->setAccessibleName(QStringLiteral("License"));
    memLicense->setReadOnly(true);
    memLicense->setLineWrapMode(QPlainTextEdit::WidgetWidth);

    lblLegal = new QLabel(QString::fromUtf8(KLegalNotice), this);
    lblLegal->setObjectName(QStringLiteral("lblLegal"));
    lblLegal->setWordWrap(true);

    btnClose = new QPushButton(QStringLiteral("&Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setDefault(true);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    btnClose->setFocus();
    Arrange();
}

void TfrmAbout::Arrange() {
    // The width: the license's longest line without wrapping, within bounds.
    const QFontMetrics metrics(memLicense->font());
    int longest = 0;
    for (const QString& line : memLicense->toPlainText().split(QLatin1Char('\n')))
        longest = std::max(longest, metrics.horizontalAdvance(line));
    const int chrome = 2 * memLicense->frameWidth() +
                       2 * static_cast<int>(memLicense->document()->documentMargin()) +
                       style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 8;
    const int width = std::clamp(longest + chrome, KMinWidth, KMaxWidth);
    const int right = KMargin + width;
    const int column = right - KColumnLeft;

    imgAbout->setGeometry(KMargin, KMargin, KPictureSize, KPictureSize);
    lblProduct->setGeometry(KColumnLeft, KMargin - 2, column, lblProduct->sizeHint().height());
    const int versionTop = lblProduct->geometry().bottom() + 4;
    lblVersionCaption->move(KColumnLeft, versionTop);
    lblVersionCaption->adjustSize();
    lblVersion->setGeometry(lblVersionCaption->geometry().right() + 5, versionTop,
                            right - lblVersionCaption->geometry().right() - 5, lblVersionCaption->height());

    // As designed, the links stand one gap apart under an empty about text, and the
    // controls below them follow; a real text moves them all down.
    const int textTop = lblVersion->geometry().bottom() + 14;
    const int textHeight = lblAboutText->text().isEmpty() ? 0 : lblAboutText->heightForWidth(column);
    lblAboutText->setGeometry(KColumnLeft, textTop, column, textHeight);
    lblEMail->adjustSize();
    lblWWW->adjustSize();
    const int linkHeight = lblEMail->height();
    const int designEMailTop = textTop + KLinkGap;
    const int designWWWTop = designEMailTop + linkHeight + KLinkGap;
    const TAboutLinkPlacement placement = PlaceAboutLinks(textTop + textHeight, designEMailTop, linkHeight, designWWWTop);
    lblEMail->move(KColumnLeft, placement.EMailTop);
    lblWWW->move(KColumnLeft, placement.WWWTop);

    const int licenseTop = designWWWTop + linkHeight + 2 * KLinkGap + placement.Shift;
    memLicense->setGeometry(KMargin, licenseTop, width, KLicenseHeight);
    lblLegal->setGeometry(KMargin, memLicense->geometry().bottom() + 1 + 10, width, lblLegal->heightForWidth(width));
    const QSize closeSize(std::max(90, btnClose->sizeHint().width()), btnClose->sizeHint().height());
    btnClose->setGeometry(right - closeSize.width(), lblLegal->geometry().bottom() + 1 + 10, closeSize.width(),
                          closeSize.height());
}

void TfrmAbout::Fill() {
    lblVersion->setText(Q(VersionText(0, 4)));
    lblAboutText->setText(Q(AboutText()));
    lblEMail->setText(Q(AboutEMail()));
    lblWWW->setText(Q(AboutWWW()));
    std::string license;
    try {
        license = ReadFileText(ProgramFolder() + "License.txt");
    } catch (const std::exception&) {
        // No license file: the box stays empty.
    }
    memLicense->setPlainText(Q(ReplaceAll(std::move(license), "\r\n", "\n")));
    Arrange();
}

void TfrmAbout::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    if (!FShown) {
        FShown = true;
        FitFormToControls(this, true);
        setFixedSize(size());
    }
}

static TEditorWindowRegistration aboutRegistration([](TEditorWindowTable& Table) {
    Table.ShowAbout = [] {
        TfrmAbout about(ApplicationMainWindow());
        about.Fill();
        about.exec();
    };
});
