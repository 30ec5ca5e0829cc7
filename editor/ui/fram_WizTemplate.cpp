#include "fram_WizTemplate.h"

#include "u_EditorServices.h"
#include "u_Exception.h"
#include "u_Project.h"
#include "u_TemplateTree.h"
#include "u_Templates.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const char* const STemplateHint = "Select Template";
constexpr int ThumbnailSize = 200;

} // namespace

TframWizTemplate::TframWizTemplate(IEditorMain& Main_, QWidget* Parent) : TframWizardStep(Main_, Parent) {
    setObjectName(QStringLiteral("framWizTemplate"));
    tvTemplates = new QTreeWidget(this);
    SetControlName(tvTemplates, "tvTemplates", QStringLiteral("Templates"));
    tvTemplates->setToolTip(QString::fromUtf8(STemplateHint));
    tvTemplates->setHeaderHidden(true);
    tvTemplates->setColumnCount(1);
    tvTemplates->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvTemplates->setSelectionMode(QAbstractItemView::SingleSelection);
    CurrentFollowsSelection(tvTemplates);
    connect(tvTemplates, &QTreeWidget::currentItemChanged, this, [this] {
        TemplateNodeSelected();
        NotifyStepChanged();
    });

    imgThumbnail = new TPictureBox(this);
    SetControlName(imgThumbnail, "imgThumbnail", QStringLiteral("Thumbnail"));
    imgThumbnail->setFixedSize(ThumbnailSize, ThumbnailSize);
    imgThumbnail->setFrameShape(QFrame::NoFrame);
    imgThumbnail->setContextMenuPolicy(Qt::NoContextMenu);
    memDescription = new QPlainTextEdit(this);
    SetControlName(memDescription, "memDescription", QStringLiteral("Description"));
    memDescription->setReadOnly(true);
    memDescription->setMinimumHeight(40);

    auto* right = new QVBoxLayout;
    right->setSpacing(4);
    right->addWidget(imgThumbnail, 0, Qt::AlignHCenter);
    right->addWidget(memDescription, 1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);
    layout->addWidget(tvTemplates, 1);
    layout->addLayout(right);
}

QPixmap TframWizTemplate::GetStepImage() const {
    return SideImage("Step2Template");
}

void TframWizTemplate::InitStep(IWizardStepOwner* Owner) {
    TframWizardStep::InitStep(Owner);
    FillTemplateTree(Main.Templates(), tvTemplates);
}

TTemplate* TframWizTemplate::SelectedTemplate() const {
    return NodeTemplate(tvTemplates->currentItem());
}

void TframWizTemplate::TemplateNodeSelected() {
    const TTemplate* tpl = SelectedTemplate();
    if (!tpl)
        return;
    memDescription->setPlainText(QString::fromStdString(tpl->Description));
    // A thumbnail that cannot be loaded only empties the picture.
    QImage thumbnail;
    if (!tpl->Thumbnail.empty())
        thumbnail.load(QString::fromStdString(tpl->Thumbnail));
    imgThumbnail->SetPicture(thumbnail);
}

bool TframWizTemplate::IsStepValid() {
    return SelectedTemplate() != nullptr;
}

void TframWizTemplate::ApplyStep() {
    TframWizardStep::ApplyStep();
    try {
        AddTemplate(Main.Project(), *SelectedTemplate(), Main.SelectedStoryItem());
    } catch (const EAbort&) {
        // Cancel at "Clear story before adding whole template?" adds nothing; the
        // wizard goes on all the same.
    }
    Main.StoryChanged();
}

int TframWizTemplate::NextStepOffset() {
    return SourceStepNextOffset(OwnStepIndex());
}
