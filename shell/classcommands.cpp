#include "shell/classcommands.h"

#include "classroom/classrecords.h"
#include "forms/error.h"
#include "quiz/quizform.h"
#include "shell/classpupil.h"
#include "shell/commands.h"
#include "shell/hostwindow.h"
#include "shell/joindialog.h"

#include <QAction>

using namespace Qt::Literals::StringLiterals;

namespace shell {

HostWindow &hostWindowOf(quiz::QuizForm &form) {
    if (auto *window = form.findChild<HostWindow *>(QString(), Qt::FindDirectChildrenOnly))
        return *window;
    auto records =
        std::make_shared<classroom::ClassRecords>(classroom::ClassRecords::defaultPath());
    return *new HostWindow(form, std::move(records));
}

ClassPupil *joinRound(quiz::QuizForm &form, const QString &link, const QString &name) {
    const auto address = classroom::parseRoundAddress(link, classroom::defaultPort);
    if (!address || address->code.size() != classroom::joinCodeDigits || name.trimmed().isEmpty()) {
        forms::showWarningMessageBox(&form, u"„"_s + link +
                                                u"“ не е връзка към кръг на клас: тя изглежда "
                                                u"така: http://169.254.1.5:47474/?code=1234"_s);
        return nullptr;
    }
    if (ClassPupil *earlier = classPupilOf(form))
        earlier->leave();
    auto *pupil = new ClassPupil(form, *address, name.simplified());
    pupil->start();
    return pupil;
}

void addClassCommands(quiz::QuizForm &form) {
    QObject::connect(addCommand(form, u"Клас…"_s, {QKeySequence(Qt::CTRL | Qt::Key_K)}),
                     &QAction::triggered, &form, [&form] {
                         HostWindow &window = hostWindowOf(form);
                         window.show();
                         window.raise();
                         window.activateWindow();
                     });
    QObject::connect(addCommand(form, u"Влез в клас…"_s, {QKeySequence(Qt::CTRL | Qt::Key_J)}),
                     &QAction::triggered, &form, [&form] {
                         JoinDialog dialog(&form);
                         if (dialog.exec() != QDialog::Accepted || !mayLeaveClassRound(form))
                             return;
                         if (ClassPupil *earlier = classPupilOf(form))
                             earlier->leave();
                         auto *pupil = new ClassPupil(form, dialog.address(), dialog.name());
                         pupil->start();
                     });
}

} // namespace shell
