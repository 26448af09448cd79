#include "shell/helpdialog.h"

#include "forms/form.h"
#include "shell/commands.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace shell {

namespace {

// The help is as many average characters wide, and as many lines high.
constexpr int helpWidth = 64;
constexpr int helpLines = 24;

QString commandTable(const QWidget &window) {
    QString rows;
    for (const QAction *action : window.actions()) {
        if (action->isSeparator() || action->text().isEmpty())
            continue;
        rows += u"<tr><td>"_s + action->text().toHtmlEscaped() + u"</td><td>"_s +
                action->shortcut().toString(QKeySequence::NativeText).toHtmlEscaped() +
                u"</td></tr>"_s;
    }
    return u"<table cellpadding=\"2\">"_s + rows + u"</table>"_s;
}

QString helpText(const QWidget &window) {
    const QString guide = teacherGuidePath();
    return u"<h3>Как се играе</h3>"
           u"<p>Изберете по един отговор от всеки списък така, че да си съответстват, и натиснете "
           u"„Провери“. При верен отговор се показва обяснение и отговорите изчезват от "
           u"списъците; при грешен се показва „???“. „Изчисти“ започва нов кръг.</p>"
           u"<h3>Команди</h3>"_s +
           commandTable(window) +
           u"<p>Същите команди са и в менюто, което се отваря с десния бутон на мишката навсякъде "
           u"в прозореца, с Shift+F10 или с клавиша за меню.</p>"
           u"<h3>Своя викторина</h3>"
           u"<p>Направете таблица в LibreOffice Calc или Excel. На първия ред напишете имената "
           u"на колоните: два или три списъка и по желание колона „Обяснение“. Под тях всеки ред "
           u"е един верен отговор. Над имената може да има ред само със заглавието на "
           u"викторината.</p>"
           u"<p>Отворете самия файл (.ods, .xlsx, .csv, .tsv, .kvtml) с „Отвори викторина…“ или "
           u"го пуснете в прозореца, или копирайте клетките в таблицата и ги поставете тук. "
           u"Команда <code>valtessa --export-quiz Битки.csv</code> записва вградената викторина "
           u"като таблица, от която да започнете.</p>"
           u"<h3>Ръководство за учителя</h3>"_s +
           (guide.isEmpty()
                ? u"<p>Подробното ръководство е във файла docs/teacher-guide.md на програмата.</p>"_s
                : u"<p>Подробното ръководство е във файла <code>"_s + guide.toHtmlEscaped() +
                      u"</code>.</p>"_s);
}

} // namespace

QString teacherGuidePath() {
    const QFileInfo guide(QDir(QCoreApplication::applicationDirPath())
                              .filePath(u"../share/doc/valtessa/teacher-guide.md"_s));
    return guide.isFile() ? guide.canonicalFilePath() : QString();
}

HelpDialog::HelpDialog(forms::Form &form)
    : QDialog(&form)
    , m_form(form)
    , m_text(new QTextEdit(this)) {
    setWindowTitle(u"Помощ"_s);
    m_text->setAccessibleName(u"Помощ"_s);
    m_text->setReadOnly(true);
    // A caret that the arrow keys move, so that a screen reader reads the help line by line.
    m_text->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(u"Затвори"_s);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(buttons);
}

void HelpDialog::showHelp() {
    setFont(m_form.font());
    for (QWidget *widget : findChildren<QWidget *>())
        widget->setStyle(m_form.style());
    m_text->setHtml(helpText(m_form));
    const QFontMetrics metrics(m_text->font());
    resize(helpWidth * metrics.averageCharWidth(), helpLines * metrics.lineSpacing());
    show();
    raise();
    activateWindow();
    m_text->setFocus();
}

void addHelp(forms::Form &form) {
    QObject::connect(
        addCommand(form, u"Помощ"_s, QKeySequence::keyBindings(QKeySequence::HelpContents)),
        &QAction::triggered, &form, [&form] {
            auto *dialog = form.findChild<HelpDialog *>();
            if (dialog == nullptr)
                dialog = new HelpDialog(form);
            dialog->showHelp();
        });
}

} // namespace shell
