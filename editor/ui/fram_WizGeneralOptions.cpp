#include "fram_WizGeneralOptions.h"

#include "u_Dialogs.h"
#include "u_EditorServices.h"
#include "u_Pictures.h"
#include "u_ProgramFolder.h"
#include "u_Project.h"
#include "u_Templates.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QIcon>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const char* const SOutputHint =
    "Choose whether the output eBook file will have the same name and placement as the project file or will "
    "have its own name and placement.";
const char* const SOutputPathHint = "Select the output path for the compiled eBook.";
const char* const SSelectOutputCaption = "Select output filename";
const char* const SExecutableFilter = "Executable files (*.exe)";
const char* const SIconFilter = "Icons (*.ico);;All Files (*)";
const char* const SNotAnIcon = "Cannot read icon \"%s\"";
constexpr int IconSize = 32;

QLineEdit* LineEdit(const char* Name, const char* Hint, QWidget* Parent) {
    auto* edit = new QLineEdit(Parent);
    edit->setObjectName(QLatin1String(Name));
    edit->setToolTip(QString::fromUtf8(Hint));
    return edit;
}

// The editor's own program icon, shown when the book has none of its own.
QPixmap ProgramIcon() {
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull())
        icon = QIcon(QString::fromStdString(ProgramFolder() + "System/Application.ico"));
    return icon.pixmap(IconSize, IconSize);
}

