// SPDX-License-Identifier: GPL-3.0-or-later
// The window as designed: every control's place, caption, colours and font, the stacking, the
// hidden keyboard-only buttons and the tab order.
#include "game/texts.h"
#include "tests/support/testsupport.h"
#include "ui/clientarea.h"
#include "ui/colors.h"
#include "ui/controls.h"
#include "ui/design.h"
#include "ui/form1.h"

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

constexpr quint32 none = 0xFFFFFFFF;
// Transparent by design, nothing lies under them: they are filled with the window's colour.
constexpr quint32 window = windowBackColor;

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

class TestDesign : public QObject
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
        // Their text colour is the first turn's, given before the window is seen.
        const int lefts[] = {0, 8, 128, 248, 368, 488, 608};
        for (int i = 1; i <= 6; ++i) {
            QTest::addRow("Option1(%d)", i)
                << "Option1" << i << QRect(lefts[i], 496, 105, 73) << texts::answerCaptions[i]
                << quint32(0x00C0C000) << none << sans << 13 << true << t << (i != 1);
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
        QWidget *w = control(form.clientArea(), name, index);
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

    void amplitudeHeadingWrapsOntoTwoLines()
    {
        Form1 form;
        auto *label = qobject_cast<QLabel *>(control(form.clientArea(), QStringLiteral("Label4")));
        QVERIFY(label->wordWrap());
        const QFontMetrics metrics(label->font());
        const QRect bounds = metrics.boundingRect(QRect(0, 0, label->width(), 1000),
                                                  Qt::TextWordWrap, label->text());
        QCOMPARE(qRound(double(bounds.height()) / metrics.lineSpacing()), 2);
        QVERIFY(bounds.height() <= label->height());
        QVERIFY(bounds.width() <= label->width());
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
        QWidget *below = control(form.clientArea(), hidden);
        QWidget *above = control(form.clientArea(), QStringLiteral("Option1"), cover);
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
        QWidget *lowestButton = control(form.clientArea(), QStringLiteral("Picture1"));
        for (QLabel *l : form.clientArea()->findChildren<QLabel *>())
            QVERIFY(depth(l) < depth(lowestButton));
        for (ShapeRect *s : form.clientArea()->findChildren<ShapeRect *>())
            QVERIFY(depth(s) < depth(lowestButton));
        // The top labels lie on the top strip.
        QWidget *strip = control(form.clientArea(), QStringLiteral("Shape2"));
        for (const char *n : {"Label2", "lblnome", "Label3", "lblpunti"})
            QVERIFY(depth(control(form.clientArea(), QLatin1String(n))) > depth(strip));
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

    // Labels that a long text makes overlap lie one above the other as designed: the record
    // holder's name, however long, lies over "con" and "punti", and the record's score over both.
    void labelsOverlapAsDesigned_data()
    {
        QTest::addColumn<QString>("upper");
        QTest::addColumn<QString>("lower");
        QTest::addColumn<int>("written"); // the label given a long text, by Label
        QTest::newRow("holder's name over \"con punti\"") << "lblnome"
                                                          << "Label3" << int(Label::lblnome);
        QTest::newRow("record over \"con punti\"") << "lblpunti"
                                                   << "Label3" << int(Label::lblpunti);
        QTest::newRow("record over the holder's name") << "lblpunti"
                                                       << "lblnome" << int(Label::lblnome);
    }
    void labelsOverlapAsDesigned()
    {
        QFETCH(QString, upper);
        QFETCH(QString, lower);
        QFETCH(int, written);
        Form1 form;
        const QString longText(60, QLatin1Char('W'));
        form.setLabelText(Label(written), longText);
        QWidget *above = control(form.clientArea(), upper);
        QWidget *below = control(form.clientArea(), lower);
        QVERIFY(above->geometry().intersects(below->geometry()));
        const QObjectList children = form.clientArea()->children();
        QVERIFY2(children.indexOf(above) > children.indexOf(below),
                 qPrintable(lower + QStringLiteral(" lies over ") + upper));
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
        QCOMPARE(control(form.clientArea(), QStringLiteral("Image1"), 1)->geometry(),
                 QRect(520, 64, 32, 32));
    }
};

QTEST_MAIN(TestDesign)
#include "tst_design.moc"
