#pragma once

#include "classroom/round/protocol.h"
#include "content/quiz.h"
#include "content/roundrecord.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace classroom {

// What happened in a round, as the class records keep it: enough to play the round again from
// its start to where it was, and to sum it up.
struct RoundEvent {
    enum class Kind { Join, Check, Again, Drop, Return, Remove, End };
    Kind kind = Kind::Join;
    int pupil = 0;         // the pupil's number in the round, from 1; 0 for the end
    qint64 at = 0;         // milliseconds since 1970, UTC
    QString name{};        // Join: the pupil's name
    QString token{};       // Join and Return: the token the pupil was given
    QStringList choice{};  // Check: the chosen entries
    bool right = false;    // Check: its verdict
    int row = -1;          // Check: the row found
    bool practice = false; // Again
    qint64 serial = 0;     // Check and Again: the pupil's number of the request
};

// A pupil as the teacher's table shows them.
struct PupilFigures {
    int pupil = 0;
    QString name;
    int attempt = 0;        // the attempt in play, from 1: also how many there were
    bool practice = false;  // the attempt in play practises the rows missed
    qint64 matched = 0;     // rows matched in the attempt in play
    qint64 rows = 0;        // of how many
    qint64 wrong = 0;       // wrong checks in the attempt in play
    qint64 startedAt = 0;   // when the attempt in play began
    qint64 lastRightAt = 0; // its last right answer, or its start
    bool finished = false;  // every row of the attempt matched, or the round ended
    bool removed = false;
    qint64 firstCheckAt = 0; // the attempt's first check; 0 before it
    qint64 endedAt = 0;      // its last match, or the round's end; 0 while it is in play
};

// One attempt of a pupil, as the results keep it.
struct AttemptFigures {
    int number = 1;
    bool practice = false;
    qint64 startedAt = 0;
    qint64 matched = 0;
    qint64 rows = 0;
    qint64 wrong = 0;
    qint64 milliseconds = 0; // from its first check to its last
    bool finished = false;   // every row matched
};

// How the class has done on one row of the quiz, over every attempt of every pupil.
struct RowFigures {
    qint64 matched = 0;     // times the row was matched
    qint64 wrongChecks = 0; // wrong checks that chose its first entry
};

// The round of a class as the teacher's program decides it, with no network: who has joined,
// each pupil's attempts with their lists, checks and misses, and the class's figures. Every
// check is decided by content::RoundRecord::decide, the window's own rule. Every change is
// handed to the recorder as it happens; a round played again from its events (replay) comes to
// the same state. Times are given by the caller, so that a replay gives the same figures.
class ClassRound {
public:
    using Recorder = std::function<void(const RoundEvent &)>;

    ClassRound(content::Quiz quiz, QString className, QString code);

    const content::Quiz &quiz() const { return m_quiz; }
    const QString &className() const { return m_className; }
    const QString &code() const { return m_code; }
    bool hasEnded() const { return m_ended; }
    void setRecorder(Recorder recorder) { m_record = std::move(recorder); }

    // What a pupil is answered.
    struct Answer {
        int pupil = 0; // the pupil the message is for; 0 when refused
        std::vector<HostMessage> replies;
    };

    // A pupil asks to join with the round's code under a name. A name already in the round
    // waits for the teacher (approve()); a removed pupil's name is refused.
    Answer join(const Join &request, qint64 now);
    // A pupil comes back with its token.
    Answer resume(const Resume &request, qint64 now);
    Answer check(int pupil, const Check &request, qint64 now);
    Answer again(int pupil, const Again &request, qint64 now);

    // The teacher lets a pupil who asked to join under a name already in the round take that
    // pupil's place: a pupil whose program started again goes on where it was. The token the
    // pupil had no longer works.
    Answer approve(const QString &name, qint64 now);
    // The pupil's link dropped (the host noticed); it is counted as offline until it returns.
    void noteDrop(int pupil, qint64 now);
    // The teacher removes the pupil: it may not come back in this round, by token or by name.
    void remove(int pupil, qint64 now);
    // „Край“: every pupil's attempt ends; the answer is the summary for each.
    std::vector<Answer> end(qint64 now);

    // Applies an event from the records: the round comes to where it was.
    void replay(const RoundEvent &event);

    std::vector<PupilFigures> pupils() const;
    std::vector<RowFigures> rows() const { return m_rowFigures; }
    std::optional<PupilFigures> pupil(int pupil) const;
    // Every attempt of the pupil, the one in play last.
    std::vector<AttemptFigures> attempts(int pupil) const;

private:
    struct Pupil {
        int number = 0;
        QString name;
        QString token;
        bool removed = false;
        int attempt = 0;
        bool practice = false;
        content::RoundRecord record;
        std::vector<QHash<QString, int>> remaining; // each list's entries still to match
        qint64 right = 0;
        qint64 wrong = 0;
        QString shown;
        qint64 startedAt = 0;
        qint64 firstCheckAt = 0;
        qint64 lastRightAt = 0;
        qint64 lastCheckAt = 0;
        bool finished = false;
        std::vector<AttemptFigures> earlier;
        qint64 lastSerial = 0;
        std::vector<HostMessage> lastReplies;
    };

    Pupil *pupilOf(int number);
    // The answer to a check or a new attempt that needs no deciding: from no pupil of the round,
    // or one seen before.
    std::optional<Answer> answeredBefore(const Pupil *pupil, int number, qint64 serial) const;
    const Pupil *pupilOf(int number) const;
    Pupil *pupilNamed(const QString &name);
    void beginAttempt(Pupil &pupil, bool practice, qint64 now);
    Attempt attemptOf(const Pupil &pupil) const;
    Welcome welcomeOf(const Pupil &pupil) const;
    Summary summaryOf(const Pupil &pupil, qint64 now) const;
    AttemptFigures figuresOf(const Pupil &pupil) const;
    QString newToken() const;
    void record(RoundEvent event);
    // A check's effect, shared by a live check and its replay.
    Verdict applyCheck(Pupil &pupil, const QStringList &choice, int row, qint64 now);
    int decide(const Pupil &pupil, const QStringList &choice) const;

    content::Quiz m_quiz;
    QString m_className;
    QString m_code;
    // Each list's entries in the order the lists show them, and the rows by their first entry.
    std::vector<QStringList> m_sortedLists;
    QHash<QString, std::vector<int>> m_rowsByFirst;
    std::map<int, Pupil> m_pupils;
    std::vector<RowFigures> m_rowFigures;
    Recorder m_record;
    bool m_replaying = false;
    bool m_ended = false;
    qint64 m_endedAt = 0;
};

// Why the quiz cannot be played as a class round, or nothing: an entry longer than a pupil's
// check may carry could never be chosen.
QString classRoundProblem(const content::Quiz &quiz);

} // namespace classroom
