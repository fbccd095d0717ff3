#include "xerrors.h"

XException::XException(const QString& message, int code, int helpContext)
    : std::runtime_error(message.toStdString()), m_code(code), m_helpContext(helpContext)
{
}

XConvertError::XConvertError(const QString& message) : std::invalid_argument(message.toStdString())
{
}

XDatabaseError::XDatabaseError(const QString& message, bool noResultSet)
    : std::runtime_error(message.toStdString()), m_noResultSet(noResultSet)
{
}

XStreamError::XStreamError(Kind kind, const QString& message)
    : std::runtime_error(message.toStdString()), m_kind(kind)
{
}

XInflateError::XInflateError(const QString& message) : std::runtime_error(message.toStdString()) {}
