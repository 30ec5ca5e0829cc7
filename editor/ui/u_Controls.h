// The small pieces every window of the editor builds its controls with: texts between
// the model's strings and Qt's, control names for screen readers, captioned fields,
// the OK and Cancel buttons of a dialog, and the platform's colour numbers as Qt
// colours.
#pragma once

#include "u_HTML.h"

#include <QColor>
#include <QString>

#include <functional>
#include <string>

class QAbstractItemView;
class QDialog;
class QDialogButtonBox;
class QGridLayout;
class QLabel;
class QWidget;

// A text of the model (UTF-8) as Qt's, and back.
inline QString Q(const std::string& Text) {
    return QString::fromUtf8(Text.data(), static_cast<qsizetype>(Text.size()));
}
inline std::string S(const QString& Text) {
    return Text.toUtf8().toStdString();
}

// A caption without its accelerator marks ("&Open" gives "Open").
QString WithoutAccelerator(QString Text);

// Names a control as the window's design does (its objectName). A control that shows
// no text of its own (a view, a picture, a picture button) also gets the name screen
// readers announce; a control with a caption, title or text never does, so that what
// it shows now is what they read (a field is named by its buddy label).
void SetControlName(QWidget* Control, const char* Name);
void SetControlName(QWidget* Control, const char* Name, const QString& AccessibleName);

// The current item of a single-selection view follows its selection: assistive
// technology selects an item without making it current (as a click does), and the
// view's owner listens to the current item.
void CurrentFollowsSelection(QAbstractItemView* View);

// A label with Text naming Buddy (the control its accelerator focuses, and the name
// screen readers give that control). Parent must be the parent of Buddy.
QLabel* BuddyLabel(const QString& Text, QWidget* Buddy, QWidget* Parent);

// A captioned field of a dialog in row Row of Grid: the label (Caption) before the
// field, the field named Name (and, for screen readers, by the label).
void AddLabelledField(QWidget* Parent, QGridLayout* Grid, int Row, const char* Caption, const char* Name,
                      QWidget* Field);
template <class T>
T* NewLabelledField(QWidget* Parent, QGridLayout* Grid, int Row, const char* Caption, const char* Name) {
    T* field = new T(Parent);
    AddLabelledField(Parent, Grid, Row, Caption, Name, field);
    return field;
}

// The dialog's OK and Cancel buttons ("btnOK", "btnCancel" in the box "btnsOKCancel"):
// OK is the default button and accepts the dialog (or runs OnOK instead, which then
// decides), Cancel (and Escape) rejects it.
QDialogButtonBox* NewOKCancelButtons(QDialog* Dialog, std::function<void()> OnOK = {});
// Gives the dialog's layout the smallest size, then fits the form around its controls.
void FitDialogToLayout(QDialog* Dialog);

// A colour number of the platform (red in the low byte; system colours, negative, in
// the platform's default scheme) as a Qt colour, and a Qt colour as a colour number.
QColor ColorOfNumber(TColor Color);
TColor NumberOfColor(const QColor& Color);
