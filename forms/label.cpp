#include "forms/label.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

namespace forms {

Label::Label(const QString &name, QWidget *parent)
    : QLabel(parent) {
    setObjectName(name);
    setTextFormat(Qt::PlainText);
}

void Label::SetCaption(const QString &caption) {
    setText(caption);
    if (!m_valueName.isEmpty())
        setAccessibleName(QStringLiteral("%1: %2").arg(m_valueName, caption));
}

void Label::setValueName(const QString &name) {
    m_valueName = name;
    SetCaption(Caption());
}

QRect Label::textRect() const {
    const int inset = margin() + (indent() > 0 ? indent() : 0);
    return contentsRect().adjusted(inset, inset, -inset, -inset);
}

QString Label::shownText() const {
    if (wordWrap())
        return text();
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, textRect().width());
}

bool Label::event(QEvent *event) {
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        const QString shown = shownText();
        if (shown != text())
            QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), text(), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QLabel::event(event);
}

void Label::paintEvent(QPaintEvent *event) {
    const QString shown = shownText();
    if (shown == text()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    drawFrame(&painter);
    style()->drawItemText(&painter, textRect(),
                          int(QStyle::visualAlignment(layoutDirection(), alignment())), palette(),
                          isEnabled(), shown, foregroundRole());
}

} // namespace forms
