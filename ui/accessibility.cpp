// SPDX-License-Identifier: GPL-3.0-or-later
#include "accessibility.h"

#include "clientarea.h"
#include "controls.h"
#include "form1.h"
#include "game/texts.h"
#include "help.h"
#include "menustrip.h"

#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QApplication>
#include <QLabel>

#include <functional>

namespace {

// Whether a control acts on input now: it is enabled and shown, and no modal box is open over its
// window. Qt holds back the window system's mouse and key events (and so shortcuts) on the same
// terms; every action that assistive technology asks of a control passes here too, so a hidden
// "Go" cannot be pressed to skip an angle that was answered wrongly.
bool acceptsInput(const QWidget *control)
{
    const QWidget *modal = QApplication::activeModalWidget();
    return control->isEnabled() && control->isVisible() && (!modal || modal == control->window());
}

// What assistive technology can do with a control: press (or toggle) a button, move the focus to
// a control that takes it. All of it waits on acceptsInput(), like a click.
class ControlAccessible : public QAccessibleWidget
{
public:
    using QAccessibleWidget::QAccessibleWidget;

    QStringList actionNames() const override
    {
        QStringList names;
        if (widget()->isEnabled() && qobject_cast<QAbstractButton *>(widget()))
            names << pressAction();
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &name) final
    {
        if (!acceptsInput(widget()))
            return;
        auto *button = qobject_cast<QAbstractButton *>(widget());
        if (button && (name == pressAction() || name == toggleAction()))
            button->click();
        else if (name == setFocusAction())
            widget()->setFocus(Qt::OtherFocusReason);
    }

    QStringList keyBindingsForAction(const QString &) const override { return {}; }

    // A button without a name of its own is called by its caption.
    QString text(QAccessible::Text t) const override
    {
        auto *button = qobject_cast<QAbstractButton *>(widget());
        if (button && t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return button->text();
        return QAccessibleWidget::text(t);
    }
};

Narrator *narratorOf(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (auto *n = w->findChild<Narrator *>(QString(), Qt::FindDirectChildrenOnly))
            return n;
    }
    return nullptr;
}

// What screen readers hear of a button: a button that can be pressed or, made checkable, one of
// a group of options (a radio button), checked when selected.
class ButtonAccessible : public ControlAccessible
{
public:
    explicit ButtonAccessible(QAbstractButton *button) : ControlAccessible(button) {}

    // An answer button belongs to the answers' group, not straight to the window.
    QAccessibleInterface *parent() const override
    {
        if (const Narrator *n = narratorOf(widget())) {
            if (QObject *holder = n->holderOf(widget()))
                return QAccessible::queryAccessibleInterface(holder);
        }
        return ControlAccessible::parent();
    }

    QAccessible::Role role() const override
    {
        return button()->isCheckable() ? QAccessible::RadioButton : QAccessible::Button;
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = button()->isCheckable();
        s.checked = button()->isChecked();
        s.pressed = button()->isDown();
        return s;
    }

private:
    QAbstractButton *button() const { return static_cast<QAbstractButton *>(widget()); }
};

// A menu item: the keyboard-selected one is the focused one.
class MenuStripItemAccessible : public ControlAccessible
{
public:
    explicit MenuStripItemAccessible(MenuStripItem *item)
        : ControlAccessible(item, QAccessible::MenuItem)
    {}

    // Screen readers name no role for an item of a menu bar, and six items have the captions of
    // the answer buttons: the description says that this is a menu item and what it shows.
    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Description || !widget()->accessibleDescription().isEmpty())
            return ControlAccessible::text(t);
        const std::optional<HelpBox> box = helpBoxFor(widget()->objectName());
        if (!box)
            return texts::spokenMenuCredit;
        return &box->text == &texts::helpText ? texts::spokenMenuHelp : texts::spokenMenuDefinition;
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.focused = s.focused || item()->isSelected();
        s.hotTracked = item()->underMouse();
        return s;
    }

