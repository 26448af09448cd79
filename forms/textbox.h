#pragma once

#include <QPlainTextEdit>

namespace forms {

// A multi-line, word-wrapped text box with a vertical scroll bar. It is read-only for the user
// but takes the focus, scrolls with the keyboard and lets text be selected and copied.
// Text() gives back exactly what was set, line ends included, even though the view shows them as
// plain line breaks.
class TextBox : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit TextBox(const QString &name, QWidget *parent = nullptr);

    const QString &Text() const { return m_text; }
    void SetText(const QString &text);

    // The place in the text at the top of the box, and scrolling that place back to the top:
    // a new font or width wraps the lines anew, so the line number alone would not find it.
    int topPosition() const;
    void scrollToPosition(int position);

private:
    class ApplicationFontOfParent;
    TextBox(const QString &name, QWidget *parent, const ApplicationFontOfParent &);

    QString m_text;
};

} // namespace forms
