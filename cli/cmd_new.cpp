// The command that makes a new project: the default project, then a template added
// whole and/or a folder or pages imported, saved under the name given.
#include "cli.h"

#include "u_AddFile.h"
#include "u_Exception.h"
#include "u_ProgramFolder.h"
#include "u_Project.h"
#include "u_Templates.h"

#include <iostream>
#include <sys/stat.h>

namespace cli {
namespace {

// Nobody is asked: the story is never cleared, and a template named on the command
// line becomes the project's default template.
class TNewProjectHost : public TPresetProjectHost {
public:
    TNewProjectHost() {
        AskAnswer = Yes;
        Answers[SClearStoryBeforeAdding] = No;
        Answers[SClearStoryBeforeImport] = No;
    }
    void Warning(const std::string& Text) override { PrintWarning("new", Text); }
};

// Anything at Path, a dangling link included.
bool HostEntryExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

int RunNew(const std::vector<std::string>& args) {
    Arguments a(args, {"--template", "--import-folder", "--import-page", "--program-dir"}, {});
    if (a.Positionals().size() != 1)
        throw UsageError{"expects one project file"};
    if (a.Has("--program-dir"))
        SetProgramFolder(AbsolutePath(a.Value("--program-dir")));
    const std::string fileName = AbsolutePath(a.Positionals()[0]);
    if (HostEntryExists(fileName))
        throw Exception(Format("Project file \"%s\" already exists", fileName));
    // Saving puts the stores into these folders, replacing whatever is there.
    for (const char* ext : {".files", ".system"}) {
        const std::string folder = ChangeFileExt(fileName, ext);
        if (HostEntryExists(folder))
            throw Exception(Format("\"%s\" already exists: a new project \"%s\" would replace it", folder,
                                   fileName));
    }

    TNewProjectHost host;
    TBookProject project(&host);
    project.NewProject();
    if (a.Has("--template")) {
        const std::string caption = a.Value("--template");
        TTemplates templates;
        const std::vector<std::string> folders = TemplatesFolders();
        templates.LoadFromFolders(folders);
        const TTemplate* t = templates.FindByCaption(caption);
        if (!t) {
            std::string known, searched;
            for (int i = 0; i < templates.Count(); ++i)
                known += (i ? ", \"" : "\"") + templates.Items(i)->Caption + "\"";
            for (const std::string& folder : folders)
                searched += (searched.empty() ? "\"" : " or \"") + folder + "\"";
            throw Exception(Format("Template \"%s\" not found in %s (available: %s)", caption, searched,
                                   known.empty() ? std::string("none") : known));
        }
        AddTemplate(project, *t, nullptr);
    }
    if (a.Has("--import-folder")) {
        const std::string folder = AbsolutePath(a.Value("--import-folder"));
        AboutFile(folder, "", [&] { ImportFolder(project, folder); });
    }
    for (const std::string& page : a.Values("--import-page")) {
        const std::string file = AbsolutePath(page);
        AboutFile(file, "", [&] { ImportFileAsPage(project, file); });
        project.SetVariablesScanPending(true);
    }
    AboutFile(fileName, "", [&] { project.SaveProject(fileName); });
    std::cout << fileName << "\n";
    return 0;
}

const bool registered = RegisterCommand(
    {"new", "make a new project from the default project, a template and imported pages",
     "Usage: quarvel new PROJECT.ebp [--template CAPTION] [--import-folder DIR] [--import-page FILE]...\n"
     "                   [--program-dir DIR]\n"
     "Makes a new project from the default project (the user's own when the editor saved one\n"
     "with Save Project As Default, else the program folder's), adds the template CAPTION\n"
     "(the user's own or an installed one) whole, imports the folder DIR (every page in it\n"
     "gets a story item) and each FILE as a page with the files it links, and saves the\n"
     "project as PROJECT.ebp with its \".files\" and \".system\" folders. Nothing is asked:\n"
     "the story is not cleared. Prints the project's full path. An existing PROJECT.ebp,\n"
     "PROJECT.files or PROJECT.system is not overwritten. Files linked by absolute path or\n"
     "\"file:\" URL from outside the imported page's folder are left out (with a warning).\n"
     "  --program-dir DIR   the program folder (default: the folder of this program, or\n"
     "                      ../share/quarvel from it when the kit is installed)",
     RunNew});

} // namespace
} // namespace cli
