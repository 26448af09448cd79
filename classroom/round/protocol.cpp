#include "classroom/round/protocol.h"

#include "content/roundsummary.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace classroom {

namespace {

// A name or entry that a window can show: no control characters, no halves of surrogate pairs.
bool isShowable(const QString &text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.category() == QChar::Other_Control || c.isSurrogate() || c == QChar(0xFFFD))
            return false;
    }
    return true;
}

bool isDigits(const QString &text, qsizetype length) {
    return text.size() == length &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

bool isToken(const QString &text) {
    return text.size() == tokenLength && std::all_of(text.begin(), text.end(), [](QChar c) {
               return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
           });
}

// A request's serial: a whole number from 1, as JSON writes it.
std::optional<qint64> serialOf(const QJsonObject &object) {
    const QJsonValue value = object.value(u"serial");
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (number < 1 || number > double(1LL << 52) || number != std::floor(number))
        return std::nullopt;
    return qint64(number);
}

BadMessage bad(const QString &reason) {
    return {reason};
}

QJsonArray arrayOf(const QStringList &texts) {
    return QJsonArray::fromStringList(texts);
}

std::optional<QStringList> textsOf(const QJsonValue &value) {
    if (!value.isArray())
        return std::nullopt;
    QStringList texts;
    for (const QJsonValue &item : value.toArray()) {
        if (!item.isString())
            return std::nullopt;
        texts << item.toString();
    }
    return texts;
}

QByteArray bytesOf(QJsonObject object, QStringView type) {
    object.insert(u"type"_s, type.toString());
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// What a client without the program's own texts shows and speaks, said with the window's words:
// the information box's opening text, and what a screen reader hears as an attempt starts.
QString introductionOf(const Welcome &welcome) {
    return content::classRoundLine(welcome.className) +
           content::introductionTo(welcome.title, welcome.captions, welcome.quizRows);
}

QString startedAnnouncement(const Attempt &attempt) {
    const qint64 entries = attempt.lists.empty() ? 0 : qint64(attempt.lists.front().size());
    return attempt.practice ? content::practiceAnnouncement(entries)
                            : content::newRoundAnnouncement(entries);
}

QJsonObject objectOf(const Attempt &attempt) {
    QJsonArray lists;
    for (const QStringList &list : attempt.lists)
        lists.append(arrayOf(list));
    return {{u"number"_s, attempt.number},
            {u"practice"_s, attempt.practice},
            {u"lists"_s, lists},
            {u"rightAnswers"_s, double(attempt.rightAnswers)},
            {u"wrongAnswers"_s, double(attempt.wrongAnswers)},
            {u"shown"_s, attempt.shown},
            {u"nextSerial"_s, double(attempt.nextSerial)}};
}

QJsonObject objectOf(const Summary &summary) {
    return {{u"rightAnswers"_s, double(summary.rightAnswers)},
            {u"wrongAnswers"_s, double(summary.wrongAnswers)},
            {u"milliseconds"_s, double(summary.milliseconds)},
            {u"missedRows"_s, arrayOf(summary.missedRows)}};
}

qint64 wholeOf(const QJsonObject &object, QStringView key) {
    return qint64(object.value(key).toDouble());
}

Attempt attemptOf(const QJsonObject &object) {
    Attempt attempt;
    attempt.number = object.value(u"number").toInt();
    attempt.practice = object.value(u"practice").toBool();
    for (const QJsonValue &list : object.value(u"lists").toArray())
        attempt.lists.push_back(textsOf(list).value_or(QStringList()));
    attempt.rightAnswers = wholeOf(object, u"rightAnswers");
    attempt.wrongAnswers = wholeOf(object, u"wrongAnswers");
    attempt.shown = object.value(u"shown").toString();
    attempt.nextSerial = wholeOf(object, u"nextSerial");
    return attempt;
}

Summary summaryOf(const QJsonObject &object) {
    return {wholeOf(object, u"rightAnswers"), wholeOf(object, u"wrongAnswers"),
            wholeOf(object, u"milliseconds"),
            textsOf(object.value(u"missedRows")).value_or(QStringList())};
}

} // namespace

std::variant<ClientMessage, BadMessage> parseClientMessage(const QByteArray &bytes) {
    if (bytes.size() > maxClientMessageBytes)
        return bad(u"съобщението е твърде голямо"_s);
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return bad(u"съобщението не е обект на JSON"_s);
    const QJsonObject object = document.object();
    const QString type = object.value(u"type").toString();
    if (type == u"join" || type == u"resume") {
        if (object.value(u"protocol").toInt(-1) != protocolVersion)
            return bad(u"програмата на ученика е от друга версия; обновете я"_s);
        if (type == u"resume") {
            const QString token = object.value(u"token").toString();
            if (!isToken(token))
                return bad(u"знакът за връщане не е верен"_s);
            return ClientMessage(Resume{token});
        }
        const QString code = object.value(u"code").toString();
        const QString name = object.value(u"name").toString().simplified();
        if (!isDigits(code, joinCodeDigits))
            return bad(u"кодът трябва да е от 4 цифри"_s);
        if (name.isEmpty() || name.size() > maxNameLength || !isShowable(name))
            return bad(u"името трябва да е от 1 до 60 знака"_s);
        return ClientMessage(Join{code, name});
    }
    if (type == u"check") {
        const auto serial = serialOf(object);
        const auto choice = textsOf(object.value(u"choice"));
        if (!serial || !choice || choice->size() < content::minAnswerColumns ||
            choice->size() > content::maxAnswerColumns)
            return bad(u"проверката не е според протокола"_s);
        for (const QString &text : *choice)
            if (text.size() > maxChoiceLength || !isShowable(text))
                return bad(u"проверката не е според протокола"_s);
        return ClientMessage(Check{*serial, *choice});
    }
    if (type == u"again") {
        const auto serial = serialOf(object);
        if (!serial)
            return bad(u"нов опит не е според протокола"_s);
        return ClientMessage(Again{*serial, object.value(u"practice").toBool()});
    }
    if (type == u"leave")
        return ClientMessage(Leave{});
    if (type == u"names") {
        const QString code = object.value(u"code").toString();
        if (!isDigits(code, joinCodeDigits))
            return bad(u"кодът трябва да е от 4 цифри"_s);
        return ClientMessage(AskNames{code});
    }
    return bad(u"непознат вид съобщение"_s);
}

QByteArray encode(const ClientMessage &message) {
    return std::visit(
        [](const auto &m) -> QByteArray {
            using M = std::decay_t<decltype(m)>;
            if constexpr (std::is_same_v<M, Join>)
                return bytesOf(
                    {{u"protocol"_s, protocolVersion}, {u"code"_s, m.code}, {u"name"_s, m.name}},
                    u"join");
            else if constexpr (std::is_same_v<M, Resume>)
                return bytesOf({{u"protocol"_s, protocolVersion}, {u"token"_s, m.token}},
                               u"resume");
            else if constexpr (std::is_same_v<M, Check>)
                return bytesOf({{u"serial"_s, double(m.serial)}, {u"choice"_s, arrayOf(m.choice)}},
                               u"check");
            else if constexpr (std::is_same_v<M, Again>)
                return bytesOf({{u"serial"_s, double(m.serial)}, {u"practice"_s, m.practice}},
                               u"again");
            else if constexpr (std::is_same_v<M, AskNames>)
                return bytesOf({{u"code"_s, m.code}}, u"names");
            else
                return bytesOf({}, u"leave");
        },
        message);
}

QByteArray encode(const HostMessage &message) {
    return std::visit(
        [](const auto &m) -> QByteArray {
            using M = std::decay_t<decltype(m)>;
            if constexpr (std::is_same_v<M, Welcome>)
                return bytesOf({{u"protocol"_s, protocolVersion},
                                {u"token"_s, m.token},
                                {u"name"_s, m.name},
                                {u"title"_s, m.title},
                                {u"className"_s, m.className},
                                {u"captions"_s, arrayOf(m.captions)},
                                {u"quizRows"_s, m.quizRows},
                                {u"attempt"_s, objectOf(m.attempt)},
                                {u"introduction"_s, introductionOf(m)}},
                               u"welcome");
            else if constexpr (std::is_same_v<M, Verdict>)
                return bytesOf(
                    {{u"serial"_s, double(m.serial)},
                     {u"right"_s, m.right},
                     {u"shown"_s, m.shown},
                     {u"rightAnswers"_s, double(m.rightAnswers)},
                     {u"wrongAnswers"_s, double(m.wrongAnswers)},
                     {u"spoken"_s, m.right ? content::rightAnnouncement(m.rightAnswers, m.shown)
                                           : content::wrongAnnouncement(m.wrongAnswers)}},
                    u"verdict");
            else if constexpr (std::is_same_v<M, Started>)
                return bytesOf({{u"attempt"_s, objectOf(m.attempt)},
                                {u"spoken"_s, startedAnnouncement(m.attempt)}},
                               u"started");
            else if constexpr (std::is_same_v<M, Finished>)
                return bytesOf({{u"summary"_s, objectOf(m.summary)},
                                {u"roundEnded"_s, m.roundEnded},
                                {u"time"_s, content::shortDuration(m.summary.milliseconds)},
                                {u"spoken"_s, content::summaryAnnouncement(
                                                  {m.summary.rightAnswers, m.summary.wrongAnswers,
                                                   m.summary.milliseconds, m.summary.missedRows})}},
                               u"finished");
            else if constexpr (std::is_same_v<M, Held>)
                return bytesOf({{u"reason"_s, m.reason}}, u"held");
            else if constexpr (std::is_same_v<M, Names>)
                return bytesOf({{u"names"_s, arrayOf(m.names)}}, u"names");
            else if constexpr (std::is_same_v<M, Alive>)
                return bytesOf({}, u"alive");
            else
                return bytesOf({{u"reason"_s, m.reason}}, u"refused");
        },
        message);
}

std::variant<HostMessage, BadMessage> parseHostMessage(const QByteArray &bytes) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return bad(u"съобщението на учителя не е обект на JSON"_s);
    const QJsonObject object = document.object();
    const QString type = object.value(u"type").toString();
    if (type == u"welcome") {
        if (object.value(u"protocol").toInt(-1) != protocolVersion)
            return bad(u"програмата на учителя е от друга версия"_s);
        Welcome welcome;
        welcome.token = object.value(u"token").toString();
        welcome.name = object.value(u"name").toString();
        welcome.title = object.value(u"title").toString();
        welcome.className = object.value(u"className").toString();
        welcome.captions = textsOf(object.value(u"captions")).value_or(QStringList());
        welcome.quizRows = object.value(u"quizRows").toInt();
        welcome.attempt = attemptOf(object.value(u"attempt").toObject());
        if (welcome.captions.size() < content::minAnswerColumns ||
            welcome.captions.size() > content::maxAnswerColumns ||
            qsizetype(welcome.attempt.lists.size()) != welcome.captions.size())
            return bad(u"списъците на учителя не са според протокола"_s);
        return HostMessage(welcome);
    }
    if (type == u"verdict")
        return HostMessage(Verdict{wholeOf(object, u"serial"), object.value(u"right").toBool(),
                                   object.value(u"shown").toString(),
                                   wholeOf(object, u"rightAnswers"),
                                   wholeOf(object, u"wrongAnswers")});
    if (type == u"started")
        return HostMessage(Started{attemptOf(object.value(u"attempt").toObject())});
    if (type == u"finished")
        return HostMessage(Finished{summaryOf(object.value(u"summary").toObject()),
                                    object.value(u"roundEnded").toBool()});
    if (type == u"held")
        return HostMessage(Held{object.value(u"reason").toString()});
    if (type == u"refused")
        return HostMessage(Refused{object.value(u"reason").toString()});
    if (type == u"names")
        return HostMessage(Names{textsOf(object.value(u"names")).value_or(QStringList())});
    if (type == u"alive")
        return HostMessage(Alive{});
    return bad(u"непознат вид съобщение на учителя"_s);
}

} // namespace classroom
