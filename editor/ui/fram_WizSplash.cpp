#include "fram_WizSplash.h"

#include "u_Actions.h"
#include "u_CommandTable.h"
#include "u_Dialogs.h"
#include "u_EditorServices.h"
#include "u_MFS.h"
#include "u_Pictures.h"
#include "u_Project.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const char* const SSplashTypeHint = "Select starting option: none, pop-up message or splash screen.";
const char* const SPopUpTextHint = "Input pop-up message text.";
const char* const SIntervalHint =
    "Select the number of seconds you want the splash screen to be displayed. It will automatically close after "
    "the seconds have passed.";
const char* const SCloseOnClickHint = "Check this option to close the splash screen when clicked on";

QString Named(const char* Name, const char* Suffix) {
    return QLatin1String(Name) + QLatin1String(Suffix);
}

QToolButton* PageButton(const char* Caption, const char* Name, QWidget* Parent) {
    auto* button = new QToolButton(Parent);
    button->setObjectName(QLatin1String(Name));
    button->setText(QString::fromUtf8(Caption));
    button->setCheckable(true);
    button->setAutoRaise(true);
    button->setMinimumWidth(80);
    return button;
}

} // namespace

TframWizSplash::TframWizSplash(IEditorMain& Main_, QWidget* Parent) : TframWizardStep(Main_, Parent) {
    setObjectName(QStringLiteral("framWizSplash"));
    actLoadImage = StepAction(this, "actLoadImage", QStringLiteral("Load Image"), QStringLiteral("Load Splash Image"),
                              "Load", [this] { LoadImage(); });
    actClearImage = StepAction(this, "actClearImage", QStringLiteral("Clear Image"),
                               QStringLiteral("Clear Splash Image"), "Clear", [this] { ClearImage(); });
    actResetSplash = StepAction(this, "actResetSplash", QStringLiteral("Reset"),
                                QStringLiteral("Reset splash to default"), "Reset", [this] { ResetSplash(); });

    btnStarting = PageButton("Starting", "btnStarting", this);
    btnEnding = PageButton("Ending", "btnEnding", this);
    auto* pageButtons = new QButtonGroup(this);
    pageButtons->addButton(btnStarting, 0);
    pageButtons->addButton(btnEnding, 1);
    connect(pageButtons, &QButtonGroup::idToggled, this, [this](int Id, bool Checked) {
        if (Checked)
            SetCurrentPage(Id);
    });
    pcSplash = new QStackedWidget(this);
    pcSplash->setObjectName(QStringLiteral("pcSplash"));
    BuildPage(0, "S");
    BuildPage(1, "E");
    Pages[0].FileName = SplashStartFile;
    Pages[1].FileName = SplashEndFile;

    spnedtInterval = StepSpinBox("spnedtInterval", SplashSecondsMin, SplashSecondsMax, this);
    spnedtInterval->setToolTip(QString::fromUtf8(SIntervalHint));
    cbxCloseOnClick = NamedControl<QCheckBox>("Close on Click", "cbxCloseOnClick", this);
    cbxCloseOnClick->setToolTip(QString::fromUtf8(SCloseOnClickHint));

    auto* top = new QHBoxLayout;
    top->setSpacing(2);
    top->addWidget(btnStarting);
    top->addWidget(btnEnding);
    top->addStretch(1);
    auto* tools = new QHBoxLayout;
    tools->setSpacing(2);
    tools->addWidget(ActionToolButton(actLoadImage, this));
    tools->addWidget(ActionToolButton(actClearImage, this));
    tools->addWidget(ActionToolButton(actResetSplash, this));
    tools->addSpacing(12);
    tools->addWidget(BuddyLabel(QStringLiteral("Close after "), spnedtInterval, this));
    tools->addWidget(spnedtInterval);
    tools->addWidget(new QLabel(QStringLiteral(" seconds"), this));
    tools->addSpacing(12);
    tools->addWidget(cbxCloseOnClick);
    tools->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setSpacing(4);
    layout->addLayout(top);
    layout->addWidget(pcSplash, 1);
    layout->addLayout(tools);
    SetCurrentPage(0);
}

