#include "fram_PageProperties.h"

#include "u_Controls.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

void TFlagCheckBox::nextCheckState() {
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

TframPageProperties::TframPageProperties(QWidget* Parent) : QFrame(Parent) {
    setObjectName(QStringLiteral("pnlPageProperties"));
    setAccessibleName(QStringLiteral("Page Properties"));
    setFrameShape(QFrame::StyledPanel);

    pnlTitle = new QWidget(this);
    SetControlName(pnlTitle, "pnlPagePropertiesTitle");
    pnlTitle->setAutoFillBackground(true);
    pnlTitle->setBackgroundRole(QPalette::Mid);
    pnlTitle->installEventFilter(this);
    lblTitle = new QLabel(tr("Page Properties"), pnlTitle);
    lblTitle->setObjectName(QStringLiteral("lblPageProperties"));
    QFont bold = lblTitle->font();
    bold.setBold(true);
    lblTitle->setFont(bold);
    sbtnPropertiesPin = new QToolButton(pnlTitle);
    SetControlName(sbtnPropertiesPin, "sbtnPropertiesPin", tr("Keep the panel open"));
    sbtnPropertiesPin->setToolTip(tr("Keep the panel open"));
    sbtnPropertiesPin->setCheckable(true);
    sbtnPropertiesPin->setChecked(true);
    sbtnPropertiesPin->setAutoRaise(true);
    sbtnPropertiesPin->setIconSize(QSize(14, 14));
    sbtnPropertiesPin->setIcon(QIcon(QStringLiteral(":/icons/main/pin_in.svg")));
    auto* titleLayout = new QHBoxLayout(pnlTitle);
    titleLayout->setContentsMargins(6, 1, 1, 1);
    titleLayout->addWidget(lblTitle, 1);
    titleLayout->addWidget(sbtnPropertiesPin);

    auto* boxes = new QWidget(this);
    auto* grid = new QGridLayout(boxes);
    grid->setContentsMargins(8, 4, 8, 4);
    grid->setVerticalSpacing(2);
    const char* names[4] = {"cbAllowRightClick", "cbPasswordProtection", "cbIncludeInTOC", "cbSearchable"};
    const QString captions[4] = {tr("Allow Right Click"), tr("Password Protection"), tr("Include in TOC"),
                                 tr("Searchable")};
    for (int f = 0; f < 4; ++f) {
        auto* box = new TFlagCheckBox(captions[f], boxes);
        box->setObjectName(QString::fromLatin1(names[f]));
        box->setTristate(true);
        grid->addWidget(box, f, 0);
        cbFlags[f] = box;
        connect(box, &QCheckBox::stateChanged, this, [this, f](int state) {
            if (FShowing || state == Qt::PartiallyChecked)
                return;
            emit FlagChosen(static_cast<TItemFlag>(f), state == Qt::Checked);
        });
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    layout->addWidget(pnlTitle);
    layout->addWidget(boxes, 1);
    setFixedHeight(OpenHeight);

    tmrFold = new QTimer(this);
    tmrFold->setObjectName(QStringLiteral("tmrFold"));
    tmrFold->setInterval(FoldInterval);
    connect(tmrFold, &QTimer::timeout, this, &TframPageProperties::FoldTimerTick);
    connect(sbtnPropertiesPin, &QToolButton::toggled, this, &TframPageProperties::PinToggled);
}

void TframPageProperties::ShowStates(const std::array<TTriState, 4>& States) {
    FShowing = true;
    for (int f = 0; f < 4; ++f) {
        const Qt::CheckState state = States[f] == TTriState::Checked   ? Qt::Checked
                                     : States[f] == TTriState::Grayed ? Qt::PartiallyChecked
                                                                      : Qt::Unchecked;
        if (cbFlags[f]->checkState() != state)
            cbFlags[f]->setCheckState(state);
    }
    FShowing = false;
}

int TframPageProperties::FoldedHeight() const {
    return pnlTitle->sizeHint().height() + 2;
}

void TframPageProperties::SetFolded(bool Folded) {
    FFolded = Folded;
    setFixedHeight(Folded ? FoldedHeight() : OpenHeight);
}

void TframPageProperties::PinToggled(bool Pinned) {
    sbtnPropertiesPin->setIcon(
        QIcon(Pinned ? QStringLiteral(":/icons/main/pin_in.svg") : QStringLiteral(":/icons/main/pin_out.svg")));
    if (Pinned) {
        tmrFold->stop();
        SetFolded(false);
        return;
    }
    // A panel whose control has the focus stays open until the pointer leaves it.
    QWidget* focus = QApplication::focusWidget();
    if (!(focus && isAncestorOf(focus)))
        tmrFold->start();
}

void TframPageProperties::FoldTimerTick() {
    tmrFold->stop();
    const QRect area(mapToGlobal(QPoint(0, 0)), size());
    if (area.contains(QCursor::pos()))
        tmrFold->start();
    else
        SetFolded(true);
}

bool TframPageProperties::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == pnlTitle && (Event->type() == QEvent::Enter || Event->type() == QEvent::MouseMove) && FFolded &&
        !sbtnPropertiesPin->isChecked()) {
        SetFolded(false);
        tmrFold->start();
    }
    return QFrame::eventFilter(Watched, Event);
}
