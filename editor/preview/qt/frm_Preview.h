// The preview window: shows one page (a disk file or a template page) and, with
// restricted navigation, follows no link.
#pragma once

#include "c_MXWebBrowser.h"
#include "frm_AbstractMDIChild.h"
#include "u_MFSInternetProtocol.h"

#include <memory>
#include <string>

class TfrmPreview : public TfrmAbstractMDIChild {
    Q_OBJECT
public:
    explicit TfrmPreview(QWidget* Parent = nullptr);
    ~TfrmPreview() override;

    TMXWebBrowser* webPreview = nullptr;

    // The window's private copy of a template folder, served as "templatepreview".
    TMFS& MFS() noexcept { return FMFS; }
    TMFSInternetProtocol* TemplateProtocol() const noexcept { return FTemplateProtocol.get(); }

    std::string CaptionName;
    std::string HomeURL;
    bool RestrictNavigation = false;

protected:
    void closeEvent(QCloseEvent* Event) override;

private:
    void webPreviewBeforeNavigate2(TMXWebBrowser& Sender, const std::string& URL, bool& Cancel);
    void webPreviewNavigateComplete2(TMXWebBrowser& Sender, const std::string& URL);
    void ReleaseProtocol();

    TMFS FMFS;
    std::unique_ptr<TMFSInternetProtocol> FTemplateProtocol;
};

// The preview window while one exists.
TfrmPreview* PreviewWindow();
// Shows URL (a disk file or a protocol URL) in the preview window, creating it when
// there is none.
void PreviewURL(const std::string& URL, bool Restrict);
// Shows a template page: the folder holding FileName is copied into the window's file
// system and the page is shown as "templatepreview:" followed by its file name.
void PreviewTemplatePage(const std::string& FileName, bool Restrict);
