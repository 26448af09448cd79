// The .xlsx reader on any workbook XML: the input is the first sheet, its shared strings, its
// styles and its workbook, separated by NUL bytes (which XML cannot hold), in a workbook archive.
#include "quizchecks.h"
#include "spreadsheetfixture.h"

#include <QList>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QList<QByteArray> parts =
        QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\0');
    const auto part = [&parts](qsizetype i) { return i < parts.size() ? parts[i] : QByteArray(); };
    const QByteArray relationships =
        R"(<Relationships><Relationship Id="rId2" Type="a/worksheet" Target="worksheets/s.xml"/>)"
        R"(<Relationship Id="rId3" Type="a/sharedStrings" Target="strings.xml"/>)"
        R"(<Relationship Id="rId4" Type="a/styles" Target="/xl/styles.xml"/></Relationships>)";
    quizchecks::check(
        spreadsheetfixture::zip(
            {{u"[Content_Types].xml"_qs, {}},
             {u"_rels/.rels"_qs, R"(<Relationships><Relationship Id="rId1" )"
                                 R"(Type="a/officeDocument" Target="xl/workbook.xml"/>)"
                                 R"(</Relationships>)"},
             {u"xl/workbook.xml"_qs, part(3).isEmpty() ? R"(<workbook><sheets><sheet )"
                                                         R"(name="Лист1" r:id="rId2" )"
                                                         R"(xmlns:r="r"/></sheets></workbook>)"
                                                       : part(3)},
             {u"xl/_rels/workbook.xml.rels"_qs, relationships},
             {u"xl/worksheets/s.xml"_qs, part(0)},
             {u"xl/strings.xml"_qs, part(1)},
             {u"xl/styles.xml"_qs, part(2)}}),
        QStringLiteral("Тест.xlsx"));
    return 0;
}
