#include "platform/toolkit/layout.h"

#include "platform/toolkit/caption_text.h"
#include "platform/toolkit/command_button.h"
#include "platform/toolkit/picture_box.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <vector>

namespace rainfall {

namespace {

// The property that holds a control's place in the tab order.
const char* const TabIndex = "TabIndex";
// The property that marks a window set up by SetUpWindow.
const char* const LaidOutWindow = "LaidOutWindow";

// Twips as pixels of `surface`, at the logical resolution of its screen.
int Pixels(const QWidget* surface, int twips)
{
    return int(std::lround(twips * surface->logicalDpiY() / 1440.0));
}

QRect TwipsRect(const QWidget* surface, int left, int top, int width, int height)
{
    return QRect(Pixels(surface, left), Pixels(surface, top), Pixels(surface, width),
                 Pixels(surface, height));
}

// Opaque or transparent static text, left-aligned at the top of its box.
QLabel* AddLabel(QWidget* parent, const Control& layout, const QFont& font)
{
    auto* label = new QLabel(parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const bool result = layout.kind == ControlKind::ResultLabel;
    if (result) {
        // Results are plain text, cut off at the box rather than wrapped.
        label->setTextFormat(Qt::PlainText);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setLineWidth(1);
    } else {
        label->setWordWrap(true);
        SetCaption(label, layout.caption);
    }
    const bool opaque = layout.kind != ControlKind::CaptionLabel;
    label->setAutoFillBackground(opaque);
    const Colour text = layout.text.value_or(ButtonText); // results are in button text
    const Colour background =
        opaque ? *layout.background : Colour(parent->palette().color(QPalette::Window).rgb());
    const TextColours colours = LegibleColours(text, background, font);
    SetColour(label, QPalette::WindowText, colours.text);
    if (opaque)
        SetColour(label, QPalette::Window, colours.background);
    return label;
}

QLineEdit* AddEntryField(QWidget* parent, const QFont& font)
{
    RegisterBuiltInFaces();
    auto* field = new QLineEdit(parent);
    const TextColours colours = LegibleColours(WindowText, WindowBackground, font);
    SetColour(field, QPalette::Base, colours.background);
    SetColour(field, QPalette::Text, colours.text);
    // Every typed character goes through the key filter, none through an
    // input method.
    field->setAttribute(Qt::WA_InputMethodEnabled, false);
    return field;
}

QWidget* AddControl(QWidget* parent, const Control& layout)
{
    const QFont font = layout.font ? PlatformFont(*layout.font) : parent->font();
    const QRect place = TwipsRect(parent, layout.left, layout.top, layout.width, layout.height);
    QWidget* control = nullptr;
    switch (layout.kind) {
    case ControlKind::CaptionLabel:
    case ControlKind::PanelLabel:
    case ControlKind::ResultLabel:
        control = AddLabel(parent, layout, font);
        break;
    case ControlKind::EntryField:
        control = AddEntryField(parent, font);
        break;
    case ControlKind::Button:
        control = new CommandButton(layout.caption, parent);
        break;
    case ControlKind::PictureBox:
        control = new PictureBox(place, parent);
        control->setFocusPolicy(Qt::StrongFocus);
        SetColour(control, QPalette::Window, layout.background->Value());
        SetColour(control, QPalette::WindowText, layout.text->Value());
        break;
    }
    control->setObjectName(layout.name.Name());
    if (!layout.name.HandBack(control))
        qFatal("the control %s is not of its member's type", layout.name.Name());
    control->setGeometry(place);
    control->setFont(font);
    control->setProperty(TabIndex, layout.tabIndex);
    return control;
}

// Names entry fields and result labels after their caption labels: an entry
// field is labelled by its caption, a result label described by it.
void LinkCaption(QWidget* parent, QWidget* control, const char* labelledBy)
{
    auto* caption = parent->findChild<QLabel*>(labelledBy, Qt::FindDirectChildrenOnly);
    if (qobject_cast<QLineEdit*>(control))
        caption->setBuddy(control);
    else
        control->setAccessibleDescription(caption->text().trimmed());
}

// A plain top-level widget is exposed to screen readers as a filler; one laid
// out as a window is a window (a frame) named by its caption, as dialogs are.
QAccessibleInterface* AccessibleWindow(const QString& className, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr || !widget->property(LaidOutWindow).toBool() ||
        qobject_cast<QDialog*>(widget) || className != object->metaObject()->className())
        return nullptr;
    return new QAccessibleWidget(widget, QAccessible::Window);
}

// The surface's lines, painted beneath its controls in the colours they had
// when the window was made.
class LineLayer : public QWidget {
public:
    LineLayer(std::span<const Line> lines, QWidget* surface) : QWidget(surface)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setGeometry(surface->rect());
        lower();
        const auto pixels = [this](QPoint twips) {
            return QPoint(Pixels(this, twips.x()), Pixels(this, twips.y()));
        };
        const qreal scale = logicalDpiY() / 96.0;
        for (const Line& line : lines) {
            const int width = std::max(1, int(std::lround(line.width * scale)));
            pens_.emplace_back(QPen(line.colour.Value(), width, Qt::SolidLine, Qt::RoundCap),
                               QLine(pixels(line.from), pixels(line.to)));
        }
    }

protected:
    void paintEvent(QPaintEvent* /*event*/) override
    {
        QPainter painter(this);
        for (const auto& [pen, line] : pens_) {
            painter.setPen(pen);
            painter.drawLine(line);
        }
    }

private:
    std::vector<std::pair<QPen, QLine>> pens_;
};

} // namespace

