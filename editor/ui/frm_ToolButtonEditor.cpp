#include "frm_ToolButtonEditor.h"

#include "u_Actions.h"
#include "u_CommandTable.h"
#include "u_Controls.h"
#include "u_Dialogs.h"
#include "u_MFS.h"
#include "u_ToolbarWidgets.h"
#include "u_eBookCommon.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

const char* const SLoadFilter = "All (*.bmp *.ico);;Bitmaps (*.bmp);;Icons (*.ico)";

// The save dialog's filter for the picture's own format.
std::string SaveFilter(const TButtonPicture& Picture) {
    switch (Picture.Kind) {
    case TButtonPictureKind::Icon:
        return "Icons (*.ico)";
    case TButtonPictureKind::Metafile:
        return Picture.Ext() == "emf" ? "Enhanced Metafiles (*.emf)" : "Metafiles (*.wmf)";
    case TButtonPictureKind::Bitmap:
    case TButtonPictureKind::None:
        break;
    }
    return "Bitmaps (*.bmp)";
}

} // namespace

TfrmToolButtonEditor::TfrmToolButtonEditor(QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("frmToolButtonEditor"));
    setWindowTitle(QStringLiteral("Toolbar Button Properties"));

    auto* fields = new QGridLayout;
    edtButtonCaption = NewLabelledField<QLineEdit>(this, fields, 0, "Caption", "edtButtonCaption");
    cmbxButtonKind = NewLabelledField<QComboBox>(this, fields, 1, "Type", "cmbxButtonKind");
    cmbxButtonKind->setEditable(true);
    cmbxButtonKind->setInsertPolicy(QComboBox::NoInsert);
    cmbxButtonKind->setMaxVisibleItems(ToolButtonKindCount);
    for (int kind = 0; kind < ToolButtonKindCount; ++kind)
        cmbxButtonKind->addItem(Q(ToolButtonCaption(kind)));
    connect(cmbxButtonKind, &QComboBox::currentIndexChanged, this, &TfrmToolButtonEditor::cmbxButtonKindChange);

    FCommands = new TCommandTable(this);
    actLoad = ToolbarCommand(this, "actLoad", "Load...", "Load picture", "load");
    actSave = ToolbarCommand(this, "actSave", "Save...", "Save picture", "save");
    actClear = ToolbarCommand(this, "actClear", "Clear", "Clear Picture", "clear");
    FCommands->Connect(actLoad, this, [this] { actLoadExecute(); });
    FCommands->Connect(actSave, this, [this] { actSaveExecute(); });
    FCommands->Connect(actClear, this, [this] { ClearPicture(); });
    FCommands->Add(actLoad, {});
    FCommands->Add(actSave, [this] { return FPicture.HasPicture(); });
    FCommands->Add(actClear, [this] { return FPicture.HasPicture(); });

    auto* pnlPicture = new QFrame(this);
    pnlPicture->setObjectName(QStringLiteral("pnlPicture"));
    pnlPicture->setFrameShape(QFrame::StyledPanel);
    tbPicture = NewToolBar(pnlPicture, "tbPicture", 16, Qt::ToolButtonTextBesideIcon);
    tbPicture->addAction(actLoad);
    tbPicture->addAction(actSave);
    tbPicture->addAction(actClear);
    imgButton = new QLabel(pnlPicture);
    SetControlName(imgButton, "imgButton", QStringLiteral("Button picture"));
    imgButton->setAlignment(Qt::AlignCenter);
    imgButton->setMinimumHeight(56);
    imgButton->setContextMenuPolicy(Qt::ActionsContextMenu);
    imgButton->addAction(actLoad);
    imgButton->addAction(actSave);
    imgButton->addAction(actClear);
    auto* pictureLayout = new QVBoxLayout(pnlPicture);
    pictureLayout->setContentsMargins(2, 2, 2, 2);
    pictureLayout->setSpacing(2);
    pictureLayout->addWidget(tbPicture);
    pictureLayout->addWidget(imgButton, 1);

    lblNote = new QLabel(QStringLiteral("Buttons must be in BMP format and be no larger than 32*32 pixels in size"),
                         this);
    lblNote->setObjectName(QStringLiteral("lblNote"));
    lblNote->setWordWrap(true);

    btnsOKCancel = NewOKCancelButtons(this);
    btnOK = btnsOKCancel->button(QDialogButtonBox::Ok);
    btnCancel = btnsOKCancel->button(QDialogButtonBox::Cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(pnlPicture, 1);
    layout->addWidget(lblNote);
    layout->addWidget(btnsOKCancel);
    resize(263, 270);

    ShowPicture();
    FCommands->Update();
}

