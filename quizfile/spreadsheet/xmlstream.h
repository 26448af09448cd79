#pragma once

#include "quizfile/spreadsheet/filefault.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QXmlStreamReader>

#include <functional>

namespace quizfile {

// An XML document from outside read as a stream of elements with the caps of caps.h: a
// document type that declares entities is refused, and so is nesting deeper than maxXmlDepth;
// a document that is not well-formed is a damaged file. Every refusal is a FileFault that names
// the part. Names are compared without their namespace prefix, as the formats are read by
// position, not by prefix.
class XmlStream {
public:
    // Reads data fed in chunks by more(), which returns an empty chunk at the end.
    XmlStream(QString part, std::function<QByteArray()> more);

    // Moves to the next child element of the element at parentDepth (the document is depth 0):
    // false when that element ends. Text and deeper elements on the way are skipped.
    bool nextChild(int parentDepth);
    // Moves to the next start or end of an element, or text: the token, or EndDocument.
    QXmlStreamReader::TokenType next();

    // Depth of the element just started (its parent's depth + 1), or of its parent after an end.
    int depth() const { return m_depth; }
    QStringView name() const { return m_reader.name(); }
    QStringView text() const { return m_reader.text(); }
    // The value of the current element's attribute of this name, whatever its prefix; valid
    // until the next element starts.
    QStringView attribute(QStringView localName);
    // All the text inside the current element, its children's included; ends on its end.
    QString readText();
    // Moves to the end of the current element.
    void skipElement();
    // Whether token, just read, ends the element at depth (or the whole document): the end of
    // an element leaves the stream at its parent's depth.
    bool ends(QXmlStreamReader::TokenType token, int depth) const {
        return token == QXmlStreamReader::EndDocument ||
               (token == QXmlStreamReader::EndElement && m_depth < depth);
    }

private:
    [[noreturn]] void fail(const QString &message) const;

    QString m_part;
    std::function<QByteArray()> m_more;
    QXmlStreamReader m_reader;
    QXmlStreamAttributes m_attributes; // of the current element, taken when first asked for
    bool m_haveAttributes = false;
    int m_depth = 0;
};

} // namespace quizfile
