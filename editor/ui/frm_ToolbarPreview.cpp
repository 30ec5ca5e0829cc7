#include "frm_ToolbarPreview.h"

#include "c_MXWebBrowser.h"
#include "u_Controls.h"
#include "u_Forms.h"
#include "u_ToolbarDesign.h"
#include "u_eBookCommon.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <memory>

namespace {

const int SeparatorWidth = 8;

// The book's tool bar is drawn in its background colour alone (the platform style
// would paint its own panel over it).
class TPreviewToolBar : public QToolBar {
public:
    using QToolBar::QToolBar;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Window));
    }
};

// A separator 8 pixels wide: a thin etched line in its middle.
QWidget* NewSeparator(QWidget* Parent, int Height) {
    auto* separator = new QWidget(Parent);
    separator->setObjectName(QStringLiteral("tbsSeparator"));
    separator->setFixedSize(SeparatorWidth, Height);
    auto* line = new QFrame(separator);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    auto* layout = new QHBoxLayout(separator);
    layout->setContentsMargins(0, 2, 0, 2);
    layout->addWidget(line, 0, Qt::AlignHCenter);
    return separator;
}

} // namespace

TfrmToolbarPreview::TfrmToolbarPreview(QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("frmToolbarPreview"));
    setWindowTitle(QStringLiteral("Toolbar Preview"));

    pnlToolbar = new QWidget(this);
    SetControlName(pnlToolbar, "pnlToolbar");
    pnlToolbar->setAutoFillBackground(true);
    tbrMain = new TPreviewToolBar(pnlToolbar);
    SetControlName(tbrMain, "tbrMain");
    tbrMain->setMovable(false);
    tbrMain->setFloatable(false);
    tbrMain->setAutoFillBackground(true);
    tbrMain->layout()->setSpacing(0);
    tbrMain->layout()->setContentsMargins(0, 0, 0, 0);
    pnlLogo = new QWidget(pnlToolbar);
    SetControlName(pnlLogo, "pnlLogo");
    imgLogo = new QLabel(pnlLogo);
    SetControlName(imgLogo, "imgLogo", QStringLiteral("Logo"));
    imgLogo->setAlignment(Qt::AlignCenter);
    auto* logoLayout = new QHBoxLayout(pnlLogo);
    logoLayout->setContentsMargins(0, 0, 0, 0);
    logoLayout->addWidget(imgLogo);
    auto* toolbarLayout = new QHBoxLayout(pnlToolbar);
    toolbarLayout->setContentsMargins(0, 0, 0, 0);
    toolbarLayout->setSpacing(0);
    toolbarLayout->addWidget(tbrMain, 1);
    toolbarLayout->addWidget(pnlLogo);

    wbBrowser = new TMXWebBrowser(this);
    SetControlName(wbBrowser, "wbBrowser", QStringLiteral("Page"));

    FLayout = new QVBoxLayout(this);
    FLayout->setContentsMargins(0, 0, 0, 0);
    FLayout->setSpacing(0);
    FLayout->addWidget(pnlToolbar);
    FLayout->addWidget(wbBrowser, 1);
    resize(736, 511);
}

void TfrmToolbarPreview::Build(TMFS& SystemStore, const TToolbarOptions& Options) {
    // 1. Placement.
    if (Options.ToolbarPlacement == tpBottom) {
        FLayout->removeWidget(pnlToolbar);
        FLayout->addWidget(pnlToolbar);
    }
    pnlToolbar->setVisible(Options.ToolbarPlacement != tpNoToolbar);

    // 2. The look of the toolbar.
    QPalette palette = pnlToolbar->palette();
    palette.setColor(QPalette::Window, ColorOfNumber(Options.ToolbarBackColor));
    pnlToolbar->setPalette(palette);
    tbrMain->setPalette(palette);
    const QSize imageSize(Options.ToolbarImgW, Options.ToolbarImgH);
    const QSize buttonSize(Options.ToolbarBtnW, Options.ToolbarBtnH);
    tbrMain->setIconSize(imageSize);
    tbrMain->setToolButtonStyle(Options.ToolbarShowCaption ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
    const QColor textColor = ColorOfNumber(Options.ToolbarTextColor);

    // 3. The browser area.
    wbBrowser->Navigate("about:blank");

    // 4. The buttons.
    const int arrowWidth = style()->pixelMetric(QStyle::PM_MenuButtonIndicator);
    for (const TPreviewButton& button : ToolbarPreviewButtons(SystemStore, imageSize.width(), imageSize.height())) {
        if (button.Separator()) {
            tbrMain->addWidget(NewSeparator(tbrMain, buttonSize.height()));
            continue;
        }
        auto* toolButton = new QToolButton(tbrMain);
        toolButton->setObjectName(Q("tbtn" + ToolButtonName(button.Kind)));
        toolButton->setText(Q(button.Caption));
        toolButton->setToolTip(Q(button.Caption));
        // A button without a caption shows only its picture: its kind names it.
        if (button.Caption.empty())
            toolButton->setAccessibleName(Q(ToolButtonCaption(button.Kind)));
        toolButton->setIconSize(imageSize);
        toolButton->setToolButtonStyle(tbrMain->toolButtonStyle());
        if (!button.Picture.isNull())
            toolButton->setIcon(QIcon(QPixmap::fromImage(button.Picture)));
        QPalette buttonPalette = toolButton->palette();
        buttonPalette.setColor(QPalette::ButtonText, textColor);
        buttonPalette.setColor(QPalette::WindowText, textColor);
        toolButton->setPalette(buttonPalette);
        QSize size = buttonSize;
        if (button.DropDown()) {
            auto* menu = new QMenu(toolButton);
            menu->setToolTipsVisible(true);
            for (const TPreviewMenuItem& item : button.Menu)
                menu->addAction(Q(item.Caption))->setToolTip(Q(item.Hint));
            toolButton->setMenu(menu);
            toolButton->setPopupMode(QToolButton::MenuButtonPopup);
            size.rwidth() += arrowWidth;
        }
        toolButton->setFixedSize(size);
        if (button.Kind == tbkExit)
            connect(toolButton, &QToolButton::clicked, this, &QDialog::reject);
        tbrMain->addWidget(toolButton);
        // After adding: the tool bar makes the buttons it holds flat.
        toolButton->setAutoRaise(Options.ToolbarFlat);
    }

    // 5. The logo.
    const QImage logoPicture = ToolbarPreviewLogo(SystemStore, Options);
    if (!logoPicture.isNull()) {
        imgLogo->setPixmap(QPixmap::fromImage(logoPicture));
        pnlLogo->setFixedWidth(logoPicture.width());
        FLogoHeight = logoPicture.height();
        pnlLogo->show();
    } else {
        FLogoHeight = 0;
        pnlLogo->hide();
    }
    SizeToolbarPanel();
}

void TfrmToolbarPreview::SizeToolbarPanel() {
    pnlToolbar->setFixedHeight(std::max(tbrMain->sizeHint().height(), FLogoHeight));
}

void TfrmToolbarPreview::resizeEvent(QResizeEvent* Event) {
    QDialog::resizeEvent(Event);
    SizeToolbarPanel();
}

void ShowToolbarPreview(QWidget* Parent, TMFS& SystemStore, const TToolbarOptions& Options) {
    auto preview = std::make_unique<TfrmToolbarPreview>(Parent);
    preview->Build(SystemStore, Options);
    CentreFormOnScreen(preview.get());
    // Pending window messages run first, so that the toolbar has its final size.
    QApplication::processEvents();
    preview->SizeToolbarPanel();
    preview->exec();
}
