// Prints every text of the quiz content as UTF-8, one per line, for the spelling check.
#include "content/battletable.h"

#include <QByteArray>
#include <QList>

#include <cstdio>

namespace {

void print(QStringView text) {
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, size_t(utf8.size()), stdout);
    std::fputc('\n', stdout);
}

} // namespace

int main() {
    for (const content::BattleRow &row : content::battleTable) {
        print(row.place);
        print(row.winner);
        print(row.defeated);
        print(row.explanation);
    }
    // The intro's own line ends are CR LF; hunspell wants plain lines.
    for (QStringView line : content::introText.split(u"\r\n", Qt::SkipEmptyParts))
        print(line);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
