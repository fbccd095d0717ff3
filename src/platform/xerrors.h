#pragma once

#include <QString>

#include <stdexcept>

// The error types the system raises itself. Each keeps its message as UTF-8 in what().

// The system's own error, with a numeric code.
class XException : public std::runtime_error
{
public:
    explicit XException(const QString& message, int code = 0, int helpContext = 0);
    QString message() const { return QString::fromUtf8(what()); }
    int code() const { return m_code; }
    int helpContext() const { return m_helpContext; }

private:
    int m_code;
    int m_helpContext;
};

// A silent cancellation: unwinds without any message.
class XAbort : public std::exception
{
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

// A text that should hold a number does not.
class XConvertError : public std::invalid_argument
{
public:
    explicit XConvertError(const QString& message);
};

// A database statement failed; noResultSet marks a query that returned no rows set at all.
class XDatabaseError : public std::runtime_error
{
public:
    explicit XDatabaseError(const QString& message, bool noResultSet = false);
    bool noResultSet() const { return m_noResultSet; }

private:
    bool m_noResultSet;
};

// A stream or file operation failed.
class XStreamError : public std::runtime_error
{
public:
    enum class Kind {
        ReadFailed,
        MethodNotFound,
        WriteFailed,
        ClassNotFound,
        InvalidResource,
        FileCreate,
        FileOpen,
        Other
    };
    XStreamError(Kind kind, const QString& message);
    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
};

// The payload of a container could not be inflated.
class XInflateError : public std::runtime_error
{
public:
    explicit XInflateError(const QString& message);
};
