#include "frm_Preview.h"

#include "u_CaseBlind.h"
#include "u_WebEngineProtocol.h"

#include <QCloseEvent>
#include <QVBoxLayout>

#include <filesystem>

namespace {

TfrmPreview*& CurrentPreview() {
    static TfrmPreview* preview = nullptr;
    return preview;
}

const char* const SPreviewCaption = "Preview";
const char* const SPreviewCaptionFormat = "Preview: %s";

TfrmPreview& EnsurePreviewWindow() {
    if (!CurrentPreview())
        CurrentPreview() = new TfrmPreview();
    ShowDocumentWindow(CurrentPreview());
    return *CurrentPreview();
}

} // namespace

TfrmPreview::TfrmPreview(QWidget* Parent) : TfrmAbstractMDIChild(Parent) {
    setWindowTitle(QString::fromUtf8(SPreviewCaption));
    resize(640, 480);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    webPreview = new TMXWebBrowser(this);
    webPreview->setObjectName(QStringLiteral("webPreview"));
    layout->addWidget(webPreview);
    webPreview->OnBeforeNavigate2 = [this](TMXWebBrowser& Sender, const std::string& URL, bool& Cancel) {
        webPreviewBeforeNavigate2(Sender, URL, Cancel);
    };
    webPreview->OnNavigateComplete2 = [this](TMXWebBrowser& Sender, const std::string& URL) {
        webPreviewNavigateComplete2(Sender, URL);
    };
    FTemplateProtocol = std::make_unique<TMFSInternetProtocol>(TemplatePreviewProtocolScheme, &FMFS);
    FTemplateProtocol->OnAfterGetData = TemplatePreviewAfterGetData;
}

TfrmPreview::~TfrmPreview() {
    ReleaseProtocol();
}

void TfrmPreview::ReleaseProtocol() {
    if (CurrentPreview() == this)
        CurrentPreview() = nullptr;
    FTemplateProtocol.reset();
}

void TfrmPreview::closeEvent(QCloseEvent* Event) {
    TfrmAbstractMDIChild::closeEvent(Event);
    // The window is freed a moment later; a preview requested meanwhile gets a new
    // window, whose protocol must be able to register the scheme.
    if (Event->isAccepted())
        ReleaseProtocol();
}

void TfrmPreview::webPreviewBeforeNavigate2(TMXWebBrowser&, const std::string& URL, bool& Cancel) {
    if (RestrictNavigation && !SameUrl(URL, HomeURL))
        Cancel = true;
}

void TfrmPreview::webPreviewNavigateComplete2(TMXWebBrowser&, const std::string&) {
    setWindowTitle(QString::fromUtf8(Format(SPreviewCaptionFormat, CaptionName)));
}

TfrmPreview* PreviewWindow() {
    return CurrentPreview();
}

void PreviewURL(const std::string& URL, bool Restrict) {
    TfrmPreview& preview = EnsurePreviewWindow();
    preview.CaptionName = URL;
    preview.HomeURL = URL;
    preview.RestrictNavigation = Restrict;
    preview.webPreview->Navigate(URL);
}

void PreviewTemplatePage(const std::string& FileName, bool Restrict) {
    TfrmPreview& preview = EnsurePreviewWindow();
    preview.CaptionName = FileName;
    const std::filesystem::path path(FileName);
    preview.MFS().Clear();
    try {
        preview.MFS().LoadFromFolder(path.parent_path().string());
    } catch (const Exception&) {
        // A template folder that is gone leaves the copy empty: the page shows the
        // protocol's error page naming the file.
        preview.MFS().Clear();
    }
    preview.RestrictNavigation = Restrict;
    preview.HomeURL = std::string(TemplatePreviewProtocolScheme) + ":" + path.filename().string();
    preview.webPreview->Navigate(preview.HomeURL);
}
