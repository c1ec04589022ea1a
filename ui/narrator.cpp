// SPDX-License-Identifier: GPL-3.0-or-later
#include "narrator.h"

#include "design.h"
#include "game/texts.h"
#include "help.h"

#include <QAbstractButton>
#include <QWidget>

#include <algorithm>

namespace {

// What a screen reader says of a label the game writes, before its text.
const QString &spokenOf(Label which)
{
    static const std::array<const QString *, 7> spoken = [] {
        std::array<const QString *, 7> s{};
        for (const LabelDesign &design : labelDesigns()) {
            if (design.role)
                s[static_cast<size_t>(*design.role)] = design.spoken;
        }
        return s;
    }();
    return *spoken[static_cast<size_t>(which)];
}

// A count of a unit, as it is said: "1 minuto", "13 minuti".
QString counted(int n, const QString &one, const QString &many)
{
    return n == 1 ? one : many.arg(n);
}

// The clock as a speech synthesizer should read it: "13 minuti e 34 secondi" for "00:13:34"
// (read as numbers, it is "zero e tredici e trentaquattro"). Any other text is left as it is.
QString spokenTime(const QString &clock)
{
    const QStringList fields = clock.split(QLatin1Char(':'));
    std::array<int, 3> hms{};
    bool ok = fields.size() == 3;
    for (qsizetype i = 0; ok && i < 3; ++i)
        hms[size_t(i)] = fields[i].toInt(&ok);
    if (!ok)
        return clock;
    QStringList parts;
    if (hms[0] > 0)
        parts << counted(hms[0], texts::spokenHour, texts::spokenHours);
    if (hms[1] > 0)
        parts << counted(hms[1], texts::spokenMinute, texts::spokenMinutes);
    if (hms[2] > 0 || parts.isEmpty())
        parts << counted(hms[2], texts::spokenSecond, texts::spokenSeconds);
    return parts.join(texts::spokenAnd);
}

} // namespace

Narrator::Narrator(const NarratedControls &controls)
    : AccessibleParts(controls.clientArea), m_controls(controls)
{
    setObjectName(QStringLiteral("narrator"));
    controls.window->setAccessibleName(texts::applicationTitle);
    controls.newTurn->setAccessibleName(texts::spokenNewTurn);
    controls.go->setAccessibleDescription(texts::spokenGo);
    controls.newTurn->setAccessibleDescription(texts::spokenNewTurnDoes);
    controls.practice->setAccessibleDescription(texts::spokenPractice);
    controls.picture->setAccessibleName(texts::spokenPicture);
    controls.picture->setAccessibleDescription(texts::spokenPictureDoes);
    // Screen readers name no role for an item of a menu bar, and six items have the captions of
    // the answer buttons: the description says that this is a menu item and what it shows.
    for (QAbstractButton *item : controls.menuItems) {
        const std::optional<HelpBox> box = helpBoxFor(item->objectName());
        item->setAccessibleDescription(!box ? texts::spokenMenuCredit
                                       : &box->text == &texts::helpText
                                           ? texts::spokenMenuHelp
                                           : texts::spokenMenuDefinition);
    }
    for (const LabelDesign &design : labelDesigns()) {
        if (design.role)
            label(*design.role)->setAccessibleName(design.spoken->arg(design.caption));
    }

    m_drawing = makeAccessiblePart(
        this, {QAccessible::Graphic,
               [this](QAccessible::Text t) {
                   if (t == QAccessible::Name)
                       return texts::spokenDrawing;
                   const QString &amplitude = text(Label::lblangolo);
                   return t == QAccessible::Description && !amplitude.isEmpty()
                              ? texts::spokenAnswerAmplitude.arg(amplitude)
                              : QString();
               },
               [this] {
                   return QRect(m_controls.clientArea->mapToGlobal(m_sector.topLeft()),
                                m_sector.size());
               }});
    // A group of options that screen readers do not name again each time the focus comes back
    // into it (after every box): each answer says what it is and whether it is chosen.
    m_answers = makeAccessiblePart(this, {QAccessible::Client,
                                          [](QAccessible::Text t) {
                                              return t == QAccessible::Name ? texts::spokenAnswers
                                                                            : QString();
                                          },
                                          [this] { return answersRect(); }});
    // No room of its own: flat review reads the labels, each once; the status bar command finds
    // it all the same.
    m_statusBar = makeAccessiblePart(
        this,
        {QAccessible::StatusBar,
         [this](QAccessible::Text t) { return t == QAccessible::Name ? statusText() : QString(); },
         [] { return QRect(); }});
    // Never shown: it only announces what changed out of sight.
    m_announcer =
        makeAccessiblePart(this, {QAccessible::Notification,
                                  [this](QAccessible::Text t) {
                                      return t == QAccessible::Name ? m_announcement : QString();
                                  },
                                  [] { return QRect(); }, false});

    m_clientParts = {m_drawing,
                     label(Label::lblangolo),
                     m_answers,
                     controls.go,
                     controls.practice,
                     controls.newTurn,
                     controls.picture,
                     controls.exit,
                     label(Label::lblnome1),
                     label(Label::lblScore),
                     label(Label::lblScore1),
                     label(Label::lblconto),
                     label(Label::lblnome),
                     m_statusBar,
                     m_announcer};

    announceAfter(controls.go, texts::spokenNewAngle);
    announceAfter(controls.newTurn, texts::spokenNewTurnDone);
    announceAfter(controls.practice, texts::spokenPracticeDrawn);
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
    if (container == m_answers)
        return {m_controls.answers.begin(), m_controls.answers.end()};
    return {};
}

