#pragma once

#include "quizfile/quiztable.h"

#include <QByteArrayView>

namespace quizfile {

// Reads a vocabulary of KDE's KWordQuiz and Parley (.kvtml, version 2 and the older version 1)
// as a quiz: each language is an answer list (the first three; its name, else its locale, is
// the caption), each entry a row, and the comments of an entry its explanation. A vocabulary of
// one language whose entries carry comments (KDE's word games ship such: a word and a hint)
// plays each word against its hint. The title is the vocabulary's own, else the file's name.
// Throws FileFault for a document that is not such a vocabulary or is not well-formed XML.
content::Quiz readKvtml(QByteArrayView bytes, TableSource source);

} // namespace quizfile
