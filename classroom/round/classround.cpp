#include "classroom/round/classround.h"

#include "content/bulgarian.h"

#include <QRandomGenerator>

#include <algorithm>
#include <numeric>

using namespace Qt::StringLiterals;

namespace classroom {

namespace {

QString roundHasEnded() {
    return u"кръгът на класа е завършен"_s;
}

} // namespace

ClassRound::ClassRound(content::Quiz quiz, QString className, QString code)
    : m_quiz(std::move(quiz))
    , m_className(std::move(className))
    , m_code(std::move(code))
    , m_rowFigures(m_quiz.rows.size()) {
    const content::EntryOrder order;
    for (int column = 0; column < m_quiz.answerCount; ++column) {
        QStringList entries;
        entries.reserve(qsizetype(m_quiz.rows.size()));
        for (const content::QuizRow &row : m_quiz.rows)
            entries << row.answers[std::size_t(column)];
        std::stable_sort(
            entries.begin(), entries.end(),
            [&order](const QString &a, const QString &b) { return order.compare(a, b) < 0; });
        m_sortedLists.push_back(std::move(entries));
    }
    for (int row = 0; row < int(m_quiz.rows.size()); ++row)
        m_rowsByFirst[m_quiz.rows[std::size_t(row)].answers[0]].push_back(row);
}

ClassRound::Pupil *ClassRound::pupilOf(int number) {
    const auto found = m_pupils.find(number);
    return found == m_pupils.end() ? nullptr : &found->second;
}

const ClassRound::Pupil *ClassRound::pupilOf(int number) const {
    const auto found = m_pupils.find(number);
    return found == m_pupils.end() ? nullptr : &found->second;
}

ClassRound::Pupil *ClassRound::pupilNamed(const QString &name) {
    for (auto &[number, pupil] : m_pupils)
        if (pupil.name.compare(name, Qt::CaseInsensitive) == 0)
            return &pupil;
    return nullptr;
}

QString ClassRound::newToken() const {
    QString token;
    for (int i = 0; i < 4; ++i)
        token +=
            QString::number(QRandomGenerator::system()->generate(), 16).rightJustified(8, u'0');
    return token;
}

void ClassRound::record(RoundEvent event) {
    if (!m_replaying && m_record)
        m_record(event);
}

// The attempt's rows: every row, or the rows missed in the attempt before, for a practice.
void ClassRound::beginAttempt(Pupil &pupil, bool practice, qint64 now) {
    if (pupil.attempt > 0)
        pupil.earlier.push_back(figuresOf(pupil));
    std::vector<int> rows;
    if (practice)
        rows = pupil.record.missedRows();
    if (rows.empty()) {
        rows.resize(m_quiz.rows.size());
        std::iota(rows.begin(), rows.end(), 0);
        practice = false;
    }
    pupil.remaining.assign(std::size_t(m_quiz.answerCount), {});
    for (const int row : rows)
        for (int column = 0; column < m_quiz.answerCount; ++column)
            ++pupil.remaining[std::size_t(column)]
                             [m_quiz.rows[std::size_t(row)].answers[std::size_t(column)]];
    pupil.record.begin(std::move(rows));
    ++pupil.attempt;
    pupil.practice = practice;
    pupil.right = 0;
    pupil.wrong = 0;
    pupil.shown.clear();
    pupil.startedAt = now;
    pupil.firstCheckAt = 0;
    pupil.lastCheckAt = 0;
    pupil.lastRightAt = now;
    pupil.finished = false;
}

Attempt ClassRound::attemptOf(const Pupil &pupil) const {
    Attempt attempt;
    attempt.number = pupil.attempt;
    attempt.practice = pupil.practice;
    for (int column = 0; column < m_quiz.answerCount; ++column) {
        // The entries still to match, in the list's own order: the sorted column, each text as
        // many times as it is left.
        QHash<QString, int> left = pupil.remaining[std::size_t(column)];
        QStringList list;
        for (const QString &entry : m_sortedLists[std::size_t(column)]) {
            int &count = left[entry];
            if (count > 0) {
                list << entry;
                --count;
            }
        }
        attempt.lists.push_back(std::move(list));
    }
    attempt.rightAnswers = pupil.right;
    attempt.wrongAnswers = pupil.wrong;
    attempt.shown = pupil.shown;
    attempt.nextSerial = pupil.lastSerial + 1;
    return attempt;
}

Welcome ClassRound::welcomeOf(const Pupil &pupil) const {
    Welcome welcome;
    welcome.token = pupil.token;
    welcome.name = pupil.name;
    welcome.title = m_quiz.title;
    welcome.className = m_className;
    for (int column = 0; column < m_quiz.answerCount; ++column)
        welcome.captions << m_quiz.captions[std::size_t(column)];
    welcome.quizRows = int(m_quiz.rows.size());
    welcome.attempt = attemptOf(pupil);
    return welcome;
}

Summary ClassRound::summaryOf(const Pupil &pupil, qint64 now) const {
    const qint64 end = pupil.finished ? pupil.lastRightAt : now;
    return {pupil.right, pupil.wrong, pupil.firstCheckAt > 0 ? end - pupil.firstCheckAt : 0,
            pupil.record.missedRowNames(
                m_quiz.answerCount, [this](int column, int row) -> const QString & {
                    return m_quiz.rows[std::size_t(row)].answers[std::size_t(column)];
                })};
}

ClassRound::Answer ClassRound::join(const Join &request, qint64 now) {
    if (m_ended)
        return {0, {Refused{roundHasEnded()}}};
    if (request.code != m_code)
        return {0, {Refused{u"кодът не е верен; вижте кода на екрана на учителя"_s}}};
    if (const Pupil *known = pupilNamed(request.name)) {
        if (known->removed)
            return {0, {Refused{u"учителят ви е отстранил от този кръг"_s}}};
        return {0, {Held{u"в кръга вече има ученик с това име; изчакайте учителят да ви пусне"_s}}};
    }
    Pupil pupil;
    pupil.number = m_pupils.empty() ? 1 : m_pupils.rbegin()->first + 1;
    pupil.name = request.name;
    pupil.token = newToken();
    beginAttempt(pupil, false, now);
    record({RoundEvent::Kind::Join, pupil.number, now, pupil.name, pupil.token});
    const int number = pupil.number;
    auto &stored = m_pupils.emplace(number, std::move(pupil)).first->second;
    return {number, {welcomeOf(stored)}};
}

ClassRound::Answer ClassRound::resume(const Resume &request, qint64 now) {
    Q_UNUSED(now);
    for (auto &[number, pupil] : m_pupils) {
        if (pupil.token != request.token)
            continue;
        if (pupil.removed)
            return {0, {Refused{u"учителят ви е отстранил от този кръг"_s}}};
        std::vector<HostMessage> replies{welcomeOf(pupil)};
        if (m_ended || pupil.finished)
            replies.emplace_back(Finished{summaryOf(pupil, now), m_ended});
        return {number, replies};
    }
    return {0, {Refused{u"този кръг не ви познава; влезте отново с кода"_s}}};
}

ClassRound::Answer ClassRound::approve(const QString &name, qint64 now) {
    Pupil *pupil = pupilNamed(name);
    if (pupil == nullptr || pupil->removed || m_ended)
        return {0, {Refused{m_ended ? roundHasEnded() : u"учителят не ви пусна"_s}}};
    pupil->token = newToken();
    record({RoundEvent::Kind::Return, pupil->number, now, pupil->name, pupil->token});
    std::vector<HostMessage> replies{welcomeOf(*pupil)};
    if (pupil->finished)
        replies.emplace_back(Finished{summaryOf(*pupil, now), false});
    return {pupil->number, replies};
}

int ClassRound::decide(const Pupil &pupil, const QStringList &choice) const {
    const auto candidates = m_rowsByFirst.constFind(choice[0]);
    if (candidates == m_rowsByFirst.constEnd())
        return -1;
    std::vector<const QString *> chosen;
    for (const QString &text : choice)
        chosen.push_back(&text);
    return pupil.record.decide(*candidates, chosen, [this](int column, int row) -> const QString & {
        return m_quiz.rows[std::size_t(row)].answers[std::size_t(column)];
    });
}

Verdict ClassRound::applyCheck(Pupil &pupil, const QStringList &choice, int row, qint64 now) {
    if (pupil.firstCheckAt == 0)
        pupil.firstCheckAt = now;
    pupil.lastCheckAt = now;
    if (row >= 0) {
        for (int column = 0; column < m_quiz.answerCount; ++column)
            --pupil.remaining[std::size_t(column)][choice[column]];
        pupil.record.noteMatch(row);
        ++pupil.right;
        pupil.lastRightAt = now;
        pupil.shown = content::shownOnMatch(m_quiz, m_quiz.rows[std::size_t(row)]);
        ++m_rowFigures[std::size_t(row)].matched;
        pupil.finished = pupil.right == qint64(pupil.record.rows().size());
    } else {
        ++pupil.wrong;
        pupil.shown = u"???"_s;
        for (const int missed : m_rowsByFirst.value(choice[0])) {
            pupil.record.noteMiss(missed);
            ++m_rowFigures[std::size_t(missed)].wrongChecks;
        }
    }
    return {0, row >= 0, row >= 0 ? pupil.shown : QString(), pupil.right, pupil.wrong};
}

std::optional<ClassRound::Answer> ClassRound::answeredBefore(const Pupil *pupil, int number,
                                                             qint64 serial) const {
    if (pupil == nullptr || pupil->removed)
        return Answer{0, {Refused{u"този кръг не ви познава"_s}}};
    // A request seen already is answered as it was: the pupil's program sent it again after
    // its link dropped. An older one is not answered.
    if (serial <= pupil->lastSerial)
        return Answer{number, serial == pupil->lastSerial ? pupil->lastReplies
                                                          : std::vector<HostMessage>{}};
    return std::nullopt;
}

ClassRound::Answer ClassRound::check(int number, const Check &request, qint64 now) {
    Pupil *pupil = pupilOf(number);
    if (auto answer = answeredBefore(pupil, number, request.serial))
        return *answer;
    if (m_ended || pupil->finished)
        return {number, {Finished{summaryOf(*pupil, now), m_ended}}};
    if (request.choice.size() != m_quiz.answerCount)
        return {0, {Refused{u"проверката не е според кръга"_s}}};
    // Only entries the pupil's lists still hold can be chosen.
    for (int column = 0; column < m_quiz.answerCount; ++column)
        if (pupil->remaining[std::size_t(column)].value(request.choice[column]) <= 0)
            return {0, {Refused{u"избран е отговор, какъвто в списъка няма"_s}}};
    const int row = decide(*pupil, request.choice);
    Verdict verdict = applyCheck(*pupil, request.choice, row, now);
    verdict.serial = request.serial;
    RoundEvent event{RoundEvent::Kind::Check, number, now, {}, {}, request.choice, row >= 0, row};
    event.serial = request.serial;
    record(event);
    std::vector<HostMessage> replies{verdict};
    if (pupil->finished)
        replies.emplace_back(Finished{summaryOf(*pupil, now), false});
    pupil->lastSerial = request.serial;
    pupil->lastReplies = replies;
    return {number, replies};
}

ClassRound::Answer ClassRound::again(int number, const Again &request, qint64 now) {
    Pupil *pupil = pupilOf(number);
    if (auto answer = answeredBefore(pupil, number, request.serial))
        return *answer;
    if (m_ended)
        return {number, {Finished{summaryOf(*pupil, now), true}}};
    beginAttempt(*pupil, request.practice, now);
    RoundEvent event{RoundEvent::Kind::Again, number, now};
    event.practice = request.practice;
    event.serial = request.serial;
    record(event);
    // The serial is the pupil's before the attempt is described: its next serial follows it.
    pupil->lastSerial = request.serial;
    std::vector<HostMessage> replies{Started{attemptOf(*pupil)}};
    pupil->lastReplies = replies;
    return {number, replies};
}

void ClassRound::noteDrop(int number, qint64 now) {
    if (pupilOf(number) != nullptr)
        record({RoundEvent::Kind::Drop, number, now});
}

void ClassRound::remove(int number, qint64 now) {
    Pupil *pupil = pupilOf(number);
    if (pupil == nullptr || pupil->removed)
        return;
    pupil->removed = true;
    record({RoundEvent::Kind::Remove, number, now});
}

std::vector<ClassRound::Answer> ClassRound::end(qint64 now) {
    std::vector<Answer> answers;
    if (m_ended)
        return answers;
    m_ended = true;
    m_endedAt = now;
    record({RoundEvent::Kind::End, 0, now});
    for (auto &[number, pupil] : m_pupils)
        if (!pupil.removed)
            answers.push_back({number, {Finished{summaryOf(pupil, now), true}}});
    return answers;
}

void ClassRound::replay(const RoundEvent &event) {
    m_replaying = true;
    Pupil *pupil = pupilOf(event.pupil);
    switch (event.kind) {
    case RoundEvent::Kind::Join: {
        Pupil joined;
        joined.number = event.pupil;
        joined.name = event.name;
        joined.token = event.token;
        beginAttempt(joined, false, event.at);
        m_pupils.insert_or_assign(event.pupil, std::move(joined));
        break;
    }
    case RoundEvent::Kind::Check:
        if (pupil != nullptr && event.choice.size() == m_quiz.answerCount) {
            // The verdict is decided again by the same rule, which gives what was recorded; it
            // is what a pupil who sends the request again is answered.
            Verdict verdict =
                applyCheck(*pupil, event.choice, decide(*pupil, event.choice), event.at);
            verdict.serial = event.serial;
            pupil->lastSerial = event.serial;
            pupil->lastReplies = {verdict};
            if (pupil->finished)
                pupil->lastReplies.emplace_back(Finished{summaryOf(*pupil, event.at), false});
        }
        break;
    case RoundEvent::Kind::Again:
        if (pupil != nullptr) {
            beginAttempt(*pupil, event.practice, event.at);
            pupil->lastSerial = event.serial;
            pupil->lastReplies = {Started{attemptOf(*pupil)}};
        }
        break;
    case RoundEvent::Kind::Return:
        if (pupil != nullptr)
            pupil->token = event.token;
        break;
    case RoundEvent::Kind::Remove:
        if (pupil != nullptr)
            pupil->removed = true;
        break;
    case RoundEvent::Kind::End:
        m_ended = true;
        m_endedAt = event.at;
        break;
    case RoundEvent::Kind::Drop:
        break;
    }
    m_replaying = false;
}

std::optional<PupilFigures> ClassRound::pupil(int number) const {
    const Pupil *pupil = pupilOf(number);
    if (pupil == nullptr)
        return std::nullopt;
    return PupilFigures{pupil->number,
                        pupil->name,
                        pupil->attempt,
                        pupil->practice,
                        pupil->right,
                        qint64(pupil->record.rows().size()),
                        pupil->wrong,
                        pupil->startedAt,
                        pupil->lastRightAt,
                        pupil->finished || m_ended,
                        pupil->removed,
                        pupil->firstCheckAt,
                        pupil->finished ? pupil->lastRightAt : (m_ended ? m_endedAt : 0)};
}

AttemptFigures ClassRound::figuresOf(const Pupil &pupil) const {
    return {pupil.attempt,
            pupil.practice,
            pupil.startedAt,
            pupil.right,
            qint64(pupil.record.rows().size()),
            pupil.wrong,
            pupil.firstCheckAt > 0 ? pupil.lastCheckAt - pupil.firstCheckAt : 0,
            pupil.finished};
}

std::vector<AttemptFigures> ClassRound::attempts(int number) const {
    const Pupil *pupil = pupilOf(number);
    if (pupil == nullptr)
        return {};
    std::vector<AttemptFigures> all = pupil->earlier;
    all.push_back(figuresOf(*pupil));
    return all;
}

std::vector<PupilFigures> ClassRound::pupils() const {
    std::vector<PupilFigures> figures;
    for (const auto &[number, pupil] : m_pupils)
        figures.push_back(*this->pupil(number));
    return figures;
}

QString classRoundProblem(const content::Quiz &quiz) {
    for (std::size_t row = 0; row < quiz.rows.size(); ++row)
        for (int column = 0; column < quiz.answerCount; ++column)
            if (quiz.rows[row].answers[std::size_t(column)].size() > maxChoiceLength)
                return u"Отговорът в ред "_s + QString::number(row + 2) + u", колона „"_s +
                       quiz.captions[std::size_t(column)] + u"“ е по-дълъг от "_s +
                       QString::number(maxChoiceLength) +
                       u" знака: в кръг на класа учениците не биха могли да го изберат. "
                       u"Съкратете го."_s;
    return {};
}

} // namespace classroom
