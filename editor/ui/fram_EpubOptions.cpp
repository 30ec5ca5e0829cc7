#include "fram_EpubOptions.h"

#include "u_Dialogs.h"
#include "u_EditorServices.h"
#include "u_Epub.h"
#include "u_MFS.h"
#include "u_Project.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

const char* const SNotALanguageTag = "\"%s\" is not a language tag (such as en, en-GB, de, fr-CA)";

namespace {
const char* const SCaption = "EPUB Publication";
const char* const SExplanation =
    "File > Export EPUB... writes the book for e-readers, phones and library systems. These settings "
    "go into the publication.";
const char* const SLanguageHint = "The language of the book's text, as a language tag: en, en-GB, de, fr-CA";
const char* const SCoverHint = "The picture reading systems show for the book; one of the project's pictures";
const char* const SIdentifierHint =
    "Made once for the project, so that every export is the same publication (made at the first export "
    "when the project has none yet)";
const char* const SNoCover = "(none)";
} // namespace

TframEpubOptions::TframEpubOptions(IEditorMain& Main_, QWidget* Parent) : TframWizardStep(Main_, Parent) {
    setObjectName(QStringLiteral("framEpubOptions"));
    QLabel* caption = StepCaption(QString::fromUtf8(SCaption), this);
    auto* explanation = new QLabel(QString::fromUtf8(SExplanation), this);
    explanation->setWordWrap(true);

    edtLanguage = new QLineEdit(this);
    edtLanguage->setObjectName(QStringLiteral("edtLanguage"));
    edtLanguage->setToolTip(QString::fromUtf8(SLanguageHint));
    edtLanguage->setMaxLength(35);
    connect(edtLanguage, &QLineEdit::textChanged, this, [this] { NotifyStepChanged(); });

    cmbxCover = new QComboBox(this);
    cmbxCover->setObjectName(QStringLiteral("cmbxCover"));
    cmbxCover->setToolTip(QString::fromUtf8(SCoverHint));
    cmbxCover->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbxCover->setMinimumContentsLength(16);
    connect(cmbxCover, &QComboBox::currentIndexChanged, this, [this] { ShowCover(); });

    imgCover = new TPictureBox(this);
    imgCover->setObjectName(QStringLiteral("imgCover"));
    imgCover->setAccessibleName(QStringLiteral("Cover picture"));
    imgCover->setFixedSize(72, 96);
    imgCover->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    imgCover->setFrameShape(QFrame::StyledPanel);

    edtIdentifier = new QLineEdit(this);
    edtIdentifier->setObjectName(QStringLiteral("edtIdentifier"));
    edtIdentifier->setToolTip(QString::fromUtf8(SIdentifierHint));
    edtIdentifier->setReadOnly(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Language:"), edtLanguage);
    form->addRow(QStringLiteral("&Cover picture:"), cmbxCover);
    form->addRow(QString(), imgCover);
    form->addRow(QStringLiteral("&Identifier:"), edtIdentifier);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 8);
    layout->addWidget(caption);
    layout->addWidget(explanation);
    layout->addSpacing(8);
    layout->addLayout(form);
    layout->addStretch(1);
}

void TframEpubOptions::InitStep(IWizardStepOwner* Owner) {
    TframWizardStep::InitStep(Owner);
    const TEpubOptions& options = Main.Project().EpubOptions();
    edtLanguage->setText(Q(options.Language));
    cmbxCover->clear();
    cmbxCover->addItem(QString::fromUtf8(SNoCover));
    for (const std::string& path : EpubCoverCandidates(Main.Project().FilesStore()))
        cmbxCover->addItem(Q(path));
    int index = 0;
    if (!options.Cover.empty()) {
        index = cmbxCover->findText(Q(options.Cover), Qt::MatchFixedString);
        // A cover that is no longer among the pictures stays chosen until changed.
        if (index < 0) {
            cmbxCover->addItem(Q(options.Cover));
            index = cmbxCover->count() - 1;
        }
    }
    cmbxCover->setCurrentIndex(index);
    edtIdentifier->setText(Q(options.Identifier));
    ShowCover();
}

bool TframEpubOptions::IsStepValid() {
    return IsLanguageTag(edtLanguage->text().trimmed().toStdString());
}

void TframEpubOptions::ApplyStep() {
    if (!IsStepValid())
        throw EWizardError(Format(SNotALanguageTag, edtLanguage->text().trimmed().toStdString()));
    TEpubOptions options = Main.Project().EpubOptions();
    options.Language = edtLanguage->text().trimmed().toStdString();
    options.Cover = cmbxCover->currentIndex() <= 0 ? std::string() : cmbxCover->currentText().toStdString();
    Main.Project().SetEpubOptions(options);
}

void TframEpubOptions::ShowCover() {
    const int index = cmbxCover->currentIndex();
    if (index <= 0) {
        imgCover->ClearPicture();
        return;
    }
    auto session = Main.Project().FilesStore().NewSession();
    const std::string path = cmbxCover->currentText().toStdString();
    QImage picture;
    if (session->Exists(path) && !session->FolderExists(path)) {
        const std::string& bytes = session->OpenFile(path)->Content;
        picture.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()));
    }
    imgCover->SetPicture(picture);
}
