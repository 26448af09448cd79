#include "shell/worksheetprinter.h"

#include "quiz/quizform.h"
#include "shell/application.h"
#include "shell/commandline.h"
#include "shell/commands.h"
#include "shell/quizfileopener.h"
#include "worksheet/printing.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPrintDialog>
#include <QSaveFile>

#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace shell {

namespace {

bool isPdfFile(const QString &path) {
    QFile file(path);
    return QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly) && file.read(5) == "%PDF-";
}

} // namespace

WorksheetPrinter::WorksheetPrinter(quiz::QuizForm &form)
    : QObject(&form)
    , m_form(form) {
    connect(addCommand(form, u"Отпечатай работен лист…"_s,
                       QKeySequence::keyBindings(QKeySequence::Print)),
            &QAction::triggered, this, &WorksheetPrinter::choosePrinter);
}

void WorksheetPrinter::choosePrinter() {
    if (m_form.hasEnded() || m_form.findChild<QPrintDialog *>() != nullptr)
        return;
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setPageLayout(worksheet::worksheetPageLayout());
    }
    m_printer->setDocName(m_form.currentQuiz().title);
    auto *dialog = new QPrintDialog(m_printer.get(), &m_form);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(u"Печат на работен лист"_s);
    connect(dialog, &QDialog::accepted, this, &WorksheetPrinter::print);
    dialog->open();
}

bool WorksheetPrinter::print() {
    const QPageRanges pages =
        m_printer->printRange() == QPrinter::PageRange ? m_printer->pageRanges() : QPageRanges();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const bool printed = worksheet::printWorksheet(m_form.currentQuiz(), *m_printer, pages);
    QGuiApplication::restoreOverrideCursor();
    if (!printed) {
        const QString file = m_printer->outputFileName();
        forms::showWarningMessageBox(
            &m_form, file.isEmpty() ? u"Работният лист не може да бъде отпечатан на „"_s +
                                          m_printer->printerName() + u"“."_s
                                    : u"Файлът „"_s + file + u"“ не може да бъде записан."_s);
    }
    return printed;
}

int writeWorksheetFile(const QString &outFile, const QString &quizFile) {
    std::optional<content::Quiz> quiz =
        quizFile.isEmpty() ? content::builtInQuiz() : readQuizForCommandLine(quizFile);
    if (!quiz)
        return exitStatusBadInput;
    if (QFileInfo::exists(outFile) && !isPdfFile(outFile)) {
        printProblem(u"„"_s + outFile +
                     u"“ вече съществува и не е PDF файл; листът не се записва върху него."_s);
        return exitStatusBadInput;
    }

    // Fonts need an application object, and a PDF needs no display: on the systems where a
    // window needs one, Qt's offscreen platform.
    QByteArray name = programName().toUtf8();
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)
    char platformOption[] = "-platform";
    char offscreen[] = "offscreen";
    char *argv[] = {name.data(), platformOption, offscreen, nullptr};
#else
    char *argv[] = {name.data(), nullptr};
#endif
    int argc = int(std::size(argv)) - 1;
    const QGuiApplication app(argc, argv);

    // Written in full or not at all: a PDF already there is never left half overwritten.
    QSaveFile file(outFile);
    const bool written = file.open(QIODevice::WriteOnly) &&
                         worksheet::writeWorksheetPdf(*quiz, file) && file.commit();
    if (!written) {
        printProblem(u"файлът „"_s + outFile + u"“ не може да бъде записан: "_s +
                     file.errorString());
        return exitStatusBadInput;
    }
    return 0;
}

} // namespace shell
