#include "u_Controls.h"

#include "u_Forms.h"

#include <QAbstractButton>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QWidget>

QString WithoutAccelerator(QString Text) {
    Text.remove(QLatin1Char('&'));
    return Text;
}

void SetControlName(QWidget* Control, const char* Name) {
    SetControlName(Control, Name, QString::fromLatin1(Name));
}

void SetControlName(QWidget* Control, const char* Name, const QString& AccessibleName) {
    Control->setObjectName(QString::fromLatin1(Name));
    Control->setAccessibleName(AccessibleName);
}

namespace {

// The text of the label that names Control (its buddy), or empty.
QString BuddyText(QWidget* Root, QWidget* Control) {
    for (QLabel* label : Root->findChildren<QLabel*>())
        if (label->buddy() == Control)
            return WithoutAccelerator(label->text()).trimmed();
    return QString();
}

} // namespace

void NameControlsForAccessibility(QWidget* Root) {
    for (QWidget* control : Root->findChildren<QWidget*>()) {
        // Inner parts of Qt's own controls (a spin box's field, a view's viewport) are
        // named by their control.
        if (!control->accessibleName().isEmpty() || control->objectName().startsWith(QLatin1String("qt_")))
            continue;
        QString name;
        if (auto* button = qobject_cast<QAbstractButton*>(control))
            name = WithoutAccelerator(button->text());
        else if (auto* group = qobject_cast<QGroupBox*>(control))
            name = WithoutAccelerator(group->title());
        else if (auto* label = qobject_cast<QLabel*>(control))
            name = label->text();
        if (name.isEmpty())
            name = BuddyText(Root, control);
        if (name.isEmpty())
            name = control->toolTip();
        if (name.isEmpty())
            name = control->objectName();
        if (!name.isEmpty())
            control->setAccessibleName(name);
    }
}

QLabel* BuddyLabel(const QString& Text, QWidget* Buddy, QWidget* Parent) {
    auto* label = new QLabel(Text, Parent);
    label->setBuddy(Buddy);
    return label;
}

void AddLabelledField(QWidget* Parent, QGridLayout* Grid, int Row, const char* Caption, const char* Name,
                      QWidget* Field) {
    SetControlName(Field, Name, QString::fromUtf8(Caption));
    Grid->addWidget(BuddyLabel(QString::fromUtf8(Caption), Field, Parent), Row, 0);
    Grid->addWidget(Field, Row, 1);
}

QDialogButtonBox* NewOKCancelButtons(QDialog* Dialog, std::function<void()> OnOK) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Dialog);
    buttons->setObjectName(QStringLiteral("btnsOKCancel"));
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btnCancel"));
    if (OnOK)
        QObject::connect(buttons, &QDialogButtonBox::accepted, Dialog, std::move(OnOK));
    else
        QObject::connect(buttons, &QDialogButtonBox::accepted, Dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, Dialog, &QDialog::reject);
    return buttons;
}

void FitDialogToLayout(QDialog* Dialog) {
    // A hidden form lays its controls out only when asked: at the smallest size first.
    Dialog->adjustSize();
    if (QLayout* layout = Dialog->layout())
        layout->setGeometry(Dialog->rect());
    FitFormToControls(Dialog, false);
}

QColor ColorOfNumber(TColor Color) {
    const auto rgb = static_cast<uint32_t>(ColorToRGB(Color));
    return QColor(static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                  static_cast<int>((rgb >> 16) & 0xFF));
}

TColor NumberOfColor(const QColor& Color) {
    return static_cast<TColor>((Color.red() & 0xFF) | (Color.green() & 0xFF) << 8 |
                               (Color.blue() & 0xFF) << 16);
}