void SetUpWindow(QWidget* window, const Window& layout)
{
    static const bool accessibleWindows = [] {
        QAccessible::installFactory(AccessibleWindow);
        return true;
    }();
    (void)accessibleWindows;

    window->setObjectName(layout.name);
    window->setProperty(LaidOutWindow, true);
    window->setWindowTitle(layout.caption);
    const Qt::WindowType type = qobject_cast<QDialog*>(window) ? Qt::Dialog : Qt::Window;
    window->setWindowFlags(type | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    window->setFixedSize(Pixels(window, layout.width), Pixels(window, layout.height));
    window->setAutoFillBackground(true);
    SetColour(window, QPalette::Window, QColor(layout.back));
    SetColour(window, QPalette::WindowText, QColor(layout.fore));
    window->setFont(PlatformFont(layout.font));
    // The client area placed by the program at the centre of the screen: the
    // toolkit's own first position is not the centre.
    const QRect screen = window->screen()->availableGeometry();
    window->setGeometry(screen.x() + (screen.width() - window->width()) / 2,
                        screen.y() + (screen.height() - window->height()) / 2, window->width(),
                        window->height());
}

void AddControls(QWidget* parent, std::span<const Control> controls)
{
    std::vector<QWidget*> added;
    for (const Control& layout : controls)
        added.push_back(AddControl(parent, layout));
    for (std::size_t i = 0; i < controls.size(); ++i)
        if (controls[i].labelledBy != nullptr)
            LinkCaption(parent, added[i], controls[i].labelledBy);
}

QWidget* PictureBoxArea(QWidget* pictureBox)
{
    return static_cast<PictureBox*>(pictureBox)->InnerArea();
}

void DrawLines(QWidget* surface, std::span<const Line> lines)
{
    new LineLayer(lines, surface);
}

void SetTabOrder(QWidget* window)
{
    std::vector<QWidget*> stops;
    for (QWidget* control : window->findChildren<QWidget*>())
        if (!control->property(TabIndex).isNull() && (control->focusPolicy() & Qt::TabFocus))
            stops.push_back(control);
    std::ranges::sort(stops, {},
                      [](QWidget* control) { return control->property(TabIndex).toInt(); });
    for (std::size_t i = 1; i < stops.size(); ++i)
        QWidget::setTabOrder(stops[i - 1], stops[i]);
    if (!stops.empty())
        stops.front()->setFocus();
}

} // namespace rainfall
