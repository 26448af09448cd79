#pragma once

#include "content/battletable.h"
#include "expectedorder.h"
#include "quiz/quizform.h"
#include "quiz/quizwindow.h"

#include <QApplication>
#include <QList>
#include <QStringList>
#include <QTest>

#include <memory>

// The quiz window as the program builds it, loaded and ready for a round, with the small helpers
// the tests and benchmarks that drive it share.
namespace quiztest {

using namespace Qt::Literals::StringLiterals;

using Form = quiz::QuizForm;

inline std::unique_ptr<Form> loadedForm() {
    auto form = std::make_unique<Form>(quiz::quizWindowDescription());
    form->setErrorReporter([](QWidget *, const QString &message) {
        qFatal("unexpected error: %s", qPrintable(message));
    });
    form->Form_Load();
    return form;
}

// The same window on screen and active, as the pupil meets it.
inline std::unique_ptr<Form> shownForm() {
    auto form = loadedForm();
    form->show();
    QApplication::setActiveWindow(form.get());
    if (!QTest::qWaitForWindowActive(form.get()))
        qFatal("the window did not become active");
    return form;
}

inline QStringList items(const forms::ListBox &list) {
    QStringList result;
    for (int i = 0; i < list.ListCount(); ++i)
        result << list.List(i);
    return result;
}

// Selects the entry with this text, as a pupil's click would; an empty text clears the selection.
inline void choose(forms::ListBox &list, const QString &text) {
    if (text.isEmpty()) {
        list.clearSelection();
        return;
    }
    const int row = items(list).indexOf(text);
    if (row < 0)
        qFatal("no entry \"%s\" in %s", qPrintable(text), qPrintable(list.name()));
    list.setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

inline void chooseTriple(Form &form, const QString &place, const QString &winner,
                         const QString &defeated) {
    choose(form.List1(Form::placesList), place);
    choose(form.List1(Form::winnersList), winner);
    choose(form.List1(Form::defeatedList), defeated);
}

inline QString correctShown(const Form &form) {
    return form.Label2(Form::correctCounter).Caption();
}
inline QString wrongShown(const Form &form) {
    return form.Label2(Form::wrongCounter).Caption();
}

struct Triple {
    QString place;
    QString winner;
    QString defeated;

    // The entry of this row in the answer list `list`.
    const QString &entry(qint16 list) const {
        return list == Form::placesList ? place : list == Form::winnersList ? winner : defeated;
    }
};

// The battle table's rows in stored order, as place, winner and defeated.
inline const QList<Triple> &tableRows() {
    static const QList<Triple> rows = [] {
        QList<Triple> result;
        for (const content::BattleRow &row : content::battleTable)
            result.append({row.place.toString(), row.winner.toString(), row.defeated.toString()});
        return result;
    }();
    return rows;
}

inline void chooseRow(Form &form, int row) {
    const Triple &triple = tableRows()[row];
    chooseTriple(form, triple.place, triple.winner, triple.defeated);
}

inline QString explanation(int row) {
    return content::battleTable[std::size_t(row)].explanation.toString();
}

// A quiz of two lists, years and events, without explanations.
inline content::Quiz yearsQuiz() {
    return {u"Години"_s,
            2,
            {u"Година"_s, u"Събитие"_s, {}},
            {},
            {{{u"1185"_s, u"Асен и Петър"_s, {}}, {}}, {{u"681"_s, u"Аспарух"_s, {}}, {}}}};
}

// Three writers and their works; the last row has no explanation, and two rows share a writer.
inline content::Quiz writersQuiz() {
    content::Quiz quiz;
    quiz.title = u"Писатели"_s;
    quiz.captions = {u"Писател"_s, u"Творба"_s, u"Герой"_s};
    quiz.explanationCaption = u"Обяснение"_s;
    quiz.rows = {
        {{u"Иван Вазов"_s, u"Под игото"_s, u"Бай Марко"_s}, u"Романът е писан в Одеса."_s},
        {{u"Алеко Константинов"_s, u"Бай Ганьо"_s, u"Бай Ганьо"_s}, u"Книгата е от 1895 г."_s},
        {{u"Иван Вазов"_s, u"Немили-недраги"_s, u"Бръчков"_s}, {}},
    };
    return quiz;
}

} // namespace quiztest
