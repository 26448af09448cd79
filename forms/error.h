#pragma once

#include <QString>

#include <stdexcept>

namespace forms {

// The error a failing control operation raises. The message names the control and what went
// wrong; it is what the user is shown before the program ends.
class Error : public std::runtime_error {
public:
    explicit Error(const QString &message)
        : std::runtime_error(message.toStdString())
        , m_message(message) {}

    const QString &message() const { return m_message; }

private:
    QString m_message;
};

} // namespace forms
