#pragma once

#include <QLabel>

namespace forms {

// A label whose caption the program sets as plain text. A label that shows a changing value can
// carry a name for screen readers, which then say the name and the value together ("Верни
// отговори: 3").
// A caption too long for the label is drawn shortened in the middle, so that its start and its
// end both show; its whole text is the label's tooltip and what screen readers read.
class Label : public QLabel {
    Q_OBJECT

public:
    explicit Label(const QString &name, QWidget *parent = nullptr);

    QString Caption() const { return text(); }
    void SetCaption(const QString &caption);

    void setValueName(const QString &name);

    // The caption as it is drawn: whole, or shortened with „…“ when it does not fit.
    QString shownText() const;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QRect textRect() const;

    QString m_valueName;
};

} // namespace forms
