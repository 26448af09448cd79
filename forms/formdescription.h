#pragma once

#include <QStringView>

#include <optional>
#include <vector>

namespace forms {

enum class ControlKind { CommandButton, Label, Frame, ListBox, TextBox };

// One control of a window: what it is, where it sits (in twips) and how it starts out.
struct ControlDescription {
    ControlKind kind = ControlKind::Label;
    QStringView name{}; // the control array's name, e.g. u"List1"
    qint16 index = 0;   // the member's index within its array
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    QStringView caption{}; // a label's, button's or frame's caption; a text box's initial text
    std::optional<quint32> backColor{}; // 0x00BBGGRR; none keeps the style's own background
    bool visible = true;
    bool sorted = false;  // lists only
    bool centred = false; // labels only
    bool border = false;  // labels only: a single-line border
    int tabIndex = 0;
    QStringView container{}; // a frame holding the control; the position is then relative to it
    std::vector<QStringView> items{}; // a list's initial contents, in this order
    // For a label, the name of the value it shows: screen readers hear "name: caption".
    QStringView accessibleName{};
    QStringView accessibleDescription{};
};

// A whole window: its caption, client area, colours and font, and its controls.
struct FormDescription {
    QStringView caption{};
    int clientWidth = 0; // twips
    int clientHeight = 0;
    quint32 backColor = 0;
    QStringView fontFamily{};
    int fontPointSize = 0;
    std::vector<ControlDescription> controls{};
};

} // namespace forms
