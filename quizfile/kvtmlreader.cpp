#include "quizfile/kvtmlreader.h"

#include "quizfile/spreadsheet/xmlstream.h"

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace quizfile {

namespace {

struct Translation {
    QString text;
    QString comment;
};

// Up to three translations of an entry, in the order of the vocabulary's languages.
using Entry = std::array<Translation, content::maxAnswerColumns>;

struct Vocabulary {
    QString title;
    std::vector<QString> languageIds;   // in the order they are declared, at most three
    std::vector<QString> languageNames; // the same languages' captions
    QString firstName;                  // the first language's own name, if it has one
    std::vector<Entry> entries;
    bool full = false; // more entries than a quiz can take have been read
};

void addEntry(Vocabulary &vocabulary, Entry entry) {
    vocabulary.entries.push_back(std::move(entry));
    vocabulary.full = vocabulary.entries.size() > size_t(content::maxQuizRows) + 1;
}

void readIdentifiers(XmlStream &xml, Vocabulary &vocabulary) {
    const int depth = xml.depth();
    while (xml.nextChild(depth)) {
        if (xml.name() != u"identifier" ||
            vocabulary.languageIds.size() == content::maxAnswerColumns) {
            xml.skipElement();
            continue;
        }
        vocabulary.languageIds.push_back(xml.attribute(u"id").toString());
        QString name;
        QString locale;
        while (xml.nextChild(depth + 1)) {
            if (xml.name() == u"name")
                name = xml.readText().trimmed();
            else if (xml.name() == u"locale")
                locale = xml.readText().trimmed();
            else
                xml.skipElement();
        }
        if (vocabulary.languageNames.empty())
            vocabulary.firstName = name;
        vocabulary.languageNames.push_back(name.isEmpty() ? locale : name);
    }
}

void readEntries(XmlStream &xml, Vocabulary &vocabulary) {
    const int depth = xml.depth();
    while (!vocabulary.full && xml.nextChild(depth)) {
        if (xml.name() != u"entry") {
            xml.skipElement();
            continue;
        }
        Entry entry;
        while (xml.nextChild(depth + 1)) {
            const auto language = std::find(vocabulary.languageIds.begin(),
                                            vocabulary.languageIds.end(), xml.attribute(u"id"));
            // Translations into no declared language are left out, as KDE's programs do.
            if (xml.name() != u"translation" || language == vocabulary.languageIds.end()) {
                xml.skipElement();
                continue;
            }
            Translation &translation = entry[size_t(language - vocabulary.languageIds.begin())];
            while (xml.nextChild(depth + 2)) {
                if (xml.name() == u"text")
                    translation.text = xml.readText();
                else if (xml.name() == u"comment")
                    translation.comment = xml.readText();
                else
                    xml.skipElement();
            }
        }
        addEntry(vocabulary, std::move(entry));
    }
}

void readVersion2(XmlStream &xml, Vocabulary &vocabulary) {
    while (!vocabulary.full && xml.nextChild(1)) {
        if (xml.name() == u"information") {
            while (xml.nextChild(2)) {
                if (xml.name() == u"title")
                    vocabulary.title = xml.readText().trimmed();
                else
                    xml.skipElement();
            }
        } else if (xml.name() == u"identifiers") {
            readIdentifiers(xml, vocabulary);
        } else if (xml.name() == u"entries") {
            readEntries(xml, vocabulary);
        } else {
            xml.skipElement();
        }
    }
}

// Version 1: entries <e> of an original <o> and translations <t>, the language in their "l".
void readVersion1(XmlStream &xml, Vocabulary &vocabulary) {
    vocabulary.title = xml.attribute(u"title").trimmed().toString();
    while (!vocabulary.full && xml.nextChild(1)) {
        if (xml.name() != u"e") {
            xml.skipElement();
            continue;
        }
        Entry entry;
        size_t next = 0; // the column of the next translation
        while (xml.nextChild(2)) {
            size_t column = entry.size();
            if (xml.name() == u"o")
                column = 0;
            else if (xml.name() == u"t")
                column = std::max<size_t>(next, 1);
            if (column >= entry.size()) {
                xml.skipElement();
                continue;
            }
            if (vocabulary.languageNames.size() <= column)
                vocabulary.languageNames.resize(column + 1);
            if (vocabulary.languageNames[column].isEmpty())
                vocabulary.languageNames[column] = xml.attribute(u"l").trimmed().toString();
            entry[column].text = xml.readText();
            next = column + 1;
        }
        addEntry(vocabulary, std::move(entry));
    }
}

} // namespace

content::Quiz readKvtml(QByteArrayView bytes, TableSource source) {
    // The XML reader would say no more than that the document is not well-formed.
    const QByteArrayView declaration = bytes.first(std::min<qsizetype>(bytes.size(), 100));
    const bool otherEncoding = declaration.contains("encoding=") &&
                               !declaration.contains("UTF-8") && !declaration.contains("utf-8");
    if (!otherEncoding && !bytes.isValidUtf8()) {
        throw FileFault{u"файлът е повреден: има знаци, които не са в UTF-8, а той е обявен "
                        u"като UTF-8"_s};
    }
    bool given = false;
    XmlStream xml({}, [&bytes, &given] {
        return std::exchange(given, true) ? QByteArray() : bytes.toByteArray();
    });
    if (!xml.nextChild(0) || xml.name() != u"kvtml")
        throw FileFault{u"файлът е XML, но не е речник на KWordQuiz или Parley (.kvtml)"_s};
    Vocabulary vocabulary;
    if (xml.attribute(u"version").startsWith(u'2'))
        readVersion2(xml, vocabulary);
    else
        readVersion1(xml, vocabulary);

    // A title is often the file's name it was first saved under.
    QString title = vocabulary.title;
    if (title.endsWith(u".kvtml"_s, Qt::CaseInsensitive))
        title.chop(6);
    if (!title.isEmpty())
        source.title = title;

    const auto hasText = [&vocabulary](auto member, size_t column) {
        return std::any_of(vocabulary.entries.begin(), vocabulary.entries.end(),
                           [&](const Entry &entry) { return !(entry[column].*member).isEmpty(); });
    };
    const size_t languages = vocabulary.languageNames.size();
    // One language with comments: each word against its hint.
    const bool hints = languages <= 1 && hasText(&Translation::comment, 0);
    if (!hints && (languages < 2 || !hasText(&Translation::text, 1))) {
        throw FileFault{u"речникът съдържа думи само на един език, без преводи и подсказки: "
                        u"няма какво да се свързва"_s};
    }
    const bool explanations =
        !hints &&
        std::any_of(vocabulary.entries.begin(), vocabulary.entries.end(), [](const Entry &entry) {
            return std::any_of(entry.begin(), entry.end(), [](const Translation &translation) {
                return !translation.comment.isEmpty();
            });
        });

    QuizTable table(source);
    std::vector<TableCell> header;
    if (hints) {
        // A locale ("bg") says little as a caption here: the list is of words.
        const QString &name = vocabulary.firstName;
        header = {{name.isEmpty() ? u"Дума"_s : name}, {u"Подсказка"_s}};
    } else {
        for (size_t i = 0; i < languages; ++i) {
            const QString &name = vocabulary.languageNames[i];
            header.push_back({name.isEmpty() ? u"Език "_s + QString::number(i + 1) : name});
        }
    }
    if (explanations)
        header.push_back({u"Обяснение"_s});
    table.addRow(0, header);

    int line = 0;
    for (const Entry &entry : vocabulary.entries) {
        std::vector<TableCell> cells;
        if (hints) {
            cells = {{entry[0].text}, {entry[0].comment}};
        } else {
            QStringList comments;
            for (size_t i = 0; i < languages; ++i) {
                cells.push_back({entry[i].text});
                if (!entry[i].comment.isEmpty() && !comments.contains(entry[i].comment))
                    comments.append(entry[i].comment);
            }
            if (explanations)
                cells.push_back({comments.join(u'\n')});
        }
        // A row's number is the entry's place, as KWordQuiz numbers its rows.
        table.addRow(++line, cells);
    }
    return table.finish();
}

} // namespace quizfile
