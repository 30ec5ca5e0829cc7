#include "frm_Main.h"

#include "u_Forms.h"
#include "u_ProgramFolder.h"
#include "u_Version.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTextCursor>
#include <QTextEdit>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QString Q(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string S(const QString& s) {
    const QByteArray bytes = s.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// The standard icon size of the platform's icon loading.
constexpr int standardIconSize = 32;

const char* const helpLines[] = {
    "Your eBook may have portions of text that may be branded with your own information.",
    "To brand your ebook, please do the following:",
    "",
    "Step 1: Click on the \"Open eBook\" button.",
    "Step 2: If you would like to change the icon, double click on the icon to select your own.",
    "Step 3: If the ebook has text that may be branded, the brandable fields will be displayed in the "
    "\"Key\" "
    "section above, with the current text listed in the \"Value\" section. Click on each value to edit the "
    "text.",
    "Step 4: Click on the \"Update\" button.",
    "Step 5: Click on the \"View eBook\" button to view your newly branded ebook.",
};

// The instructions: a bold heading, a blank line and the steps, one paragraph a line.
void FillHelp(QTextEdit* edit) {
    edit->clear();
    QTextCursor cursor(edit->document());
    QTextCharFormat heading;
    heading.setFontWeight(QFont::Bold);
    cursor.insertText("Branding Your eBook", heading);
    cursor.insertBlock();
    cursor.insertBlock();
    for (const char* line : helpLines) {
        cursor.insertText(line, QTextCharFormat());
        if (line != helpLines[std::size(helpLines) - 1])
            cursor.insertBlock();
    }
}

QPushButton* MakeButton(const char* name, const char* caption) {
    auto* button = new QPushButton(caption);
    button->setObjectName(name);
    button->setMinimumWidth(100);
    return button;
}

} // namespace

void TIconImage::mouseDoubleClickEvent(QMouseEvent* event) {
    QLabel::mouseDoubleClickEvent(event);
    emit doubleClicked();
}

