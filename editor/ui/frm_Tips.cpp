#include "frm_Tips.h"

#include "c_MXWebBrowser.h"
#include "u_CaseBlind.h"
#include "u_EditorServices.h"
#include "u_Forms.h"
#include "u_HostFiles.h"
#include "u_MFS.h"
#include "u_ProgramFolder.h"
#include "u_Registry.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QMainWindow>
#include <QVBoxLayout>
#include <QWindowStateChangeEvent>

#include <algorithm>

const char* const SEditorSettingsKey = "Software\\Brevant\\Quarvel\\Editor";

bool IsTipFileName(const std::string& Name) {
    return LowerCaseText(Name).find(".htm") != std::string::npos;
}

std::vector<std::string> ListTipFiles(const std::string& Folder) {
    std::vector<std::string> names;
    if (!ListHostFolder(Folder, names))
        return {};
    std::erase_if(names, [&](const std::string& name) {
        return !IsTipFileName(name) || !HostFileExists(HostPathJoin(Folder, name));
    });
    std::stable_sort(names.begin(), names.end(), CaseBlindLess());
    return names;
}

int TipStartIndex(const std::vector<std::string>& Tips, const std::string& LastTip) {
    if (LastTip.empty())
        return 0;
    const auto place = std::lower_bound(Tips.begin(), Tips.end(), LastTip, CaseBlindLess());
    std::size_t index = static_cast<std::size_t>(place - Tips.begin());
    if (place != Tips.end() && SameTextCaseBlind(*place, LastTip))
        ++index;
    return index >= Tips.size() ? 0 : static_cast<int>(index);
}

int NextTipIndex(int Index, int Count) {
    return Count <= 0 || Index + 1 >= Count ? 0 : Index + 1;
}

int PreviousTipIndex(int Index, int Count) {
    if (Count <= 0)
        return 0;
    return Index - 1 < 0 || Index - 1 >= Count ? Count - 1 : Index - 1;
}

QWidget* ApplicationMainWindow() {
    QWidget* hidden = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(widget)) {
            if (widget->isVisible())
                return widget;
            if (!hidden)
                hidden = widget;
        }
    return hidden;
}

TfrmTips::TfrmTips(QWidget* Parent)
    : QDialog(Parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmTips"));
    setWindowTitle(QStringLiteral("Tip of the Day"));

    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("pnlTip"));
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Sunken);
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->setContentsMargins(1, 1, 1, 1);
    wbTip = new TMXWebBrowser(frame);
    wbTip->setObjectName(QStringLiteral("wbTip"));
    wbTip->setAccessibleName(QStringLiteral("Tip"));
    // A tip is a page to read, not to browse: no context menu.
    wbTip->OnShowContextMenu = [](TMXWebBrowser&, const QPoint&) { return S_OK; };
    frameLayout->addWidget(wbTip);

    cmbStartupAction = new QComboBox(this);
    cmbStartupAction->setObjectName(QStringLiteral("cmbStartupAction"));
    cmbStartupAction->addItems({QStringLiteral("Always show tips at startup"),
                                QStringLiteral("Show tips at startup if not opening a project"),
                                QStringLiteral("Never show tips at startup")});
    cmbStartupAction->setSizeAdjustPolicy(QComboBox::AdjustToContents);

    btnPreviousTip = new QPushButton(QStringLiteral("&Previous Tip"), this);
    btnPreviousTip->setObjectName(QStringLiteral("btnPreviousTip"));
    btnNextTip = new QPushButton(QStringLiteral("&Next Tip"), this);
    btnNextTip->setObjectName(QStringLiteral("btnNextTip"));
    btnClose = new QPushButton(QStringLiteral("&Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setDefault(true);
    for (QPushButton* button : {btnPreviousTip, btnNextTip, btnClose})
        button->setMinimumWidth(100);
    connect(btnPreviousTip, &QPushButton::clicked, this, &TfrmTips::btnPreviousTipClick);
    connect(btnNextTip, &QPushButton::clicked, this, &TfrmTips::btnNextTipClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);

    // The tip fills the window; the buttons stand on its right, Close at the bottom
    // beside the startup choice.
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(6);
    buttons->addWidget(btnNextTip);
    buttons->addWidget(btnPreviousTip);
    buttons->addStretch(1);
    grid->addWidget(frame, 0, 0);
    grid->addLayout(buttons, 0, 1);
    grid->addWidget(cmbStartupAction, 1, 0, Qt::AlignLeft | Qt::AlignVCenter);
    grid->addWidget(btnClose, 1, 1);
    grid->setRowStretch(0, 1);
    grid->setColumnStretch(0, 1);
    setFixedSize(571, 360);

    FMainWindow = ApplicationMainWindow();
    if (FMainWindow == this)
        FMainWindow = nullptr;
    if (FMainWindow)
        FMainWindow->installEventFilter(this);
}

TfrmTips::~TfrmTips() {
    if (FMainWindow)
        FMainWindow->removeEventFilter(this);
}

std::string TfrmTips::TipsFolder() const {
    return ProgramFolder() + "Tips";
}

void TfrmTips::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    if (!FShown) {
        FShown = true;
        FormShow();
    }
}

