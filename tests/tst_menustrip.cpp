// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/clientarea.h"
#include "ui/controls.h"
#include "ui/design.h"
#include "ui/form1.h"
#include "ui/menustrip.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

const QStringList kNames = {"help",    "acuto", "retto", "ottuso", "piatto",
                            "concavo", "grio",  "copy",  "by",     "oko"};

// The game's window, shown and active, with the focus on the given control ("Go" by default).
struct Window
{
    Window()
    {
        form.setOptionEnabled(1, true); // as the first turn leaves it
        form.show();
        form.activateWindow();
        ok = QTest::qWaitForWindowActive(&form);
    }
    MenuStrip *strip() const { return form.menuStrip(); }
    int selected() const
    {
        QAbstractButton *item = strip()->selectedItem();
        return item ? int(kNames.indexOf(item->objectName())) : -1;
    }
    QWidget *control(const QString &name) const
    {
        if (name.startsWith(QLatin1String("Option1")))
            return form.option(name.at(8).digitValue());
        return form.findChild<QWidget *>(name);
    }
    Form1 form;
    bool ok = false;
};

// Presses (positive) and releases (negative) keys on whatever has the focus, with the modifiers
// that the keys held down make.
void typeKeys(const QList<int> &keys)
{
    Qt::KeyboardModifiers held;
    for (int k : keys) {
        const auto key = Qt::Key(qAbs(k));
        const Qt::KeyboardModifier mod = key == Qt::Key_Alt       ? Qt::AltModifier
                                         : key == Qt::Key_Control ? Qt::ControlModifier
                                                                  : Qt::NoModifier;
        QWidget *target = QApplication::focusWidget();
        if (k > 0) {
            QTest::keyPress(target, key, held);
            held |= mod;
        } else {
            held &= ~mod;
            QTest::keyRelease(target, key, held);
        }
    }
}

const QList<int> kAltAlone = {Qt::Key_Alt, -Qt::Key_Alt};
const QList<int> kF10 = {Qt::Key_F10, -Qt::Key_F10};

} // namespace

class TestMenuStrip : public QObject
{
    Q_OBJECT
private slots:
    void itemsWrapInReadingOrderAboveTheClient();
    void clickRunsTheItemOnce();
    void menuKeysWorkFromEveryControl_data();
    void menuKeysWorkFromEveryControl();
    void altEntersOnlyAlone_data();
    void altEntersOnlyAlone();
    void menuKeysSleepWhileABoxIsOpen();
    void arrowsStepAroundTheRows_data();
    void arrowsStepAroundTheRows();
    void verticalArrowsChangeRow();
    void activationKeys_data();
    void activationKeys();
    void leavingGivesTheFocusBack();
    void selectionIsPainted();
    void accessibility();
};

void TestMenuStrip::itemsWrapInReadingOrderAboveTheClient()
{
    Window w;
    QVERIFY(w.ok);
    MenuStrip *strip = w.strip();
    QCOMPARE(strip->width(), clientSize.width());
    QSet<int> rowTops;
    QRect previous;
    for (const QString &name : kNames) {
        QAbstractButton *item = strip->item(name);
        QVERIFY(item);
        QVERIFY2(item->isVisible(), qPrintable(name));
        const QRect r = item->geometry();
        QVERIFY2(strip->rect().contains(r), qPrintable(name));
        QCOMPARE(r.width(), item->sizeHint().width()); // natural width, not clipped
        // Reading order: further right on the same row, or at the start of a lower row.
        if (previous.isValid()) {
            QVERIFY2(r.top() == previous.top() ? r.left() == previous.right() + 1
                                               : r.top() == previous.bottom() + 1 && r.left() == 0,
                     qPrintable(name));
        }
        rowTops.insert(r.top());
        previous = r;
    }
    QCOMPARE(rowTops.size(), 2); // ten captions do not fit in one line of 723 pixels
    QCOMPARE(strip->height(), previous.bottom() + 1);
    QCOMPARE(w.form.clientArea()->y(), strip->height());
}

void TestMenuStrip::clickRunsTheItemOnce()
{
    Window w;
    QVERIFY(w.ok);
    QSignalSpy spy(&w.form, &Form1::menuTriggered);
    for (const QString &name : kNames)
        QTest::mouseClick(w.strip()->item(name), Qt::LeftButton);
    QCOMPARE(spy.size(), kNames.size());
    for (int i = 0; i < spy.size(); ++i)
        QCOMPARE(spy.at(i).at(0).toString(), kNames.at(i));
    // A click does not move the focus.
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Command1"));
}

void TestMenuStrip::menuKeysWorkFromEveryControl_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QList<int>>("keys");
    for (const char *c :
         {"Command1", "Command2", "Command4", "Option1(1)", "Option1(6)", "Picture1", "Cmdexit1"}) {
        QTest::addRow("F10 from %s", c) << c << kF10;
        QTest::addRow("Alt from %s", c) << c << kAltAlone;
    }
}

