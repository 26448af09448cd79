// Writes the built-in quiz to FILE as the template a teacher starts from.
#include "quizfile/quizwriter.h"

#include <cstdio>

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fputs("usage: write_template FILE\n", stderr);
        return 1;
    }
    const QByteArray bytes = quizfile::writeQuiz(content::quizTemplate());
    std::FILE *file = std::fopen(argv[1], "wb");
    if (!file) {
        std::perror(argv[1]);
        return 1;
    }
    const bool written =
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file) == size_t(bytes.size());
    return std::fclose(file) == 0 && written ? 0 : 1;
}
