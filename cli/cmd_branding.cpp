// "quarvel variables" and "quarvel brand": the branding tool's reading and Update
// without its window.
#include "cli.h"
#include "u_Branding.h"

#include <iostream>

namespace {

int RunVariables(const std::vector<std::string>& args) {
    const cli::Arguments arguments(args, {}, {});
    if (arguments.Positionals().size() != 1)
        throw cli::UsageError{"expected one BOOK"};
    TBrandingBook book;
    const std::string file = arguments.Positionals()[0];
    cli::AboutFile(file, "SYSTEM_MFS", [&] { book.Open(file); });
    for (const TBrandingRow& row : book.Rows())
        std::cout << row.Name << '=' << row.Value << '\n';
    return 0;
}

int RunBrand(const std::vector<std::string>& args) {
    const cli::Arguments arguments(args, {"--set", "--icon"}, {});
    if (arguments.Positionals().size() != 1)
        throw cli::UsageError{"expected one BOOK"};
    // Everything is checked before the book is touched.
    const std::string iconFile = arguments.Value("--icon");
    const std::string icon =
        arguments.Has("--icon") ? cli::AboutFile(iconFile, "", [&] { return LoadIconFile(iconFile); }) : std::string();
    TBrandingBook book;
    const std::string file = arguments.Positionals()[0];
    cli::AboutFile(file, "SYSTEM_MFS", [&] { book.Open(file); });
    std::vector<TBrandingRow> rows = book.Rows();
    ApplyBrandingSettings(rows, arguments.Values("--set"));
    cli::AboutFile(file, "", [&] { book.Update(rows, icon); });
    return 0;
}

const bool registered =
    cli::RegisterCommand({"variables", "list the brandable variables of a compiled book",
                          "Usage: quarvel variables BOOK\n\n"
                          "Prints the variables of BOOK that its author left brandable, as NAME=VALUE,\n"
                          "one a line, in ascending name order (letter case ignored).",
                          RunVariables}) &&
    cli::RegisterCommand(
        {"brand", "write new values of brandable variables and a new icon into a compiled book",
         "Usage: quarvel brand BOOK [--set NAME=VALUE]... [--icon FILE.ico]\n\n"
         "Writes BOOK back as the branding tool's Update does: every --set gives a brandable\n"
         "variable a new value (variables not named keep theirs), --icon replaces the book's\n"
         "icon with the images of an icon file. A NAME that is not brandable is an error and\n"
         "nothing is written. The system resource is rewritten also when nothing changed.",
         RunBrand});

} // namespace
