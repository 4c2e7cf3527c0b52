#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// The exception family every layer raises. The message is what ends up in the
// application's log line, so it must read well on its own.
class Exception : public std::exception
{
public:
    explicit Exception(QString message)
        : m_message(std::move(message))
        , m_utf8(m_message.toUtf8())
    {
    }

    const QString& Message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// A text that cannot be converted to the requested type.
class EConvertError : public Exception
{
public:
    using Exception::Exception;
};

// An index outside a list's bounds ("List index out of bounds (%d)").
class EListError : public Exception
{
public:
    using Exception::Exception;
};

// An operation that is not allowed in the object's present state.
class EInvalidOperation : public Exception
{
public:
    using Exception::Exception;
};

// A broken internal assumption that the caller could have avoided.
class EAssertionFailed : public Exception
{
public:
    using Exception::Exception;
};

// Arithmetic that would leave the range of its integer type.
class EIntOverflow : public Exception
{
public:
    using Exception::Exception;
};

// A value outside the range of its destination (a rounded float that does not
// fit 32 bits, an index past a fixed table).
class ERangeError : public Exception
{
public:
    ERangeError()
        : Exception(QStringLiteral("Range check error"))
    {
    }
    using Exception::Exception;
};
