#include "fram_WizardStep.h"

#include "u_CommandTable.h"
#include "u_Dialogs.h"
#include "u_EditorServices.h"
#include "u_Exception.h"
#include "u_Pictures.h"
#include "u_Project.h"

#include <QAction>
#include <QIcon>
#include <QMouseEvent>
#include <QSpinBox>
#include <QToolButton>

const char* const SOnlyBitmapOrJpeg = "Only bitmap (BMP) and JPEG pictures can be used here: \"%s\"";
const char* const SLogoPictureFilter =
    "All pictures (*.bmp *.jpg *.jpeg);;JPEG (*.jpg *.jpeg);;Bitmaps (*.bmp)";
const char* const SSplashPictureFilter =
    "All pictures (*.jpg *.jpeg *.bmp);;Jpeg (*.jpg *.jpeg);;Bitmaps (*.bmp)";

TframWizardStep::TframWizardStep(IEditorMain& Main_, QWidget* Parent) : QFrame(Parent), Main(Main_) {}

void TframWizardStep::InitStep(IWizardStepOwner* Owner) {
    StepOwner = Owner;
}

bool TframWizardStep::IsStepValid() {
    return true;
}

void TframWizardStep::ApplyStep() {
    if (!IsStepValid())
        throw EWizardError(SWizardStepNotValid);
}

int TframWizardStep::NextStepOffset() {
    return 1;
}

void TframWizardStep::NotifyStepChanged() {
    if (StepOwner)
        StepOwner->StepChanged();
}

QPixmap TframWizardStep::SideImage(const char* Name) {
    return QPixmap(QStringLiteral(":/icons/wizard/%1.png").arg(QLatin1String(Name)));
}

int TframWizardStep::OwnStepIndex() const {
    return StepIndexOf(metaObject()->className());
}

QImage LoadBitmapOrJpeg(const std::string& FileName) {
    const TPictureKind kind = PictureKindOf(FileName);
    if (kind != TPictureKind::Jpeg && kind != TPictureKind::Bitmap)
        throw EPictureError(Format(SOnlyBitmapOrJpeg, FileName));
    return LoadPictureFile(FileName);
}

QImage StoredBitmap(const TBookProject& Project, const std::string& Path) {
    const std::optional<std::string> bytes = Project.SystemFile(Path);
    if (!bytes)
        return QImage();
    try {
        return ReadPicture(*bytes, Path);
    } catch (const EPictureError&) {
        return QImage();
    }
}

QToolButton* ActionToolButton(QAction* Action, QWidget* Parent) {
    auto* button = new QToolButton(Parent);
    button->setDefaultAction(Action);
    button->setObjectName(QStringLiteral("btn") + Action->objectName().mid(3));
    button->setAutoRaise(true);
    button->setIconSize(QSize(16, 16));
    if (Action->icon().isNull())
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

QAction* StepAction(QWidget* Parent, const char* ObjectName, const QString& Caption, const QString& Hint,
                    const char* Icon, const std::function<void()>& Run) {
    QAction* action = MakeAction(Parent, ObjectName, Caption,
                                 Icon ? QStringLiteral("wizard/%1.svg").arg(QLatin1String(Icon)) : QString());
    if (!Hint.isEmpty())
        SetActionHint(action, Hint);
    QObject::connect(action, &QAction::triggered, Parent, [Parent, Run] { Guarded(Parent, Run); });
    return action;
}

QLabel* StepCaption(const QString& Text, QWidget* Parent) {
    QLabel* caption = NamedControl<QLabel>(Text, "lblCaption", Parent);
    QFont font = caption->font();
    font.setBold(true);
    caption->setFont(font);
    return caption;
}

QSpinBox* StepSpinBox(const char* ObjectName, int Min, int Max, QWidget* Parent) {
    auto* spin = new QSpinBox(Parent);
    spin->setObjectName(QLatin1String(ObjectName));
    spin->setRange(Min, Max);
    return spin;
}

QToolButton* StepResetButton(const char* ObjectName, const QString& Hint, QWidget* Parent) {
    auto* button = new QToolButton(Parent);
    button->setObjectName(QLatin1String(ObjectName));
    button->setIcon(QIcon(QStringLiteral(":/icons/wizard/Reset.svg")));
    button->setIconSize(QSize(16, 16));
    button->setToolTip(Hint);
    button->setAccessibleName(Hint);
    button->setAutoRaise(true);
    return button;
}

TPictureBox::TPictureBox(QWidget* Parent) : QLabel(Parent) {
    setAlignment(Qt::AlignCenter);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    setMinimumSize(16, 16);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
}

void TPictureBox::SetPicture(const QImage& Picture) {
    FPicture = Picture;
    UpdateShown();
}

void TPictureBox::UpdateShown() {
    if (FPicture.isNull()) {
        setPixmap(QPixmap());
        return;
    }
    const QSize room = contentsRect().size() - QSize(4, 4);
    QImage shown = FPicture;
    if (room.isValid() && (shown.width() > room.width() || shown.height() > room.height()))
        shown = shown.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    setPixmap(QPixmap::fromImage(shown));
}

void TPictureBox::mouseDoubleClickEvent(QMouseEvent* Event) {
    if (Event->button() == Qt::LeftButton)
        emit DoubleClicked();
    QLabel::mouseDoubleClickEvent(Event);
}

void TPictureBox::resizeEvent(QResizeEvent* Event) {
    QLabel::resizeEvent(Event);
    UpdateShown();
}
