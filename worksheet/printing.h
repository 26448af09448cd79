#pragma once

#include "content/quiz.h"

#include <QPageLayout>
#include <QPageRanges>

class QIODevice;
class QPagedPaintDevice;

namespace worksheet {

// A4 portrait, with margins of 20 mm at the sides and 15 mm at the top and bottom.
QPageLayout worksheetPageLayout();

// Paints the worksheet of the quiz and its key on device, a printer or a PDF writer, in the
// page layout the device has. Only the pages in `pages` are painted, every page when it is
// empty. Returns false when the device could not be painted on.
bool printWorksheet(const content::Quiz &quiz, QPagedPaintDevice &device,
                    const QPageRanges &pages = {});

// Writes the worksheet as a PDF document to out, which must be open for writing. Returns false
// when it could not be written.
bool writeWorksheetPdf(const content::Quiz &quiz, QIODevice &out);

} // namespace worksheet
