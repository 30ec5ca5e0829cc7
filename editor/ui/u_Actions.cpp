#include "u_Actions.h"

#include "u_Controls.h"

#include <QAction>
#include <QToolBar>
#include <QWidget>

QToolBar* NewToolBar(QWidget* Parent, const char* Name, int IconSize, Qt::ToolButtonStyle Style,
                     const QString& AccessibleName) {
    auto* bar = new QToolBar(Parent);
    SetControlName(bar, Name);
    if (!AccessibleName.isEmpty())
        bar->setAccessibleName(AccessibleName);
    bar->setIconSize(QSize(IconSize, IconSize));
    bar->setToolButtonStyle(Style);
    return bar;
}

QWidget* AddToolAction(QToolBar* Bar, QAction* Action) {
    Bar->addAction(Action);
    QWidget* button = Bar->widgetForAction(Action);
    button->setObjectName(Action->objectName());
    return button;
}
