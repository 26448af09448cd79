#include "forms/textbox.h"

#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

namespace forms {

TextBox::TextBox(const QString &name, QWidget *parent)
    : QPlainTextEdit(parent) {
    setObjectName(name);
    setReadOnly(true);
    // Without undo the document drops the text of replaced answers; with it, every answer shown
    // in a day would stay in memory.
    setUndoRedoEnabled(false);
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

    QTextDocument *const doc = document();
    const int oldEnd = doc->characterCount() - 1;
    if (oldEnd == 0) {
        setPlainText(shown);
        return;
    }
    // setPlainText() lays the new paragraph out two or three times on the spot (the document
    // layout measures a changed block before and after laying it out, then the view's cursor
    // is made visible). Replacing the text in one edit block lays it out once, when it is next
    // needed. The new text goes in after the old one, which is then removed, so that the view's
    // cursor at the start stays there; a cursor the user has moved is put back first.
    if (textCursor().position() != 0 || textCursor().hasSelection())
        setTextCursor(QTextCursor(doc));
    QTextCursor edit(doc);
    edit.beginEditBlock();
    edit.setPosition(oldEnd);
    edit.insertText(shown);
    edit.setPosition(0);
    edit.setPosition(oldEnd, QTextCursor::KeepAnchor);
    edit.removeSelectedText();
    edit.endEditBlock();
    verticalScrollBar()->setValue(0);
}

} // namespace forms
