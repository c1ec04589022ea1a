// SPDX-License-Identifier: GPL-3.0-or-later
#include "clientarea.h"
#include "colors.h"
#include "controls.h"
#include "form1.h"
#include "menustrip.h"
#include "testsupport.h"
#include "texts.h"

#include <QApplication>
#include <QFontInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QToolTip>

namespace {

// A control of the window by its name and, in a control array, its index.
QWidget *control(const Form1 &form, const QString &name, int index = -1)
{
    const auto found = form.clientArea()->findChildren<QWidget *>(name);
    for (QWidget *w : found) {
        const QVariant i = w->property("index");
        if (index < 0 ? !i.isValid() : i.isValid() && i.toInt() == index)
            return w;
    }
    return nullptr;
}

constexpr quint32 none = 0xFFFFFFFF;
// Transparent by design, nothing lies under them: they are filled with the window's colour.
constexpr quint32 window = Form1::backColor;

// The contrast of two colours, as WCAG 2 measures it.
double contrast(const QColor &a, const QColor &b)
{
    const auto luminance = [](const QColor &c) {
        const auto lin = [](double v) {
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// How thick, at its thinnest, the band of pixels that changed at least 3:1 is along the edges of
// r: counted over the `depth` pixels just outside r when outward, just inside it otherwise.
int thinnestChange(const QImage &before, const QImage &after, const QRect &r, int depth,
                   bool outward)
{
    const auto changed = [&](int x, int y) {
        return contrast(before.pixelColor(x, y), after.pixelColor(x, y)) >= 3 ? 1 : 0;
    };
    int thinnest = depth;
    for (int x = r.left(); x <= r.right(); ++x) {
        int top = 0, bottom = 0;
        for (int d = 0; d < depth; ++d) {
            const int o = outward ? -1 - d : d;
            top += changed(x, r.top() + o);
            bottom += changed(x, r.bottom() - o);
        }
        thinnest = std::min({thinnest, top, bottom});
    }
    for (int y = r.top(); y <= r.bottom(); ++y) {
        int left = 0, right = 0;
        for (int d = 0; d < depth; ++d) {
            const int o = outward ? -1 - d : d;
            left += changed(r.left() + o, y);
            right += changed(r.right() - o, y);
        }
        thinnest = std::min({thinnest, left, right});
    }
    return thinnest;
}

// The families a designed font may resolve to.
QStringList familiesFor(const QString &designed)
{
    if (designed == QLatin1String("MS Sans Serif"))
        return {designed, QStringLiteral("Liberation Sans")};
    if (designed == QLatin1String("Times New Roman"))
        return {designed, QStringLiteral("Liberation Serif")};
    return {designed, QStringLiteral("Lato"), QStringLiteral("Lato Black")};
}

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void controlsAreLaidOutAsDesigned_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("index");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<quint32>("back");
        QTest::addColumn<quint32>("text");
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<bool>("enabled");

        const QString sans = QStringLiteral("MS Sans Serif");
        const QString serif = QStringLiteral("Times New Roman");
        const QString t = texts::answerToolTip;
        auto row = [](const char *tag) -> QTestData & { return QTest::newRow(tag); };

        row("Cmdexit1") << "Cmdexit1" << -1 << QRect(592, 232, 105, 57) << "Esci"
                        << quint32(0x00FF00FF) << none << sans << 11 << false
                        << "Clliccami per uscire" << true;
        const int lefts[] = {0, 8, 128, 248, 368, 488, 608};
        const quint32 fores[] = {0,          0x00FFFF00, 0x00FFFF80, 0x00FFFF00,
                                 0x00FFFF80, 0x00FFFF00, 0x00FFFF00};
        for (int i = 1; i <= 6; ++i) {
            QTest::addRow("Option1(%d)", i)
                << "Option1" << i << QRect(lefts[i], 496, 105, 73) << texts::answerCaptions[i]
                << quint32(0x00C0C000) << fores[i] << sans << 13 << true << t << (i != 1);
        }
        row("Command4") << "Command4" << -1 << QRect(48, 496, 49, 57) << "Command4" << none << none
                        << sans << 11 << false << "" << true;
        row("Command2") << "Command2" << -1 << QRect(144, 520, 81, 45) << "Nuova nota"
                        << quint32(0x00C0C0C0) << none << sans << 11 << true
                        << "Per avere un'altra nota cliccami." << true;
        row("Command1") << "Command1" << -1 << QRect(16, 512, 73, 41) << "Go" << none << none
                        << sans << 11 << false << "" << true;

        row("Label4") << "Label4" << -1 << QRect(16, 64, 113, 65) << "Ampiezza in gradi" << none
                      << quint32(0) << sans << 24 << true << "" << true;
        row("lblangolo") << "lblangolo" << -1 << QRect(24, 144, 89, 49) << "" << window
                         << quint32(0x00FF00FF) << sans << 32 << true << "" << true;
        row("lblScore") << "lblScore" << -1 << QRect(48, 368, 37, 59) << "0" << quint32(0x00FFFFC0)
                        << quint32(0x0000FF00) << serif << 48 << true
                        << "Questo è il tuo punteggio. Forza con il  record" << true;
        row("lblconto") << "lblconto" << -1 << QRect(568, 88, 137, 41) << "00.00.00" << window
                        << quint32(0x0000FFFF) << QStringLiteral("Arial Black") << 24 << true << ""
                        << true;
        row("lblScore1") << "lblScore1" << -1 << QRect(632, 368, 36, 59) << "0"
                         << quint32(0x00FFFFC0) << quint32(0x000000FF) << serif << 48 << true << ""
                         << true;
        row("Label6(1)") << "Label6" << 1 << QRect(576, 328, 139, 28) << "Risposte errate"
                         << quint32(0x00FFFF00) << quint32(0x000000FF) << sans << 18 << false << ""
                         << true;
        row("lblpunti") << "lblpunti" << -1 << QRect(464, 0, 81, 65) << "Label3" << none
                        << quint32(0x00FF0000) << sans << 18 << true << "" << true;
        row("lblnome") << "lblnome" << -1 << QRect(128, 0, 64, 24) << "Label3" << none
                       << quint32(0x00FF0000) << sans << 18 << true << "" << true;
        row("tempo") << "tempo" << -1 << QRect(552, 32, 169, 41) << "Tempo restante" << none
                     << quint32(0x0080FFFF) << sans << 18 << true << "" << true;
        row("Label2") << "Label2" << -1 << QRect(8, 0, 119, 24) << "Il record è di" << none
                      << quint32(0x00FF0000) << sans << 18 << true << "" << true;
        row("Label3") << "Label3" << -1 << QRect(360, 0, 113, 33) << "con punti" << none
                      << quint32(0x00FF0000) << sans << 18 << true << "" << true;
        row("Label1") << "Label1" << -1 << QRect(16, 440, 74, 24) << "Sfidante" << none
                      << quint32(0x00FF00FF) << serif << 21 << true << "" << true;
        row("Label6(0)") << "Label6" << 0 << QRect(8, 328, 131, 28) << "Risposte esatte"
                         << quint32(0x00FFFF80) << quint32(0x0000FF00) << sans << 18 << false << ""
                         << true;
        row("lblnome1") << "lblnome1" << -1 << QRect(104, 440, 56, 24) << "Label3" << none
                        << quint32(0x00FF00FF) << sans << 18 << false << "" << true;
    }
    void controlsAreLaidOutAsDesigned()
    {
        QFETCH(QString, name);
        QFETCH(int, index);
        QFETCH(QRect, geometry);
        QFETCH(QString, caption);
        QFETCH(quint32, back);
        QFETCH(quint32, text);
        QFETCH(QString, family);
        QFETCH(int, pixelSize);
        QFETCH(bool, bold);
        QFETCH(QString, toolTip);
        QFETCH(bool, enabled);

        Form1 form;
        QWidget *w = control(form, name, index);
        QVERIFY2(w, "no such control");
        const auto *textLabel = qobject_cast<TextLabel *>(w);
        if (textLabel && textLabel->fitsText()) {
            // A label that fits its text may be a few pixels wider with this machine's fonts.
            QCOMPARE(w->pos(), geometry.topLeft());
            QCOMPARE(w->height(), geometry.height());
            QVERIFY(w->width() >= geometry.width() && w->width() <= geometry.width() + 4);
        } else {
            QCOMPARE(w->geometry(), geometry);
        }
        QVERIFY(w->isVisibleTo(&form));
        QCOMPARE(w->isEnabled(), enabled);
        QCOMPARE(w->toolTip(), toolTip);
        QCOMPARE(w->font().pixelSize(), pixelSize);
        QCOMPARE(w->font().bold(), bold);
        QVERIFY(!w->font().italic() && !w->font().underline() && !w->font().strikeOut());
        const QString resolved = QFontInfo(w->font()).family();
        QVERIFY2(familiesFor(family).contains(resolved),
                 qPrintable(QStringLiteral("%1 resolved to %2").arg(family, resolved)));

        if (auto *label = qobject_cast<QLabel *>(w)) {
            QCOMPARE(label->text(), caption);
            QCOMPARE(label->textFormat(), Qt::PlainText);
            if (text != none)
                QCOMPARE(label->palette().color(label->foregroundRole()), fromBgr(text));
            QCOMPARE(label->autoFillBackground(), back != none);
            if (back != none)
                QCOMPARE(label->palette().color(QPalette::Window), fromBgr(back));
        } else if (auto *button = qobject_cast<GraphicalButton *>(w)) {
            QCOMPARE(button->text(), caption);
            QCOMPARE(button->backColor(), BgrColor(back));
            QCOMPARE(button->hasForeColor(), text != none);
            if (text != none)
                QCOMPARE(button->foreColor(), BgrColor(text));
            QVERIFY(!button->icon().isNull());
            QCOMPARE(button->focusPolicy(), Qt::StrongFocus);
        } else {
            auto *push = qobject_cast<QPushButton *>(w);
            QVERIFY(push);
            QCOMPARE(push->text(), caption);
        }
    }

    void bordersFrameTheirLabels_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("border");
        QTest::addColumn<bool>("centred");
        for (const char *n : {"lblangolo", "lblScore", "lblconto", "lblScore1", "tempo"})
            QTest::newRow(n) << n << -1 << true << true;
        QTest::newRow("Label6(0)") << "Label6" << 0 << true << true;
        QTest::newRow("Label6(1)") << "Label6" << 1 << true << true;
        QTest::newRow("lblnome") << "lblnome" << -1 << false << true;
        QTest::newRow("Label1") << "Label1" << -1 << false << true;
        for (const char *n : {"Label4", "lblpunti", "Label2", "Label3", "lblnome1"})
            QTest::newRow(n) << n << -1 << false << false;
    }
    void bordersFrameTheirLabels()
    {
        QFETCH(QString, name);
        QFETCH(int, index);
        QFETCH(bool, border);
        QFETCH(bool, centred);
        Form1 form;
        auto *label = qobject_cast<QLabel *>(control(form, name, index));
        QVERIFY(label);
        QCOMPARE(label->frameShape() == QFrame::Box, border);
        QCOMPARE(bool(label->alignment() & Qt::AlignHCenter), centred);
        if (!border)
            return;
        // The frame is drawn black whatever the text colour.
        const QImage drawn = label->grab().toImage();
        const QRect r = drawn.rect();
        for (int x = 0; x < r.width(); ++x) {
            QCOMPARE(drawn.pixelColor(x, 0), QColor(Qt::black));
            QCOMPARE(drawn.pixelColor(x, r.bottom()), QColor(Qt::black));
        }
        for (int y = 0; y < r.height(); ++y) {
            QCOMPARE(drawn.pixelColor(0, y), QColor(Qt::black));
            QCOMPARE(drawn.pixelColor(r.right(), y), QColor(Qt::black));
        }
    }

    // Fixed-size captions fit their controls; labels that fit their text do so within a few
    // pixels of their designed width.
    void captionsFitTheirControls()
    {
        Form1 form;
        const auto widgets = form.clientArea()->findChildren<QWidget *>();
        for (QWidget *w : widgets) {
            QString text;
            int room = w->width();
            if (auto *label = qobject_cast<QLabel *>(w)) {
                if (label->wordWrap() || label->text().isEmpty())
                    continue;
                const auto *textLabel = qobject_cast<TextLabel *>(label);
                if (textLabel && textLabel->fitsText() &&
                    label->width() > textLabel->designWidth() + 4)
                    continue;
                text = label->text();
                room -= 2 * label->frameWidth();
            } else if (auto *button = qobject_cast<QAbstractButton *>(w)) {
                // The keyboard-only buttons lie under the answer buttons: nobody sees them.
                if (button->objectName().startsWith(QLatin1String("Command")))
                    continue;
                text = button->text();
                room -= 4; // the bevel
            } else {
                continue;
            }
            const int needed = QFontMetrics(w->font()).horizontalAdvance(text);
            QVERIFY2(needed <= room, qPrintable(QStringLiteral("%1: \"%2\" needs %3 px of %4")
                                                    .arg(nameOf(w), text)
                                                    .arg(needed)
                                                    .arg(room)));
        }
    }

    // A graphical button's bevel lies on its edge: light above and left, dark below and right,
    // the other way round while pressed.
    void theBevelIsDrawnOnTheEdge()
    {
        Form1 form;
        GraphicalButton *button = form.option(2);
        for (bool pressed : {false, true}) {
            button->setChecked(pressed);
            const QImage drawn = button->grab().toImage();
            const QColor light = pressed ? Qt::black : Qt::white;
            const QColor dark = pressed ? Qt::white : Qt::black;
            const int right = drawn.width() - 1, bottom = drawn.height() - 1;
            QCOMPARE(drawn.pixelColor(0, bottom / 2), light);
            QCOMPARE(drawn.pixelColor(right / 2, 0), light);
            QCOMPARE(drawn.pixelColor(right, bottom / 2), dark);
            QCOMPARE(drawn.pixelColor(right / 2, bottom), dark);
        }
    }

    // The focus is seen: a ring at least two pixels thick that changed at least 3:1 from what
    // was there, all around the control, and none of the control's own pixels covered. Menu
    // items show it while the menu is navigated by keyboard.
    void theFocusIsSeen_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *c : {"Option1(1)", "Option1(2)", "Option1(3)", "Option1(4)", "Option1(5)",
                              "Option1(6)", "Cmdexit1", "help", "concavo", "oko"})
            QTest::newRow(c) << c;
    }
    void theFocusIsSeen()
    {
        QFETCH(QString, name);
        Form1 form;
        form.setOptionEnabled(1, true);
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        const bool menuItem =
            !name.startsWith(QLatin1String("Option1")) && name != QLatin1String("Cmdexit1");
        QWidget *target = name.startsWith(QLatin1String("Option1"))
                              ? form.option(name.at(8).digitValue())
                          : menuItem ? form.menuStrip()->item(name)
                                     : control(form, name);
        const QImage before = form.grab().toImage();
        if (menuItem) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F10);
            while (form.menuStrip()->selectedItem() != target)
                QTest::keyClick(form.menuStrip(), Qt::Key_Right);
        } else {
            target->setFocus(Qt::TabFocusReason);
        }
        const QImage after = form.grab().toImage();
        const QRect r(target->mapTo(&form, QPoint()), target->size());
        if (menuItem) {
            // On the item's edge, clear of its caption.
            QCOMPARE(thinnestChange(before, after, r, 2, false), 2);
            const QRect caption = QStyle::alignedRect(
                Qt::LeftToRight, Qt::AlignCenter,
                QFontMetrics(target->font())
                    .size(Qt::TextSingleLine, form.menuStrip()->item(name)->text()),
                r);
            QVERIFY(r.adjusted(2, 2, -2, -2).contains(caption));
        } else {
            // Just outside the control: its own pixels stay as they are.
            QVERIFY(thinnestChange(before, after, r, 4, true) >= 2);
            QCOMPARE(after.copy(r), before.copy(r));
        }
    }

    void amplitudeHeadingWrapsOntoTwoLines()
    {
        Form1 form;
        auto *label = qobject_cast<QLabel *>(control(form, QStringLiteral("Label4")));
        QVERIFY(label->wordWrap());
        const QFontMetrics metrics(label->font());
        const QRect bounds = metrics.boundingRect(QRect(0, 0, label->width(), 1000),
                                                  Qt::TextWordWrap, label->text());
        QCOMPARE(qRound(double(bounds.height()) / metrics.lineSpacing()), 2);
        QVERIFY(bounds.height() <= label->height());
        QVERIFY(bounds.width() <= label->width());
    }

    // A label that fits its text takes the width of each new text, wider or narrower, and keeps
    // its left edge.
    void labelsFitEachNewText_data()
    {
        QTest::addColumn<int>("label");
        QTest::addColumn<QString>("longer");
        QTest::addColumn<QString>("shorter");
        QTest::newRow("player") << int(Label::lblnome1) << "Bartolomeo Massimiliano"
                                << "Al";
        QTest::newRow("record holder") << int(Label::lblnome) << "Francesca Maria"
                                       << "Al";
        QTest::newRow("score") << int(Label::lblScore) << "123"
                               << "7";
        QTest::newRow("errors") << int(Label::lblScore1) << "42"
                                << "1";
    }
    void labelsFitEachNewText()
    {
        QFETCH(int, label);
        QFETCH(QString, longer);
        QFETCH(QString, shorter);
        Form1 form;
        QLabel *l = form.label(Label(label));
        const QRect designed = l->geometry();
        const auto fits = [&](const QString &text) {
            form.setLabelText(Label(label), text);
            QCOMPARE(l->pos(), designed.topLeft());
            QCOMPARE(l->height(), designed.height());
            const int advance = QFontMetrics(l->font()).horizontalAdvance(text);
            QVERIFY(advance <= l->contentsRect().width());
            QVERIFY(l->contentsRect().width() <= advance + 2);
        };
        fits(longer);
        QVERIFY(l->width() > designed.width());
        fits(shorter);
        QVERIFY(l->width() < designed.width());
        fits(longer);
    }

    // The mouse reaches a label with a tooltip, and the tooltip shows; other labels let the mouse
    // through to what lies below.
    void theScoreShowsItsTooltipOnHover()
    {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QLabel *score = form.label(Label::lblScore);
        QTest::mouseMove(form.windowHandle(), score->mapTo(&form, score->rect().center()));
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), texts::scoreToolTip);
        for (Label l : {Label::lblScore1, Label::lblangolo, Label::lblconto, Label::lblnome1})
            QVERIFY(form.label(l)->testAttribute(Qt::WA_TransparentForMouseEvents));
    }

    void textsFromOutsideAreNeverMarkup()
    {
        Form1 form;
        const QString name = QStringLiteral("<b>Ada</b> <img src=x>");
        for (Label l : {Label::lblnome1, Label::lblnome, Label::lblpunti}) {
            form.setLabelText(l, name);
            QCOMPARE(form.label(l)->textFormat(), Qt::PlainText);
            QCOMPARE(form.labelText(l), name);
        }
    }

    void hiddenButtonsLieUnderTheAnswerButtons_data()
    {
        QTest::addColumn<QString>("hidden");
        QTest::addColumn<int>("cover");
        QTest::newRow("Command1") << "Command1" << 1;
        QTest::newRow("Command4") << "Command4" << 1;
        QTest::newRow("Command2") << "Command2" << 2;
        QTest::newRow("Picture1") << "Picture1" << 3;
    }
    void hiddenButtonsLieUnderTheAnswerButtons()
    {
        QFETCH(QString, hidden);
        QFETCH(int, cover);
        Form1 form;
        QWidget *below = control(form, hidden);
        QWidget *above = control(form, QStringLiteral("Option1"), cover);
        QVERIFY(above->geometry().contains(below->geometry()));
        // Every point of the hidden control belongs to the answer button above it.
        const QRect g = below->geometry();
        for (const QPoint p : {g.topLeft(), g.center(), g.bottomRight()})
            QCOMPARE(form.clientArea()->childAt(p), above);
        QVERIFY(below->isVisibleTo(&form));
        QVERIFY(below->focusPolicy() & Qt::TabFocus);

        // Nobody sees it, so it is not painted; it is once the button above it is hidden.
        PaintCounter painted(below);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.repaint();
        QCOMPARE(painted.count, 0);
        form.setOptionVisible(cover, false);
        QTRY_VERIFY(painted.count > 0);
        form.setOptionVisible(cover, true);
        painted.count = 0;
        form.repaint();
        QCOMPARE(painted.count, 0);
    }

    void buttonsLieAboveLabelsAndShapes()
    {
        Form1 form;
        const QObjectList children = form.clientArea()->children();
        const auto depth = [&](QWidget *w) { return children.indexOf(w); };
        QWidget *lowestButton = control(form, QStringLiteral("Picture1"));
        for (QLabel *l : form.clientArea()->findChildren<QLabel *>())
            QVERIFY(depth(l) < depth(lowestButton));
        for (ShapeRect *s : form.clientArea()->findChildren<ShapeRect *>())
            QVERIFY(depth(s) < depth(lowestButton));
        // The top labels lie on the top strip.
        QWidget *strip = control(form, QStringLiteral("Shape2"));
        for (const char *n : {"Label2", "lblnome", "Label3", "lblpunti"})
            QVERIFY(depth(control(form, QLatin1String(n))) > depth(strip));
        // The drawing area's disc is free of visible controls.
        const QRect disc(160, 60, 381, 381);
        for (QWidget *w : form.clientArea()->findChildren<QWidget *>()) {
            if (w->objectName() == QLatin1String("Shape2") || !w->isVisibleTo(&form))
                continue;
            const QRect g = w->geometry();
            const QPoint c(350, 250);
            const int dx = std::max({g.left() - c.x(), 0, c.x() - g.right()});
            const int dy = std::max({g.top() - c.y(), 0, c.y() - g.bottom()});
            QVERIFY2(dx * dx + dy * dy > 190 * 190,
                     qPrintable(nameOf(w) + QStringLiteral(" covers the disc")));
            Q_UNUSED(disc);
        }
    }

    void tabVisitsTheControlsInOrderStartingAtGo()
    {
        Form1 form;
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(nameOf(QApplication::focusWidget()), QStringLiteral("Command1"));

        // Enable the first answer as the first turn would, so that Tab can reach it.
        form.setOptionEnabled(1, true);
        const QStringList want = {
            "Command2",   "Command4",   "Option1(1)", "Option1(2)", "Option1(3)", "Option1(4)",
            "Option1(5)", "Option1(6)", "Picture1",   "Cmdexit1",   "Command1",
        };
        QStringList visited;
        for (int i = 0; i < want.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << nameOf(QApplication::focusWidget());
        }
        QCOMPARE(visited, want);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(nameOf(QApplication::focusWidget()), QStringLiteral("Cmdexit1"));
    }

    void onlySixAnswerButtonsExist()
    {
        Form1 form;
        QCOMPARE(form.clientArea()->findChildren<QWidget *>(QStringLiteral("Option1")).size(), 6);
        QCOMPARE(control(form, QStringLiteral("Image1"), 1)->geometry(), QRect(520, 64, 32, 32));
    }

    void windowIsAFixedToolWindowWithTheMenuAboveTheClientArea()
    {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(
            form.windowTitle().startsWith(QStringLiteral("Impariamo a riconoscere gli Sferdoni")));
        const Qt::WindowFlags flags = form.windowFlags();
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QCOMPARE(form.clientArea()->size(), QSize(723, 587));
        QCOMPARE(form.clientArea()->y(), form.menuStrip()->height());
        QCOMPARE(form.height(), form.menuStrip()->height() + 587);
        QCOMPARE(form.width(), 723);

        const QStringList names = {"help",    "acuto", "retto", "ottuso", "piatto",
                                   "concavo", "grio",  "copy",  "by",     "oko"};
        QCOMPARE(form.menuStrip()->count(), 10);
        for (const QString &n : names) {
            QAbstractButton *item = form.menuStrip()->item(n);
            QVERIFY2(item && item->isVisible(), qPrintable(n));
            QVERIFY(form.menuStrip()->rect().contains(item->geometry()));
        }
        QCOMPARE(form.menuStrip()->item(QStringLiteral("grio"))->text(),
                 QStringLiteral("Angolo giro"));
        QCOMPARE(form.menuStrip()->item(QStringLiteral("help"))->text(), QStringLiteral("Help"));
    }

    void menuItemsRunWithOneClick()
    {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QSignalSpy spy(&form, &Form1::menuTriggered);
        QTest::mouseClick(form.menuStrip()->item(QStringLiteral("concavo")), Qt::LeftButton);
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("concavo"));
    }

    void theDrawingIsKeptAcrossRepaints()
    {
        Form1 form;
        form.setFillColor(0x00800000);
        form.pigrecoesettore(350, 250, 190, 0, 0, 200); // drawn while hidden
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const auto pixel = [&](int x, int y) {
            return form.clientArea()->grab().toImage().pixelColor(x, y);
        };
        QCOMPARE(pixel(450, 300), QColor(0, 0, 128));   // inside the sector
        QCOMPARE(pixel(250, 150), QColor(0, 192, 192)); // outside it
        form.clientArea()->repaint();
        QCOMPARE(pixel(450, 300), QColor(0, 0, 128));
        form.clearDrawing();
        QCOMPARE(pixel(450, 300), QColor(0, 192, 192));
    }

    void closeBoxEndsTheProgram()
    {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        bool timedOut = false;
        QTimer::singleShot(0, &form, [&] { form.close(); });
        QTimer::singleShot(5000, [&] {
            timedOut = true;
            QCoreApplication::exit(1);
        });
        const int code = QCoreApplication::exec();
        QVERIFY(!timedOut);
        QCOMPARE(code, 0);
        QVERIFY(!form.isVisible());
    }

    void messageBoxesAreModalWithTheirTitleIconAndOneOkButton_data()
    {
        QTest::addColumn<int>("icon");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("shownIcon");
        QTest::addColumn<QString>("text");
        QTest::newRow("no icon, the game's title")
            << int(MessageIcon::None) << "Sferdoni" << int(QMessageBox::NoIcon)
            << " <b>Ada</b> vediamo  ";
        QTest::newRow("information") << int(MessageIcon::Information) << "Riconosciamo gli Sferdoni"
                                     << int(QMessageBox::Information) << " <b>Ada</b> vediamo  ";
        QTest::newRow("exclamation") << int(MessageIcon::Exclamation) << "Riconosciamo gli Sferdoni"
                                     << int(QMessageBox::Warning) << " <b>Ada</b> vediamo  ";
        // A name written right to left does not turn the greeting around.
        QTest::newRow("a name written right to left")
            << int(MessageIcon::Exclamation) << "Riconosciamo gli Sferdoni"
            << int(QMessageBox::Warning) << QStringLiteral(" \u05E9\u05DC\u05D5\u05DD vediamo");
    }
    void messageBoxesAreModalWithTheirTitleIconAndOneOkButton()
    {
        QFETCH(int, icon);
        QFETCH(QString, title);
        QFETCH(int, shownIcon);
        QFETCH(QString, text);
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        bool seen = false;
        QTimer::singleShot(0, &form, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            seen = true;
            QCOMPARE(box->windowTitle(), title);
            QCOMPARE(box->text().remove(QChar(0x200E)), text);
            QVERIFY(!box->text().isRightToLeft());
            QCOMPARE(box->textFormat(), Qt::PlainText);
            QCOMPARE(int(box->icon()), shownIcon);
            QCOMPARE(box->buttons().size(), 1);
            QCOMPARE(box->standardButton(box->buttons().first()), QMessageBox::Ok);
            QTest::keyClick(box, Qt::Key_Return);
        });
        if (title == QLatin1String("Sferdoni"))
            form.messageBox(text, MessageIcon(icon));
        else
            form.messageBox(text, MessageIcon(icon), title);
        QVERIFY(seen);
        QVERIFY(!QApplication::activeModalWidget());
    }

    void inputBoxGivesTheTypedTextOrNothingOnCancel_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("result");
        QTest::newRow("a name") << "Ada" << true << "Ada";
        QTest::newRow("blanks kept") << "  Ada  " << true << "  Ada  ";
        QTest::newRow("accents") << QStringLiteral("Niccolò Łukasz") << true
                                 << QStringLiteral("Niccolò Łukasz");
        QTest::newRow("nothing typed") << "" << true << "";
        QTest::newRow("cancel") << "Ada" << false << "";
    }
    void inputBoxGivesTheTypedTextOrNothingOnCancel()
    {
        QFETCH(QString, typed);
        QFETCH(bool, accept);
        QFETCH(QString, result);
        Form1 form;
        QTimer::singleShot(0, &form, [&] {
            auto *box = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            QVERIFY(box);
            QCOMPARE(box->windowTitle(), QStringLiteral("Riconosciamo gli Sferdoni"));
            QCOMPARE(box->labelText(), QStringLiteral("Come ti chiami?"));
            QCOMPARE(box->textValue(), QString());
            QWidget *field = box->focusWidget();
            // keyClicks() takes only ASCII: send each character as it is.
            for (const QChar c : typed)
                QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c),
                                    Qt::NoModifier);
            QTest::keyClick(field, accept ? Qt::Key_Return : Qt::Key_Escape);
        });
        QCOMPARE(form.inputBox(QStringLiteral("Come ti chiami?"),
                               QStringLiteral("Riconosciamo gli Sferdoni")),
                 result);
    }

    void timerTicksEverySecondOnlyWhenEnabled()
    {
        Form1 form;
        QVERIFY(!form.timer1().isActive());
        form.setTimerEnabled(true);
        QVERIFY(form.timer1().isActive());
        QCOMPARE(form.timer1().interval(), 1000);
        form.setTimerEnabled(false);
        QVERIFY(!form.timer1().isActive());
    }

    void endingTheProgramLeavesTheEventLoop()
    {
        Form1 form;
        form.show();
        form.setTimerEnabled(true);
        QTimer::singleShot(0, &form, [&] { form.endProgram(); });
        QTimer::singleShot(5000, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!form.isVisible());
        QVERIFY(!form.timer1().isActive());
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
