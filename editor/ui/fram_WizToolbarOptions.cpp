#include "fram_WizToolbarOptions.h"

#include "u_BookLayout.h"
#include "u_PaletteColors.h"
#include "u_Dialogs.h"
#include "u_EditorServices.h"
#include "u_MFS.h"
#include "u_Pictures.h"
#include "u_Project.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// A size group's row: "Height" and "Width" with their spin boxes (16 to 48).
QHBoxLayout* SizeGroupLayout(QGroupBox* Group, const char* HeightName, QSpinBox*& Height, const char* WidthName,
                             QSpinBox*& Width) {
    Height = StepSpinBox(HeightName, ToolbarSizeMin, ToolbarSizeMax, Group);
    Width = StepSpinBox(WidthName, ToolbarSizeMin, ToolbarSizeMax, Group);
    auto* layout = new QHBoxLayout(Group);
    layout->setContentsMargins(8, 2, 8, 6);
    layout->addWidget(BuddyLabel(QStringLiteral("Height"), Height, Group));
    layout->addWidget(Height);
    layout->addSpacing(6);
    layout->addWidget(BuddyLabel(QStringLiteral("Width"), Width, Group));
    layout->addWidget(Width);
    return layout;
}

} // namespace

std::function<bool(QWidget*, QColor&)> TframWizToolbarOptions::ColorChooser = [](QWidget* Parent, QColor& Color) {
    const QColor chosen = QColorDialog::getColor(Color, Parent);
    if (!chosen.isValid())
        return false;
    Color = chosen;
    return true;
};

QColor TframWizToolbarOptions::ColorOf(int32_t Color) {
    return PaletteColor(Color, QApplication::palette());
}

