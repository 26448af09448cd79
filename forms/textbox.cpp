#include "forms/textbox.h"

#include <QApplication>
#include <QPlainTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace forms {

// Makes the parent's font the application's while a box is made, and gives the application its
// font back afterwards. Qt's text control lays its empty document out as it is made, in the
// application's font, before the box has its own: in a window of another font that loads a
// second font for nothing, which costs the start-up more than all the rest of the box.
class TextBox::ApplicationFontOfParent {
public:
    explicit ApplicationFontOfParent(const QWidget *parent)
        : m_applicationFont(QApplication::font()) {
        if (parent != nullptr && parent->font() != m_applicationFont)
            QApplication::setFont(parent->font());
    }
    ~ApplicationFontOfParent() {
        if (QApplication::font() != m_applicationFont)
            QApplication::setFont(m_applicationFont);
    }
    ApplicationFontOfParent(const ApplicationFontOfParent &) = delete;
    ApplicationFontOfParent &operator=(const ApplicationFontOfParent &) = delete;

private:
    QFont m_applicationFont;
};

TextBox::TextBox(const QString &name, QWidget *parent)
    : TextBox(name, parent, ApplicationFontOfParent(parent)) {}

TextBox::TextBox(const QString &name, QWidget *parent, const ApplicationFontOfParent &)
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
    // setPlainText() lays the new paragraph out two or three times on the spot (the document
    // layout measures a changed block before and after laying it out, then the view's cursor
    // is made visible), even before the box is first shown and knows its width. Replacing the
    // text in one edit block lays it out once, when it is next needed. The new text goes in after
    // the old one, which is then removed, so that the view's cursor at the start stays there; a
    // cursor the user has moved is put back first. An empty box, as at the start, first takes a
    // blank to stand for the old text: the text going in at the cursor would move it.
    if (doc->isEmpty())
        QTextCursor(doc).insertText(QStringLiteral(" "));
    if (textCursor().position() != 0 || textCursor().hasSelection())
        setTextCursor(QTextCursor(doc));
    const int oldEnd = doc->characterCount() - 1;
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

int TextBox::topPosition() const {
    auto *layout = qobject_cast<QPlainTextDocumentLayout *>(document()->documentLayout());
    if (layout == nullptr)
        return 0;
    // The box scrolls by lines, counted over the whole text as it is wrapped now.
    int line = verticalScrollBar()->value();
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        layout->ensureBlockLayout(block);
        if (line < block.lineCount())
            return block.position() + block.layout()->lineAt(line).textStart();
        line -= block.lineCount();
    }
    return 0;
}

void TextBox::scrollToPosition(int position) {
    auto *layout = qobject_cast<QPlainTextDocumentLayout *>(document()->documentLayout());
    if (layout == nullptr)
        return;
    int line = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        layout->ensureBlockLayout(block);
        if (block.contains(position)) {
            line += block.layout()->lineForTextPosition(position - block.position()).lineNumber();
            break;
        }
        line += block.lineCount();
    }
    verticalScrollBar()->setValue(line);
}

} // namespace forms
