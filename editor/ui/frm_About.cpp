#include "frm_About.h"

#include "u_EditorServices.h"
#include "u_Forms.h"
#include "u_MFS.h"
#include "u_ProgramFolder.h"
#include "u_Registry.h"
#include "u_SvgIcons.h"
#include "u_TextUtils.h"
#include "u_Version.h"

#include "frm_Tips.h"

#include <QFontDatabase>

namespace {

const char* const KEditorKey = "Software\\Brevant\\Quarvel\\Editor";

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
// and the legal notice across the whole width below.
constexpr int KMargin = 12;
constexpr int KPictureSize = 64;
constexpr int KColumnLeft = KMargin + KPictureSize + 16;
constexpr int KRight = KMargin + 560;
constexpr int KColumnWidth = KRight - KColumnLeft;
constexpr int KAboutTextTop = 70;
constexpr int KLinkGap = 6;
constexpr int KLicenseHeight = 170;

std::string StoredOr(const char* Name, const char* Own) {
    return RegValueExists(KEditorKey, Name) ? ReadRegString(KEditorKey, Name) : std::string(Own);
}

QString Q(const std::string& Text) {
    return QString::fromUtf8(Text.data(), static_cast<qsizetype>(Text.size()));
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
    imgAbout->setAccessibleName(QStringLiteral("imgAbout"));
    imgAbout->setGeometry(KMargin, KMargin, KPictureSize, KPictureSize);
    imgAbout->setPixmap(SvgIconPixmap(QStringLiteral(":/icons/small/About.svg"), QSize(KPictureSize, KPictureSize),
                                      devicePixelRatioF()));

    lblProduct = new QLabel(QStringLiteral("Quarvel"), this);
    lblProduct->setObjectName(QStringLiteral("lblProduct"));
    QFont productFont = font();
    productFont.setPointSizeF(productFont.pointSizeF() * 1.8);
    productFont.setBold(true);
    lblProduct->setFont(productFont);
    lblProduct->setGeometry(KColumnLeft, KMargin - 2, KColumnWidth, lblProduct->sizeHint().height());

    const int versionTop = lblProduct->geometry().bottom() + 4;
    lblVersionCaption = new QLabel(QStringLiteral("Version"), this);
    lblVersionCaption->setObjectName(QStringLiteral("lblVersionCaption"));
    lblVersionCaption->move(KColumnLeft, versionTop);
    lblVersionCaption->adjustSize();
    lblVersion = new QLabel(this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblVersion->setGeometry(lblVersionCaption->geometry().right() + 5, versionTop,
                            KRight - lblVersionCaption->geometry().right() - 5, lblVersionCaption->height());

    lblAboutText = new QLabel(this);
    lblAboutText->setObjectName(QStringLiteral("lblAboutText"));
    lblAboutText->setTextFormat(Qt::PlainText);
    lblAboutText->setWordWrap(true);
    lblAboutText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblAboutText->setGeometry(KColumnLeft, std::max(KAboutTextTop, lblVersion->geometry().bottom() + 10),
                              KColumnWidth, 0);

    // The links as designed: the e-mail link under an empty about text, the web link
    // one gap below it. Fill moves them below the real text.
    lblEMail = new TLinkLabel(this);
    lblEMail->setObjectName(QStringLiteral("lblEMail"));
    lblEMail->LinkKind = TLinkKind::lkEMail;
    const int linkHeight = lblEMail->sizeHint().height();
    lblEMail->setGeometry(KColumnLeft, lblAboutText->y() + KLinkGap, 0, linkHeight);
    lblWWW = new TLinkLabel(this);
    lblWWW->setObjectName(QStringLiteral("lblWWW"));
    lblWWW->LinkKind = TLinkKind::lkHTTP;
    lblWWW->setGeometry(KColumnLeft, lblEMail->y() + linkHeight + KLinkGap, 0, linkHeight);

    memLicense = new QPlainTextEdit(this);
    memLicense->setObjectName(QStringLiteral("memLicense"));
    memLicense->setAccessibleName(QStringLiteral("memLicense"));
    memLicense->setReadOnly(true);
    memLicense->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memLicense->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    memLicense->setGeometry(KMargin, lblWWW->geometry().bottom() + 1 + 2 * KLinkGap, KRight - KMargin,
                            KLicenseHeight);

    lblLegal = new QLabel(QString::fromUtf8(KLegalNotice), this);
    lblLegal->setObjectName(QStringLiteral("lblLegal"));
    lblLegal->setWordWrap(true);
    lblLegal->setGeometry(KMargin, memLicense->geometry().bottom() + 1 + 10, KRight - KMargin,
                          lblLegal->heightForWidth(KRight - KMargin));

    btnClose = new QPushButton(QStringLiteral("&Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setDefault(true);
    const QSize closeSize(std::max(90, btnClose->sizeHint().width()), btnClose->sizeHint().height());
    btnClose->setGeometry(KRight - closeSize.width(), lblLegal->geometry().bottom() + 1 + 10, closeSize.width(),
                          closeSize.height());
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    btnClose->setFocus();
}

void TfrmAbout::Fill() {
    lblVersion->setText(Q(VersionText(0, 4)));

    const int designEMailTop = lblEMail->y();
    const int designWWWTop = lblWWW->y();
    lblAboutText->setText(Q(AboutText()));
    const int textHeight = lblAboutText->text().isEmpty() ? 0 : lblAboutText->heightForWidth(KColumnWidth);
    lblAboutText->resize(KColumnWidth, textHeight);

    lblEMail->setText(Q(AboutEMail()));
    lblEMail->adjustSize();
    lblWWW->setText(Q(AboutWWW()));
    lblWWW->adjustSize();
    const TAboutLinkPlacement placement =
        PlaceAboutLinks(lblAboutText->y() + textHeight, designEMailTop, lblEMail->height(), designWWWTop);
    lblEMail->move(KColumnLeft, placement.EMailTop);
    lblWWW->move(KColumnLeft, placement.WWWTop);
    for (QWidget* below : {static_cast<QWidget*>(memLicense), static_cast<QWidget*>(lblLegal),
                           static_cast<QWidget*>(btnClose)})
        below->move(below->x(), below->y() + placement.Shift);

    std::string license;
    try {
        license = ReadFileText(ProgramFolder() + "License.txt");
    } catch (const std::exception&) {
        // No license file: the box stays empty.
    }
    memLicense->setPlainText(Q(ReplaceAll(std::move(license), "\r\n", "\n")));
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