QIcon IconFromData(const std::string& Data) {
    QIcon icon;
    if (Data.empty())
        return icon;
    QByteArray bytes(Data.data(), static_cast<qsizetype>(Data.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    for (int i = 0; i < std::max(1, reader.imageCount()); ++i) {
        if (i > 0 && !reader.jumpToNextImage())
            break;
        const QImage image = reader.read();
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

TfrmMain::TfrmMain(QWidget* parent) : QWidget(parent) {
    setObjectName("frmMain");
    setWindowTitle(Q("Inkstamp " + VersionText(0, 4)));
    resize(684, 492);

    // Book file name and title, with the icon beside them.
    auto* lblName = new QLabel("File Name");
    edtName = new QLineEdit;
    edtName->setObjectName("edtName");
    edtName->setReadOnly(true);
    lblName->setBuddy(edtName);
    auto* lblTitle = new QLabel("Title");
    edtTitle = new QLineEdit;
    edtTitle->setObjectName("edtTitle");
    edtTitle->setReadOnly(true);
    lblTitle->setBuddy(edtTitle);

    auto* lblIcon = new QLabel("Icon");
    lblIcon->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    imgIcon = new TIconImage;
    imgIcon->setObjectName("imgIcon");
    // A picture: named for screen readers, its hint their description.
    imgIcon->setAccessibleName("Icon");
    imgIcon->setFixedSize(59, 59);
    imgIcon->setAlignment(Qt::AlignCenter);
    imgIcon->setFrameShape(QFrame::StyledPanel);
    imgIcon->setToolTip("Double click on the icon to load new one.");
    imgIcon->setContextMenuPolicy(Qt::CustomContextMenu);

    popIcon = new QMenu(this);
    popIcon->setObjectName("popIcon");
    mnuLoadIcon = popIcon->addAction("Load Icon");
    mnuLoadIcon->setObjectName("mnuLoadIcon");
    QFont bold = mnuLoadIcon->font();
    bold.setBold(true); // the default item
    mnuLoadIcon->setFont(bold);
    popIcon->setDefaultAction(mnuLoadIcon);
    mnuResetIcon = popIcon->addAction("Reset");
    mnuResetIcon->setObjectName("mnuResetIcon");

    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(8);
    fields->setVerticalSpacing(6);
    fields->addWidget(lblName, 0, 0);
    fields->addWidget(edtName, 0, 1);
    fields->addWidget(lblTitle, 1, 0);
    fields->addWidget(edtTitle, 1, 1);
    fields->setColumnStretch(1, 1);
    auto* iconBox = new QVBoxLayout;
    iconBox->setSpacing(2);
    iconBox->addWidget(lblIcon);
    iconBox->addWidget(imgIcon, 0, Qt::AlignHCenter);
    auto* top = new QHBoxLayout;
    top->addLayout(fields, 1);
    top->addSpacing(12);
    top->addLayout(iconBox);

    // The brandable variables above the instructions.
    vleVariables = new QTableWidget(0, 2);
    vleVariables->setObjectName("vleVariables");
    vleVariables->setAccessibleName("Variables");
    vleVariables->setHorizontalHeaderLabels({"Key", "Value"});
    vleVariables->verticalHeader()->hide();
    vleVariables->verticalHeader()->setDefaultSectionSize(vleVariables->fontMetrics().height() + 10);
    vleVariables->setColumnWidth(0, 150);
    vleVariables->setColumnWidth(1, 508);
    vleVariables->horizontalHeader()->setStretchLastSection(true);
    vleVariables->setSelectionMode(QAbstractItemView::SingleSelection);
    vleVariables->setToolTip("Select the variable and enter new value.");

    edtHelp = new QTextEdit;
    edtHelp->setObjectName("edtHelp");
    edtHelp->setAccessibleName("Branding Your eBook");
    edtHelp->setReadOnly(true);
    FillHelp(edtHelp);

    splHelp = new QSplitter(Qt::Vertical);
    splHelp->setObjectName("splHelp");
    splHelp->setChildrenCollapsible(false);
    splHelp->addWidget(vleVariables);
    splHelp->addWidget(edtHelp);
    splHelp->setStretchFactor(0, 1);
    splHelp->setSizes({180, 175});

    btnOpen = MakeButton("btnOpen", "Open eBook");
    btnCloseModule = MakeButton("btnCloseModule", "Close eBook");
    btnUpdate = MakeButton("btnUpdate", "Update");
    btnViewEbook = MakeButton("btnViewEbook", "View eBook");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnOpen);
    buttons->addWidget(btnCloseModule);
    buttons->addStretch(1);
    buttons->addWidget(btnUpdate);
    buttons->addWidget(btnViewEbook);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);
    layout->addLayout(top);
    layout->addWidget(splHelp, 1);
    layout->addLayout(buttons);

    dlgOpen = new QFileDialog(this, "Open eBook");
    dlgOpen->setObjectName("dlgOpen");
    dlgOpen->setNameFilter("eBooks (*.exe)");
    dlgOpen->setDefaultSuffix("exe");
    dlgOpen->setFileMode(QFileDialog::ExistingFile);
    dlgOpen->setAcceptMode(QFileDialog::AcceptOpen);
    dlgOpenPicture = new QFileDialog(this, "Load Icon");
    dlgOpenPicture->setObjectName("dlgOpenPicture");
    dlgOpenPicture->setNameFilter("Icons (*.ico)");
    dlgOpenPicture->setDefaultSuffix("ico");
    dlgOpenPicture->setFileMode(QFileDialog::ExistingFile);
    dlgOpenPicture->setAcceptMode(QFileDialog::AcceptOpen);

    connect(btnOpen, &QPushButton::clicked, this, [this] { btnOpenClick(); });
    connect(btnCloseModule, &QPushButton::clicked, this, [this] { btnCloseModuleClick(); });
    connect(btnUpdate, &QPushButton::clicked, this, [this] { btnUpdateClick(btnUpdate); });
    connect(btnViewEbook, &QPushButton::clicked, this, [this] { btnViewEbookClick(); });
    connect(mnuLoadIcon, &QAction::triggered, this, [this] { mnuLoadIconClick(); });
    connect(mnuResetIcon, &QAction::triggered, this, [this] { mnuResetIconClick(); });
    connect(imgIcon, &TIconImage::doubleClicked, this, [this] { imgIconDblClick(); });
    connect(imgIcon, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { popIcon->popup(imgIcon->mapToGlobal(pos)); });

    CloseModule();
}

TfrmMain::~TfrmMain() {
    CloseModule();
}

template <typename Action>
void TfrmMain::Guarded(Action action) {
    try {
        action();
    } catch (const EAbort&) {
        // a cancelled command ends quietly
    } catch (const std::exception& e) {
        ShowError(ExceptionMessage(e));
    }
}

void TfrmMain::ShowIcon(const QIcon& icon) {
    if (icon.isNull())
        imgIcon->clear();
    else
        imgIcon->setPixmap(icon.pixmap(QSize(standardIconSize, standardIconSize)));
}

void TfrmMain::SetBookControlsEnabled(bool enabled) {
    // The grid shows the window colour while a book is open and the panel colour otherwise.
    QPalette palette = vleVariables->palette();
    const QPalette standard = QApplication::palette(vleVariables);
    palette.setColor(QPalette::Base,
                     enabled ? standard.color(QPalette::Base) : standard.color(QPalette::Window));
    palette.setColor(QPalette::Disabled, QPalette::Base,
                     enabled ? standard.color(QPalette::Base) : standard.color(QPalette::Window));
    vleVariables->setPalette(palette);
    vleVariables->setEnabled(enabled);
    imgIcon->setEnabled(enabled);
    btnUpdate->setEnabled(enabled);
    btnCloseModule->setEnabled(enabled);
    btnViewEbook->setEnabled(enabled);
}

void TfrmMain::FillGrid(const std::vector<TBrandingRow>& rows) {
    vleVariables->setRowCount(static_cast<int>(rows.size()));
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        auto* key = new QTableWidgetItem(Q(rows[static_cast<size_t>(i)].Name));
        key->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable); // keys are not edited
        key->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        vleVariables->setItem(i, 0, key);
        // The value editor is always shown; the cell under it holds the same text, which
        // is what screen readers read of the table.
        auto* shown = new QTableWidgetItem(Q(rows[static_cast<size_t>(i)].Value));
        shown->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        vleVariables->setItem(i, 1, shown);
        auto* value = new QLineEdit(shown->text());
        value->setObjectName(QString("edtValue%1").arg(i));
        // The field has no label of its own: the key beside it names it.
        value->setAccessibleName(key->text());
        value->setFrame(false);
        value->setProperty("shownValue", value->text());
        connect(value, &QLineEdit::textChanged, vleVariables,
                [shown](const QString& Text) { shown->setText(Text); });
        vleVariables->setCellWidget(i, 1, value);
    }
}

