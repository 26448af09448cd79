#include "forms/form.h"

#include "forms/commandbutton.h"
#include "forms/frame.h"
#include "forms/label.h"
#include "forms/listbox.h"
#include "forms/textbox.h"
#include "forms/units.h"
#include "forms/zoomstyle.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QFontDatabase>
#include <QGroupBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStyleFactory>

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <utility>

namespace forms {

namespace {

// The family to ask for: the one named if it is installed, else its metric-compatible twin where
// one is installed (Times New Roman's is Liberation Serif, which Debian's fonts-liberation2 ships).
// Fontconfig would substitute the twin too, but only after searching every fallback of a missing
// family, which costs the start-up more than the rest of the window's fonts together.
QString installedFamily(const QString &family) {
    static constexpr std::pair<QStringView, QStringView> metricTwins[] = {
        {u"Times New Roman", u"Liberation Serif"},
        {u"Arial", u"Liberation Sans"},
        {u"Courier New", u"Liberation Mono"},
    };
    const QStringList installed = QFontDatabase::families();
    if (installed.contains(family, Qt::CaseInsensitive))
        return family;
    for (const auto &[name, twin] : metricTwins)
        if (family.compare(name, Qt::CaseInsensitive) == 0 &&
            installed.contains(twin, Qt::CaseInsensitive))
            return twin.toString();
    return family;
}

void fillBackground(QWidget *widget, const QColor &color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// A plain top-level widget reads as a "filler" to screen readers; a form is a window, and should
// be announced as one with its caption.
QAccessibleInterface *accessibleForm(const QString &className, QObject *object) {
    if (className == QLatin1StringView(Form::staticMetaObject.className()) &&
        object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}

// QTextDocument's own margin around the text, in pixels.
constexpr int designedDocumentMargin = 4;

bool takesFocus(const ControlDescription &control) {
    switch (control.kind) {
    case ControlKind::CommandButton:
    case ControlKind::ListBox:
    case ControlKind::TextBox:
        return control.visible;
    case ControlKind::Label:
    case ControlKind::Frame:
        return false;
    }
    return false;
}

} // namespace

Form::Form(const FormDescription &description, QWidget *parent)
    : QWidget(parent)
    , m_description(description) {
    static const bool accessibleFormInstalled = [] {
        QAccessible::installFactory(accessibleForm);
        return true;
    }();
    Q_UNUSED(accessibleFormInstalled);
    setWindowTitle(description.caption.toString());
    setFixedSize(pixelsFromTwips(description.clientWidth),
                 pixelsFromTwips(description.clientHeight));
    fillBackground(this, colorFromBgr(description.backColor));
    QFont windowFont(installedFamily(description.fontFamily.toString()), description.fontPointSize);
    // Bulgarian Cyrillic needs no OpenType shaping. Without it Qt maps characters to glyphs
    // directly, which is most of the time it takes to lay out a paragraph in the information box;
    // the text looks as classic desktop controls draw it, without kerning or ligatures.
    windowFont.setStyleStrategy(QFont::PreferNoShaping);
    setFont(windowFont);

    for (ControlDescription &control : m_description.controls) {
        auto &members = m_arrays[control.name.toString()];
        if (members.size() <= std::size_t(control.index))
            members.resize(std::size_t(control.index) + 1, nullptr);
        if (members[std::size_t(control.index)] != nullptr)
            throw Error(
                QStringLiteral("%1(%2) е описана два пъти").arg(control.name).arg(control.index));
        members[std::size_t(control.index)] = createControl(control);
        m_controls.push_back({members[std::size_t(control.index)], &control});
    }
    setFocusOrder(description);
}

QWidget *Form::createControl(const ControlDescription &control) {
    QWidget *parent = this;
    if (!control.container.isEmpty())
        parent = &controlArray<QGroupBox>(control.container)(0);

    const QString name = QStringLiteral("%1(%2)").arg(control.name).arg(control.index);
    const QString caption = control.caption.toString();
    QWidget *widget = nullptr;
    switch (control.kind) {
    case ControlKind::CommandButton: {
        auto *button = new CommandButton(caption, parent);
        if (control.backColor)
            button->setFace(colorFromBgr(*control.backColor));
        // Enter presses a focused button, as Space does; outside dialogs Qt needs this for it.
        button->setAutoDefault(true);
        widget = button;
        break;
    }
    case ControlKind::Label: {
        auto *label = new Label(name, parent);
        label->SetCaption(caption);
        if (control.centred)
            label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        if (control.border)
            label->setFrameStyle(QFrame::Box | QFrame::Plain);
        if (!control.accessibleName.isEmpty())
            label->setValueName(control.accessibleName.toString());
        widget = label;
        break;
    }
    case ControlKind::Frame: {
        widget = new Frame(caption, parent);
        break;
    }
    case ControlKind::ListBox: {
        auto *list = new ListBox(name, control.sorted, parent, !control.visible);
        for (QStringView item : control.items)
            list->AddItem(item.toString());
        widget = list;
        break;
    }
    case ControlKind::TextBox: {
        auto *text = new TextBox(name, parent);
        text->SetText(caption);
        widget = text;
        break;
    }
    }

    widget->setObjectName(name);
    // Font, place, size and the lengths a control draws with, at the designed size; a zoom applies
    // them again at its own.
    applyZoom(widget, control);
    if (control.backColor && control.kind != ControlKind::CommandButton)
        fillBackground(widget, colorFromBgr(*control.backColor));
    if (!control.accessibleName.isEmpty() && control.kind != ControlKind::Label)
        widget->setAccessibleName(control.accessibleName.toString());
    if (!control.accessibleDescription.isEmpty())
        widget->setAccessibleDescription(control.accessibleDescription.toString());
    if (!takesFocus(control))
        widget->setFocusPolicy(Qt::NoFocus);
    widget->setVisible(control.visible);
    return widget;
}

void Form::setFocusOrder(const FormDescription &description) {
    std::vector<const ControlDescription *> focusable;
    for (const ControlDescription &control : description.controls)
        if (takesFocus(control))
            focusable.push_back(&control);
    std::stable_sort(focusable.begin(), focusable.end(),
                     [](auto *a, auto *b) { return a->tabIndex < b->tabIndex; });

    QWidget *previous = nullptr;
    for (const ControlDescription *control : focusable) {
        QWidget *widget = m_arrays.at(control->name.toString()).at(std::size_t(control->index));
        if (previous != nullptr)
            setTabOrder(previous, widget);
        else
            widget->setFocus(Qt::OtherFocusReason);
        previous = widget;
    }
}

QSize Form::designedSize() const {
    return {pixelsFromTwips(m_description.clientWidth),
            pixelsFromTwips(m_description.clientHeight)};
}

const ControlDescription &Form::layoutOf(const QWidget &control) const {
    const auto found = std::find_if(m_controls.begin(), m_controls.end(),
                                    [&control](const Control &c) { return c.widget == &control; });
    if (found == m_controls.end())
        throw Error(QStringLiteral("%1 не е контрола на прозореца").arg(control.objectName()));
    return *found->description;
}

ControlDescription &Form::layoutEntry(const QWidget &control) {
    return const_cast<ControlDescription &>(std::as_const(*this).layoutOf(control));
}

void Form::setControlTop(QWidget &control, int top) {
    ControlDescription &entry = layoutEntry(control);
    entry.top = top;
    applyZoom(&control, entry);
}

void Form::setControlVisible(QWidget &control, bool visible) {
    layoutEntry(control).visible = visible;
    control.setVisible(visible);
}

void Form::setClientHeight(int height) {
    if (height == m_description.clientHeight)
        return;
    m_description.clientHeight = height;
    setFixedSize(zoomedSize(designedSize(), m_zoom));
    emit clientHeightChanged();
}

QFont Form::zoomedFont() const {
    QFont zoomed = font();
    zoomed.setPointSizeF(m_description.fontPointSize * qreal(m_zoom) / normalZoom);
    return zoomed;
}

void Form::setZoom(int percent) {
    if (percent < zoomSteps.front() || percent > zoomSteps.back())
        throw Error(QStringLiteral("Мащаб %1 % е извън възможните").arg(percent));
    if (percent == m_zoom)
        return;
    if (m_zoomStyle == nullptr) {
        // The style is this window's own: other windows, such as message boxes, keep theirs.
        m_zoomStyle = new ZoomStyle(QStyleFactory::create(QApplication::style()->name()));
        m_zoomStyle->setParent(this);
        setStyle(m_zoomStyle);
        for (QWidget *child : findChildren<QWidget *>())
            child->setStyle(m_zoomStyle);
    }

    // The information box scrolls by lines, which the new font wraps anew: the text at its top
    // stays at the top.
    std::vector<std::pair<TextBox *, int>> textTops;
    for (TextBox *text : findChildren<TextBox *>())
        textTops.emplace_back(text, text->topPosition());

    m_zoom = percent;
    m_zoomStyle->setZoom(percent);
    setFixedSize(zoomedSize(designedSize(), percent));
    setFont(zoomedFont());
    for (const Control &control : m_controls)
        applyZoom(control.widget, *control.description);
    // Every widget asks the style for its lengths again.
    QEvent styleChange(QEvent::StyleChange);
    for (QWidget *child : findChildren<QWidget *>()) {
        QCoreApplication::sendEvent(child, &styleChange);
        child->updateGeometry();
    }
    // The scroll bars' new widths reach the boxes' layouts through posted requests: settled now,
    // the text is wrapped at its final width before it is scrolled.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    for (const auto &[text, top] : textTops)
        text->scrollToPosition(top);
}

void Form::applyZoom(QWidget *widget, const ControlDescription &control) {
    // Every control carries the window's font itself.
    widget->setFont(font());
    widget->setGeometry(zoomedRect(
        rectFromTwips(control.left, control.top, control.width, control.height), m_zoom));
    if (auto *label = qobject_cast<QLabel *>(widget); label != nullptr && control.border)
        label->setLineWidth(zoomedLength(1, m_zoom));
    if (auto *button = qobject_cast<CommandButton *>(widget))
        button->setZoom(m_zoom);
    if (auto *frame = qobject_cast<Frame *>(widget))
        frame->setZoom(m_zoom);
    if (auto *text = qobject_cast<QPlainTextEdit *>(widget)) {
        text->document()->setDocumentMargin(zoomedLength(designedDocumentMargin, m_zoom));
        // Setting the cursor's width, even to the one it has, finds the cursor's place and so
        // lays its paragraph out, before the box is shown and knows its own width.
        const int cursorWidth =
            text->style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, text);
        if (text->cursorWidth() != cursorWidth)
            text->setCursorWidth(cursorWidth);
    }
}

bool Form::raiseEvent(const std::function<void()> &procedure) {
    if (m_ended)
        return false;
    try {
        procedure();
        return true;
    } catch (const Error &error) {
        endWithError(error.message());
    } catch (const std::exception &error) {
        endWithError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        // Nothing may pass into Qt's event loop, whatever was thrown.
        endWithError(QStringLiteral("Неизвестна грешка"));
    }
    return false;
}

void Form::endWithError(const QString &message) {
    m_ended = true;
    m_reportError(this, message);
    hide();
    QCoreApplication::exit(EXIT_FAILURE);
}

void Form::showErrorMessageBox(QWidget *parent, const QString &message) {
    QMessageBox::critical(
        parent, messageBoxTitle(),
        QStringLiteral("Възникна грешка и програмата ще бъде затворена.\n\n%1").arg(message));
}

} // namespace forms

namespace forms {

QString messageBoxTitle() {
    QString name = QCoreApplication::applicationName();
    if (!name.isEmpty())
        name[0] = name[0].toUpper();
    return name;
}

void showWarningMessageBox(QWidget *parent, const QString &message) {
    QMessageBox box(QMessageBox::Warning, messageBoxTitle(), message, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace forms
