#include "shell/quizfileopener.h"

#include "quiz/quizform.h"
#include "shell/classpupil.h"
#include "shell/commands.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

namespace shell {

namespace {

// The one local file a drag carries, or an empty string.
QString droppedFile(const QMimeData *mime) {
    if (mime == nullptr || !mime->hasUrls())
        return {};
    const QList<QUrl> urls = mime->urls();
    if (urls.size() != 1 || !urls.constFirst().isLocalFile())
        return {};
    return urls.constFirst().toLocalFile();
}

// Where the file dialog opens: the folder of the last quiz file of this run, else the user's
// documents, else home. Always a folder that exists: given one that does not, the dialog would
// put its name into the file name field.
QString startFolder(const QString &lastFolder) {
    for (const QString &folder :
         {lastFolder, QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)}) {
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    }
    return QDir::homePath();
}

} // namespace

QString quizFileErrorMessage(const quizfile::QuizFileError &error) {
    return u"Викторината не може да бъде отворена.\n"_s + error.text();
}

QuizFileOpener::QuizFileOpener(quiz::QuizForm &form)
    : QObject(&form)
    , m_form(form) {
    connect(addCommand(form, u"Отвори викторина…"_s, QKeySequence::keyBindings(QKeySequence::Open)),
            &QAction::triggered, this, &QuizFileOpener::chooseFile);
    form.setAcceptDrops(true);
    form.installEventFilter(this);
}

bool QuizFileOpener::open(const QString &path) {
    if (m_form.hasEnded())
        return false;
    // Remembered even when the file is refused: the teacher mends it, or picks another, there.
    rememberFolderOf(path);
    if (!mayLeaveClassRound(m_form))
        return false;
    quizfile::QuizFileResult result = quizfile::readQuizFile(path);
    if (const auto *error = std::get_if<quizfile::QuizFileError>(&result)) {
        m_reportError(&m_form, quizFileErrorMessage(*error));
        return false;
    }
    auto &quiz = std::get<content::Quiz>(result);
    return m_form.raiseEvent([this, &quiz] { m_form.openQuiz(std::move(quiz)); });
}

void QuizFileOpener::chooseFile() {
    if (m_form.hasEnded() || m_form.findChild<QFileDialog *>() != nullptr)
        return;
    auto *dialog = new QFileDialog(
        &m_form, u"Отваряне на викторина"_s, startFolder(m_lastFolder),
        u"Викторини (*.ods *.xlsx *.csv *.tsv *.txt *.kvtml);;Всички файлове (*)"_s);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    connect(dialog, &QFileDialog::fileSelected, this, &QuizFileOpener::open);
    dialog->open();
}

void QuizFileOpener::rememberFolderOf(const QString &path) {
    m_lastFolder = QFileInfo(path).absolutePath();
}

bool QuizFileOpener::eventFilter(QObject *watched, QEvent *event) {
    if (watched != &m_form)
        return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDropEvent *>(event);
        if (!droppedFile(drag->mimeData()).isEmpty() && !m_form.hasEnded())
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QString path = droppedFile(drop->mimeData());
        if (path.isEmpty())
            return false;
        drop->acceptProposedAction();
        // Opened once the drop has finished: a message box inside the drop would keep the
        // program the file came from waiting.
        QMetaObject::invokeMethod(
            this, [this, path] { open(path); }, Qt::QueuedConnection);
        return true;
    }
    default:
        return false;
    }
}

} // namespace shell