void TestMenuStrip::menuKeysWorkFromEveryControl()
{
    QFETCH(QString, control);
    QFETCH(QList<int>, keys);
    Window w;
    QVERIFY(w.ok);
    QWidget *from = w.control(control);
    QVERIFY(from);
    from->setFocus(Qt::TabFocusReason);
    typeKeys(keys);
    QVERIFY(w.strip()->isNavigating());
    QVERIFY(w.strip()->hasFocus());
    QCOMPARE(w.selected(), 0);
    // The same key again leaves, and the focus goes back where it was.
    typeKeys(keys);
    QVERIFY(!w.strip()->isNavigating());
    QCOMPARE(QApplication::focusWidget(), from);
}

void TestMenuStrip::altEntersOnlyAlone_data()
{
    QTest::addColumn<QList<int>>("keys"); // positive: press, negative: release
    QTest::addColumn<bool>("enters");
    const int alt = Qt::Key_Alt;
    const int x = Qt::Key_X;
    const int tab = Qt::Key_Tab;
    const int ctrl = Qt::Key_Control;
    QTest::newRow("alt+x") << QList<int>{alt, x, -x, -alt} << false;
    QTest::newRow("alt+tab") << QList<int>{alt, tab, -tab, -alt} << false;
    QTest::newRow("ctrl+alt") << QList<int>{ctrl, alt, -alt, -ctrl} << false;
    QTest::newRow("ctrl+alt, ctrl released first") << QList<int>{ctrl, alt, -ctrl, -alt} << false;
    QTest::newRow("alt+x, then alt alone") << QList<int>{alt, x, -x, -alt, alt, -alt} << true;
}

void TestMenuStrip::altEntersOnlyAlone()
{
    QFETCH(QList<int>, keys);
    QFETCH(bool, enters);
    Window w;
    QVERIFY(w.ok);
    typeKeys(keys);
    QCOMPARE(w.strip()->isNavigating(), enters);
    QCOMPARE(w.strip()->hasFocus(), enters);
}

void TestMenuStrip::menuKeysSleepWhileABoxIsOpen()
{
    Window w;
    QVERIFY(w.ok);
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Sferdoni"), QStringLiteral("box"),
                    QMessageBox::Ok, &w.form);
    box.setWindowModality(Qt::ApplicationModal);
    box.show();
    box.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&box));
    typeKeys(kF10);
    typeKeys(kAltAlone);
    QTest::keyClick(w.form.windowHandle(), Qt::Key_F10);
    QVERIFY(!w.strip()->isNavigating());
}

void TestMenuStrip::arrowsStepAroundTheRows_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<int>("presses");
    QTest::addColumn<int>("expected");
    const int n = int(kNames.size());
    QTest::newRow("none") << Qt::Key_Right << 0 << 0;
    QTest::newRow("right 6, last of first row") << Qt::Key_Right << 6 << 6;
    QTest::newRow("right 7, into second row") << Qt::Key_Right << 7 << 7;
    QTest::newRow("right n, around to first") << Qt::Key_Right << n << 0;
    QTest::newRow("right n+2") << Qt::Key_Right << n + 2 << 2;
    QTest::newRow("left 1, around to last") << Qt::Key_Left << 1 << n - 1;
    QTest::newRow("tab 3") << Qt::Key_Tab << 3 << 3;
    QTest::newRow("backtab 1, around to last") << Qt::Key_Backtab << 1 << n - 1;
    QTest::newRow("end") << Qt::Key_End << 1 << n - 1;
}

void TestMenuStrip::arrowsStepAroundTheRows()
{
    QFETCH(Qt::Key, key);
    QFETCH(int, presses);
    QFETCH(int, expected);
    Window w;
    QVERIFY(w.ok);
    typeKeys(kF10);
    for (int i = 0; i < presses; ++i)
        QTest::keyClick(w.strip(), key);
    QCOMPARE(w.selected(), expected);
    QVERIFY(w.strip()->hasFocus());
}

void TestMenuStrip::verticalArrowsChangeRow()
{
    Window w;
    QVERIFY(w.ok);
    typeKeys(kF10);
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_Up, Qt::Key_Up}) {
        const QRect before = w.strip()->selectedItem()->geometry();
        QTest::keyClick(w.strip(), key);
        QVERIFY(w.strip()->isNavigating());
        QVERIFY(w.strip()->selectedItem()->geometry().top() != before.top());
    }
    // Down goes to the item below, nearest in x: from the first item to the start of row two,
    // from the end of row one to the end of row two.
    QTest::keyClick(w.strip(), Qt::Key_Home);
    QTest::keyClick(w.strip(), Qt::Key_Down);
    QCOMPARE(w.selected(), 7);
    QTest::keyClick(w.strip(), Qt::Key_Left);
    QTest::keyClick(w.strip(), Qt::Key_Down);
    QCOMPARE(w.selected(), int(kNames.size()) - 1);
}