private:
    MenuStripItem *item() const { return static_cast<MenuStripItem *>(widget()); }
};

class MenuStripAccessible : public QAccessibleWidget
{
public:
    explicit MenuStripAccessible(MenuStrip *strip) : QAccessibleWidget(strip, QAccessible::MenuBar)
    {}

    QAccessibleInterface *focusChild() const override
    {
        if (QAbstractButton *selected = static_cast<MenuStrip *>(widget())->selectedItem())
            return QAccessible::queryAccessibleInterface(selected);
        return QAccessibleWidget::focusChild();
    }
};

// A part of the window that is no widget: the drawing, the answers' group, the status bar, the
// announcer. Its anchor object ties it to the narrator's lifetime; it reads everything live.
class PartAccessible : public QAccessibleObject
{
public:
    struct Design
    {
        QAccessible::Role role;
        std::function<QString(QAccessible::Text)> text;
        std::function<QRect()> rect; // on the screen; empty for a part that takes no room
        bool shown = true;
    };

    PartAccessible(QObject *anchor, Design design)
        : QAccessibleObject(anchor), m_design(std::move(design))
    {}

    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(narrator()->parent());
    }
    int childCount() const override { return int(narrator()->partsOf(object()).size()); }
    QAccessibleInterface *child(int index) const override
    {
        const QList<QObject *> parts = narrator()->partsOf(object());
        return index >= 0 && index < parts.size()
                   ? QAccessible::queryAccessibleInterface(parts[index])
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return int(narrator()->partsOf(object()).indexOf(child->object()));
    }
    QString text(QAccessible::Text t) const override { return m_design.text(t); }
    QRect rect() const override { return m_design.rect(); }
    QAccessible::Role role() const override { return m_design.role; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.invisible = !m_design.shown;
        return s;
    }

private:
    Narrator *narrator() const { return static_cast<Narrator *>(object()->parent()); }

    Design m_design;
};

// The client area: its children are the parts the narrator lists, in its order.
class ClientAreaAccessible : public QAccessibleWidget
{
public:
    explicit ClientAreaAccessible(QWidget *area) : QAccessibleWidget(area) {}

    int childCount() const override { return int(parts().size()); }
    QAccessibleInterface *child(int index) const override
    {
        const QList<QObject *> p = parts();
        return index >= 0 && index < p.size() ? QAccessible::queryAccessibleInterface(p[index])
                                              : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return int(parts().indexOf(child->object()));
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        for (QObject *part : parts()) {
            QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(part);
            if (iface && !iface->state().invisible && iface->rect().contains(x, y))
                return iface;
        }
        return nullptr;
    }

private:
    QList<QObject *> parts() const
    {
        const Narrator *n = widget()->findChild<Narrator *>(QString(), Qt::FindDirectChildrenOnly);
        return n ? n->partsOf(widget()) : QList<QObject *>{};
    }
};

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    auto *widget = static_cast<QWidget *>(object);
    if (className == QLatin1String("GraphicalButton") || className == QLatin1String("PushButton"))
        return new ButtonAccessible(static_cast<QAbstractButton *>(object));
    if (className == QLatin1String("PictureBox"))
        return new ControlAccessible(widget, QAccessible::Client);
    if (className == QLatin1String("MenuStripItem"))
        return new MenuStripItemAccessible(static_cast<MenuStripItem *>(object));
    if (className == QLatin1String("MenuStrip"))
        return new MenuStripAccessible(static_cast<MenuStrip *>(object));
    if (className == QLatin1String("ClientArea"))
        return new ClientAreaAccessible(widget);
    // Screen readers announce the title of a window that becomes active only for a frame: the
    // game's window is one (a plain QWidget would be a filler).
    if (className == QLatin1String("Form1"))
        return new QAccessibleWidget(widget, QAccessible::Window);
    return nullptr;
}

} // namespace

