#include "quizfile/spreadsheet/xmlstream.h"

#include "quizfile/spreadsheet/caps.h"

using namespace Qt::StringLiterals;

namespace quizfile {

XmlStream::XmlStream(QString part, std::function<QByteArray()> more)
    : m_part(std::move(part))
    , m_more(std::move(more)) {
    // No entity is ever declared (see next()); this fences the reader's own handling too.
    m_reader.setEntityExpansionLimit(1024);
}

void XmlStream::fail(const QString &message) const {
    const QString where = m_part.isEmpty() ? u"файлът"_s : u"частта „"_s + m_part + u"“ на файла"_s;
    throw FileFault{where + u' ' + message};
}

QXmlStreamReader::TokenType XmlStream::next() {
    for (;;) {
        const QXmlStreamReader::TokenType token = m_reader.readNext();
        switch (token) {
        case QXmlStreamReader::StartElement:
            m_haveAttributes = false;
            if (++m_depth > maxXmlDepth) {
                fail(u"е вложена по-дълбоко от "_s + QString::number(maxXmlDepth) +
                     u" нива: така изглежда злонамерен файл, а не таблица"_s);
            }
            return token;
        case QXmlStreamReader::EndElement:
            --m_depth;
            return token;
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::EndDocument:
            return token;
        case QXmlStreamReader::DTD:
            // Declarations in the document type are where entity expansion ("billion laughs")
            // and external entities start; the formats read here have none.
            if (!m_reader.entityDeclarations().isEmpty() ||
                m_reader.text().indexOf(u"<!"_s, 2) >= 0) {
                fail(u"има декларации на XML същности (DTD), каквито таблиците и речниците "
                     u"нямат: така изглежда злонамерен файл"_s);
            }
            continue;
        case QXmlStreamReader::Invalid:
            if (m_reader.error() == QXmlStreamReader::PrematureEndOfDocumentError && m_more) {
                const QByteArray chunk = m_more();
                if (!chunk.isEmpty()) {
                    m_reader.addData(chunk);
                    continue;
                }
            }
            fail(u"не е правилен XML (ред "_s + QString::number(m_reader.lineNumber()) +
                 u"): повреден е"_s);
        default:
            continue;
        }
    }
}

bool XmlStream::nextChild(int parentDepth) {
    for (;;) {
        const QXmlStreamReader::TokenType token = next();
        if (token == QXmlStreamReader::StartElement && m_depth == parentDepth + 1)
            return true;
        if (ends(token, parentDepth))
            return false;
    }
}

QStringView XmlStream::attribute(QStringView localName) {
    if (!m_haveAttributes) {
        m_attributes = m_reader.attributes();
        m_haveAttributes = true;
    }
    for (const QXmlStreamAttribute &attribute : std::as_const(m_attributes)) {
        if (attribute.name() == localName)
            return attribute.value();
    }
    return {};
}

QString XmlStream::readText() {
    const int depth = m_depth;
    QString text;
    for (;;) {
        const QXmlStreamReader::TokenType token = next();
        if (token == QXmlStreamReader::Characters)
            text += m_reader.text();
        else if (ends(token, depth))
            return text;
    }
}

void XmlStream::skipElement() {
    const int depth = m_depth;
    while (!ends(next(), depth)) {
    }
}

} // namespace quizfile
