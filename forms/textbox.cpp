#include "forms/textbox.h"

#include <QScrollBar>

namespace forms {

TextBox::TextBox(const QString &name, QWidget *parent)
    : QPlainTextEdit(parent) {
    setObjectName(name);
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFocusPolicy(Qt::StrongFocus);
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void TextBox::SetText(const QString &text) {
    m_text = text;
    QString shown = text;
    shown.replace(QLatin1StringView("\r\n"), QLatin1StringView("\n"));
    // A text that ends its last line shows no empty line after it.
    if (shown.endsWith(u'\n'))
        shown.chop(1);
    setPlainText(shown);
    verticalScrollBar()->setValue(0);
}

} // namespace forms
