#pragma once

#include "classroom/classclient.h"

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

namespace quiz {
class QuizForm;
}

namespace shell {

// The window of a pupil in a class round: plays the teacher's quiz as the teacher's program
// gives it, every check decided there. The window's title says which round it is and whether
// the link to the teacher is up; a dropped link keeps the round on screen, and the pupil carries
// on when it is back. Closing the window or opening another quiz asks first, and leaves the round.
class ClassPupil : public QObject {
    Q_OBJECT

public:
    ClassPupil(quiz::QuizForm &form, classroom::RoundAddress address, QString name);
    ~ClassPupil() override;

    void start();
    // Leaves the round and plays the window's own quiz again.
    void leave();

    // Asks before something leaves the round: true when the pupil agrees (or is in none).
    using Confirmer = std::function<bool(QWidget *parent, const QString &question)>;
    void setConfirmer(Confirmer confirmer) { m_confirm = std::move(confirmer); }
    bool confirmLeaving(const QString &question);

    classroom::ClassClient &client() { return m_client; }

signals:
    // The round is over for this window: the pupil left it, or the teacher's program would not
    // have the pupil (reason, in Bulgarian).
    void ended(const QString &reason);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void welcomed(const classroom::Welcome &welcome);
    void showTitle();
    void refused(const QString &reason);

    quiz::QuizForm &m_form;
    classroom::ClassClient m_client;
    QString m_windowTitle;        // the window's own, for when the round is left
    QString m_roundTitle;         // „Клас „10 б“: Битки — Мария“
    classroom::Welcome m_welcome; // the round's names, as the teacher's program gave them
    bool m_inRound = false;
    Confirmer m_confirm;
};

// The pupil's round the window is in, or null.
ClassPupil *classPupilOf(quiz::QuizForm &form);
// Before something replaces the quiz in the window: asks a pupil in a class round whether to
// leave it. True when the window may go on.
bool mayLeaveClassRound(quiz::QuizForm &form);

} // namespace shell
