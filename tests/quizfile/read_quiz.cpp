// Reads a quiz file and prints what the reader made of it as JSON: the quiz, or the error.
// Exit status 0 for a quiz, 2 for a refused file, 1 for a usage error.
#include "quizfile/quizfile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

QJsonObject toJson(const content::Quiz &quiz) {
    QJsonArray rows;
    const auto used = [&quiz](const auto &answers) {
        QJsonArray array;
        for (int i = 0; i < quiz.answerCount; ++i)
            array.append(answers[std::size_t(i)]);
        return array;
    };
    for (const content::QuizRow &row : quiz.rows) {
        QJsonArray cells = used(row.answers);
        cells.append(row.explanation);
        rows.append(cells);
    }
    return {{u"title"_qs, quiz.title},
            {u"captions"_qs, used(quiz.captions)},
            {u"explanationCaption"_qs, quiz.explanationCaption},
            {u"rows"_qs, rows}};
}

QJsonObject toJson(const quizfile::QuizFileError &error) {
    return {{u"error"_qs, QJsonObject{{u"file"_qs, error.fileName},
                                      {u"line"_qs, error.line},
                                      {u"column"_qs, error.column},
                                      {u"message"_qs, error.message},
                                      {u"text"_qs, error.text()}}}};
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fputs("usage: read_quiz FILE\n", stderr);
        return 1;
    }
    const quizfile::QuizFileResult result = quizfile::readQuizFile(QString::fromLocal8Bit(argv[1]));
    const QJsonObject json = std::visit([](const auto &value) { return toJson(value); }, result);
    const QByteArray out = QJsonDocument(json).toJson(QJsonDocument::Indented);
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    return std::holds_alternative<content::Quiz>(result) ? 0 : 2;
}
