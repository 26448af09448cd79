#pragma once

#include <QLabel>

namespace forms {

// A label whose caption the program sets as plain text. A label that shows a changing value can
// carry a name for screen readers, which then say the name and the value together ("Верни
// отговори: 3").
class Label : public QLabel {
    Q_OBJECT

public:
    explicit Label(const QString &name, QWidget *parent = nullptr)
        : QLabel(parent) {
        setObjectName(name);
        setTextFormat(Qt::PlainText);
    }

    QString Caption() const { return text(); }
    void SetCaption(const QString &caption) {
        setText(caption);
        if (!m_valueName.isEmpty())
            setAccessibleName(QStringLiteral("%1: %2").arg(m_valueName, caption));
    }

    void setValueName(const QString &name) {
        m_valueName = name;
        SetCaption(Caption());
    }

private:
    QString m_valueName;
};

} // namespace forms
