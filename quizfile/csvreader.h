#pragma once

#include "quizfile/quiztable.h"

#include <QString>
#include <QStringView>

#include <vector>

namespace quizfile {

// Reads records of comma-separated values (RFC 4180) one at a time and says where each one is,
// as a spreadsheet shows it: rows count from 1 and a line break inside quotes stays in its row;
// fields count from 1. CR LF, LF and a lone CR all end a record. Every record is returned, a
// blank line as one empty field; what to skip is the caller's choice. A field says whether it was
// written in quotes.
class CsvReader {
public:
    enum class Fault { None, UnclosedQuote, TextAfterQuote };

    // Which fields are quoted. Files follow RFC 4180, and a quote that is not closed where the
    // field ends is a fault to report. Cells copied from a spreadsheet are never refused for
    // their quotes: a field that is not one whole quoted field is its text as written, and
    // LibreOffice quotes only a cell that holds a tab or a line break.
    enum class Quoting { Strict, Lenient, OnlyAroundBreaks };

    CsvReader(QStringView text, char16_t separator, Quoting quoting = Quoting::Strict);

    // Reads the next record into fields; false at the end of the text or on a fault.
    bool readRecord(std::vector<TableCell> &fields);

    // The row of the record last read.
    int recordLine() const { return m_recordLine; }

    Fault fault() const { return m_fault; }
    // Where the fault is: the row and the field it happened in.
    int faultLine() const { return m_recordLine; }
    int faultColumn() const { return m_faultColumn; }

private:
    bool atLineEnd() const;
    void skipLineEnd();
    bool readQuoted(QString &value);
    QString readUnquoted();

    QStringView m_text;
    qsizetype m_pos = 0;
    char16_t m_separator;
    Quoting m_quoting;
    int m_line = 1;
    int m_recordLine = 0;
    Fault m_fault = Fault::None;
    int m_faultColumn = 0;
};

// The separator a table uses: of ';', tab and ',' the one that splits the most of its first rows
// (blank ones aside) into one and the same number of fields, two or more, outside quotes; on a
// tie the first in that order, and ';' when none splits any row.
char16_t detectSeparator(QStringView text);

} // namespace quizfile