void TframWizSplash::BuildPage(int Index, const char* Suffix) {
    TSplashPage& page = Pages[Index];
    page.Page = new QWidget(pcSplash);
    page.Page->setObjectName(Named("ts", Suffix));
    auto* typeBox = new QGroupBox(QStringLiteral("Pop-up / Splash Screen"), page.Page);
    typeBox->setObjectName(Named("rgSplashType", Suffix));
    typeBox->setToolTip(QString::fromUtf8(SSplashTypeHint));
    page.rgSplashType = new QButtonGroup(page.Page);
    auto* typeLayout = new QVBoxLayout(typeBox);
    typeLayout->setContentsMargins(8, 2, 8, 6);
    typeLayout->setSpacing(2);
    const char* const captions[] = {"None", "Pop-up Message", "Splash Screen"};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(QString::fromUtf8(captions[i]), typeBox);
        radio->setObjectName(Named("rbSplashType", Suffix) + QString::number(i));
        page.rgSplashType->addButton(radio, i);
        typeLayout->addWidget(radio);
    }
    page.btnPreview = new QPushButton(QStringLiteral("Preview"), page.Page);
    page.btnPreview->setObjectName(Named("btnPreview", Suffix));
    connect(page.btnPreview, &QPushButton::clicked, this, [this] { Guarded(this, [this] { Preview(); }); });

    page.imgSplash = new TPictureBox(page.Page);
    page.imgSplash->setObjectName(Named("imgSplash", Suffix));
    page.imgSplash->setAccessibleName(QStringLiteral("Splash picture"));
    page.imgSplash->addAction(actLoadImage);
    page.imgSplash->addAction(actClearImage);
    connect(page.imgSplash, &TPictureBox::DoubleClicked, actLoadImage, &QAction::trigger);

    auto* textBox = new QGroupBox(QStringLiteral("Pop-up Text"), page.Page);
    textBox->setObjectName(Named("grpPopUpText", Suffix));
    page.memPopUpText = new QPlainTextEdit(textBox);
    page.memPopUpText->setObjectName(Named("memPopUpText", Suffix));
    page.memPopUpText->setToolTip(QString::fromUtf8(SPopUpTextHint));
    auto* textLayout = new QVBoxLayout(textBox);
    textLayout->setContentsMargins(6, 2, 6, 6);
    textLayout->addWidget(page.memPopUpText);

    auto* layout = new QGridLayout(page.Page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    auto* left = new QVBoxLayout;
    left->setSpacing(4);
    left->addWidget(typeBox);
    left->addWidget(page.btnPreview, 0, Qt::AlignLeft);
    left->addStretch(1);
    layout->addLayout(left, 0, 0);
    layout->addWidget(page.imgSplash, 0, 1);
    layout->addWidget(textBox, 1, 0, 1, 2);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(0, 3);
    layout->setRowStretch(1, 2);
    pcSplash->addWidget(page.Page);
}

QPixmap TframWizSplash::GetStepImage() const {
    return SideImage("Step6Splash");
}

void TframWizSplash::SetCurrentPage(int Page) {
    FCurrent = Page == 1 ? 1 : 0;
    pcSplash->setCurrentIndex(FCurrent);
    (FCurrent == 0 ? btnStarting : btnEnding)->setChecked(true);
}

void TframWizSplash::InitStep(IWizardStepOwner*) {
    const TSplashOptions& options = Main.Project().Options().Splash();
    spnedtInterval->setValue(options.Interval);
    Pages[0].memPopUpText->setPlainText(QString::fromStdString(options.PopUpTextS));
    Pages[1].memPopUpText->setPlainText(QString::fromStdString(options.PopUpTextE));
    Pages[0].rgSplashType->button(options.SplashTypeS <= vsSplash ? options.SplashTypeS : 0)->setChecked(true);
    Pages[1].rgSplashType->button(options.SplashTypeE <= vsSplash ? options.SplashTypeE : 0)->setChecked(true);
    cbxCloseOnClick->setChecked(options.CloseOnClick);
    for (TSplashPage& page : Pages)
        page.imgSplash->SetPicture(StoredBitmap(Main.Project(), page.FileName));
}

void TframWizSplash::ApplyStep() {
    TframWizardStep::ApplyStep();
    TSplashOptions& options = Main.Project().Options().Splash();
    options.Interval = spnedtInterval->value();
    options.PopUpTextS = Pages[0].memPopUpText->toPlainText().toStdString();
    options.PopUpTextE = Pages[1].memPopUpText->toPlainText().toStdString();
    options.SplashTypeS = static_cast<TSplashType>(std::max(0, Pages[0].rgSplashType->checkedId()));
    options.SplashTypeE = static_cast<TSplashType>(std::max(0, Pages[1].rgSplashType->checkedId()));
    options.CloseOnClick = cbxCloseOnClick->isChecked();
}

void TframWizSplash::ClearImage() {
    TSplashPage& page = Pages[FCurrent];
    Main.Project().DeleteSystemFile(page.FileName);
    page.imgSplash->ClearPicture();
}

void TframWizSplash::LoadImage() {
    // The page keeps its picture until a new one has been chosen and read.
    const std::string fileName = ChooseOpenFileName(this, "Load Image", "", SSplashPictureFilter);
    if (fileName.empty())
        return;
    const QImage picture = LoadBitmapOrJpeg(fileName);
    TSplashPage& page = Pages[FCurrent];
    Main.Project().SetSystemFile(page.FileName, BitmapFileBytes(picture));
    page.imgSplash->SetPicture(picture);
}

void TframWizSplash::ResetSplash() {
    ResetSplashToDefault(Main.Project(), TBookProject::DefaultProjectBase());
    InitStep(StepOwner);
}

void TframWizSplash::Preview() {
    TSplashPage& page = Pages[FCurrent];
    switch (page.rgSplashType->checkedId()) {
    case vsPopUp:
        MessageDlg(this, page.memPopUpText->toPlainText().toStdString(), TMsgDlgType::mtInformation,
                   QMessageBox::Ok);
        break;
    case vsSplash: {
        if (!page.imgSplash->HasPicture())
            break;
        const std::optional<std::string> picture = Main.Project().SystemFile(page.FileName);
        if (!picture)
            break;
        const TEditorWindowTable& windows = EditorWindows();
        if (QWidget* splash = windows.ShowSplashItem(*picture, page.FileName, spnedtInterval->value(),
                                                     cbxCloseOnClick->isChecked()))
            windows.RequestSplashClose(splash);
        break;
    }
    default:
        break;
    }
}