void TestMenuStrip::activationKeys_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::newRow("return") << Qt::Key_Return;
    QTest::newRow("enter") << Qt::Key_Enter;
    QTest::newRow("space") << Qt::Key_Space;
}

void TestMenuStrip::activationKeys()
{
    QFETCH(Qt::Key, key);
    Window w;
    QVERIFY(w.ok);
    QSignalSpy triggered(&w.form, &Form1::menuTriggered);
    QSignalSpy goClicked(&w.form, &Form1::goClicked);
    typeKeys(kF10);
    for (int i = 0; i < 7; ++i)
        QTest::keyClick(w.strip(), Qt::Key_Right);
    QTest::keyPress(w.strip(), key);
    QCOMPARE(triggered.size(), 0); // it runs when the key is lifted
    QTest::keyRelease(w.strip(), key);
    QCOMPARE(triggered.size(), 1);
    QCOMPARE(triggered.at(0).at(0).toString(), QStringLiteral("copy"));
    QVERIFY(!w.strip()->isNavigating());
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Command1"));
    QCOMPARE(goClicked.size(), 0); // the key did not reach the control that has the focus again
}

void TestMenuStrip::leavingGivesTheFocusBack()
{
    Window w;
    QVERIFY(w.ok);
    QWidget *answer = w.form.option(3);
    answer->setFocus(Qt::TabFocusReason);
    QSignalSpy triggered(&w.form, &Form1::menuTriggered);
    // Escape and a click on the drawing leave and give the focus back.
    typeKeys(kF10);
    QTest::keyClick(w.strip(), Qt::Key_Escape);
    QVERIFY(!w.strip()->isNavigating());
    QCOMPARE(QApplication::focusWidget(), answer);

    typeKeys(kF10);
    QTest::mouseClick(w.form.clientArea(), Qt::LeftButton, {}, QPoint(300, 470));
    QVERIFY(!w.strip()->isNavigating());
    QCOMPARE(QApplication::focusWidget(), answer);

    // So does a right click on an item, and a click on the empty end of the strip.
    typeKeys(kF10);
    QTest::mouseClick(w.strip()->item(QStringLiteral("retto")), Qt::RightButton);
    QVERIFY(!w.strip()->isNavigating());
    typeKeys(kF10);
    QTest::mouseClick(w.strip(), Qt::LeftButton, {}, QPoint(w.strip()->width() - 2, 2));
    QVERIFY(!w.strip()->isNavigating());
    QCOMPARE(QApplication::focusWidget(), answer);

    // A click on a control leaves the focus where the click put it.
    typeKeys(kF10);
    QWidget *exit = w.control(QStringLiteral("Cmdexit1"));
    QTest::mouseClick(exit, Qt::LeftButton);
    QVERIFY(!w.strip()->isNavigating());
    QCOMPARE(QApplication::focusWidget(), exit);
    QCOMPARE(triggered.size(), 0);
}

void TestMenuStrip::selectionIsPainted()
{
    Window w;
    QVERIFY(w.ok);
    typeKeys(kF10);
    QTest::keyClick(w.strip(), Qt::Key_Right);
    const QPalette pal = w.strip()->palette();
    const auto pixel = [&](const char *name) {
        QAbstractButton *item = w.strip()->item(QLatin1String(name));
        return item->grab().toImage().pixelColor(3, 3); // inside the focus ring
    };
    QCOMPARE(pixel("acuto"), pal.color(QPalette::Highlight));
    QCOMPARE(pixel("help"), pal.color(QPalette::Window));
    QTest::keyClick(w.strip(), Qt::Key_Escape);
    QCOMPARE(pixel("acuto"), pal.color(QPalette::Window));
}

void TestMenuStrip::accessibility()
{
    Window w;
    QVERIFY(w.ok);
    QAccessibleInterface *bar = QAccessible::queryAccessibleInterface(w.strip());
    QVERIFY(bar);
    QCOMPARE(bar->childCount(), int(kNames.size()));
    for (int i = 0; i < bar->childCount(); ++i) {
        QCOMPARE(bar->child(i)->object(), w.strip()->item(kNames.at(i)));
        QCOMPARE(bar->child(i)->text(QAccessible::Name), w.strip()->item(kNames.at(i))->text());
    }

    QSignalSpy spy(&w.form, &Form1::menuTriggered);
    QAccessibleActionInterface *action = bar->child(4)->actionInterface();
    QVERIFY(action);
    action->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), kNames.at(4));

    // The keyboard-selected item is the focused one.
    typeKeys(kF10);
    QTest::keyClick(w.strip(), Qt::Key_Right);
    QVERIFY(bar->child(1)->state().focused);
    QVERIFY(!bar->child(0)->state().focused);
    QCOMPARE(bar->focusChild()->object(), w.strip()->item(kNames.at(1)));
}

QTEST_MAIN(TestMenuStrip)
#include "tst_menustrip.moc"