void installAccessibleInterfaces()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
}

Narrator::Narrator(Form1 &form) : QObject(form.clientArea()), m_form(form)
{
    setObjectName(QStringLiteral("narrator"));
    QWidget *area = form.clientArea();
    const auto control = [area](const char *name) {
        return area->findChild<QWidget *>(QLatin1String(name));
    };
    m_go = control("Command1");
    m_practice = control("Command2");
    m_newTurn = control("Command4");
    QWidget *picture = control("Picture1");

    m_newTurn->setAccessibleName(texts::spokenNewTurn);
    picture->setAccessibleName(texts::spokenPicture);
    picture->setAccessibleDescription(texts::spokenPictureDoes);
    form.setAccessibleName(texts::applicationTitle);

    const auto part = [this](PartAccessible::Design design) {
        auto *anchor = new QObject(this);
        QAccessible::registerAccessibleInterface(new PartAccessible(anchor, std::move(design)));
        return anchor;
    };
    m_drawing = part({QAccessible::Graphic,
                      [this](QAccessible::Text t) {
                          if (t == QAccessible::Name)
                              return texts::spokenDrawing;
                          return t == QAccessible::Description && !amplitude().isEmpty()
                                     ? texts::spokenAnswerAmplitude.arg(amplitude())
                                     : QString();
                      },
                      [this] { return drawingRect(); }});
    m_answers = part({QAccessible::Grouping,
                      [](QAccessible::Text t) {
                          return t == QAccessible::Name ? texts::spokenAnswers : QString();
                      },
                      [this] { return answersRect(); }});
    // No room of its own: flat review reads the labels, each once; the status bar command finds
    // it all the same.
    m_statusBar = part(
        {QAccessible::StatusBar,
         [this](QAccessible::Text t) { return t == QAccessible::Name ? statusText() : QString(); },
         [] { return QRect(); }});
    // Never shown: it only announces what changed out of sight.
    m_announcer = part({QAccessible::Notification,
                        [this](QAccessible::Text t) {
                            return t == QAccessible::Name ? m_announcement : QString();
                        },
                        [] { return QRect(); }, false});

    m_clientParts = {m_drawing,
                     form.label(Label::lblangolo),
                     m_answers,
                     m_go,
                     m_practice,
                     m_newTurn,
                     picture,
                     control("Cmdexit1"),
                     form.label(Label::lblnome1),
                     form.label(Label::lblScore),
                     form.label(Label::lblScore1),
                     form.label(Label::lblconto),
                     form.label(Label::lblnome),
                     m_statusBar,
                     m_announcer};

    // What a keyboard-only button did is announced once the game has done it.
    const auto announceAfter = [this](void (Form1::*clicked)(), const QString &what) {
        const QString *text = &what;
        connect(
            &m_form, clicked, this, [this, text] { announce(text->arg(amplitude())); },
            Qt::QueuedConnection);
    };
    announceAfter(&Form1::command1Clicked, texts::spokenNewAngle);
    announceAfter(&Form1::command4Clicked, texts::spokenNewTurnDone);
    announceAfter(&Form1::command2Clicked, texts::spokenPracticeDrawn);
    describeKeyboardButtons();
    m_listening = QAccessible::isActive();
    QAccessible::installActivationObserver(this);
}

Narrator::~Narrator()
{
    QAccessible::removeActivationObserver(this);
}

QList<QObject *> Narrator::partsOf(const QObject *container) const
{
    if (container == parent())
        return m_clientParts;
    if (container == m_answers) {
        QList<QObject *> answers;
        for (int i = 1; i <= 6; ++i)
            answers << m_form.option(i);
        return answers;
    }
    return {};
}

QObject *Narrator::holderOf(const QObject *control) const
{
    for (int i = 1; i <= 6; ++i) {
        if (m_form.option(i) == control)
            return m_answers;
    }
    return nullptr;
}