void TfrmTips::FormShow() {
    FitFormToControls(this, true);
    FTips = ListTipFiles(TipsFolder());
    const int action = ReadRegInteger(SEditorSettingsKey, "TipsStartupAction", saAlways);
    // A stored value that is no entry of the list selects the default.
    cmbStartupAction->setCurrentIndex(action >= 0 && action < cmbStartupAction->count() ? action : saAlways);
    ShowTip(TipStartIndex(FTips, ReadRegString(SEditorSettingsKey, "LastTip")));
}

void TfrmTips::ShowTip(int Index) {
    if (Index < 0 || Index >= static_cast<int>(FTips.size()))
        return;
    FTipIndex = Index;
    WriteRegString(SEditorSettingsKey, "LastTip", FTips[Index]);
    const std::string path = HostPathJoin(TipsFolder(), FTips[Index]);
    if (HostFileExists(path))
        wbTip->Navigate(path);
}

void TfrmTips::btnNextTipClick() {
    if (!FTips.empty())
        ShowTip(NextTipIndex(FTipIndex, static_cast<int>(FTips.size())));
}

void TfrmTips::btnPreviousTipClick() {
    if (!FTips.empty())
        ShowTip(PreviousTipIndex(FTipIndex, static_cast<int>(FTips.size())));
}

void TfrmTips::done(int Result) {
    WriteRegInteger(SEditorSettingsKey, "TipsStartupAction", cmbStartupAction->currentIndex());
    QDialog::done(Result);
}

void TfrmTips::changeEvent(QEvent* Event) {
    QDialog::changeEvent(Event);
    // Minimizing the tips minimizes the editor with them.
    if (Event->type() == QEvent::WindowStateChange && isMinimized() && FMainWindow && !FMainWindow->isMinimized())
        FMainWindow->setWindowState(FMainWindow->windowState() | Qt::WindowMinimized);
}

bool TfrmTips::eventFilter(QObject* Watched, QEvent* Event) {
    // The editor coming back brings the tips back to the front.
    if (Watched == FMainWindow && Event->type() == QEvent::WindowStateChange) {
        auto* change = static_cast<QWindowStateChangeEvent*>(Event);
        if ((change->oldState() & Qt::WindowMinimized) && !FMainWindow->isMinimized()) {
            setWindowState(windowState() & ~Qt::WindowMinimized);
            if (isVisible()) {
                raise();
                activateWindow();
            }
        }
    }
    return QDialog::eventFilter(Watched, Event);
}

static TEditorWindowRegistration tipsRegistration([](TEditorWindowTable& Table) {
    Table.ShowTips = [] {
        {
            TfrmTips tips(ApplicationMainWindow());
            tips.exec();
        }
        QCoreApplication::processEvents();
    };
});
