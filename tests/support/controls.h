#pragma once

#include <cstdio>
#include <cstdlib>

#include <QObject>
#include <QString>

// The forms keep their controls to themselves; tests, the bench and the fuzzer reach a control
// the way a screen reader or a user's script would, by the object name it carries (its
// classic component name). A name that is not there is a broken test, not a failed one.
template <typename T> T* control(const QObject& window, const char* objectName)
{
    T* found = window.findChild<T*>(QLatin1String(objectName));
    if (!found) {
        std::fprintf(stderr, "%s has no %s named %s\n", qPrintable(window.objectName()),
                     T::staticMetaObject.className(), objectName);
        std::abort();
    }
    return found;
}
