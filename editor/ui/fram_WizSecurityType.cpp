#include "fram_WizSecurityType.h"

#include "u_EditorServices.h"
#include "u_Project.h"

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

std::string CellText(const QTableWidget* Grid, int Row, int Column) {
    const QTableWidgetItem* item = Grid->item(Row, Column);
    return item ? item->text().toStdString() : std::string();
}

} // namespace

TframWizSecurityType::TframWizSecurityType(IEditorMain& Main_, QWidget* Parent) : TframWizardStep(Main_, Parent) {
    setObjectName(QStringLiteral("framWizSecurityType"));
    QLabel* caption = StepCaption(QStringLiteral("Security Type"), this);

    rbNoSecurity = NamedControl<QRadioButton>("No Security", "rbNoSecurity", this);
    rbPassword = NamedControl<QRadioButton>("Password", "rbPassword", this);
    rbUsersAndPasswords = NamedControl<QRadioButton>("Users And Passwords", "rbUsersAndPasswords", this);
    grpMethod = new QButtonGroup(this);
    grpMethod->addButton(rbNoSecurity, 0);
    grpMethod->addButton(rbPassword, 1);
    grpMethod->addButton(rbUsersAndPasswords, 2);
    connect(grpMethod, &QButtonGroup::idToggled, this, [this] { UpdateProtectType(); });

    // The password is the author's own project data and is shown as typed.
    edtPassword = new QLineEdit(this);
    edtPassword->setObjectName(QStringLiteral("edtPassword"));

    grpProtectType = NamedControl<QGroupBox>("Protect Type", "grpProtectType", this);
    rbAllBook = NamedControl<QRadioButton>("All Book (Simple)", "rbAllBook", grpProtectType);
    rbSelectedPages = NamedControl<QRadioButton>("Selected Pages", "rbSelectedPages", grpProtectType);
    grpPasswordType = new QButtonGroup(this);
    grpPasswordType->addButton(rbAllBook, 0);
    grpPasswordType->addButton(rbSelectedPages, 1);
    connect(grpPasswordType, &QButtonGroup::idToggled, this, [this] { UpdateProtectType(); });
    auto* protectLayout = new QVBoxLayout(grpProtectType);
    protectLayout->setContentsMargins(8, 2, 8, 6);
    protectLayout->setSpacing(2);
    protectLayout->addWidget(rbAllBook);
    protectLayout->addWidget(rbSelectedPages);

    sgUsers = new QTableWidget(0, 2, this);
    SetControlName(sgUsers, "sgUsers", QStringLiteral("Users"));
    sgUsers->setToolTip(QStringLiteral("Enter user logins and passwords"));
    sgUsers->setHorizontalHeaderLabels({QStringLiteral("User"), QStringLiteral("Password")});
    sgUsers->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    sgUsers->verticalHeader()->hide();
    sgUsers->verticalHeader()->setDefaultSectionSize(22);
    sgUsers->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgUsers->setSelectionMode(QAbstractItemView::SingleSelection);
    sgUsers->setContextMenuPolicy(Qt::ActionsContextMenu);
    actAddUser = StepAction(this, "actAddUser", QStringLiteral("Add User"), QString(), "AddUser", [this] {
        AddUser();
        sgUsers->editItem(sgUsers->item(sgUsers->rowCount() - 1, 0));
    });
    actDeleteUser =
        StepAction(this, "actDeleteUser", QStringLiteral("Delete User"), QString(), "DeleteUser", [this] { DeleteUser(); });
    sgUsers->addAction(actAddUser);
    sgUsers->addAction(actDeleteUser);
    auto* gridButtons = new QHBoxLayout;
    gridButtons->setSpacing(0);
    gridButtons->addWidget(new QLabel(QStringLiteral("Users"), this));
    gridButtons->addStretch(1);
    gridButtons->addWidget(ActionToolButton(actAddUser, this));
    gridButtons->addWidget(ActionToolButton(actDeleteUser, this));

    auto* additional = NamedControl<QGroupBox>("Additional Options", "grpAdditionalOptions", this);
    cmbRightClick = new QComboBox(additional);
    cmbRightClick->setObjectName(QStringLiteral("cmbRightClick"));
    cmbRightClick->addItems({QStringLiteral("Allow"), QStringLiteral("Don't allow"), QStringLiteral("Custom")});
    auto* additionalLayout = new QHBoxLayout(additional);
    additionalLayout->setContentsMargins(8, 2, 8, 6);
    additionalLayout->addWidget(BuddyLabel(QStringLiteral("Allow Right Click"), cmbRightClick, additional));
    additionalLayout->addWidget(cmbRightClick);
    additionalLayout->addStretch(1);

    auto* left = new QVBoxLayout;
    left->setSpacing(3);
    left->addWidget(caption);
    left->addSpacing(4);
    left->addWidget(rbNoSecurity);
    left->addWidget(rbPassword);
    left->addWidget(rbUsersAndPasswords);
    left->addSpacing(6);
    left->addWidget(BuddyLabel(QStringLiteral("Password"), edtPassword, this));
    left->addWidget(edtPassword);
    left->addSpacing(4);
    left->addWidget(grpProtectType);
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->setSpacing(2);
    right->addLayout(gridButtons);
    right->addWidget(sgUsers, 1);
    auto* top = new QHBoxLayout;
    top->setSpacing(10);
    top->addLayout(left, 5);
    top->addLayout(right, 6);
    // The grid keeps 8 pixels from the right edge as the frame is resized.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(6);
    layout->addLayout(top, 1);
    layout->addWidget(additional);
}

