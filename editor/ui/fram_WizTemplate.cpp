#include "fram_WizTemplate.h"

#include "u_EditorServices.h"
#include "u_Exception.h"
#include "u_Project.h"
#include "u_Templates.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const char* const STemplateHint = "Select Template";
constexpr int ThumbnailSize = 200;

// What a node of the tree stands for.
enum TNodeKind { nkTemplate = 1, nkChapter, nkPage };
constexpr int KindRole = Qt::UserRole;
constexpr int ObjectRole = Qt::UserRole + 1;

QTreeWidgetItem* NewNode(QTreeWidgetItem* Parent, QTreeWidget* Tree, const std::string& Caption, TNodeKind Kind,
                         const void* Object) {
    auto* node = Parent ? new QTreeWidgetItem(Parent) : new QTreeWidgetItem(Tree);
    node->setText(0, QString::fromStdString(Caption));
    node->setData(0, KindRole, static_cast<int>(Kind));
    node->setData(0, ObjectRole, QVariant::fromValue(reinterpret_cast<quintptr>(Object)));
    static const char* const icons[] = {"", "Template", "Chapter", "Page"};
    node->setIcon(0, QIcon(QStringLiteral(":/icons/wizard/%1.svg").arg(QLatin1String(icons[Kind]))));
    return node;
}

void AddEntries(const TTemplateItems& Items, QTreeWidgetItem* Parent) {
    for (const auto& item : Items) {
        if (item->IsChapter) {
            const auto& chapter = static_cast<const TTemplateChapter&>(*item);
            AddEntries(chapter.Items, NewNode(Parent, nullptr, chapter.Caption, nkChapter, &chapter));
        } else {
            NewNode(Parent, nullptr, item->Caption, nkPage, item.get());
        }
    }
}

} // namespace

TframWizTemplate::TframWizTemplate(IEditorMain& Main_, QWidget* Parent) : TframWizardStep(Main_, Parent) {
    setObjectName(QStringLiteral("framWizTemplate"));
    tvTemplates = new QTreeWidget(this);
    tvTemplates->setObjectName(QStringLiteral("tvTemplates"));
    tvTemplates->setToolTip(QString::fromUtf8(STemplateHint));
    tvTemplates->setHeaderHidden(true);
    tvTemplates->setColumnCount(1);
    tvTemplates->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvTemplates->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(tvTemplates, &QTreeWidget::currentItemChanged, this, [this] {
        TemplateNodeSelected();
        NotifyStepChanged();
    });

    imgThumbnail = new TPictureBox(this);
    imgThumbnail->setObjectName(QStringLiteral("imgThumbnail"));
    imgThumbnail->setFixedSize(ThumbnailSize, ThumbnailSize);
    imgThumbnail->setFrameShape(QFrame::NoFrame);
    imgThumbnail->setContextMenuPolicy(Qt::NoContextMenu);
    memDescription = new QPlainTextEdit(this);
    memDescription->setObjectName(QStringLiteral("memDescription"));
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
    NameControlsForAccessibility(this);
}

QPixmap TframWizTemplate::GetStepImage() const {
    return SideImage("Step2Template");
}

void TframWizTemplate::FillTemplateTree(const TTemplates& Templates, QTreeWidget* Tree) {
    Tree->clear();
    for (int i = 0; i < Templates.Count(); ++i) {
        const TTemplate* tpl = Templates.Items(i);
        AddEntries(tpl->Items, NewNode(nullptr, Tree, tpl->Caption, nkTemplate, tpl));
    }
}

TTemplate* TframWizTemplate::NodeTemplate(const QTreeWidgetItem* Node) {
    if (!Node || Node->data(0, KindRole).toInt() != nkTemplate)
        return nullptr;
    return reinterpret_cast<TTemplate*>(Node->data(0, ObjectRole).value<quintptr>());
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
