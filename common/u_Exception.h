// The common exception class of both programs and the small formatting helper
// that builds their messages.
#pragma once

#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

// Base of every failure the system raises on purpose. The message is the text the
// user interface shows in its error dialog.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : FMessage(std::move(message)) {}
    const char* what() const noexcept override { return FMessage.c_str(); }
    const std::string& Message() const noexcept { return FMessage; }
    void SetMessage(std::string message) { FMessage = std::move(message); }

private:
    std::string FMessage;
};

// A cancelled question or dialog: ends the running command quietly. Callers that
// show errors ignore it.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};

// A value could not be converted (number parsing, typed XML attribute values).
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Index, count or capacity of a list out of range.
class EListError : public Exception {
public:
    using Exception::Exception;
};

// A failure of the operating system: message "System Error.  Code: %d.\r\n%s".
class EOSError : public Exception {
public:
    EOSError(int code, const std::string& description);
    int ErrorCode() const noexcept { return FCode; }

private:
    int FCode;
};

// Raises EOSError for an errno value, the description naming the file involved when given.
[[noreturn]] void RaiseOSError(int errnoValue, const std::string& fileName = std::string());

// The system's description of an errno value ("No such file or directory").
std::string SysErrorMessage(int errnoValue);

namespace format_detail {
template <typename T>
decltype(auto) Arg(const T& value) {
    if constexpr (std::is_same_v<T, std::string>)
        return value.c_str();
    else
        return value;
}
std::string FormatV(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
} // namespace format_detail

// printf-style formatting that accepts std::string for "%s". The format is a
// literal of this program's text tables, never outside data.
template <typename... Args>
std::string Format(const char* fmt, const Args&... args) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-security"
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    return format_detail::FormatV(fmt, format_detail::Arg(args)...);
#pragma GCC diagnostic pop
}

// Message text of any exception: the own message of ours, what() otherwise.
std::string ExceptionMessage(const std::exception& e);
