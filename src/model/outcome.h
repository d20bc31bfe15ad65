#pragma once

#include <optional>
#include <utility>

#include <QString>

namespace plattera {

// What a step below the forms gives back: its value, or the reason there is none, in words the
// user can read. Every reader answers so (the decoders, the picture store's checks, cue sheets,
// audio tags); a command that cannot go on throws CommandError with the reason, and the command
// runner shows it in the error box.
template <typename T> class Outcome {
public:
    Outcome(T value) : m_value(std::move(value)) { } // NOLINT: a value is a success
    static Outcome failure(QString reason)
    {
        Outcome outcome;
        outcome.m_reason = std::move(reason);
        return outcome;
    }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    // Only when ok(); a failure's value throws std::bad_optional_access rather than being read.
    const T& value() const { return m_value.value(); }
    T& value() { return m_value.value(); }
    const T* operator->() const { return &m_value.value(); }
    T* operator->() { return &m_value.value(); }
    // Only when !ok().
    const QString& reason() const { return m_reason; }

private:
    Outcome() = default;

    std::optional<T> m_value;
    QString m_reason;
};

// The value of a step that has nothing to give back but that it went well.
struct Done { };

// The outcome of such a step: `return Done();` or `return Check::failure(reason);`.
using Check = Outcome<Done>;

} // namespace plattera
