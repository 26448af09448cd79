// How fast the clicks stay over a long day: a million clicks on the real form, as in the endurance
// test, with the CPU time of this thread taken per thousand clicks. Reports the low decile of
// those chunks in the first and in the last tenth of the day, and their ratio; a figure for the
// report, not a test that fails.
#include "longday.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace quiztest;

namespace {

// CPU time of this thread: other load on the machine moves it much less than the wall clock.
qint64 threadCpuNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// The value a tenth of the chunks stay below. A slowdown of the program moves every chunk; a
// spell of other load on the machine moves only those it falls on, and has to cover nine in ten
// of a slice's chunks to move this figure.
qint64 lowDecile(std::vector<qint64> values) {
    const auto decile = values.begin() + std::ptrdiff_t(values.size() / 10);
    std::nth_element(values.begin(), decile, values.end());
    return *decile;
}

} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int events = argc > 1 ? std::max(10000, std::atoi(argv[1])) : 1000000;
    const int slice = events / 10;
    const int chunk = std::max(1, slice / 100);

    const auto form = loadedForm();
    form->show();
    LongDay day(*form);
    day.play(std::max(20000, events / 50));

    std::vector<qint64> first;
    std::vector<qint64> last;
    for (int done = 0; done < events; done += chunk) {
        const qint64 started = threadCpuNanoseconds();
        day.play(chunk);
        const qint64 spent = threadCpuNanoseconds() - started;
        if (done < slice)
            first.push_back(spent);
        else if (done >= events - slice)
            last.push_back(spent);
    }
    const QString difference = day.difference();
    if (!difference.isEmpty())
        qFatal("the window went wrong: %s", qPrintable(difference));
    const double firstMs = double(lowDecile(first)) / 1e6;
    const double lastMs = double(lowDecile(last)) / 1e6;
    std::printf("%d clicks; CPU time per %d clicks, low decile: first tenth %.3f ms, last tenth "
                "%.3f ms, ratio %.3f\n",
                events, chunk, firstMs, lastMs, lastMs / firstMs);
    return 0;
}
