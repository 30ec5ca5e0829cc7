// The base of the wizard's step frames, which the project options dialog also places on
// its pages: a frame reads the project's options in InitStep and writes them back in
// ApplyStep. In the wizard the frame has an owner (the wizard) that it tells about
// changes of its input; in the options dialog it has none.
#pragma once

#include "u_Controls.h"
#include "u_eBookWizard.h"

#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPixmap>

#include <functional>
#include <string>

class IEditorMain;
class TBookProject;
class QAction;
class QSpinBox;
class QToolButton;

class TframWizardStep : public QFrame {
    Q_OBJECT
public:
    TframWizardStep(IEditorMain& Main, QWidget* Parent);

    // The wizard, or none in the options dialog.
    IWizardStepOwner* StepOwner = nullptr;

    // The picture of the wizard's side panel while this step is shown (140 x 300).
    virtual QPixmap GetStepImage() const = 0;
    // Keeps the owner.
    virtual void InitStep(IWizardStepOwner* Owner);
    virtual bool IsStepValid();
    // Raises EWizardError when the step is not valid; otherwise does nothing.
    virtual void ApplyStep();
    // How far Next moves from this step.
    virtual int NextStepOffset();

protected:
    IEditorMain& Main;
    // Tells the owner (when there is one) that the input changed.
    void NotifyStepChanged();
    // The side picture of the given name from the resources.
    static QPixmap SideImage(const char* Name);
    // This frame's index in the step table.
    int OwnStepIndex() const;
};

// A logo or splash picture the author loads: a JPEG file (".jpg", ".jpeg") decoded with
// libjpeg, a bitmap read as such. Any other type is refused with EPictureError "Only
// bitmap (BMP) and JPEG pictures can be used here: \"%s\"", so that no empty bitmap is
// ever stored.
QImage LoadBitmapOrJpeg(const std::string& FileName);
extern const char* const SOnlyBitmapOrJpeg;
// The picture stored as Path in the project's system store, read by its name's
// extension (a bitmap here); an empty picture when there is none (or it cannot be read).
QImage StoredBitmap(const TBookProject& Project, const std::string& Path);
// The filters of the picture dialogs in Qt's form.
extern const char* const SLogoPictureFilter;
extern const char* const SSplashPictureFilter;

// A tool button for an action, with the action's picture and hint.
QToolButton* ActionToolButton(QAction* Action, QWidget* Parent);
// A command of a step frame: caption, hint (none: the caption), picture
// ":/icons/wizard/ICON.svg" (none: text only) and what it runs (errors go to the error
// dialog).
QAction* StepAction(QWidget* Parent, const char* ObjectName, const QString& Caption, const QString& Hint,
                    const char* Icon, const std::function<void()>& Run);

// Small builders of the step frames' controls: a control of class T with its caption
// and object name, the step's caption "lblCaption" in bold, a spin box with its range,
// and a flat reset button with its hint and picture.
template <class T>
T* NamedControl(const QString& Caption, const char* ObjectName, QWidget* Parent) {
    auto* control = new T(Caption, Parent);
    control->setObjectName(QLatin1String(ObjectName));
    return control;
}
QLabel* StepCaption(const QString& Text, QWidget* Parent);
QSpinBox* StepSpinBox(const char* ObjectName, int Min, int Max, QWidget* Parent);
QToolButton* StepResetButton(const char* ObjectName, const QString& Hint, QWidget* Parent);

// A picture box: shows a picture scaled down in proportion and centred, keeps the
// picture, and reports double clicks. Its context menu lists the actions added to it.
class TPictureBox : public QLabel {
    Q_OBJECT
public:
    explicit TPictureBox(QWidget* Parent = nullptr);
    void SetPicture(const QImage& Picture);
    void ClearPicture() { SetPicture(QImage()); }
    const QImage& Picture() const { return FPicture; }
    bool HasPicture() const { return !FPicture.isNull(); }

signals:
    void DoubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;

private:
    void UpdateShown();
    QImage FPicture;
};