QObject *Narrator::holderOf(const QObject *control) const
{
    const auto &answers = m_controls.answers;
    return std::find(answers.begin(), answers.end(), control) != answers.end() ? m_answers
                                                                               : nullptr;
}

QString Narrator::recordText() const
{
    if (text(Label::lblpunti).isEmpty())
        return texts::spokenNoRecord;
    return texts::spokenRecord.arg(text(Label::lblnome), text(Label::lblpunti));
}

QString Narrator::scoreText() const
{
    return texts::spokenCorrect.arg(text(Label::lblScore)) + QLatin1String(". ") +
           texts::spokenWrong.arg(text(Label::lblScore1));
}

QString Narrator::statusText() const
{
    return QStringList{scoreText(), texts::spokenClock.arg(spokenTime(text(Label::lblconto))),
                       recordText()}
        .join(QLatin1String(". "));
}

void Narrator::labelChanged(Label which, const QString &written)
{
    const QString shown = written.trimmed();
    m_texts[static_cast<size_t>(which)] = shown;
    const QString spoken = which == Label::lblconto ? spokenTime(shown) : shown;
    label(which)->setAccessibleName(spokenOf(which).arg(spoken));
    switch (which) {
    case Label::lblangolo:
        // A new angle: the window's short name counts it, so that an angle of the same
        // amplitude is heard as a new one, and the amplitude comes right after it.
        ++m_angles;
        // Only ever heard: done while assistive technology listens, and as soon as it starts
        // listening.
        if (m_listening)
            nameTheAngle();
        return;
    case Label::lblnome:
    case Label::lblpunti:
        label(Label::lblnome)->setAccessibleName(recordText());
        break;
    case Label::lblconto:
        m_timeIsUp = shown == texts::clockAtEnd;
        if (shown == texts::clockFiveMinutes)
            announce(texts::spokenFiveMinutes);
        else if (shown == texts::clockOneMinute)
            announce(texts::spokenOneMinute);
        break;
    case Label::lblScore:
    case Label::lblScore1:
    case Label::lblnome1:
        break;
    }
    statusChanged();
}

void Narrator::sectorDrawn(const QRect &circle)
{
    m_sector = circle;
}

// A box is heard by its name (its title), then its text. At the end of the time the goodbye is
// named instead by what happened: time is up, with the score, the only place it is said.
void Narrator::boxOpening(QWidget *box)
{
    if (m_timeIsUp) {
        m_timeIsUp = false;
        box->setAccessibleName(texts::spokenTimeUp.arg(scoreText()));
    }
}

void Narrator::accessibilityActiveChanged(bool active)
{
    m_listening = active;
    if (active && m_angles > 0)
        nameTheAngle();
}

void Narrator::nameTheAngle()
{
    m_controls.window->setAccessibleName(
        texts::spokenWindow.arg(m_angles).arg(text(Label::lblangolo)));
    QAccessibleEvent event(QAccessible::queryAccessibleInterface(m_drawing),
                           QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
}

// Clients keep what they read of a name until told it changed: the status bar says so whenever
// one of its facts changes, the clock's every second included.
void Narrator::statusChanged()
{
    if (!m_listening)
        return; // nobody to tell: what it says is read when asked
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

// What a keyboard-only button did is announced once the game has done it.
void Narrator::announceAfter(QAbstractButton *button, const QString &what)
{
    connect(
        button, &QAbstractButton::clicked, this,
        [this, &what] { announce(what.arg(text(Label::lblangolo))); }, Qt::QueuedConnection);
}

QRect Narrator::answersRect() const
{
    QRect all;
    for (const QAbstractButton *answer : m_controls.answers)
        all |= answer->geometry();
    return {m_controls.clientArea->mapToGlobal(all.topLeft()), all.size()};
}
