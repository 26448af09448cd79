#include "shell/roundsummarydialog.h"

#include "forms/announcer.h"
#include "forms/listbox.h"
#include "quiz/quizform.h"
#include "shell/commands.h"

#include <QAction>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace shell {

namespace {

// The list of missed rows shows up to this many and scrolls the rest; it is this many average
// characters wide.
constexpr int missedRowsShown = 8;
constexpr int missedListWidth = 36;

QLabel *plainLabel(QWidget *parent) {
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

RoundSummaryDialog::RoundSummaryDialog(quiz::QuizForm &form)
    : QDialog(&form)
    , m_form(form)
    , m_right(plainLabel(this))
    , m_wrong(plainLabel(this))
    , m_time(plainLabel(this))
    , m_missedCount(plainLabel(this))
    , m_missed(new forms::ListBox(u"missedRows"_s, false, this))
    , m_practise(new QPushButton(u"Упражни сбърканите"_s, this))
    , m_newRound(new QPushButton(u"Нов кръг"_s, this)) {
    setWindowTitle(u"Кръгът е завършен"_s);
    m_missed->setAccessibleName(u"Сбъркани редове"_s);
    auto *close = new QPushButton(u"Затвори"_s, this);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_practise);
    buttons->addWidget(m_newRound);
    buttons->addWidget(close);
    // Each caption labels its value: a screen reader reads the box once, from the announcement,
    // rather than its texts as well.
    auto *layout = new QFormLayout(this);
    layout->addRow(u"Верни отговори:"_s, m_right);
    layout->addRow(u"Грешни отговори:"_s, m_wrong);
    layout->addRow(u"Време:"_s, m_time);
    layout->addRow(u"Сбъркани редове:"_s, m_missedCount);
    layout->addRow(m_missed);
    layout->addRow(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_practise, &QPushButton::clicked, this,
            [this] { closeAndRun([this] { m_form.practiseMissed(); }); });
    connect(m_newRound, &QPushButton::clicked, this, [this] {
        closeAndRun([this] { m_form.Command1_Click(quiz::QuizForm::newRoundButton); });
    });
    // Escape closes the box as „Затвори“ does.
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    // The summary is of the round that ended: a new one begun in the window takes it away.
    connect(&form, &quiz::QuizForm::roundStarted, this, &QDialog::reject);
}

void RoundSummaryDialog::showSummary(const content::RoundSummary &summary) {
    m_right->setText(QString::number(summary.rightAnswers));
    m_wrong->setText(QString::number(summary.wrongAnswers));
    m_time->setText(content::shortDuration(summary.milliseconds));
    const bool missed = !summary.missedRows.isEmpty();
    m_missedCount->setText(missed ? QString::number(summary.missedRows.size()) : u"няма"_s);
    m_missed->Clear();
    m_missed->AddItems(summary.missedRows);
    m_missed->setVisible(missed);
    m_practise->setVisible(missed);
    m_practise->setDefault(missed);
    m_newRound->setDefault(!missed);
    (missed ? m_practise : m_newRound)->setFocus();
    followZoom();
    // A long list scrolls: the box is as tall as its first rows need, and no taller.
    const int rows = int(qMin(summary.missedRows.size(), qsizetype(missedRowsShown)));
    m_missed->setFixedSize(missedListWidth * m_missed->fontMetrics().averageCharWidth(),
                           rows * m_missed->sizeHintForRow(0) + 2 * m_missed->frameWidth());
    // Shown beside the window, not over it: open() would make the box window-modal.
    show();
    raise();
    activateWindow();
    forms::announce(this, content::summaryAnnouncement(summary));
}

// The window's font and, when zoomed, its style, which scales every length the style gives.
void RoundSummaryDialog::followZoom() {
    setFont(m_form.font());
    for (QWidget *widget : findChildren<QWidget *>())
        widget->setStyle(m_form.style());
    setStyle(m_form.style());
}

void RoundSummaryDialog::closeAndRun(const std::function<void()> &procedure) {
    accept();
    m_form.raiseEvent(procedure);
}

void addRoundSummary(quiz::QuizForm &form) {
    QAction *practise =
        addCommand(form, u"Упражни сбърканите"_s, {QKeySequence(Qt::CTRL | Qt::Key_R)});
    QObject::connect(practise, &QAction::triggered, &form,
                     [&form] { form.raiseEvent([&form] { form.practiseMissed(); }); });
    QObject::connect(&form, &quiz::QuizForm::roundFinished, &form,
                     [&form](const content::RoundSummary &summary) {
                         auto *dialog = form.findChild<RoundSummaryDialog *>();
                         if (dialog == nullptr)
                             dialog = new RoundSummaryDialog(form);
                         dialog->showSummary(summary);
                     });
}

} // namespace shell