std::vector<TBrandingRow> TfrmMain::GridRows() const {
    // Names come from the book (keys are not edited); a value whose editor still shows
    // what it was given keeps the book's bytes exactly, whatever a line editor makes of
    // line breaks or bytes that are not UTF-8.
    std::vector<TBrandingRow> rows = FBook.Rows();
    for (int i = 0; i < vleVariables->rowCount() && i < static_cast<int>(rows.size()); ++i) {
        const auto* edit = qobject_cast<const QLineEdit*>(vleVariables->cellWidget(i, 1));
        if (edit && edit->text() != edit->property("shownValue").toString())
            rows[static_cast<size_t>(i)].Value = S(edit->text());
    }
    return rows;
}

bool TfrmMain::SetGridValue(const std::string& Name, const std::string& Value) {
    for (int i = 0; i < vleVariables->rowCount(); ++i)
        if (const QTableWidgetItem* key = vleVariables->item(i, 0); key && S(key->text()) == Name)
            if (auto* edit = qobject_cast<QLineEdit*>(vleVariables->cellWidget(i, 1))) {
                edit->setText(Q(Value));
                return true;
            }
    return false;
}

void TfrmMain::OpenModule(const std::string& FileName) {
    CloseModule();
    try {
        FBook.Open(FileName);
        edtName->setText(Q(FileName));
        edtTitle->setText(Q(FBook.Title()));
        FBookIcon = IconFromData(FBook.IconData());
        ShowIcon(FBookIcon);
        FillGrid(FBook.Rows());
        SetBookControlsEnabled(true);
    } catch (...) {
        CloseModule();
        throw;
    }
}

