#include "frm_ReaderForm.h"

#include "c_BookView.h"

#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWebEngineSettings>

#include <algorithm>

namespace {

Qt::WindowFlags FormFlags(const TReaderForm& form) {
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (form.SystemMenu)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (form.Maximize && form.Sizeable)
        flags |= Qt::WindowMaximizeButtonHint;
    if (form.Minimize)
        flags |= Qt::WindowMinimizeButtonHint;
    return flags;
}

} // namespace

TfrmReaderForm::TfrmReaderForm(const TReaderForm& Form, const QString& Caption, QWebEngineProfile* Profile,
                               QWidget* Owner)
    : QWidget(Owner, FormFlags(Form)), FPath(Form.Path) {
    setObjectName("frmReaderForm");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Caption);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    wbForm = new TBookView(Profile, this);
    wbForm->setObjectName("wbForm");
    wbForm->setAccessibleName("Page");
    wbForm->page()->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, Form.ScrollBars);
    layout->addWidget(wbForm);
    wbForm->BookPage()->OnFollowLink = [this](const QUrl& url) {
        if (OnFollowLink)
            OnFollowLink(*this, url);
    };
    wbForm->BookPage()->OnNewWindow = wbForm->BookPage()->OnFollowLink;
    // A form without a title-bar menu still closes with Escape.
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);

    QSize size(std::clamp(Form.Width, 120, 4000), std::clamp(Form.Height, 80, 4000));
    QRect area(0, 0, 1280, 1024);
    if (const QScreen* screen = Owner ? Owner->screen() : QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    size = size.boundedTo(area.size());
    if (Form.Sizeable)
        resize(size);
    else
        setFixedSize(size);
    if (Form.Center || !Owner)
        move(area.center() - QPoint(size.width() / 2, size.height() / 2));
    else
        move(Owner->geometry().topLeft() + QPoint(40, 40));
}

void TfrmReaderForm::Open(const std::string& Address) {
    wbForm->LoadAddress(Address);
}
