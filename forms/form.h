#pragma once

#include "forms/controlarray.h"
#include "forms/formdescription.h"
#include "forms/zoom.h"

#include <QWidget>

#include <functional>
#include <map>

namespace forms {

class ZoomStyle;

// A window built from its description. It owns its controls through Qt's parent chain, hands them
// out as control arrays, and is the boundary for event procedures: an error raised inside one is
// reported to the user and ends the program, and never reaches Qt's event loop.
class Form : public QWidget {
    Q_OBJECT

public:
    explicit Form(const FormDescription &description, QWidget *parent = nullptr);

    // Members of the array `name`, which must all be of the given kind.
    template<typename Control> ControlArray<Control> controlArray(QStringView name) const {
        const auto found = m_arrays.find(name.toString());
        if (found == m_arrays.end())
            throw Error(QStringLiteral("Няма контрола с име %1").arg(name));
        std::vector<Control *> members;
        for (QWidget *widget : found->second) {
            auto *member = qobject_cast<Control *>(widget);
            if (widget != nullptr && member == nullptr)
                throw Error(QStringLiteral("%1 е контрола от друг вид").arg(name));
            members.push_back(member);
        }
        return {name.toString(), std::move(members)};
    }

    // Runs an event procedure. Returns false when it raised an error, which has then been
    // reported and has ended the program; after that no further event procedure runs.
    bool raiseEvent(const std::function<void()> &procedure);
    bool hasEnded() const { return m_ended; }

    // The window can be shown larger than designed, for a projector or for readers who see
    // poorly: every control, font, frame and border in proportion, at one of zoomSteps. The
    // controls keep their contents, selections, scroll positions and the keyboard focus.
    int zoom() const { return m_zoom; }
    void setZoom(int percent);
    // The window's size at the designed zoom, with the layout's changes below.
    QSize designedSize() const;

    // The layout may change after the window is built, as when a quiz needs fewer lists: a
    // control moves up or down or is hidden, the client area gets shorter or taller. Lengths are
    // in twips at the designed zoom, as in the description; the window shows them at its zoom,
    // now and after every change of zoom. Which controls take the focus stays as built.
    const ControlDescription &layoutOf(const QWidget &control) const;
    int clientHeight() const { return m_description.clientHeight; }
    void setControlTop(QWidget &control, int top);
    void setControlVisible(QWidget &control, bool visible);
    void setClientHeight(int height);

    // Tests replace the message box so that nothing blocks.
    void setErrorReporter(ErrorReporter reporter) { m_reportError = std::move(reporter); }
    static void showErrorMessageBox(QWidget *parent, const QString &message);

signals:
    // The client area's height has changed, and with it the window's size.
    void clientHeightChanged();

private:
    QWidget *createControl(const ControlDescription &control);
    void setFocusOrder(const FormDescription &description);
    void endWithError(const QString &message);
    void applyZoom(QWidget *widget, const ControlDescription &control);
    ControlDescription &layoutEntry(const QWidget &control);
    QFont zoomedFont() const;

    struct Control {
        QWidget *widget;
        ControlDescription *description; // in m_description, the layout as it is now
    };

    std::map<QString, std::vector<QWidget *>> m_arrays;
    ErrorReporter m_reportError = &Form::showErrorMessageBox;
    bool m_ended = false;
    FormDescription m_description;
    std::vector<Control> m_controls;
    int m_zoom = normalZoom;
    ZoomStyle *m_zoomStyle = nullptr; // made on the first zoom
};

} // namespace forms
