#include "fram_WizGeneral.h"

#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

const char* const SRouteQuestion = "Would you like to create an eBook from a template or from your own files?";
const char* const SFromTemplate = "Create an eBook from a template";
const char* const SFromTemplateHint =
    "Use Quarvel Templates to create your own eBook. See more templates on the website.";
const char* const SFromFolder = "Create an eBook from a folder";
const char* const SFromFolderHint = "Use your own HTML files and folders to create you own eBook.";

// The hint of a route, shown under its button as well.
QLabel* RouteHintLabel(const char* Text, QWidget* Parent) {
    auto* label = new QLabel(QString::fromUtf8(Text), Parent);
    label->setWordWrap(true);
    label->setIndent(22);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

} // namespace

TframWizGeneral::TframWizGeneral(IEditorMain& Main_, QWidget* Parent) : TframWizardStep(Main_, Parent) {
    setObjectName(QStringLiteral("framWizGeneral"));
    QLabel* caption = StepCaption(QString::fromUtf8(SRouteQuestion), this);
    caption->setWordWrap(true);

    rbFromTemplate = NamedControl<QRadioButton>(QString::fromUtf8(SFromTemplate), "rbFromTemplate", this);
    rbFromTemplate->setToolTip(QString::fromUtf8(SFromTemplateHint));
    rbFromFolder = NamedControl<QRadioButton>(QString::fromUtf8(SFromFolder), "rbFromFolder", this);
    rbFromFolder->setToolTip(QString::fromUtf8(SFromFolderHint));
    // Neither is chosen at first: the group may be empty until the author chooses. The
    // state follows the buttons (a click, a key or assistive technology alike).
    auto* group = new QButtonGroup(this);
    group->addButton(rbFromTemplate);
    group->addButton(rbFromFolder);
    connect(group, &QButtonGroup::buttonToggled, this, [this] { NotifyStepChanged(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 8);
    layout->addWidget(caption);
    layout->addSpacing(18);
    layout->addWidget(rbFromTemplate);
    layout->addWidget(RouteHintLabel(SFromTemplateHint, this));
    layout->addSpacing(12);
    layout->addWidget(rbFromFolder);
    layout->addWidget(RouteHintLabel(SFromFolderHint, this));
    layout->addStretch(1);
}

QPixmap TframWizGeneral::GetStepImage() const {
    return SideImage("Step0General");
}

void TframWizGeneral::InitStep(IWizardStepOwner* Owner) {
    TframWizardStep::InitStep(Owner);
    if (!StepOwner)
        return;
    const std::string text = StepOwner->GetStepValue(StepValueFromTemplate);
    bool fromTemplate = false;
    if (!text.empty() && TryReadBoolText(text, fromTemplate))
        (fromTemplate ? rbFromTemplate : rbFromFolder)->setChecked(true);
}

bool TframWizGeneral::IsStepValid() {
    return rbFromTemplate->isChecked() || rbFromFolder->isChecked();
}

void TframWizGeneral::ApplyStep() {
    TframWizardStep::ApplyStep();
    if (StepOwner)
        StepOwner->SetStepValue(StepValueFromTemplate, BoolStepText(rbFromTemplate->isChecked()));
}

int TframWizGeneral::NextStepOffset() {
    return RouteStepNextOffset(rbFromFolder->isChecked(), OwnStepIndex());
}
