#include "fram_WizFolder.h"

#include "u_AddFile.h"
#include "u_EditorServices.h"
#include "u_Project.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QTreeView>
#include <QVBoxLayout>

namespace {
const char* const SFolderHint = "Choose the folder with the desired HTML-files.";
}

TframWizFolder::TframWizFolder(IEditorMain& Main_, QWidget* Parent) : TframWizardStep(Main_, Parent) {
    setObjectName(QStringLiteral("framWizFolder"));
    FModel = new QFileSystemModel(this);
    FModel->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    FModel->setReadOnly(true);
    FModel->setRootPath(QDir::rootPath());

    auto* label = new QLabel(QString::fromUtf8(SFolderHint), this);
    tvFolders = new QTreeView(this);
    SetControlName(tvFolders, "tvFolders", QStringLiteral("Folders"));
    tvFolders->setToolTip(QString::fromUtf8(SFolderHint));
    tvFolders->setModel(FModel);
    for (int column = 1; column < FModel->columnCount(); ++column)
        tvFolders->hideColumn(column);
    tvFolders->header()->hide();
    tvFolders->setSelectionMode(QAbstractItemView::SingleSelection);
    CurrentFollowsSelection(tvFolders);
    label->setBuddy(tvFolders);
    connect(tvFolders->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { NotifyStepChanged(); });

    // The tree opens on the author's home folder, nothing selected yet. The model reads
    // folders in the background: the way to the home folder is shown once it is read.
    const QString home = QDir::homePath();
    for (QModelIndex index = FModel->index(home); index.isValid(); index = index.parent())
        tvFolders->expand(index);
    connect(FModel, &QFileSystemModel::directoryLoaded, this, [this, home](const QString& Path) {
        const QModelIndex current = tvFolders->selectionModel()->currentIndex();
        if (current.isValid()) {
            // Rows of a folder on the way to the selected one came in and may have moved it.
            if (FModel->filePath(current).startsWith(Path))
                tvFolders->scrollTo(current);
        } else if (Path == QFileInfo(home).absolutePath()) {
            tvFolders->scrollTo(FModel->index(home), QAbstractItemView::PositionAtTop);
        }
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(label);
    layout->addWidget(tvFolders, 1);
}

QPixmap TframWizFolder::GetStepImage() const {
    return SideImage("Step1Folder");
}

std::string TframWizFolder::SelectedFolder() const {
    const QModelIndex index = tvFolders->selectionModel()->currentIndex();
    if (!index.isValid() || !tvFolders->selectionModel()->isSelected(index))
        return std::string();
    return FModel->filePath(index).toStdString();
}

void TframWizFolder::SelectFolder(const std::string& Folder) {
    const QModelIndex index = FModel->index(QString::fromStdString(Folder));
    if (!index.isValid())
        return;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        tvFolders->expand(parent);
    tvFolders->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    tvFolders->scrollTo(index);
}

bool TframWizFolder::IsStepValid() {
    const std::string folder = SelectedFolder();
    return !folder.empty() && QFileInfo(QString::fromStdString(folder)).isDir();
}

void TframWizFolder::ApplyStep() {
    TframWizardStep::ApplyStep();
    ImportFolder(Main.Project(), SelectedFolder());
    Main.StoryChanged();
}

int TframWizFolder::NextStepOffset() {
    return SourceStepNextOffset(OwnStepIndex());
}
