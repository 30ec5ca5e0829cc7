#include "frm_Wizard.h"

#include "fram_WizFinish.h"
#include "fram_WizFolder.h"
#include "fram_WizGeneral.h"
#include "fram_WizGeneralOptions.h"
#include "fram_WizSecurityType.h"
#include "fram_WizSplash.h"
#include "fram_WizTemplate.h"
#include "fram_WizToolbarOptions.h"
#include "u_Dialogs.h"
#include "u_EditorServices.h"
#include "u_Project.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int ClientWidth = 642;
constexpr int ClientHeight = 346;
constexpr int PicturePanelWidth = 142;

template <class T>
TframWizardStep* NewStep(IEditorMain& Main, QWidget* Parent) {
    return new T(Main, Parent);
}

using TStepFactory = TframWizardStep* (*)(IEditorMain&, QWidget*);

// The frame classes in the order of the step table (WizardStepClassNames).
const TStepFactory StepClasses[WizardStepCount] = {
    NewStep<TframWizGeneral>,        NewStep<TframWizFolder>,       NewStep<TframWizTemplate>,
    NewStep<TframWizGeneralOptions>, NewStep<TframWizToolbarOptions>, NewStep<TframWizSecurityType>,
    NewStep<TframWizSplash>,         NewStep<TframWizFinish>,
};

QPushButton* Button(const char* Caption, const char* Name, QWidget* Parent) {
    auto* button = new QPushButton(QString::fromUtf8(Caption), Parent);
    button->setObjectName(QLatin1String(Name));
    button->setAutoDefault(false);
    button->setMinimumWidth(80);
    return button;
}

TEditorWindowRegistration registration([](TEditorWindowTable& Table) { Table.RunWizard = RunWizard; });

} // namespace

TframWizardStep* TfrmWizard::CreateStepFrame(int Index, IEditorMain& Main, QWidget* Parent) {
    return StepClasses[ClampStepIndex(Index)](Main, Parent);
}

TfrmWizard::TfrmWizard(IEditorMain& Main, QWidget* Parent) : QDialog(Parent), FMain(Main) {
    setObjectName(QStringLiteral("frmWizard"));
    setWindowTitle(QStringLiteral("Project Wizard"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(ClientWidth, ClientHeight);

    imgStep = new QLabel(this);
    imgStep->setObjectName(QStringLiteral("imgStep"));
    imgStep->setFixedWidth(PicturePanelWidth);
    imgStep->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    imgStep->setAccessibleName(QStringLiteral("Step picture"));
    pnlStep = new QWidget(this);
    pnlStep->setObjectName(QStringLiteral("pnlStep"));
    auto* stepLayout = new QVBoxLayout(pnlStep);
    stepLayout->setContentsMargins(0, 0, 0, 0);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    btnCancel = Button("Cancel", "btnCancel", this);
    btnBack = Button("Back", "btnBack", this);
    btnNext = Button("Next", "btnNext", this);
    btnFinish = Button("Finish", "btnFinish", this);
    btnFinish->setDefault(true);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnBack, &QPushButton::clicked, this, &TfrmWizard::btnBackClick);
    connect(btnNext, &QPushButton::clicked, this, &TfrmWizard::btnNextClick);
    connect(btnFinish, &QPushButton::clicked, this, &TfrmWizard::btnFinishClick);

    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    top->addWidget(imgStep);
    top->addWidget(pnlStep, 1);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(8, 6, 8, 8);
    buttons->setSpacing(6);
    buttons->addWidget(btnCancel);
    buttons->addStretch(1);
    buttons->addWidget(btnBack);
    buttons->addWidget(btnNext);
    buttons->addSpacing(12);
    buttons->addWidget(btnFinish);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(top, 1);
    layout->addWidget(line);
    layout->addLayout(buttons);
}

TfrmWizard::~TfrmWizard() {
    // The frame may still call its owner while it goes.
    if (FStepFrame)
        FStepFrame->StepOwner = nullptr;
}

void TfrmWizard::ShowStep(int Index) {
    if (FStepFrame) {
        FStepFrame->StepOwner = nullptr;
        delete FStepFrame;
        FStepFrame = nullptr;
    }
    StepIndex = ClampStepIndex(Index);
    FStepFrame = CreateStepFrame(StepIndex, FMain, pnlStep);
    pnlStep->layout()->addWidget(FStepFrame);
    // A step that cannot read the project (a damaged settings file) is shown with its
    // controls as they are, after the error.
    Guarded(this, [this] { FStepFrame->InitStep(this); });
    FStepFrame->show();
    imgStep->setPixmap(FStepFrame->GetStepImage());
    UpdateButtons();
}

void TfrmWizard::UpdateButtons() {
    const bool valid = FStepFrame && FStepFrame->IsStepValid();
    const TWizardButtonStates states = WizardButtonStates(StepIndex, StepHistory.Empty(), valid);
    btnBack->setEnabled(states.Back);
    btnNext->setEnabled(states.Next);
    btnFinish->setEnabled(states.Finish);
}

bool TfrmWizard::ApplyShownStep(QPushButton* Button) {
    UpdateButtons();
    return Button->isEnabled() && Guarded(this, [this] { FStepFrame->ApplyStep(); });
}

void TfrmWizard::btnNextClick() {
    if (!ApplyShownStep(btnNext))
        return;
    const int offset = FStepFrame->NextStepOffset();
    StepHistory.Push(StepIndex);
    ShowStep(StepIndex + offset);
}

void TfrmWizard::btnBackClick() {
    UpdateButtons();
    if (!btnBack->isEnabled())
        return;
    ShowStep(StepHistory.Pop());
}

void TfrmWizard::btnFinishClick() {
    if (!ApplyShownStep(btnFinish))
        return;
    accept();
}

void RunWizard(IEditorMain& Main) {
    TfrmWizard wizard(Main, Main.MainWidget());
    wizard.ShowStep(0);
    if (!Main.ExecuteNewProject())
        return;
    QApplication::processEvents();
    Main.Project().SetModified();
    wizard.exec();
    // The steps changed the project's options behind the main window's back.
    Main.StoryChanged();
}