void TfrmMain::OpenBookFromCommandLine(const std::string& FileName) {
    Guarded([&] { OpenModule(FileName); });
}

void TfrmMain::CloseModule() {
    FBook.Close();
    edtTitle->clear();
    edtName->clear();
    FNewIcon.reset();
    imgIcon->clear();
    vleVariables->clearContents();
    vleVariables->setRowCount(0);
    SetBookControlsEnabled(false);
}

std::string TfrmMain::BuildVariablesXml() const {
    return FBook.BuildVariablesXml(GridRows());
}

void TfrmMain::btnOpenClick() {
    Guarded([this] {
        const std::string fileName = ChooseBookFile();
        if (!fileName.empty())
            OpenModule(fileName);
    });
}

void TfrmMain::btnCloseModuleClick() {
    CloseModule();
}

void TfrmMain::btnUpdateClick(QObject* Sender) {
    Guarded([&] {
        if (!Loaded())
            return;
        // The book is written first; the window keeps the typed values until that succeeded.
        FBook.Update(GridRows(), FNewIcon.value_or(std::string()));
        const std::string fileName = FBook.FileName();
        CloseModule();
        OpenModule(fileName);
        if (Sender && ConfirmRunBook())
            StartBook(fileName);
    });
}

void TfrmMain::btnViewEbookClick() {
    Guarded([this] { StartBook(S(edtName->text())); });
}

void TfrmMain::mnuLoadIconClick() {
    Guarded([this] {
        if (!Loaded())
            return;
        const std::string fileName = ChooseIconFile();
        if (fileName.empty())
            return;
        const std::string data = LoadIconFile(fileName);
        const QIcon icon = IconFromData(data);
        if (icon.isNull())
            throw EInvalidGraphic("Icon image is not valid");
        ShowIcon(icon);
        FNewIcon = data;
    });
}

void TfrmMain::imgIconDblClick() {
    mnuLoadIconClick();
}

void TfrmMain::mnuResetIconClick() {
    if (!Loaded())
        return;
    ShowIcon(FBookIcon);
    FNewIcon.reset();
}

std::string TfrmMain::ChooseBookFile() {
    if (dlgOpen->exec() != QDialog::Accepted || dlgOpen->selectedFiles().isEmpty())
        return std::string();
    return S(dlgOpen->selectedFiles().first());
}

std::string TfrmMain::ChooseIconFile() {
    if (dlgOpenPicture->exec() != QDialog::Accepted || dlgOpenPicture->selectedFiles().isEmpty())
        return std::string();
    return S(dlgOpenPicture->selectedFiles().first());
}

bool TfrmMain::ConfirmRunBook() {
    QMessageBox box(QMessageBox::Question, "Confirm", "eBook successfully branded. Would you like to run it?",
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    box.setDefaultButton(QMessageBox::Ok);
    NameMessageBoxIcon(box);
    return box.exec() == QMessageBox::Ok;
}

void TfrmMain::ShowError(const std::string& Message) {
    QMessageBox box(QMessageBox::Critical, "Inkstamp", Q(Message), QMessageBox::Ok, this);
    NameMessageBoxIcon(box);
    box.exec();
}

void TfrmMain::StartBook(const std::string& FileName) {
    if (FileName.empty())
        return;
    // The reader program for this platform, when one is installed beside this program.
    const QFileInfo reader(Q(ExecutableFolder() + "pagelamp"));
    bool started = false;
    if (reader.isFile() && reader.isExecutable())
        started = QProcess::startDetached(reader.absoluteFilePath(), {Q(FileName)});
    else
        started = QDesktopServices::openUrl(QUrl::fromLocalFile(Q(FileName)));
    if (!started)
        throw Exception(Format("Cannot run \"%s\"", FileName));
}

void TfrmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!FLayoutRestored) {
        FLayoutRestored = true;
        RestoreFormLayout(LayoutKey, this);
    }
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    SaveFormLayout(LayoutKey, this, loSizeAndPos | loSplitters);
    QWidget::closeEvent(event);
}