void TfrmToolButtonEditor::SetValues(uint8_t Kind, const std::string& Caption, const TButtonPicture& Picture) {
    FFilling = true;
    if (Kind < ToolButtonKindCount) {
        cmbxButtonKind->setCurrentIndex(Kind);
    } else {
        cmbxButtonKind->setCurrentIndex(-1);
        cmbxButtonKind->setEditText(Q(ToolButtonCaption(Kind)));
    }
    FFilling = false;
    edtButtonCaption->setText(Q(Caption));
    FPicture = Picture;
    ShowPicture();
    FCommands->Update();
}

uint8_t TfrmToolButtonEditor::Kind() const {
    return ToolButtonKindOfText(cmbxButtonKind->currentText().toStdString());
}

std::string TfrmToolButtonEditor::Caption() const {
    return edtButtonCaption->text().toStdString();
}

void TfrmToolButtonEditor::cmbxButtonKindChange(int Index) {
    if (FFilling || Index < 0)
        return;
    edtButtonCaption->setText(Q(ToolButtonCaption(Index)));
}

void TfrmToolButtonEditor::LoadPictureFile(const std::string& FileName) {
    FPicture = ReadButtonPicture(ReadFileText(FileName), FileName, false);
    ShowPicture();
}

void TfrmToolButtonEditor::SavePictureFile(const std::string& FileName) const {
    WriteFileText(FPicture.FileBytes(), FileName);
}

void TfrmToolButtonEditor::ClearPicture() {
    FPicture = TButtonPicture();
    ShowPicture();
}

void TfrmToolButtonEditor::actLoadExecute() {
    Guarded(this, [this] {
        const std::string fileName = ChooseOpenFileName(this, "Open", "", SLoadFilter);
        if (!fileName.empty())
            LoadPictureFile(fileName);
    });
}

void TfrmToolButtonEditor::actSaveExecute() {
    if (!FPicture.HasPicture())
        return;
    Guarded(this, [this] {
        const std::string fileName = ChooseSaveFileName(this, "Save As", "", SaveFilter(FPicture), FPicture.Ext());
        if (!fileName.empty())
            SavePictureFile(fileName);
    });
}

void TfrmToolButtonEditor::ShowPicture() {
    imgButton->clear();
    if (FPicture.Kind == TButtonPictureKind::Metafile) {
        imgButton->setText(QStringLiteral("(metafile picture)"));
        return;
    }
    if (FPicture.Image.isNull())
        return;
    // Drawn as the list draws it: a bitmap with its top-left colour transparent.
    QImage shown = ButtonListPicture(FPicture, FPicture.Image.width(), FPicture.Image.height());
    const QSize room = imgButton->contentsRect().size();
    if (room.isValid() && (shown.width() > room.width() || shown.height() > room.height()))
        shown = shown.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    imgButton->setPixmap(QPixmap::fromImage(shown));
}

bool EditToolButton(QWidget* Parent, uint8_t& Kind, std::string& Caption, TButtonPicture& Picture) {
    TfrmToolButtonEditor dialog(Parent);
    dialog.SetValues(Kind, Caption, Picture);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    Kind = dialog.Kind();
    Caption = dialog.Caption();
    Picture = dialog.Picture();
    return true;
}
