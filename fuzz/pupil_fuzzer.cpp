// Any bytes a pupil's program could send the teacher's: each line a message, read as the host
// reads it and, when it is one, played on a round of the battles, as the first pupil who joined
// with the right code. Nothing crashes, hangs or leaks; a message that is not one is refused with
// a reason; and the round's figures stay within what the quiz allows.
#include "classroom/round/classround.h"
#include "classroom/round/protocol.h"
#include "content/battletable.h"

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    using namespace classroom;
    // A round is made once (its lists are sorted then) and copied for every input.
    static const ClassRound fresh(content::builtInQuiz(), QStringLiteral("10 б"),
                                  QStringLiteral("1234"));
    ClassRound round = fresh;
    qint64 now = 1;
    const int pupil = round.join({QStringLiteral("1234"), QStringLiteral("Мария")}, now).pupil;
    require(pupil == 1);
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const QByteArray &line : bytes.split('\n')) {
        now += 1000;
        const auto parsed = parseClientMessage(line);
        if (const auto *bad = std::get_if<BadMessage>(&parsed)) {
            require(!bad->reason.isEmpty());
            continue;
        }
        const ClientMessage &message = std::get<ClientMessage>(parsed);
        // What the host's message would be, written and read back, is the same message.
        require(encode(message) ==
                encode(std::get<ClientMessage>(parseClientMessage(encode(message)))));
        ClassRound::Answer answer;
        if (const auto *join = std::get_if<Join>(&message))
            answer = round.join(*join, now);
        else if (const auto *resume = std::get_if<Resume>(&message))
            answer = round.resume(*resume, now);
        else if (const auto *check = std::get_if<Check>(&message))
            answer = round.check(pupil, *check, now);
        else if (const auto *again = std::get_if<Again>(&message))
            answer = round.again(pupil, *again, now);
        for (const HostMessage &reply : answer.replies)
            require(std::holds_alternative<HostMessage>(parseHostMessage(encode(reply))));
    }
    for (const PupilFigures &figures : round.pupils()) {
        require(figures.matched >= 0 && figures.matched <= figures.rows);
        require(figures.rows <= content::battleCount && figures.wrong >= 0);
    }
    for (const RowFigures &row : round.rows())
        require(row.matched >= 0 && row.wrongChecks >= 0);
    return 0;
}
