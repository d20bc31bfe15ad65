#include "app/command_runner.h"

#include <exception>
#include <new>

#include "app/platform.h"
#include "model/errors.h"

namespace plattera {

QString errorBoxText(const QString& message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

bool runGuarded(Platform& platform, QWidget* parent, const std::function<void()>& command)
{
    QString message;
    try {
        command();
        return true;
    } catch (const CommandError& e) {
        message = e.message();
    } catch (const std::bad_alloc&) {
        message = notEnoughMemoryTo(QStringLiteral("finish the command"));
    } catch (const std::exception& e) {
        message = QString::fromLocal8Bit(e.what());
    }
    platform.showError(parent, kApplicationTitle, errorBoxText(message), QString());
    return false;
}

} // namespace plattera