QPixmap TframWizSecurityType::GetStepImage() const {
    return SideImage("Step5SecurityType");
}

void TframWizSecurityType::UpdateProtectType() {
    grpProtectType->setEnabled(rbPassword->isChecked());
}

void TframWizSecurityType::AddUser(const std::string& User, const std::string& Password) {
    const int row = sgUsers->rowCount();
    sgUsers->insertRow(row);
    sgUsers->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(User)));
    sgUsers->setItem(row, 1, new QTableWidgetItem(QString::fromStdString(Password)));
    sgUsers->setCurrentCell(row, 0);
}

void TframWizSecurityType::DeleteUser() {
    const int row = sgUsers->currentRow();
    if (row >= 0)
        sgUsers->removeRow(row);
}

std::vector<TSecurityUser> TframWizSecurityType::Users() const {
    std::vector<TSecurityUser> users;
    for (int row = 0; row < sgUsers->rowCount(); ++row)
        users.push_back({CellText(sgUsers, row, 0), CellText(sgUsers, row, 1)});
    return users;
}

void TframWizSecurityType::InitStep(IWizardStepOwner* Owner) {
    TframWizardStep::InitStep(Owner);
    TBookProject& project = Main.Project();
    cmbRightClick->setCurrentIndex(RightClickListIndex(project.Options().AllowRightClickContextMenu));
    const TSecuritySettings settings = project.Security();
    switch (settings.Method) {
    case TSecurityMethod::smPassword:
        rbPassword->setChecked(true);
        break;
    case TSecurityMethod::smUserPassword:
        rbUsersAndPasswords->setChecked(true);
        break;
    default:
        rbNoSecurity->setChecked(true);
        break;
    }
    edtPassword->setText(QString::fromStdString(settings.Password));
    (settings.PasswordType == TPasswordType::ptSelected ? rbSelectedPages : rbAllBook)->setChecked(true);
    sgUsers->setRowCount(0);
    for (const TSecurityUser& user : settings.Users)
        AddUser(user.User, user.Password);
    UpdateProtectType();
}

void TframWizSecurityType::ApplyStep() {
    TframWizardStep::ApplyStep();
    TBookProject& project = Main.Project();
    project.Options().AllowRightClickContextMenu = RightClickFromListIndex(cmbRightClick->currentIndex());
    const char* method = rbPassword->isChecked()            ? SecurityMethodText(TSecurityMethod::smPassword)
                         : rbUsersAndPasswords->isChecked() ? SecurityMethodText(TSecurityMethod::smUserPassword)
                                                            : SecurityMethodText(TSecurityMethod::smNone);
    const char* passwordType = rbAllBook->isChecked()         ? PasswordTypeText(TPasswordType::ptSimple)
                               : rbSelectedPages->isChecked() ? PasswordTypeText(TPasswordType::ptSelected)
                                                              : "";
    project.SetSecurityText(
        BuildEncryptXml(method, edtPassword->text().toStdString(), passwordType, Users()));
}
