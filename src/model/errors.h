#pragma once

#include <cstring>
#include <stdexcept>

#include <QString>

namespace plattera {

// A failure that ends the running command at the failing step. Whatever the command drew or
// changed before stays as it is; the application shows the message in the error box.
// The one way the program says that memory ran out, whatever it was doing: "Not enough memory
// to decode the PNG picture".
inline QString notEnoughMemoryTo(const QString& what)
{
    return QStringLiteral("Not enough memory to %1").arg(what);
}

class CommandError : public std::runtime_error {
public:
    explicit CommandError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

// The system's words for an errno value, as a message's reason ("No space left on device").
inline QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

} // namespace plattera
