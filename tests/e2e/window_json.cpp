// Prints the quiz window's description as JSON, so that the end-to-end drivers find each control
// where the description puts it: {"caption", "clientWidth", "clientHeight" (twips), "controls":
// [{"name", "index", "left", "top", "width", "height", "container", "visible", "caption",
// "accessibleName"}, ...]}.
#include "quiz/quizwindow.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

int main() {
    const forms::FormDescription description = quiz::quizWindowDescription();
    QJsonArray controls;
    for (const forms::ControlDescription &control : description.controls)
        controls.append(
            QJsonObject{{QStringLiteral("name"), control.name.toString()},
                        {QStringLiteral("index"), control.index},
                        {QStringLiteral("left"), control.left},
                        {QStringLiteral("top"), control.top},
                        {QStringLiteral("width"), control.width},
                        {QStringLiteral("height"), control.height},
                        {QStringLiteral("container"), control.container.toString()},
                        {QStringLiteral("visible"), control.visible},
                        {QStringLiteral("caption"), control.caption.toString()},
                        {QStringLiteral("accessibleName"), control.accessibleName.toString()}});
    const QJsonObject window{{QStringLiteral("caption"), description.caption.toString()},
                             {QStringLiteral("clientWidth"), description.clientWidth},
                             {QStringLiteral("clientHeight"), description.clientHeight},
                             {QStringLiteral("controls"), controls}};
    const QByteArray json = QJsonDocument(window).toJson();
    std::fwrite(json.constData(), 1, std::size_t(json.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
