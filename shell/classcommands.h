#pragma once

#include <QString>

namespace quiz {
class QuizForm;
}

namespace shell {

class HostWindow;
class ClassPupil;

// The class round's commands of the window: „Клас…“ (Ctrl+K) opens the teacher's window for
// the quiz in the window, „Влез в клас…“ (Ctrl+J) joins a teacher's round.
void addClassCommands(quiz::QuizForm &form);

// The teacher's window, made on first use with the class records.
HostWindow &hostWindowOf(quiz::QuizForm &form);
// Joins the round at link (the join link, or an address with the code) under name; null and a
// message when the link is not one.
ClassPupil *joinRound(quiz::QuizForm &form, const QString &link, const QString &name);

} // namespace shell
