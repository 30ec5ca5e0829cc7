// The compile pipeline: turns a project into a book program, a copy of the reader
// program "Pagelamp.exe" with the pages cabinet ("FILES_MFS"), the system cabinet
// ("SYSTEM_MFS", both under the resource type named "RCDATA") and the book's icon
// ("MAINICON") written into its resources. Also the texts of the system files, the
// book cipher, and the texts the Compile and Run commands show.
#pragma once

#include "u_BookCipher.h"
#include "u_BookLayout.h"
#include "u_Exception.h"
#include "u_eBookCommon.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class TBookProject;
class TMFS;
class TProjectOptions;
class TStory;

// Messages of the Compile and Run commands.
extern const char* const
    SCompileSaveQuestion; // "Project has changed and should be saved.\r\nSave project and continue?"
extern const char* const
    SRunSaveQuestion; // "... should be saved and compiled.\r\nSave project and continue?"
extern const char* const
    SCompileSuccessQuestion; // "Project successfully compiled. Would you like to run it?"

// The security description worked out from the text of "Encrypt.xml".
struct TBookSecurity {
    std::string DecryptXml; // text of "Decrypt.xml", empty when the book is not protected
    std::string BookKey;    // the key that enciphers the pages, empty for none
};
// An empty text means no security. The user-password method makes a new random book key
// (a GUID in registry text form). XML errors pass through.
TBookSecurity BuildBookSecurity(const std::string& EncryptXmlText);
// The time SOURCE_DATE_EPOCH names (seconds since 1970, UTC), or none when it is not
// set; a value that is not a number of seconds is an error. Builds that honour it make
// the same bytes from the same project.
std::optional<int64_t> SourceDateEpoch();

// Texts of the system files.
std::string BuildSystemXml(const TProjectOptions& Options);
std::string BuildStoryXml(const TStory& Story, uint8_t RightClickMode);

// The book's file: OutputPath (DefaultOutput false) or the project file name, with the
// extension replaced by ".exe".
std::string OutputFileName(const std::string& ProjectFileName, const TProjectOptions& Options);
std::string OutputFileName(const TBookProject& Project);

// The security line of the compile summary, from the project's security settings
// ("\Encrypt.xml", read without creating it: a missing file is no security); empty
// for a method or password type it does not know.
std::string CompileSecurityLine(const TBookProject& Project);
// The question the Compile command asks before compiling (ends in "Compile Project?").
std::string CompileSummaryText(const TProjectOptions& Options, const std::string& SecurityLine);

// A compile that cannot be done as asked: an output that would destroy the project or
// feed the book into itself, a file name a book cannot hold.
class ECompileError : public Exception {
public:
    using Exception::Exception;
};

// The file name with its extension (from the last dot after the last "/" or "\\") replaced
// by Ext, or with Ext appended when it has none.
std::string HostChangeExt(const std::string& FileName, const std::string& Ext);

// Refuses (ECompileError naming the output and why) an output file that is not a place
// for a book: something that is not a regular file (a folder, a FIFO, a device), the
// project file itself (also through another name), a file inside the project's ".files"
// or ".system" folder (the next compile would pack the book into itself), or the reader
// program of ProgramFolder. CompileProject checks this before anything is built.
void CheckCompileOutput(const TBookProject& Project, const std::string& OutputFile,
                        const std::string& ProgramFolder = std::string());

// A temporary file beside an output file, into which the output is written; moved over
// the target when complete, removed when it was not (so a failure leaves no half-written
// file and the previous one untouched). Creates the target's folder when missing.
class TOutputTempFile {
public:
    explicit TOutputTempFile(const std::string& Target);
    ~TOutputTempFile();
    TOutputTempFile(const TOutputTempFile&) = delete;
    TOutputTempFile& operator=(const TOutputTempFile&) = delete;
    const std::string& Name() const { return FName; }
    // Gives the file the permissions Mode (less the umask) and renames it to Target.
    void MoveTo(const std::string& Target, unsigned Mode);

private:
    std::string FName;
};

struct TCompileSettings {
    std::string ProgramFolder; // empty: ProgramFolder()
    std::string OutputFile;    // empty: OutputFileName
    // A one-shot compile (the command line) lets the compiler work in the project's files
    // store itself and empty it afterwards, instead of on a copy: faster, less memory.
    bool ReleaseFilesStore = false;
    // Called with a short description as each step begins (may be empty).
    std::function<void(const std::string&)> Progress;
    // Called while the pages are packed: the bytes of the pages image packed so far and
    // its whole size (the pages are most of a compile's work).
    std::function<void(uint64_t packed, uint64_t total)> PackProgress;
    // Threads that compress the pages; 0 is one per core. The book is the same whatever
    // the number.
    unsigned Jobs = 0;
    // Called with each warning (a story page missing from the files store, a link leading
    // out of it); when empty, warnings go to the project host's Warning.
    std::function<void(const std::string&)> Warning;
};

// The progress of packing the pages: a whole percentage (100 for nothing to pack) and
// the text shown with it, "Packing the pages: 12.5 of 54.5 MB (22%)".
int PackProgressPercent(uint64_t Packed, uint64_t Total);
std::string PackProgressText(uint64_t Packed, uint64_t Total);

// Compiles the project into its book program. The output is checked first
// (CheckCompileOutput); a file of the project whose name holds a backslash (which would
// become a path inside the book) is refused with ECompileError, and story pages missing
// from the files store and links of its pages and stylesheets that lead out of the files
// store (LinksOutOfStore) are reported as warnings. The book is assembled in a temporary
// file beside the output file and renamed into place at the end, so a failed compile
// leaves the previous book untouched. With SOURCE_DATE_EPOCH set, every time stamp the compiler
// makes (and any later one it copies) is that time, taken as UTC. Returns the book's file name.
// Side effects on the system store: empty "Variables.xml", "AdditionalPages.xml" and
// "Toolbar.xml" when missing. Failures are raised.
std::string CompileProject(TBookProject& Project, const TCompileSettings& Settings = {});