QString Narrator::labelText(Label which) const
{
    return m_form.label(which)->text().trimmed();
}

QString Narrator::amplitude() const
{
    return labelText(Label::lblangolo);
}

QString Narrator::recordText() const
{
    const QString score = labelText(Label::lblpunti);
    if (score.isEmpty())
        return texts::spokenNoRecord;
    return texts::spokenRecord.arg(labelText(Label::lblnome), score);
}

QString Narrator::statusText() const
{
    return QStringList{texts::spokenCorrect.arg(labelText(Label::lblScore)),
                       texts::spokenWrong.arg(labelText(Label::lblScore1)),
                       texts::spokenClock.arg(labelText(Label::lblconto)), recordText()}
        .join(QLatin1String(". "));
}

void Narrator::labelChanged(Label which, const QString &text)
{
    switch (which) {
    case Label::lblangolo: {
        // A new angle: the window's short name counts it, so that an angle of the same
        // amplitude is heard as a new one, and the amplitude comes right after it.
        ++m_angles;
        // Of a turn's own work the costliest part, and only ever heard: done while assistive
        // technology listens, and as soon as it starts listening.
        if (m_listening)
            nameTheAngle();
        return;
    }
    case Label::lblnome:
    case Label::lblpunti:
        m_form.label(Label::lblnome)->setAccessibleName(recordText());
        break;
    case Label::lblconto:
        if (text == texts::clockFiveMinutes)
            announce(texts::spokenFiveMinutes);
        else if (text == texts::clockOneMinute)
            announce(texts::spokenOneMinute);
        break;
    case Label::lblScore:
    case Label::lblScore1:
    case Label::lblnome1:
        break;
    }
    statusChanged();
}

void Narrator::accessibilityActiveChanged(bool active)
{
    m_listening = active;
    if (active && m_angles > 0)
        nameTheAngle();
}

void Narrator::nameTheAngle()
{
    m_form.setAccessibleName(texts::spokenWindow.arg(m_angles).arg(amplitude()));
    const QString answerDescription = texts::spokenAnswerAmplitude.arg(amplitude());
    for (int i = 1; i <= 6; ++i)
        m_form.option(i)->setAccessibleDescription(answerDescription);
    describeKeyboardButtons();
    QAccessibleEvent event(QAccessible::queryAccessibleInterface(m_drawing),
                           QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
}

void Narrator::describeKeyboardButtons()
{
    m_go->setAccessibleDescription(texts::spokenGo.arg(amplitude()));
    m_newTurn->setAccessibleDescription(texts::spokenNewTurnDoes.arg(amplitude()));
    m_practice->setAccessibleDescription(texts::spokenPractice.arg(amplitude()));
}

// Clients keep what they read of a name until told it changed: the status bar says so whenever
// one of its facts changes, the clock's every second included.
void Narrator::statusChanged()
{
    if (!m_listening)
        return; // nobody to tell: what it says is read from the game when asked
    QAccessibleEvent event(QAccessible::queryAccessibleInterface(m_statusBar),
                           QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

// A notification that appears is read at once wherever the focus is, and nothing is drawn. (Qt
// 6.4 sends the changes of a name or a description in a form Orca cannot speak.)
void Narrator::announce(const QString &text)
{
    m_announcement = text;
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(m_announcer);
    QAccessibleEvent named(iface, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&named);
    QAccessibleEvent shown(iface, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}

QRect Narrator::drawingRect() const
{
    const QWidget *area = m_form.clientArea();
    return {area->mapToGlobal(QPoint(160, 60)), QSize(381, 381)};
}

QRect Narrator::answersRect() const
{
    const QWidget *area = m_form.clientArea();
    QRect all;
    for (int i = 1; i <= 6; ++i)
        all |= m_form.option(i)->geometry();
    return {area->mapToGlobal(all.topLeft()), all.size()};
}
