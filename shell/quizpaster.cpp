#include "shell/quizpaster.h"

#include "forms/announcer.h"
#include "quiz/quizform.h"
#include "shell/classpupil.h"
#include "shell/commands.h"
#include "shell/quizfileopener.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

using namespace Qt::Literals::StringLiterals;

namespace shell {

namespace {

// LibreOffice Calc's own copy of the cells, which keeps a cell's line breaks and tabs; every
// spreadsheet also offers plain text.
const QString libreOfficeCells = u"application/x-libreoffice-tsvc"_s;

} // namespace

QuizPaster::QuizPaster(quiz::QuizForm &form)
    : QObject(&form)
    , m_form(form) {
    // Every key the platform pastes with: Ctrl+V, and Shift+Insert on X11.
    connect(addCommand(form, u"Постави таблица"_s, QKeySequence::keyBindings(QKeySequence::Paste)),
            &QAction::triggered, this, qOverload<>(&QuizPaster::paste));
}

bool QuizPaster::paste() {
    return paste(QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard));
}

bool QuizPaster::paste(const QMimeData *mime) {
    if (m_form.hasEnded() || mime == nullptr)
        return false;
    const bool fromLibreOffice = mime->hasFormat(libreOfficeCells);
    const QByteArray cells = fromLibreOffice ? mime->data(libreOfficeCells) : mime->text().toUtf8();
    if (cells.trimmed().isEmpty())
        return false;

    quizfile::QuizFileResult result =
        quizfile::parsePastedCells(cells, fromLibreOffice ? quizfile::PastedCells::LibreOffice
                                                          : quizfile::PastedCells::PlainText);
    if (const auto *error = std::get_if<quizfile::QuizFileError>(&result)) {
        m_reportError(&m_form, quizFileErrorMessage(*error));
        return false;
    }
    if (!mayLeaveClassRound(m_form))
        return false;
    auto &quiz = std::get<content::Quiz>(result);
    const QString pasted =
        u"Поставена е викторина с "_s + QString::number(quiz.rows.size()) + u" реда."_s;
    return m_form.raiseEvent([this, &quiz, &pasted] {
        m_form.openQuiz(std::move(quiz));
        forms::announce(&m_form, pasted);
    });
}

} // namespace shell
