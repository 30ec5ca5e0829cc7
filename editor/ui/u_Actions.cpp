#include "u_Actions.h"

#include "u_Controls.h"
#include "u_Dialogs.h"
#include "u_EditorServices.h"

#include <QAction>
#include <QToolBar>
#include <QWidget>

QToolBar* NewToolBar(QWidget* Parent, const char* Name, int IconSize, Qt::ToolButtonStyle Style,
                     const QString& AccessibleName) {
    auto* bar = new QToolBar(Parent);
    SetControlName(bar, Name, AccessibleName.isEmpty() ? QString::fromLatin1(Name) : AccessibleName);
    bar->setIconSize(QSize(IconSize, IconSize));
    bar->setToolButtonStyle(Style);
    return bar;
}

QWidget* AddToolAction(QToolBar* Bar, QAction* Action) {
    Bar->addAction(Action);
    QWidget* button = Bar->widgetForAction(Action);
    button->setObjectName(Action->objectName());
    button->setAccessibleName(WithoutAccelerator(Action->text()));
    return button;
}

void ShowWindowNotAvailable(QWidget* Parent) {
    MessageDlg(Parent, SWindowNotAvailable, TMsgDlgType::mtInformation, QMessageBox::Ok, QMessageBox::Ok);
}
