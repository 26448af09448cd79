#pragma once

#include <QStringList>

// The orders a pupil sees in the answer lists after a new round, written out by hand from the
// battle table and the Bulgarian alphabet: the one independent record of the sort order, which
// the quiz tests, the endurance run and the end-to-end tests all compare against.
namespace quiztest {

using namespace Qt::Literals::StringLiterals;

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

} // namespace quiztest
