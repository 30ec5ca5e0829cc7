#include "fram_WizFinish.h"

#include "c_LinkLabel.h"
#include "u_Dialogs.h"
#include "u_EditorServices.h"
#include "u_HostFiles.h"
#include "u_Project.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {
const char* const SFolderLinkHint = "Click here to open your eBook folder";
}

TframWizFinish::TframWizFinish(IEditorMain& Main_, QWidget* Parent) : TframWizardStep(Main_, Parent) {
    setObjectName(QStringLiteral("framWizFinish"));
    QLabel* caption = StepCaption(QStringLiteral("Wizard's work is done."), this);
    auto* text = NamedControl<QLabel>(
        QStringLiteral("Now you can press \"Finish\" button to continue editing your eBook, or compile and run it "
                       "right now."),
        "lblText", this);
    text->setWordWrap(true);

    lblFolder = new TLinkLabel(QString::fromUtf8(SFolderLinkHint), this);
    lblFolder->setObjectName(QStringLiteral("lblFolder"));
    lblFolder->setToolTip(QString::fromUtf8(SFolderLinkHint));
    lblFolder->LinkKind = TLinkKind::lkCustom;
    lblFolder->setWordWrap(true);

    btnCompile = NamedControl<QPushButton>(QStringLiteral("Compile"), "btnCompile", this);
    btnCompile->setToolTip(QStringLiteral("Compile eBook"));
    connect(btnCompile, &QPushButton::clicked, this, [this] {
        Guarded(this, [this] { Main.ExecuteCompile(); });
        Guarded(this, [this] { InitStep(StepOwner); });
    });
    btnRun = NamedControl<QPushButton>(QStringLiteral("Run"), "btnRun", this);
    btnRun->setToolTip(QStringLiteral("Run eBook"));
    connect(btnRun, &QPushButton::clicked, this, [this] {
        Guarded(this, [this] { Main.ExecuteRun(); });
        // Run compiles a project whose book is not there yet: the link follows.
        Guarded(this, [this] { InitStep(StepOwner); });
    });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnCompile);
    buttons->addWidget(btnRun);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 8);
    layout->setSpacing(6);
    layout->addWidget(caption);
    layout->addSpacing(12);
    layout->addWidget(text);
    layout->addSpacing(18);
    layout->addLayout(buttons);
    layout->addSpacing(12);
    layout->addWidget(lblFolder);
    layout->addStretch(1);
}

QPixmap TframWizFinish::GetStepImage() const {
    return SideImage("Step7Finish");
}

void TframWizFinish::InitStep(IWizardStepOwner*) {
    const std::string book = Main.OutputFileName();
    const bool exists = !book.empty() && HostFileExists(book);
    // Run compiles a book that is not there yet: it needs a story to compile.
    btnRun->setEnabled(exists || (Main.Project().IsOpen() && !Main.Project().Story().Empty()));
    lblFolder->setEnabled(exists);
    if (exists) {
        const QString folder = QString::fromStdString(HostFolderOf(book));
        lblFolder->setText(folder);
        lblFolder->CustomLink = QUrl::fromLocalFile(folder).toString().toStdString();
    } else {
        lblFolder->setText(QString::fromUtf8(SFolderLinkHint));
        lblFolder->CustomLink.clear();
    }
}
