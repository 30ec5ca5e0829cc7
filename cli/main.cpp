#include "cli.h"
#include "quarvel_version.h"
#include "u_Exception.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <unistd.h>

namespace cli {

namespace {
std::map<std::string, Command>& Registry() {
    static std::map<std::string, Command> commands;
    return commands;
}

void PrintHelp() {
    std::cout << "quarvel " QUARVEL_VERSION_STRING " - command line of the Quarvel book authoring kit\n\n"
                 "Usage: quarvel COMMAND [ARGUMENTS]\n"
                 "       quarvel --help | --version\n"
                 "       quarvel help COMMAND\n";
    if (!Registry().empty()) {
        std::cout << "\nCommands:\n";
        size_t width = 0;
        for (const auto& [name, command] : Registry())
            width = std::max(width, name.size());
        for (const auto& [name, command] : Registry())
            std::cout << "  " << name << std::string(width - name.size() + 2, ' ') << command.summary << "\n";
    }
    std::cout << "\nExit status: 0 success, 1 failure, 2 wrong use of the command line.\n";
}
} // namespace

bool RegisterCommand(Command command) {
    std::string name = command.name;
    Registry().emplace(std::move(name), std::move(command));
    return true;
}

Arguments::Arguments(const std::vector<std::string>& args, const std::vector<std::string>& valueOptions,
                     const std::vector<std::string>& flagOptions) {
    auto isIn = [](const std::vector<std::string>& list, const std::string& s) {
        return std::find(list.begin(), list.end(), s) != list.end();
    };
    bool onlyPositionals = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (onlyPositionals || a.size() < 2 || a[0] != '-') {
            FPositionals.push_back(a);
            continue;
        }
        if (a == "--") {
            onlyPositionals = true;
            continue;
        }
        std::string name = a;
        std::string value;
        bool hasValue = false;
        if (const auto eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
            hasValue = true;
        }
        if (isIn(valueOptions, name)) {
            if (!hasValue) {
                if (i + 1 >= args.size())
                    throw UsageError{"option " + name + " needs a value"};
                value = args[++i];
            }
            FOptions.emplace_back(name, value);
        } else if (isIn(flagOptions, name) && !hasValue) {
            FOptions.emplace_back(name, std::string());
        } else {
            throw UsageError{"unknown option " + a};
        }
    }
}

bool Arguments::Has(const std::string& option) const {
    return std::any_of(FOptions.begin(), FOptions.end(), [&](const auto& o) { return o.first == option; });
}

std::string Arguments::Value(const std::string& option, const std::string& fallback) const {
    for (auto it = FOptions.rbegin(); it != FOptions.rend(); ++it)
        if (it->first == option)
            return it->second;
    return fallback;
}

std::vector<std::string> Arguments::Values(const std::string& option) const {
    std::vector<std::string> result;
    for (const auto& o : FOptions)
        if (o.first == option)
            result.push_back(o.second);
    return result;
}

bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

std::string AbsolutePath(const std::string& path) {
    return std::filesystem::absolute(std::filesystem::path(path)).lexically_normal().string();
}

void PrintWarning(const std::string& command, const std::string& text) {
    std::cerr << "quarvel " << command << ": warning: " << text << "\n";
}

void NameTheFile(std::exception& failure, const std::string& file, const std::string& what) {
    auto* own = dynamic_cast<Exception*>(&failure);
    if (!own || own->Message().find(file) != std::string::npos)
        return;
    own->SetMessage("\"" + file + "\"" + (what.empty() ? std::string() : " (" + what + ")") + ": " + own->Message());
}

} // namespace cli

int main(int argc, char** argv) {
    using namespace cli;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << "quarvel: no command given (try \"quarvel --help\")\n";
        return 2;
    }
    const std::string first = args[0];
    if (first == "--help" || first == "-h") {
        PrintHelp();
        return 0;
    }
    if (first == "--version") {
        std::cout << "quarvel " QUARVEL_VERSION_STRING "\n";
        return 0;
    }
    if (first == "help") {
        if (args.size() == 1) {
            PrintHelp();
            return 0;
        }
        auto it = Registry().find(args[1]);
        if (it == Registry().end()) {
            std::cerr << "quarvel: unknown command \"" << args[1] << "\"\n";
            return 2;
        }
        std::cout << it->second.usage << "\n";
        return 0;
    }
    auto it = Registry().find(first);
    if (it == Registry().end()) {
        if (first.rfind("-", 0) == 0)
            std::cerr << "quarvel: unknown option \"" << first << "\" (try \"quarvel --help\")\n";
        else
            std::cerr << "quarvel: unknown command \"" << first << "\" (try \"quarvel --help\")\n";
        return 2;
    }
    try {
        std::vector<std::string> rest(args.begin() + 1, args.end());
        if (std::find(rest.begin(), rest.end(), "--help") != rest.end()) {
            std::cout << it->second.usage << "\n";
            return 0;
        }
        return it->second.run(rest);
    } catch (const UsageError& e) {
        std::cerr << "quarvel " << first << ": " << e.message << "\n";
        return 2;
    } catch (const EAbort&) {
        std::cerr << "quarvel " << first << ": cancelled\n";
        return 1;
    } catch (const std::exception& e) {
        // Messages of the core end their lines the platform's way (CR LF).
        std::string message = ExceptionMessage(e);
        for (size_t at; (at = message.find("\r\n")) != std::string::npos;)
            message.erase(at, 1);
        std::cerr << message << "\n";
        return 1;
    }
}
