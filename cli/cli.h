// The quarvel command line: commands register themselves with a name, a one-line
// summary and a usage text; main() dispatches on the first argument.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace cli {

// Wrong use of the command line: one line on stderr, exit status 2.
struct UsageError {
    std::string message;
};

struct Command {
    std::string name;
    std::string summary;
    std::string usage; // shown by "quarvel help NAME" and after a usage error
    std::function<int(const std::vector<std::string>& args)> run;
};

// Registers a command; used by the static registrars of the command files.
bool RegisterCommand(Command command);

// Parsed arguments of one command: options with values, flags and positionals.
class Arguments {
public:
    // valueOptions take a value ("--output FILE" or "--output=FILE"); repeated ones keep every value.
    Arguments(const std::vector<std::string>& args, const std::vector<std::string>& valueOptions,
              const std::vector<std::string>& flagOptions);
    const std::vector<std::string>& Positionals() const { return FPositionals; }
    bool Has(const std::string& option) const;
    std::string Value(const std::string& option, const std::string& fallback = std::string()) const;
    std::vector<std::string> Values(const std::string& option) const;

private:
    std::vector<std::string> FPositionals;
    std::vector<std::pair<std::string, std::string>> FOptions;
};

// True when standard error is a terminal (progress is shown only then).
bool StderrIsTerminal();

// The absolute, lexically normal form of a path given on the command line.
std::string AbsolutePath(const std::string& path);

// Prints a warning of a command on standard error: "quarvel COMMAND: warning: TEXT".
void PrintWarning(const std::string& command, const std::string& text);

// Puts the file (and the part of it) a failure is about in front of its message, unless
// the message names the file already: "\"FILE\" (WHAT): MESSAGE". Messages of the core
// are often bare ("Incorrect serialized format"); the command line names what it read.
void NameTheFile(std::exception& failure, const std::string& file, const std::string& what = std::string());

// Runs Body; a failure leaves with the file named (NameTheFile).
template <typename F>
auto AboutFile(const std::string& file, const std::string& what, F&& body) -> decltype(body()) {
    try {
        return body();
    } catch (std::exception& e) {
        NameTheFile(e, file, what);
        throw;
    }
}

} // namespace cli
