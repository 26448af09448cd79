// The yardstick for the start-up benchmark: the smallest Qt Widgets program that maps a window
// with a list, in the same style and palette as the quiz. The list shows sixteen lines of text,
// as each of the quiz's lists does, so that the yardstick pays for fonts and text shaping too;
// an empty list would draw no glyph at all.
#include <QApplication>
#include <QListWidget>
#include <QStyle>
#include <QStyleFactory>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(app.style()->standardPalette());

    QListWidget list;
    list.setWindowTitle(QStringLiteral("bench_minimal_window"));
    for (int row = 1; row <= 16; ++row)
        list.addItem(QStringLiteral("Ред %1").arg(row));
    list.show();
    return QApplication::exec();
}
