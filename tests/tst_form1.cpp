// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/texts.h"
#include "tests/support/testsupport.h"
#include "ui/clientarea.h"
#include "ui/colors.h"
#include "ui/controls.h"
#include "ui/form1.h"
#include "ui/keeponscreen.h"
#include "ui/menustrip.h"

#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QToolTip>

namespace {

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

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
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
        auto *label = qobject_cast<QLabel *>(control(form.clientArea(), name, index));
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
                                     : control(form.clientArea(), name);
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
            QCOMPARE(form.label(l)->text(), name);
        }
    }

    // A plain window, which desktops focus when it opens and list in Alt+Tab, with a close box
    // only.
    void windowIsAFixedWindowWithTheMenuAboveTheClientArea()
    {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(
            form.windowTitle().startsWith(QStringLiteral("Impariamo a riconoscere gli Sferdoni")));
        const Qt::WindowFlags flags = form.windowFlags();
        QCOMPARE(form.windowType(), Qt::Window);
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

    // A desktop may minimise the window all the same (a button on its title bar, a key): with no
    // taskbar button it would be lost while its clock runs on, so it comes back by itself. So
    // does a box kept on the screen.
    void aMinimisedWindowComesBack()
    {
        Form1 form;
        QDialog box;
        keepOnScreen(&box);
        QSignalSpy closing(&form, &Form1::closing);
        for (QWidget *w : {static_cast<QWidget *>(&form), static_cast<QWidget *>(&box)}) {
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            w->setWindowState(Qt::WindowMinimized);
            QVERIFY(w->isMinimized());
            QTRY_VERIFY(!w->isMinimized());
            QVERIFY(w->isVisible());
        }
        QCOMPARE(closing.size(), 0);
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

    void aBoxClosesWhenItsKeyIsLifted_data()
    {
        QTest::addColumn<bool>("nameBox");
        QTest::addColumn<int>("key");
        QTest::newRow("message box, Return") << false << int(Qt::Key_Return);
        QTest::newRow("message box, Esc") << false << int(Qt::Key_Escape);
        QTest::newRow("name box, Return") << true << int(Qt::Key_Return);
        QTest::newRow("name box, Esc") << true << int(Qt::Key_Escape);
    }
    // Held down, the key closes the first box once lifted; lifted in the second, where it did not
    // go down, it leaves it open.
    void aBoxClosesWhenItsKeyIsLifted()
    {
        QFETCH(bool, nameBox);
        QFETCH(int, key);
        Form1 form;
        QList<bool> open; // while held, after the release, for each box
        for (const bool held : {true, false}) {
            QTimer::singleShot(0, &form, [&] {
                QWidget *box = QApplication::activeModalWidget();
                QWidget *control = box->focusWidget() ? box->focusWidget() : box;
                for (int repeat = 0; held && repeat < 3; ++repeat) {
                    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(), repeat > 0);
                    QCoreApplication::sendEvent(control, &press);
                }
                open << box->isVisible();
                QTest::keyRelease(control, Qt::Key(key));
                open << box->isVisible();
                box->close();
            });
            nameBox ? void(form.inputBox(QStringLiteral("Come ti chiami?"), QString()))
                    : form.messageBox(QStringLiteral("Bravo è esatto"), MessageIcon::None);
        }
        QCOMPARE(open, QList<bool>({true, false, true, true}));
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