QPixmap IconPicture(const std::string& Bytes) {
    QImage image;
    image.loadFromData(reinterpret_cast<const uchar*>(Bytes.data()), static_cast<int>(Bytes.size()), "ICO");
    if (image.isNull())
        return QPixmap();
    return QPixmap::fromImage(image.scaled(IconSize, IconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

} // namespace

TframWizGeneralOptions::TframWizGeneralOptions(IEditorMain& Main_, QWidget* Parent)
    : TframWizardStep(Main_, Parent) {
    setObjectName(QStringLiteral("framWizGeneralOptions"));

    cmbxDefaultTemplate = new QComboBox(this);
    cmbxDefaultTemplate->setObjectName(QStringLiteral("cmbxDefaultTemplate"));

    grpOutput = NamedControl<QGroupBox>("Output", "grpOutput", this);
    grpOutput->setToolTip(QString::fromUtf8(SOutputHint));
    rbOutputDefault = NamedControl<QRadioButton>("Default", "rbOutputDefault", grpOutput);
    rbOutputSpecified = NamedControl<QRadioButton>("Specified Path", "rbOutputSpecified", grpOutput);
    grpOutputButtons = new QButtonGroup(this);
    grpOutputButtons->addButton(rbOutputDefault, 0);
    grpOutputButtons->addButton(rbOutputSpecified, 1);
    connect(grpOutputButtons, &QButtonGroup::idToggled, this, [this] { NotifyStepChanged(); });
    auto* outputLayout = new QHBoxLayout(grpOutput);
    outputLayout->setContentsMargins(8, 2, 8, 4);
    outputLayout->addWidget(rbOutputDefault);
    outputLayout->addWidget(rbOutputSpecified);
    outputLayout->addStretch(1);

    edtOutputPath = LineEdit("edtOutputPath", SOutputPathHint, this);
    connect(edtOutputPath, &QLineEdit::textChanged, this, [this] { NotifyStepChanged(); });
    btnSelectPath = new QToolButton(this);
    btnSelectPath->setObjectName(QStringLiteral("btnSelectPath"));
    // A picture button: named after the dialog it opens, its hint the description.
    btnSelectPath->setIcon(QIcon(QStringLiteral(":/icons/main/openproject.svg")));
    btnSelectPath->setIconSize(QSize(16, 16));
    btnSelectPath->setToolTip(QString::fromUtf8(SOutputPathHint));
    btnSelectPath->setAccessibleName(QString::fromUtf8(SSelectOutputCaption));
    connect(btnSelectPath, &QToolButton::clicked, this, [this] { Guarded(this, [this] { SelectPath(); }); });
    auto* pathRow = new QHBoxLayout;
    pathRow->setSpacing(2);
    pathRow->addWidget(edtOutputPath, 1);
    pathRow->addWidget(btnSelectPath);

    edtMainFormCaption = LineEdit("edtMainFormCaption", "Input the eBook window caption here.", this);
    edtApplicationTitle = LineEdit("edtApplicationTitle", "Input the eBook title here.", this);

    auto* left = new QVBoxLayout;
    left->setSpacing(2);
    left->addWidget(BuddyLabel(QStringLiteral("Default Template"), cmbxDefaultTemplate, this));
    left->addWidget(cmbxDefaultTemplate);
    left->addSpacing(4);
    left->addWidget(grpOutput);
    left->addSpacing(2);
    left->addWidget(BuddyLabel(QStringLiteral("Output Path"), edtOutputPath, this));
    left->addLayout(pathRow);
    left->addSpacing(6);
    left->addWidget(
        BuddyLabel(QStringLiteral("Enter your eBook \"Title Bar\" title"), edtMainFormCaption, this));
    left->addWidget(edtMainFormCaption);
    left->addSpacing(6);
    left->addWidget(
        BuddyLabel(QStringLiteral("Enter your eBook \"Task Bar\" title"), edtApplicationTitle, this));
    left->addWidget(edtApplicationTitle);
    left->addStretch(1);

    grpIcon = NamedControl<QGroupBox>("eBook Icon", "grpIcon", this);
    imgIcon = new QLabel(grpIcon);
    imgIcon->setObjectName(QStringLiteral("imgIcon"));
    imgIcon->setFixedSize(IconSize + 8, IconSize + 8);
    imgIcon->setAlignment(Qt::AlignCenter);
    imgIcon->setAccessibleName(QStringLiteral("eBook Icon"));
    btnLoadIcon = NamedControl<QPushButton>("Load Icon...", "btnLoadIcon", grpIcon);
    connect(btnLoadIcon, &QPushButton::clicked, this, [this] { Guarded(this, [this] { LoadIcon(); }); });
    btnResetIcon = NamedControl<QPushButton>("Reset Icon", "btnResetIcon", grpIcon);
    connect(btnResetIcon, &QPushButton::clicked, this, [this] { ResetIcon(); });
    auto* iconLayout = new QGridLayout(grpIcon);
    iconLayout->setContentsMargins(8, 4, 8, 6);
    iconLayout->setVerticalSpacing(4);
    iconLayout->addWidget(imgIcon, 0, 0, 2, 1, Qt::AlignCenter);
    iconLayout->addWidget(btnLoadIcon, 0, 1);
    iconLayout->addWidget(btnResetIcon, 1, 1);

    grpDisplay = NamedControl<QGroupBox>("Display Settings", "grpDisplay", this);
    spnedtWidth = StepSpinBox("spnedtWidth", WindowWidthMin, WindowWidthMax, grpDisplay);
    spnedtHeight = StepSpinBox("spnedtHeight", WindowHeightMin, WindowHeightMax, grpDisplay);
    cbxResizable = NamedControl<QCheckBox>("Resizable", "cbxResizable", grpDisplay);
    cbxRunMaximized = NamedControl<QCheckBox>("Run Maximized", "cbxRunMaximized", grpDisplay);
    btnResetDisplay = StepResetButton("btnResetDisplay", QStringLiteral("Reset display settings"), grpDisplay);
    connect(btnResetDisplay, &QToolButton::clicked, this, [this] { ResetDisplay(); });
    auto* displayLayout = new QGridLayout(grpDisplay);
    displayLayout->setContentsMargins(8, 4, 8, 6);
    displayLayout->setVerticalSpacing(4);
    displayLayout->addWidget(BuddyLabel(QStringLiteral("Width"), spnedtWidth, grpDisplay), 0, 0);
    displayLayout->addWidget(spnedtWidth, 0, 1);
    displayLayout->addWidget(BuddyLabel(QStringLiteral("Height"), spnedtHeight, grpDisplay), 1, 0);
    displayLayout->addWidget(spnedtHeight, 1, 1);
    displayLayout->addWidget(btnResetDisplay, 0, 2, 2, 1, Qt::AlignCenter);
    displayLayout->addWidget(cbxResizable, 2, 0, 1, 3);
    displayLayout->addWidget(cbxRunMaximized, 3, 0, 1, 3);
    displayLayout->setColumnStretch(1, 1);

    auto* right = new QVBoxLayout;
    right->setSpacing(6);
    right->addWidget(grpIcon);
    right->addWidget(grpDisplay);
    right->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(10);
    layout->addLayout(left, 3);
    layout->addLayout(right, 2);
}

QPixmap TframWizGeneralOptions::GetStepImage() const {
    return SideImage("Step3GeneralOptions");
}

void TframWizGeneralOptions::InitStep(IWizardStepOwner* Owner) {
    TframWizardStep::InitStep(Owner);
    const TProjectOptions& options = Main.Project().Options();
    const std::vector<std::string> entries = TemplateListEntries(Main.Templates());
    cmbxDefaultTemplate->clear();
    for (const std::string& entry : entries)
        cmbxDefaultTemplate->addItem(QString::fromStdString(entry));
    cmbxDefaultTemplate->setCurrentIndex(TemplateListIndex(entries, options.Template));

    edtOutputPath->setText(QString::fromStdString(options.OutputPath));
    (options.DefaultOutput ? rbOutputDefault : rbOutputSpecified)->setChecked(true);
    edtMainFormCaption->setText(QString::fromStdString(options.MainFormCaption));
    edtApplicationTitle->setText(QString::fromStdString(options.ApplicationTitle));
    spnedtWidth->setValue(options.Width);
    spnedtHeight->setValue(options.Height);
    cbxResizable->setChecked(options.ResizableWindow);
    cbxRunMaximized->setChecked(options.RunMaximized);

    const std::optional<std::string> icon = Main.Project().Icon();
    FIconBytes = icon.value_or(std::string());
    FIconSet = icon.has_value();
    ShowIcon();
}

void TframWizGeneralOptions::ShowIcon() {
    imgIcon->setPixmap(FIconSet ? IconPicture(FIconBytes) : ProgramIcon());
}

void TframWizGeneralOptions::LoadIcon() {
    const std::string fileName = ChooseOpenFileName(this, "Load Icon", "", SIconFilter);
    if (fileName.empty())
        return;
    const std::string bytes = ReadFileText(fileName);
    const QPixmap picture = IconPicture(bytes);
    if (picture.isNull())
        throw EPictureError(Format(SNotAnIcon, fileName));
    FIconBytes = bytes;
    FIconSet = true;
    imgIcon->setPixmap(picture);
}

void TframWizGeneralOptions::ResetIcon() {
    FIconSet = false;
    FIconBytes.clear();
    ShowIcon();
}

void TframWizGeneralOptions::ResetDisplay() {
    spnedtWidth->setValue(DefaultWindowWidth);
    spnedtHeight->setValue(DefaultWindowHeight);
}

void TframWizGeneralOptions::SelectPath() {
    const std::string fileName = ChooseSaveFileName(this, SSelectOutputCaption, edtOutputPath->text().toStdString(),
                                                    SExecutableFilter, "exe");
    if (!fileName.empty())
        edtOutputPath->setText(QString::fromStdString(fileName));
}

void TframWizGeneralOptions::ApplyStep() {
    TframWizardStep::ApplyStep();
    TProjectOptions& options = Main.Project().Options();
    options.Template = cmbxDefaultTemplate->currentText().toStdString();
    options.MainFormCaption = edtMainFormCaption->text().toStdString();
    options.ApplicationTitle = edtApplicationTitle->text().toStdString();
    options.OutputPath = edtOutputPath->text().toStdString();
    if (grpOutputButtons->checkedId() >= 0)
        options.DefaultOutput = rbOutputDefault->isChecked();
    options.RunMaximized = cbxRunMaximized->isChecked();
    options.ResizableWindow = cbxResizable->isChecked();
    options.Width = spnedtWidth->value();
    options.Height = spnedtHeight->value();
    Main.Project().SetIcon(FIconSet ? std::optional<std::string>(FIconBytes) : std::nullopt);
}
