#pragma once

#include "quiz/quizform.h"
#include "shell/quizwindow.h"

#include <QStringList>

#include <memory>

// A quiz window as the program builds it, loaded and ready for a round, with the small helpers
// the quiz tests share.
namespace quiztest {

using namespace Qt::Literals::StringLiterals;

inline std::unique_ptr<quiz::QuizForm> loadedForm() {
    auto form = std::make_unique<quiz::QuizForm>(shell::quizWindowDescription());
    form->setErrorReporter([](QWidget *, const QString &message) {
        qFatal("unexpected error: %s", qPrintable(message));
    });
    form->Form_Load();
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

inline void chooseTriple(quiz::QuizForm &form, const QString &place, const QString &winner,
                         const QString &defeated) {
    choose(form.List1(0), place);
    choose(form.List1(1), winner);
    choose(form.List1(2), defeated);
}

inline QString correctShown(const quiz::QuizForm &form) {
    return form.Label2(2).Caption();
}
inline QString wrongShown(const quiz::QuizForm &form) {
    return form.Label2(3).Caption();
}

// The answer lists' orders after a new round, written out from the table by hand.
inline const QStringList expectedPlaces{
    u"Ажинкур - битка"_s,
    u"Ватерло - битка"_s,
    u"Гавгамела - битка "_s,
    u"Кана - битка "_s,
    u"Кандия - обсада"_s,
    u"Константинопол - обсада"_s,
    u"Орлеан - обсада"_s,
    u"Поатие - битка "_s,
    u"Рим - вандалско разграбване"_s,
    u"Севастопол - обсада"_s,
    u"Сталинград - обсада"_s,
    u"Термопили - битка "_s,
    u"Трафалгар"_s,
    u"Фарсала - битка "_s,
    u"Хейстингс - битка "_s,
    u"Чудското езеро - битка "_s,
};
inline const QStringList expectedWinners{
    u"Александър Македонски"_s,
    u"Александър Невски"_s,
    u"Артър Уелсли, херцог на Уелингтън"_s,
    u"Гейзерик"_s,
    u"Георги Жуков"_s,
    u"Жан дьо Ноа, Жана Д’Арк"_s,
    u"Жан Жак Пелисие"_s,
    u"Карл Мартел"_s,
    u"Леонид"_s,
    u"Мехмед II"_s,
    u"Фезил Ахмед Кьопрюлю паша"_s,
    u"Ханибал"_s,
    u"Хенри V"_s,
    u"херцог Уилям Завоевателя"_s,
    u"Хорацио Нелсън"_s,
    u"Юлий Цезар"_s,
};
inline const QStringList expectedDefeated{
    u"Абд ал Рахман"_s,
    u"Дарий III "_s,
    u"Константин XI Палеолог "_s,
    u"Ксеркс"_s,
    u"Наполеон I "_s,
    u"Павел Нахимов"_s,
    u"Петроний Максим"_s,
    u"Пиер-Шарл Вилньов "_s,
    u"Помпей"_s,
    u"Теренций Варон"_s,
    u"Томас Монтакю граф Солзбъри"_s,
    u"Франческо Моросини"_s,
    u"Фридрих Паулус"_s,
    u"Харолд II Годуинсън"_s,
    u"Херман фон Дорпат"_s,
    u"Шарл VI"_s,
};

struct Triple {
    QString place;
    QString winner;
    QString defeated;
};

// The table's rows in stored order, as place, winner and defeated.
inline const QList<Triple> tableRows{
    {u"Ажинкур - битка"_s, u"Хенри V"_s, u"Шарл VI"_s},
    {u"Ватерло - битка"_s, u"Артър Уелсли, херцог на Уелингтън"_s, u"Наполеон I "_s},
    {u"Гавгамела - битка "_s, u"Александър Македонски"_s, u"Дарий III "_s},
    {u"Кана - битка "_s, u"Ханибал"_s, u"Теренций Варон"_s},
    {u"Кандия - обсада"_s, u"Фезил Ахмед Кьопрюлю паша"_s, u"Франческо Моросини"_s},
    {u"Константинопол - обсада"_s, u"Мехмед II"_s, u"Константин XI Палеолог "_s},
    {u"Орлеан - обсада"_s, u"Жан дьо Ноа, Жана Д’Арк"_s, u"Томас Монтакю граф Солзбъри"_s},
    {u"Поатие - битка "_s, u"Карл Мартел"_s, u"Абд ал Рахман"_s},
    {u"Рим - вандалско разграбване"_s, u"Гейзерик"_s, u"Петроний Максим"_s},
    {u"Севастопол - обсада"_s, u"Жан Жак Пелисие"_s, u"Павел Нахимов"_s},
    {u"Сталинград - обсада"_s, u"Георги Жуков"_s, u"Фридрих Паулус"_s},
    {u"Термопили - битка "_s, u"Леонид"_s, u"Ксеркс"_s},
    {u"Трафалгар"_s, u"Хорацио Нелсън"_s, u"Пиер-Шарл Вилньов "_s},
    {u"Фарсала - битка "_s, u"Юлий Цезар"_s, u"Помпей"_s},
    {u"Хейстингс - битка "_s, u"херцог Уилям Завоевателя"_s, u"Харолд II Годуинсън"_s},
    {u"Чудското езеро - битка "_s, u"Александър Невски"_s, u"Херман фон Дорпат"_s},
};

} // namespace quiztest
