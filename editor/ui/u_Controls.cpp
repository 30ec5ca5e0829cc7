#include "u_Controls.h"

#include "u_Forms.h"

#include <QAbstractItemView>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QWidget>

QString WithoutAccelerator(QString Text) {
    Text.remove(QLatin1Char('&'));
    return Text;
}

void SetControlName(QWidget* Control, const char* Name) {
    Control->setObjectName(QString::fromLatin1(Name));
}

void SetControlName(QWidget* Control, const char* Name, const QString& AccessibleName) {
    Control->setObjectName(QString::fromLatin1(Name));
    Control->setAccessibleName(AccessibleName);
}

void CurrentFollowsSelection(QAbstractItemView* View) {
    QObject::connect(View->selectionModel(), &QItemSelectionModel::selectionChanged, View, [View] {
        const QModelIndexList selected = View->selectionModel()->selectedIndexes();
        if (selected.isEmpty() || View->selectionModel()->isSelected(View->currentIndex()))
            return;
        View->selectionModel()->setCurrentIndex(selected.first(), QItemSelectionModel::NoUpdate);
    });
}

QLabel* BuddyLabel(const QString& Text, QWidget* Buddy, QWidget* Parent) {
    auto* label = new QLabel(Text, Parent);
    label->setBuddy(Buddy);
    return label;
}

void AddLabelledField(QWidget* Parent, QGridLayout* Grid, int Row, const char* Caption, const char* Name,
                      QWidget* Field) {
    SetControlName(Field, Name);
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