TframWizToolbarOptions::TframWizToolbarOptions(IEditorMain& Main_, QWidget* Parent)
    : TframWizardStep(Main_, Parent) {
    setObjectName(QStringLiteral("framWizToolbarOptions"));

    QGroupBox* placement = NamedControl<QGroupBox>("Toolbar placement", "grpToolbarPlacement", this);
    cmbToolbarPlacement = new QComboBox(placement);
    cmbToolbarPlacement->setObjectName(QStringLiteral("cmbToolbarPlacement"));
    cmbToolbarPlacement->addItems({QStringLiteral("Top"), QStringLiteral("Bottom"), QStringLiteral("None")});
    auto* placementLayout = new QVBoxLayout(placement);
    placementLayout->setContentsMargins(8, 2, 8, 6);
    placementLayout->addWidget(cmbToolbarPlacement);

    QGroupBox* colors = NamedControl<QGroupBox>("Colors", "grpColors", this);
    txtPreviewArea = NamedControl<QLabel>("Preview Area", "txtPreviewArea", colors);
    txtPreviewArea->setAlignment(Qt::AlignCenter);
    txtPreviewArea->setAutoFillBackground(true);
    txtPreviewArea->setFrameShape(QFrame::StyledPanel);
    txtPreviewArea->setMinimumHeight(44);
    btnFontFace = NamedControl<QPushButton>("Font Face", "btnFontFace", colors);
    connect(btnFontFace, &QPushButton::clicked, this, [this] { PickColor(FTextColor); });
    btnBackground = NamedControl<QPushButton>("Background", "btnBackground", colors);
    connect(btnBackground, &QPushButton::clicked, this, [this] { PickColor(FBackColor); });
    btnResetFontColor = StepResetButton("btnResetFontColor", QStringLiteral("Reset font face color"), colors);
    connect(btnResetFontColor, &QToolButton::clicked, this, [this] { SetTextColor(clWindowText); });
    btnResetBackColor = StepResetButton("btnResetBackColor", QStringLiteral("Reset background color"), colors);
    connect(btnResetBackColor, &QToolButton::clicked, this, [this] { SetBackColor(clBtnFace); });
    auto* colorsLayout = new QGridLayout(colors);
    colorsLayout->setContentsMargins(8, 2, 8, 6);
    colorsLayout->setSpacing(4);
    colorsLayout->addWidget(txtPreviewArea, 0, 0, 2, 1);
    colorsLayout->addWidget(btnFontFace, 0, 1);
    colorsLayout->addWidget(btnResetFontColor, 0, 2);
    colorsLayout->addWidget(btnBackground, 1, 1);
    colorsLayout->addWidget(btnResetBackColor, 1, 2);
    colorsLayout->setColumnStretch(0, 1);

    QGroupBox* misc = NamedControl<QGroupBox>("Misc. options", "grpMiscOptions", this);
    cbxShowCaption = NamedControl<QCheckBox>("Show Captions", "cbxShowCaption", misc);
    cbxFlat = NamedControl<QCheckBox>("Flat", "cbxFlat", misc);
    auto* miscLayout = new QHBoxLayout(misc);
    miscLayout->setContentsMargins(8, 2, 8, 6);
    miscLayout->addWidget(cbxShowCaption);
    miscLayout->addWidget(cbxFlat);
    miscLayout->addStretch(1);

    QGroupBox* buttonSize = NamedControl<QGroupBox>("Button size", "grpButtonSize", this);
    QHBoxLayout* buttonLayout =
        SizeGroupLayout(buttonSize, "spnedtToolbarBtnH", spnedtToolbarBtnH, "spnedtToolbarBtnW", spnedtToolbarBtnW);
    buttonLayout->addStretch(1);

    QGroupBox* imageSize = NamedControl<QGroupBox>("Image size", "grpImageSize", this);
    QHBoxLayout* imageLayout =
        SizeGroupLayout(imageSize, "spnedtToolbarImgH", spnedtToolbarImgH, "spnedtToolbarImgW", spnedtToolbarImgW);
    btnResetSizes =
        StepResetButton("btnResetSizes", QStringLiteral("Reset toolbar image and button size"), imageSize);
    connect(btnResetSizes, &QToolButton::clicked, this, [this] { ResetSizes(); });
    imageLayout->addStretch(1);
    imageLayout->addWidget(btnResetSizes);

    QGroupBox* logo = NamedControl<QGroupBox>("Logo", "grpLogo", this);
    imgLogo = new TPictureBox(logo);
    SetControlName(imgLogo, "imgLogo", QStringLiteral("Logo"));
    imgLogo->setMinimumHeight(40);
    actLoadLogo = StepAction(this, "actLoadLogo", QStringLiteral("Load Image"), QStringLiteral("Load logo image"),
                             "Load", [this] { LoadLogo(); });
    actClearLogo = StepAction(this, "actClearLogo", QStringLiteral("Clear Image"),
                              QStringLiteral("Clear logo image"), "Clear", [this] { ClearLogo(); });
    imgLogo->addAction(actLoadLogo);
    imgLogo->addAction(actClearLogo);
    cbxLogoDisplay = NamedControl<QCheckBox>("Display logo", "cbxLogoDisplay", logo);
    cbxLogoDisplay->setToolTip(QStringLiteral("Check this to display logo at the eBook toolbar"));
    edtLogoLink = new QLineEdit(logo);
    edtLogoLink->setObjectName(QStringLiteral("edtLogoLink"));
    edtLogoText = new QLineEdit(logo);
    edtLogoText->setObjectName(QStringLiteral("edtLogoText"));
    auto* logoButtons = new QVBoxLayout;
    logoButtons->setSpacing(0);
    logoButtons->addWidget(ActionToolButton(actLoadLogo, logo));
    logoButtons->addWidget(ActionToolButton(actClearLogo, logo));
    auto* logoLayout = new QGridLayout(logo);
    logoLayout->setContentsMargins(8, 2, 8, 6);
    logoLayout->setVerticalSpacing(4);
    logoLayout->addWidget(imgLogo, 0, 0, 1, 2);
    logoLayout->addLayout(logoButtons, 0, 2);
    logoLayout->addWidget(cbxLogoDisplay, 1, 0, 1, 3);
    logoLayout->addWidget(BuddyLabel(QStringLiteral("Link"), edtLogoLink, logo), 2, 0);
    logoLayout->addWidget(edtLogoLink, 2, 1, 1, 2);
    logoLayout->addWidget(BuddyLabel(QStringLiteral("Hint"), edtLogoText, logo), 3, 0);
    logoLayout->addWidget(edtLogoText, 3, 1, 1, 2);
    logoLayout->setColumnStretch(1, 1);
    logoLayout->setRowStretch(0, 1);

    auto* left = new QVBoxLayout;
    left->setSpacing(4);
    left->addWidget(placement);
    left->addWidget(colors);
    left->addWidget(misc);
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->setSpacing(4);
    right->addWidget(buttonSize);
    right->addWidget(imageSize);
    right->addWidget(logo, 1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setSpacing(8);
    layout->addLayout(left, 1);
    layout->addLayout(right, 1);
}

QPixmap TframWizToolbarOptions::GetStepImage() const {
    return SideImage("Step4ToolbarOptions");
}

void TframWizToolbarOptions::InitStep(IWizardStepOwner*) {
    const TToolbarOptions& options = Main.Project().Options().Toolbar();
    cmbToolbarPlacement->setCurrentIndex(options.ToolbarPlacement <= tpNoToolbar ? options.ToolbarPlacement : 0);
    FTextColor = options.ToolbarTextColor;
    FBackColor = options.ToolbarBackColor;
    ShowColors();
    cbxShowCaption->setChecked(options.ToolbarShowCaption);
    cbxFlat->setChecked(options.ToolbarFlat);
    spnedtToolbarBtnH->setValue(options.ToolbarBtnH);
    spnedtToolbarBtnW->setValue(options.ToolbarBtnW);
    spnedtToolbarImgH->setValue(options.ToolbarImgH);
    spnedtToolbarImgW->setValue(options.ToolbarImgW);
    FShownImgH = spnedtToolbarImgH->value();
    FShownImgW = spnedtToolbarImgW->value();
    cbxLogoDisplay->setChecked(options.LogoDisplay);
    edtLogoLink->setText(QString::fromStdString(options.LogoLink));
    edtLogoText->setText(QString::fromStdString(options.LogoText));

    imgLogo->SetPicture(StoredBitmap(Main.Project(), LogoFile));
}

void TframWizToolbarOptions::ApplyStep() {
    TframWizardStep::ApplyStep();
    TToolbarOptions& options = Main.Project().Options().Toolbar();
    options.ToolbarPlacement = static_cast<TToolbarPlacement>(std::max(0, cmbToolbarPlacement->currentIndex()));
    options.ToolbarTextColor = FTextColor;
    options.ToolbarBackColor = FBackColor;
    options.ToolbarShowCaption = cbxShowCaption->isChecked();
    options.ToolbarFlat = cbxFlat->isChecked();
    options.ToolbarBtnH = spnedtToolbarBtnH->value();
    options.ToolbarBtnW = spnedtToolbarBtnW->value();
    options.ToolbarImgH = spnedtToolbarImgH->value();
    options.ToolbarImgW = spnedtToolbarImgW->value();
    options.LogoDisplay = cbxLogoDisplay->isChecked();
    options.LogoLink = edtLogoLink->text().toStdString();
    options.LogoText = edtLogoText->text().toStdString();
}

bool TframWizToolbarOptions::ImageSizeChanged() const {
    return spnedtToolbarImgH->value() != FShownImgH || spnedtToolbarImgW->value() != FShownImgW;
}

void TframWizToolbarOptions::SetTextColor(int32_t Color) {
    FTextColor = Color;
    ShowColors();
}

void TframWizToolbarOptions::SetBackColor(int32_t Color) {
    FBackColor = Color;
    ShowColors();
}

void TframWizToolbarOptions::ShowColors() {
    QPalette palette = txtPreviewArea->palette();
    palette.setColor(QPalette::WindowText, ColorOf(FTextColor));
    palette.setColor(QPalette::Window, ColorOf(FBackColor));
    txtPreviewArea->setPalette(palette);
}

void TframWizToolbarOptions::PickColor(int32_t& Color) {
    QColor color = ColorOf(Color);
    if (!ColorChooser || !ColorChooser(this, color))
        return;
    Color = NumberOfColor(color);
    ShowColors();
}

void TframWizToolbarOptions::LoadLogo() {
    const std::string fileName = ChooseOpenFileName(this, "Load Image", "", SLogoPictureFilter);
    if (fileName.empty())
        return;
    const QImage picture = LoadBitmapOrJpeg(fileName);
    Main.Project().SetSystemFile(LogoFile, BitmapFileBytes(picture));
    imgLogo->SetPicture(picture);
}

void TframWizToolbarOptions::ClearLogo() {
    // The deletion is not undone by Cancel: the project must be saved to keep it.
    Main.Project().DeleteSystemFile(LogoFile);
    imgLogo->ClearPicture();
    cbxLogoDisplay->setChecked(false);
}

void TframWizToolbarOptions::ResetSizes() {
    spnedtToolbarBtnH->setValue(DefaultToolbarButtonSize);
    spnedtToolbarBtnW->setValue(DefaultToolbarButtonSize);
    spnedtToolbarImgH->setValue(DefaultToolbarImageSize);
    spnedtToolbarImgW->setValue(DefaultToolbarImageSize);
}
