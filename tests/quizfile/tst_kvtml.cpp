#include "readercases.h"

using namespace readercases;

namespace {

using Bytes = std::vector<std::pair<const char *, std::pair<QByteArray, Expected>>>;

// Vocabularies of KWordQuiz and Parley, and XML that is none.
Bytes kvtmlCases() {
    const QByteArray laughs = "<?xml version=\"1.0\"?><!DOCTYPE kvtml [<!ENTITY a \"aaaaaaaaaa\">"
                              "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><kvtml>&b;</kvtml>";
    const auto kvtml = [](const QByteArray &identifiers, const QByteArray &entries) {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE kvtml PUBLIC "
               "\"kvtml2.dtd\" \"http://edu.kde.org/kvtml/kvtml2.dtd\">\n<kvtml version=\"2.0\">"
               "<information><title>Животни.kvtml</title></information><identifiers>" +
               identifiers + "</identifiers><entries>" + entries + "</entries></kvtml>";
    };
    const auto entry = [](const QByteArray &translations) {
        return "<entry id=\"9\"><inactive>false</inactive>" + translations + "</entry>";
    };
    const auto translation = [](const char *id, const QByteArray &text,
                                const QByteArray &comment = {}) {
        return "<translation id=\"" + QByteArray(id) + "\"><text>" + text + "</text><comment>" +
               comment + "</comment></translation>";
    };
    Expected animals = opens(
        {u"Дума"_s, u"Подсказка"_s, {}}, {},
        {{{u"мечка"_s, u"Спи през зимата"_s, {}}, {}}, {{u"делфин"_s, u"Бозайник"_s, {}}, {}}});
    animals.quiz->title = u"Животни"_s;
    Expected languages =
        opens({u"English"_s, u"de"_s, {}}, u"Обяснение"_s,
              {{{u"one"_s, u"eins"_s, {}}, u"число\nзахлас"_s}, {{u"two"_s, u"zwei"_s, {}}, {}}});
    languages.quiz->title = u"Животни"_s;
    Expected version1 = opens({u"bg"_s, u"Език 2"_s, {}}, {},
                              {{{u"котка"_s, u"cat"_s, {}}, {}}, {{u"куче"_s, u"dog"_s, {}}, {}}});
    version1.quiz->title = u"Домашни"_s;
    return {
        {"kvtml: one language, comments as hints, a stray translation",
         {kvtml(R"(<identifier id="0"><locale>bg</locale></identifier>)",
                entry(translation("0", "мечка", "Спи през зимата") + translation("1", "Спи")) +
                    entry(translation("0", "делфин", "Бозайник"))),
          animals}},
        {"kvtml: languages, comments as explanations",
         {kvtml(R"(<identifier id="0"><name>English</name><locale>en</locale></identifier>)"
                R"(<identifier id="1"><locale>de</locale></identifier>)",
                entry(translation("0", "one", "число") + translation("1", "eins", "захлас")) +
                    entry(translation("1", "zwei") + translation("0", "two"))),
          languages}},
        {"kvtml: a row with one language only",
         {kvtml(R"(<identifier id="0"/><identifier id="1"/>)",
                entry(translation("0", "a") + translation("1", "b")) +
                    entry(translation("0", "c"))),
          refused(2, 2, u"липсва стойност"_s)}},
        {"kvtml: words only",
         {kvtml(R"(<identifier id="0"/>)",
                entry(translation("0", "a")) + entry(translation("0", "b"))),
          refused(0, 0, u"един език"_s)}},
        {"kvtml 1",
         {R"(<?xml version="1.0"?><!DOCTYPE kvtml SYSTEM "kvoctrain.dtd">)"
          R"(<kvtml encoding="UTF-8" title="Домашни"><e><o l="bg">котка</o><t>cat</t></e>)"
          R"(<e><o>куче</o><t>dog</t></e></kvtml>)",
          version1}},
        {"kvtml: entity expansion", {laughs, refused(0, 0, u"XML същности"_s)}},
        {"xml, not a vocabulary",
         {"<?xml version=\"1.0\"?><html/>", refused(0, 0, u"KWordQuiz"_s)}},
    };
}

} // namespace

class TestKvtml : public QObject {
    Q_OBJECT

private slots:
    void read_data();
    void read();
};

void TestKvtml::read_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Expected>("expected");
    for (const auto &[name, data] : kvtmlCases())
        QTest::newRow(name) << data.first << data.second;
}

// Each file is read by its content, under the name „Тест.csv“.
void TestKvtml::read() {
    QFETCH(QByteArray, bytes);
    QFETCH(Expected, expected);
    checkResult(quizfile::parseQuiz(bytes, u"Тест.csv"_s), expected);
}

QTEST_GUILESS_MAIN(TestKvtml)
#include "tst_kvtml.moc"
