#include "frm_ProjectOptions.h"

#include "fram_EpubOptions.h"
#include "fram_WizGeneralOptions.h"
#include "fram_WizSecurityType.h"
#include "fram_WizSplash.h"
#include "fram_WizToolbarOptions.h"
#include "u_Actions.h"
#include "u_CommandTable.h"
#include "u_Controls.h"
#include "u_Dialogs.h"
#include "u_EditorServices.h"
#include "u_Project.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

const char* const SToolbarImageSizeChanged = "Toolbar image size changed. Open toolbar setup?";

namespace {

constexpr int ClientWidth = 512;
constexpr int ClientHeight = 374;

TEditorWindowRegistration registration([](TEditorWindowTable& Table) {
    Table.ShowProjectOptions = ShowProjectOptions;
});

} // namespace

TfrmProjectOptions::TfrmProjectOptions(IEditorMain& Main, QWidget* Parent) : QDialog(Parent), FMain(Main) {
    setObjectName(QStringLiteral("frmProjectOptions"));
    setWindowTitle(QStringLiteral("Project Options"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(ClientWidth, ClientHeight);

    pgcOptions = new QTabWidget(this);
    pgcOptions->setObjectName(QStringLiteral("pgcOptions"));
    framGeneral = new TframWizGeneralOptions(Main);
    framSecurity = new TframWizSecurityType(Main);
    framToolbar = new TframWizToolbarOptions(Main);
    framSplash = new TframWizSplash(Main);
    framEpub = new TframEpubOptions(Main);
    pgcOptions->addTab(framGeneral, QStringLiteral("General"));
    pgcOptions->addTab(framSecurity, QStringLiteral("Security"));
    pgcOptions->addTab(framToolbar, QStringLiteral("Toolbar"));
    pgcOptions->addTab(framSplash, QStringLiteral("Splash"));
    pgcOptions->addTab(framEpub, QStringLiteral("EPUB"));
    pgcOptions->setCurrentWidget(framSecurity);

    // OK applies the pages first and closes the dialog only when they were applied.
    QDialogButtonBox* buttons = NewOKCancelButtons(this, [this] { btnOkClick(); });
    btnOk = buttons->button(QDialogButtonBox::Ok);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnCancel = buttons->button(QDialogButtonBox::Cancel);
    for (QPushButton* button : {btnOk, btnCancel})
        button->setMinimumWidth(80);
    btnCancel->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    layout->addWidget(pgcOptions, 1);
    layout->addWidget(buttons);
}

void TfrmProjectOptions::showEvent(QShowEvent* Event) {
    if (!FInitialised) {
        FInitialised = true;
        Guarded(this, [this] { FormShow(); });
    }
    QDialog::showEvent(Event);
}

void TfrmProjectOptions::FormShow() {
    framGeneral->InitStep(nullptr);
    framSecurity->InitStep(nullptr);
    framToolbar->InitStep(nullptr);
    framSplash->InitStep(nullptr);
    framEpub->InitStep(nullptr);
}

void TfrmProjectOptions::btnOkClick() {
    bool openDesigner = false;
    const bool applied = Guarded(this, [this, &openDesigner] {
        framGeneral->ApplyStep();
        framSecurity->ApplyStep();
        framToolbar->ApplyStep();
        framSplash->ApplyStep();
        framEpub->ApplyStep();
        FMain.Project().SetModified();
        FMain.StoryChanged();
        if (framToolbar->ImageSizeChanged())
            openDesigner = MessageDlg(this, SToolbarImageSizeChanged, TMsgDlgType::mtWarning,
                                      QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    });
    if (!applied)
        return;
    accept();
    // The designer opens in the main window once this dialog is out of the way.
    if (openDesigner)
        EditorWindows().OpenToolbarDesigner(FMain);
}

bool ShowProjectOptions(IEditorMain& Main) {
    TfrmProjectOptions dialog(Main, Main.MainWidget());
    return dialog.exec() == QDialog::Accepted;
}
