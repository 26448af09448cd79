#pragma once

#include "forms/error.h"

#include <QString>

#include <vector>

namespace forms {

// Controls of one kind that share a name and are told apart by a 16-bit index from 0, as in
// List1(2). Asking for a member that does not exist raises forms::Error.
template<typename Control> class ControlArray {
public:
    ControlArray() = default;
    ControlArray(QString name, std::vector<Control *> members)
        : m_name(std::move(name))
        , m_members(std::move(members)) {}

    Control &operator()(qint16 index) const {
        if (index < 0 || std::size_t(index) >= m_members.size() || m_members[index] == nullptr)
            throw Error(
                QStringLiteral("%1(%2): няма такъв елемент на масива").arg(m_name).arg(index));
        return *m_members[index];
    }

    const QString &name() const { return m_name; }
    qint16 size() const { return qint16(m_members.size()); }

private:
    QString m_name;
    std::vector<Control *> m_members;
};

} // namespace forms
