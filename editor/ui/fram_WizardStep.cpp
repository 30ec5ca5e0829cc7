#include "fram_WizardStep.h"

#include "u_Dialogs.h"
#include "u_EditorServices.h"
#include "u_Exception.h"
#include "u_MFS.h"
#include "u_Pictures.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
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
    if (auto* caption = findChild<QLabel*>(QStringLiteral("lblCaption"))) {
        QFont font = caption->font();
        font.setBold(true);
        caption->setFont(font);
    }
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

QImage StoredBitmap(TMFS& Store, const std::string& Path) {
    bool found = false;
    const std::string bytes = StoreFileContent(Store, Path, &found);
    QImage picture;
    if (found)
        picture.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()), "BMP");
    return picture;
}

namespace {

QString WithoutAccelerator(QString Text) {
    Text.remove(QLatin1Char('&'));
    return Text;
}

// The text of the label that names Control (its buddy), or empty.
QString BuddyText(QWidget* Root, QWidget* Control) {
    for (QLabel* label : Root->findChildren<QLabel*>())
        if (label->buddy() == Control)
            return WithoutAccelerator(label->text()).trimmed();
    return QString();
}

} // namespace

void NameControlsForAccessibility(QWidget* Root) {
    for (QWidget* control : Root->findChildren<QWidget*>()) {
        // Inner parts of Qt's own controls (a spin box's field, a view's viewport) are
        // named by their control.
        if (!control->accessibleName().isEmpty() || control->objectName().startsWith(QLatin1String("qt_")))
            continue;
        QString name;
        if (auto* button = qobject_cast<QAbstractButton*>(control))
            name = WithoutAccelerator(button->text());
        else if (auto* group = qobject_cast<QGroupBox*>(control))
            name = WithoutAccelerator(group->title());
        else if (auto* label = qobject_cast<QLabel*>(control))
            name = label->text();
        if (name.isEmpty())
            name = BuddyText(Root, control);
        if (name.isEmpty())
            name = control->toolTip();
        if (name.isEmpty())
            name = control->objectName();
        if (!name.isEmpty())
            control->setAccessibleName(name);
    }
}

QToolButton* ActionToolButton(QAction* Action, QWidget* Parent) {
    auto* button = new QToolButton(Parent);
    button->setDefaultAction(Action);
    button->setObjectName(QStringLiteral("btn") + Action->objectName().mid(3));
    button->setAccessibleName(WithoutAccelerator(Action->text()));
    button->setAutoRaise(true);
    button->setIconSize(QSize(16, 16));
    if (Action->icon().isNull())
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

QAction* StepAction(QWidget* Parent, const char* ObjectName, const QString& Caption, const QString& Hint,
                    const char* Icon, const std::function<void()>& Run) {
    auto* action = new QAction(Caption, Parent);
    action->setObjectName(QLatin1String(ObjectName));
    action->setToolTip(Hint.isEmpty() ? WithoutAccelerator(Caption) : Hint);
    if (Icon)
        action->setIcon(QIcon(QStringLiteral(":/icons/wizard/%1.svg").arg(QLatin1String(Icon))));
    QObject::connect(action, &QAction::triggered, Parent, [Parent, Run] { Guarded(Parent, Run); });
    return action;
}

QLabel* StepBuddyLabel(const QString& Text, QWidget* Buddy, QWidget* Parent) {
    auto* label = new QLabel(Text, Parent);
    label->setBuddy(Buddy);
    return label;
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
