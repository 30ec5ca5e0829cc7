#include "u_Dialogs.h"

#include "u_CommandTable.h"
#include "u_Forms.h"

#include "u_Controls.h"
#include "u_Exception.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QInputDialog>
#include <QPushButton>
#include <QSplitter>
#include <QTreeView>

namespace {

TDialogAnswerer& Answerer() {
    static TDialogAnswerer answerer;
    return answerer;
}

// The platform's message texts use CR LF; a message box wants plain line feeds.
QString MessageText(const std::string& Text) {
    QString text = Q(Text);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

QString Caption(TMsgDlgType Type) {
    switch (Type) {
    case TMsgDlgType::mtWarning:
        return QStringLiteral("Warning");
    case TMsgDlgType::mtError:
        return QStringLiteral("Error");
    case TMsgDlgType::mtInformation:
        return QStringLiteral("Information");
    case TMsgDlgType::mtConfirmation:
        return QStringLiteral("Confirm");
    case TMsgDlgType::mtCustom:
        break;
    }
    return QApplication::applicationName();
}

QMessageBox::Icon IconOf(TMsgDlgType Type) {
    switch (Type) {
    case TMsgDlgType::mtWarning:
        return QMessageBox::Warning;
    case TMsgDlgType::mtError:
        return QMessageBox::Critical;
    case TMsgDlgType::mtInformation:
        return QMessageBox::Information;
    case TMsgDlgType::mtConfirmation:
        return QMessageBox::Question;
    case TMsgDlgType::mtCustom:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

TDialogAnswerer SetDialogAnswerer(TDialogAnswerer NewAnswerer) {
    TDialogAnswerer previous = std::move(Answerer());
    Answerer() = std::move(NewAnswerer);
    return previous;
}

QMessageBox::StandardButton MessageDlg(QWidget* Parent, const std::string& Text, TMsgDlgType Type,
                                       QMessageBox::StandardButtons Buttons, QMessageBox::StandardButton Default) {
    if (Answerer()) {
        TDialogRequest request{"message", Text, Type, Buttons, {}};
        return Answerer()(request);
    }
    QMessageBox box(IconOf(Type), Caption(Type), MessageText(Text), Buttons, Parent);
    NameMessageBoxIcon(box);
    if (Default != QMessageBox::NoButton)
        box.setDefaultButton(Default);
    if (Buttons & QMessageBox::Cancel)
        box.setEscapeButton(QMessageBox::Cancel);
    else if (Buttons & QMessageBox::No)
        box.setEscapeButton(QMessageBox::No);
    const int result = box.exec();
    if (result == QMessageBox::NoButton || !(Buttons & result)) {
        if (Buttons & QMessageBox::Cancel)
            return QMessageBox::Cancel;
        if (Buttons & QMessageBox::No)
            return QMessageBox::No;
        return Default;
    }
    return static_cast<QMessageBox::StandardButton>(result);
}

void ShowMessage(QWidget* Parent, const std::string& Text) {
    MessageDlg(Parent, Text, TMsgDlgType::mtCustom, QMessageBox::Ok, QMessageBox::Ok);
}

void ShowErrorMessage(QWidget* Parent, const std::string& Text) {
    MessageDlg(Parent, Text, TMsgDlgType::mtError, QMessageBox::Ok, QMessageBox::Ok);
}

// The editor's commands show their failures in its error dialog.
static const bool GuardSet = (TCommandTable::SetGuard(&Guarded), true);

bool Guarded(QWidget* Parent, const std::function<void()>& Action) {
    try {
        Action();
        return true;
    } catch (const EAbort&) {
        return false;
    } catch (const std::bad_alloc&) {
        ShowErrorMessage(Parent, "Out of memory");
    } catch (const std::exception& e) {
        ShowErrorMessage(Parent, e.what());
    }
    return false;
}

std::string ChooseOpenFileName(QWidget* Parent, const std::string& Caption_, const std::string& Start,
                               const std::string& Filter) {
    if (Answerer()) {
        TDialogRequest request{"open", Caption_, TMsgDlgType::mtCustom, {}, Start};
        return Answerer()(request) == QMessageBox::Ok ? request.Value : std::string();
    }
    return S(QFileDialog::getOpenFileName(Parent, Q(Caption_), Q(Start), Q(Filter)));
}

std::string ChooseSaveFileName(QWidget* Parent, const std::string& Caption_, const std::string& Start,
                               const std::string& Filter, const std::string& DefaultExt) {
    std::string chosen;
    if (Answerer()) {
        TDialogRequest request{"save", Caption_, TMsgDlgType::mtCustom, {}, Start};
        if (Answerer()(request) != QMessageBox::Ok)
            return std::string();
        chosen = request.Value;
    } else {
        QFileDialog dialog(Parent, Q(Caption_), Q(Start), Q(Filter));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(Q(DefaultExt));
        // Qt's own sizes cut the places and the dates short.
        dialog.resize(dialog.sizeHint().expandedTo(QSize(820, 480)));
        if (auto* places = dialog.findChild<QSplitter*>(QStringLiteral("splitter")))
            places->setSizes({160, 640});
        if (auto* list = dialog.findChild<QTreeView*>(QStringLiteral("treeView")))
            list->header()->resizeSection(3, 170);
        if (!Start.empty())
            dialog.selectFile(Q(Start));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::string();
        chosen = S(dialog.selectedFiles().first());
    }
    if (!chosen.empty() && !DefaultExt.empty() && QFileInfo(Q(chosen)).suffix().isEmpty())
        chosen += "." + DefaultExt;
    return chosen;
}

std::string ChooseFolderName(QWidget* Parent, const std::string& Caption_, const std::string& Start) {
    if (Answerer()) {
        TDialogRequest request{"folder", Caption_, TMsgDlgType::mtCustom, {}, Start};
        return Answerer()(request) == QMessageBox::Ok ? request.Value : std::string();
    }
    return S(QFileDialog::getExistingDirectory(Parent, Q(Caption_), Q(Start)));
}

bool InputQuery(QWidget* Parent, const std::string& Caption_, const std::string& Prompt, std::string& Value) {
    if (Answerer()) {
        TDialogRequest request{"input", Prompt, TMsgDlgType::mtCustom, {}, Value};
        if (Answerer()(request) != QMessageBox::Ok)
            return false;
        Value = request.Value;
        return true;
    }
    bool ok = false;
    const QString text =
        QInputDialog::getText(Parent, Q(Caption_), Q(Prompt), QLineEdit::Normal, Q(Value), &ok);
    if (!ok)
        return false;
    Value = S(text);
    return true;
}
