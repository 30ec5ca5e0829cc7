// The epub command: a project as an EPUB 3 publication.
#include "cli.h"

#include "u_Epub.h"
#include "u_Project.h"

#include <iostream>

namespace cli {
namespace {

// Asks nobody; what the project reports while it is read goes to standard error.
class TEpubHost : public TPresetProjectHost {
public:
    void Warning(const std::string& Text) override { PrintWarning("epub", Text); }
};

int RunEpub(const std::vector<std::string>& args) {
    Arguments a(args, {"--output"}, {"--include-protected"});
    if (a.Positionals().size() != 1)
        throw UsageError{"expects one project file"};
    const bool progress = StderrIsTerminal();
    TEpubHost host;
    TBookProject project(&host);
    const std::string projectFile = AbsolutePath(a.Positionals()[0]);
    if (progress)
        std::cerr << "Opening " << a.Positionals()[0] << "\n";
    AboutFile(projectFile, "", [&] { project.OpenProject(projectFile, false); });
    const bool hadIdentifier = !project.EpubOptions().Identifier.empty();
    TEpubSettings settings;
    settings.ReleaseFilesStore = true; // the project's pages are not used after this export
    settings.IncludeProtected = a.Has("--include-protected");
    settings.OutputFile = AbsolutePath(a.Has("--output") ? a.Value("--output") : EpubFileName(project));
    settings.Warning = [](const std::string& text) { PrintWarning("epub", text); };
    settings.Notice = [](const std::string& text) { std::cerr << "quarvel epub: note: " << text << "\n"; };
    if (progress)
        settings.Progress = [](const std::string& step) { std::cerr << step << "...\n"; };
    const std::string book = AboutFile(projectFile, "", [&] { return ExportEpub(project, settings); });
    // The identifier made for this export stays with the project: the next export is
    // the same publication.
    if (!hadIdentifier) {
        AboutFile(projectFile, "", [&] { project.WriteProjectFile(); });
        std::cerr << "quarvel epub: note: the project keeps the publication identifier "
                  << project.EpubOptions().Identifier << "\n";
    }
    std::cout << book << "\n";
    return 0;
}

const bool registered = RegisterCommand(
    {"epub", "export a project as an EPUB 3 publication",
     "Usage: quarvel epub PROJECT.ebp [--output FILE] [--include-protected]\n\n"
     "Writes the project as an EPUB 3 publication: the story's pages in story order, the\n"
     "contents from the chapters and the pages listed in it, the additional pages and every\n"
     "page a link reaches as further items, and every file they use. The publication goes\n"
     "to the project file's name with \".epub\" (or FILE); its full path is the last line of\n"
     "standard output. A book whose pages are protected by a password is refused unless\n"
     "--include-protected is given (the publication cannot protect them). A project without\n"
     "a publication identifier gets one, written into the project file. With\n"
     "SOURCE_DATE_EPOCH set, two exports of an unchanged project are the same bytes.",
     RunEpub});

} // namespace
} // namespace cli
