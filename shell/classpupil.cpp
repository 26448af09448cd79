#include "shell/classpupil.h"

#include "content/roundsummary.h"
#include "forms/announcer.h"
#include "forms/error.h"
#include "quiz/quizform.h"

#include <QCloseEvent>
#include <QMessageBox>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace shell {

namespace {

bool askInAMessageBox(QWidget *parent, const QString &question) {
    QMessageBox box(QMessageBox::Question, forms::messageBoxTitle(), question,
                    QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    QPushButton *leave = box.addButton(u"Напусни кръга"_s, QMessageBox::AcceptRole);
    box.addButton(u"Остани"_s, QMessageBox::RejectRole);
    box.setDefaultButton(leave);
    box.exec();
    return box.clickedButton() == leave;
}

quiz::QuizForm::RemoteAttempt remoteAttempt(const classroom::Welcome &welcome,
                                            const classroom::Attempt &attempt) {
    const QString about = content::classRoundLine(welcome.className);
    return {welcome.title,        welcome.captions,     attempt.lists, welcome.quizRows,
            attempt.rightAnswers, attempt.wrongAnswers, attempt.shown, about};
}

} // namespace

ClassPupil::ClassPupil(quiz::QuizForm &form, classroom::RoundAddress address, QString name)
    : QObject(&form)
    , m_form(form)
    , m_client(std::move(address), std::move(name))
    , m_windowTitle(form.windowTitle())
    , m_confirm(&askInAMessageBox) {
    connect(&m_client, &classroom::ClassClient::welcomed, this, &ClassPupil::welcomed);
    connect(&m_client, &classroom::ClassClient::verdict, this, [this](const classroom::Verdict &v) {
        m_form.raiseEvent(
            [&] { m_form.showVerdict(v.right, v.shown, v.rightAnswers, v.wrongAnswers); });
    });
    connect(&m_client, &classroom::ClassClient::started, this, [this](const classroom::Attempt &a) {
        m_form.raiseEvent([&] { m_form.showRemoteAttempt(remoteAttempt(m_welcome, a), true); });
    });
    connect(&m_client, &classroom::ClassClient::finished, this,
            [this](const classroom::Finished &f) {
                m_form.raiseEvent([&] {
                    m_form.showRemoteSummary({f.summary.rightAnswers, f.summary.wrongAnswers,
                                              f.summary.milliseconds, f.summary.missedRows});
                });
            });
    connect(&m_client, &classroom::ClassClient::held, this, [this](const QString &reason) {
        m_form.setWindowTitle(u"Чакате учителя да ви пусне — "_s + m_client.name());
        forms::announce(&m_form, u"Чакате учителя да ви пусне: "_s + reason);
    });
    connect(&m_client, &classroom::ClassClient::refused, this, &ClassPupil::refused);
    connect(&m_client, &classroom::ClassClient::onlineChanged, this, [this](bool online) {
        showTitle();
        if (m_inRound)
            forms::announce(&m_form, online ? u"Връзката с учителя е възстановена."_s
                                            : u"Връзката с учителя прекъсна. Свързване отново…"_s);
    });
    m_form.installEventFilter(this);
}

ClassPupil::~ClassPupil() {
    m_form.removeEventFilter(this);
}

void ClassPupil::start() {
    m_form.setWindowTitle(u"Свързване с учителя… — "_s + m_client.name());
    m_client.connectToRound();
}

void ClassPupil::welcomed(const classroom::Welcome &welcome) {
    m_roundTitle =
        (welcome.className.isEmpty() ? u"Клас"_s : u"Клас „"_s + welcome.className + u"“"_s) +
        u": "_s + welcome.title + u" — "_s + welcome.name;
    const bool back = m_inRound;
    m_inRound = true;
    m_welcome = welcome;
    m_form.raiseEvent([&] {
        if (!m_form.isPlayedRemotely())
            m_form.playRemotely(
                [this](const QStringList &choice) { return m_client.check(choice); },
                [this](bool practice) { return m_client.again(practice); });
        // Coming back after a drop, the window already shows the attempt as it was.
        if (!back)
            m_form.showRemoteAttempt(remoteAttempt(welcome, welcome.attempt), false);
    });
    showTitle();
}

void ClassPupil::showTitle() {
    if (!m_inRound)
        return;
    m_form.setWindowTitle(m_client.isOnline() ? m_roundTitle
                                              : m_roundTitle + u" — няма връзка, свързване…"_s);
}

void ClassPupil::refused(const QString &reason) {
    const bool wasInRound = m_inRound;
    m_inRound = false;
    m_form.setWindowTitle(m_windowTitle);
    if (wasInRound)
        m_form.raiseEvent([this] { m_form.playLocally(); });
    forms::showWarningMessageBox(&m_form, u"Кръгът на класа: "_s + reason + u'.');
    emit ended(reason);
    deleteLater();
}

bool ClassPupil::confirmLeaving(const QString &question) {
    if (!m_inRound)
        return true;
    if (!m_confirm(&m_form, question))
        return false;
    leave();
    return true;
}

void ClassPupil::leave() {
    m_client.leave();
    if (m_inRound) {
        m_inRound = false;
        m_form.setWindowTitle(m_windowTitle);
        m_form.raiseEvent([this] { m_form.playLocally(); });
    }
    emit ended({});
    deleteLater();
}

bool ClassPupil::eventFilter(QObject *watched, QEvent *event) {
    if (watched == &m_form && event->type() == QEvent::Close && m_inRound &&
        !m_confirm(&m_form, u"Ако затворите прозореца, ще напуснете кръга на класа. Да "
                            u"напуснете ли кръга?"_s)) {
        event->ignore();
        return true;
    }
    if (watched == &m_form && event->type() == QEvent::Close)
        m_client.leave();
    return false;
}

ClassPupil *classPupilOf(quiz::QuizForm &form) {
    return form.findChild<ClassPupil *>(QString(), Qt::FindDirectChildrenOnly);
}

bool mayLeaveClassRound(quiz::QuizForm &form) {
    ClassPupil *pupil = classPupilOf(form);
    return pupil == nullptr ||
           pupil->confirmLeaving(u"Ако отворите друга викторина, ще напуснете кръга на класа. "
                                 u"Да напуснете ли кръга?"_s);
}

} // namespace shell
