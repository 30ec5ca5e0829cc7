// Message boxes, questions, file dialogs and input prompts of the editor. Every window
// asks through here, so that the texts and buttons are the system's own in one place
// and tests can answer a question (SetDialogAnswerer) instead of a user, and see what
// was asked.
#pragma once

#include <QMessageBox>

#include <functional>
#include <string>

class QWidget;

// The kind of a message box: its caption and icon ("Confirm", "Warning", "Error",
// "Information"; a plain message has the application's title and no icon).
enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// Shows Text with the buttons; returns the button chosen (Escape or closing the box
// gives the Cancel button when there is one, else No, else the default).
QMessageBox::StandardButton MessageDlg(QWidget* Parent, const std::string& Text, TMsgDlgType Type,
                                       QMessageBox::StandardButtons Buttons,
                                       QMessageBox::StandardButton Default = QMessageBox::NoButton);
// A message with OK (application title, no icon).
void ShowMessage(QWidget* Parent, const std::string& Text);
// The program's error dialog for an exception's message.
void ShowErrorMessage(QWidget* Parent, const std::string& Text);

// Runs Action; a silent abort (EAbort) ends it quietly, any other exception is shown in
// the error dialog. True when Action ran to its end.
bool Guarded(QWidget* Parent, const std::function<void()>& Action);

// File dialogs. Filter in Qt's form ("Quarvel Projects (*.ebp)"); empty when cancelled.
std::string ChooseOpenFileName(QWidget* Parent, const std::string& Caption, const std::string& Start,
                               const std::string& Filter);
// DefaultExt (without the point) is added to a chosen name that has no extension.
std::string ChooseSaveFileName(QWidget* Parent, const std::string& Caption, const std::string& Start,
                               const std::string& Filter, const std::string& DefaultExt);
std::string ChooseFolderName(QWidget* Parent, const std::string& Caption, const std::string& Start);
// A one-line prompt; false when cancelled, Value then unchanged.
bool InputQuery(QWidget* Parent, const std::string& Caption, const std::string& Prompt, std::string& Value);

// What a test answers instead of the user. Kind is "message", "open", "save", "folder"
// or "input"; Text the message or prompt (for file dialogs the caption); Buttons the
// buttons offered (messages only). For messages return the chosen button; for the
// others set Value (the chosen name or typed text) and return QMessageBox::Ok, or
// return QMessageBox::Cancel.
struct TDialogRequest {
    std::string Kind;
    std::string Text;
    TMsgDlgType Type = TMsgDlgType::mtCustom;
    QMessageBox::StandardButtons Buttons;
    std::string Value; // in: the start value or folder; out: the answer
};
using TDialogAnswerer = std::function<QMessageBox::StandardButton(TDialogRequest& Request)>;
// Installs an answerer (none: real dialogs again). Returns the previous one.
TDialogAnswerer SetDialogAnswerer(TDialogAnswerer Answerer);
