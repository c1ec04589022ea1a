// SPDX-License-Identifier: GPL-3.0-or-later
#include "accessibility.h"
#include "menustrip.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

namespace {

const QList<QPair<QString, QString>> kItems = {
    {"help", "Help"},
    {"acute", "Angolo acuto"},
    {"right", "Angolo retto"},
    {"obtuse", "Angolo ottuso"},
    {"straight", "Angolo piatto"},
    {"reflex", "Angolo concavo"},
    {"full", "Angolo giro"},
    {"credits", "© 2026 Gli autori di Sferdoni"},
    {"mail", "Scrivici: sferdoni@example.org"},
    {"address", "Via degli Angoli 90, 00100 Roma"},
};

constexpr int kWindowWidth = 723;

// How the window around the strip is sized.
enum class Frame {
    FixedWidth,     // a plain widget with setFixedWidth(723)
    MainWindow,     // QMainWindow::setMenuWidget(), fixed width
    FixedSizeLayout // QLayout::SetFixedSize, width coming from a 723 px client
};

// A window like the game's: the strip on top, a focusable client below.
struct Window
{
    explicit Window(Frame frame = Frame::FixedWidth)
    {
        auto *client = new QWidget;
        auto *clientLayout = new QVBoxLayout(client);
        edit = new QLineEdit;
        other = new QLineEdit;
        clientLayout->addWidget(edit);
        clientLayout->addWidget(other);
        clientLayout->addStretch();
        strip = new MenuStrip;
        if (frame == Frame::MainWindow) {
            auto *w = new QMainWindow;
            w->setMenuWidget(strip);
            w->setCentralWidget(client);
            top.reset(w);
        } else {
            top = std::make_unique<QWidget>();
            auto *layout = new QVBoxLayout(top.get());
            layout->setContentsMargins(0, 0, 0, 0);
            layout->setSpacing(0);
            layout->addWidget(strip);
            layout->addWidget(client, 1);
            if (frame == Frame::FixedSizeLayout) {
                layout->setSizeConstraint(QLayout::SetFixedSize);
                client->setFixedSize(kWindowWidth, 200);
            }
        }
        if (frame != Frame::FixedSizeLayout) {
            top->setFixedWidth(kWindowWidth);
            top->resize(kWindowWidth, 300);
        }
        for (const auto &[name, caption] : kItems)
            strip->addItem(name, caption);
        top->setFixedWidth(kWindowWidth);
        top->resize(kWindowWidth, 300);
        top->show();
        top->activateWindow();
        ok = QTest::qWaitForWindowActive(top.get());
        edit->setFocus();
    }
    std::unique_ptr<QWidget> top;
    MenuStrip *strip = nullptr;
    QLineEdit *edit = nullptr;
    QLineEdit *other = nullptr;
    bool ok = false;
};

int indexOf(const MenuStrip *strip, const QAbstractButton *item)
{
    return int(strip->items().indexOf(const_cast<QAbstractButton *>(item)));
}

} // namespace

class TestMenuStrip : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { installAccessibleInterfaces(); }
    void layoutWrapsInsideStrip_data();
    void layoutWrapsInsideStrip();
    void heightForWidthExtremes();
    void clickTriggersOnce_data();
    void clickTriggersOnce();
    void tabSkipsStrip();
    void rightArrowWrapsAcrossRows_data();
    void rightArrowWrapsAcrossRows();
    void verticalArrowsChangeRow();
    void activationKeys_data();
    void activationKeys();
    void escapeRestoresFocus();
    void altEntersOnlyAlone_data();
    void altEntersOnlyAlone();
    void goingAwayWhileNavigatingGivesTheFocusBack();
    void selectionIsPainted();
    void accessibility();
};

void TestMenuStrip::layoutWrapsInsideStrip_data()
{
    QTest::addColumn<Frame>("frame");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("rows"); // 0: only check that the items wrap onto more than two rows

    QTest::newRow("fixed width") << Frame::FixedWidth << kWindowWidth << 2;
    QTest::newRow("QMainWindow menu widget") << Frame::MainWindow << kWindowWidth << 2;
    // The window takes its size from its layout, as the game's does.
    QTest::newRow("fixed-size layout") << Frame::FixedSizeLayout << kWindowWidth << 2;
    QTest::newRow("narrowed to 400 px after showing") << Frame::FixedWidth << 400 << 0;
    QTest::newRow("widened to 1600 px after showing") << Frame::FixedWidth << 1600 << 1;
}

void TestMenuStrip::layoutWrapsInsideStrip()
{
    QFETCH(Frame, frame);
    QFETCH(int, width);
    QFETCH(int, rows);

    Window w(frame);
    MenuStrip *strip = w.strip;
    if (width != kWindowWidth) {
        w.top->setFixedWidth(width);
        QTRY_COMPARE(strip->width(), width);
    }
    QTRY_COMPARE(strip->height(), strip->heightForWidth(width));
    QCOMPARE(strip->width(), width);
    QCOMPARE(w.top->width(), width);
    QCOMPARE(strip->count(), int(kItems.size()));
    if (rows > 0)
        QCOMPARE(strip->rowCount(), rows);
    else
        QVERIFY(strip->rowCount() > 2);

    QSet<int> rowTops;
    QRect previous;
    for (const auto &[name, caption] : kItems) {
        QAbstractButton *item = strip->item(name);
        QVERIFY(item);
        QCOMPARE(item->text(), caption);
        QVERIFY2(item->isVisible(), qPrintable(name));
        const QRect r = item->geometry();
        QVERIFY2(strip->rect().contains(r), qPrintable(name));
        QCOMPARE(r.width(), item->sizeHint().width()); // natural width, not clipped
        // Reading order: further right on the same row, or on a lower row.
        if (previous.isValid()) {
            QVERIFY2(r.top() == previous.top() ? r.left() >= previous.right() + 1
                                               : r.top() >= previous.bottom() + 1,
                     qPrintable(name));
        }
        for (QAbstractButton *other : strip->items()) {
            if (other != item)
                QVERIFY2(!other->geometry().intersects(r), qPrintable(name));
        }
        rowTops.insert(r.top());
        previous = r;
    }
    QCOMPARE(int(rowTops.size()), strip->rowCount());

    // Nothing below the strip is hidden by it: the rest of the window starts after the last row.
    QVERIFY(w.edit->mapTo(w.top.get(), QPoint(0, 0)).y() >= strip->geometry().bottom());
}

void TestMenuStrip::heightForWidthExtremes()
{
    MenuStrip strip;
    for (const auto &[name, caption] : kItems)
        strip.addItem(name, caption);
    const int oneRow = strip.heightForWidth(100000);
    QCOMPARE(strip.minimumSizeHint().height(), oneRow);
    // Narrower than any item: one row each, no empty rows in between.
    QCOMPARE(strip.heightForWidth(1), int(kItems.size()) * oneRow);
    int last = strip.heightForWidth(1);
    for (int width = 20; width <= 1400; width += 20) {
        const int h = strip.heightForWidth(width);
        QVERIFY2(h <= last, qPrintable(QString::number(width)));
        last = h;
    }
    QCOMPARE(last, oneRow);
}

void TestMenuStrip::clickTriggersOnce_data()
{
    QTest::addColumn<QString>("name");
    for (const auto &[name, caption] : kItems)
        QTest::newRow(qPrintable(name)) << name;
}

void TestMenuStrip::clickTriggersOnce()
{
    QFETCH(QString, name);
    Window w;
    QVERIFY(w.ok);
    QSignalSpy spy(w.strip, &MenuStrip::triggered);
    QTest::mouseClick(w.strip->item(name), Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), name);
    QVERIFY(w.edit->hasFocus()); // a click does not move the focus
}

void TestMenuStrip::tabSkipsStrip()
{
    Window w;
    QVERIFY(w.ok);
    QTest::keyClick(w.edit, Qt::Key_Tab);
    QVERIFY(w.other->hasFocus());
    QTest::keyClick(w.other, Qt::Key_Tab);
    QVERIFY(w.edit->hasFocus());
}

void TestMenuStrip::rightArrowWrapsAcrossRows_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<int>("presses");
    QTest::addColumn<int>("expected");
    const int n = int(kItems.size());
    QTest::newRow("none") << Qt::Key_Right << 0 << 0;
    QTest::newRow("right 6, last of first row") << Qt::Key_Right << 6 << 6;
    QTest::newRow("right 7, into second row") << Qt::Key_Right << 7 << 7;
    QTest::newRow("right n-1, last") << Qt::Key_Right << n - 1 << n - 1;
    QTest::newRow("right n, around to first") << Qt::Key_Right << n << 0;
    QTest::newRow("right n+2") << Qt::Key_Right << n + 2 << 2;
    QTest::newRow("left 1, around to last") << Qt::Key_Left << 1 << n - 1;
    QTest::newRow("left n") << Qt::Key_Left << n << 0;
    QTest::newRow("end") << Qt::Key_End << 1 << n - 1;
}

void TestMenuStrip::rightArrowWrapsAcrossRows()
{
    QFETCH(Qt::Key, key);
    QFETCH(int, presses);
    QFETCH(int, expected);
    Window w;
    QVERIFY(w.ok);
    QTest::keyClick(w.edit, Qt::Key_F10);
    QVERIFY(w.strip->isNavigating());
    QVERIFY(w.strip->hasFocus());
    QCOMPARE(indexOf(w.strip, w.strip->selectedItem()), 0);
    for (int i = 0; i < presses; ++i)
        QTest::keyClick(w.strip, key);
    QCOMPARE(indexOf(w.strip, w.strip->selectedItem()), expected);
    QVERIFY(w.strip->isNavigating());
}

void TestMenuStrip::verticalArrowsChangeRow()
{
    Window w;
    QVERIFY(w.ok);
    QCOMPARE(w.strip->rowCount(), 2);
    QTest::keyClick(w.edit, Qt::Key_F10);
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_Up, Qt::Key_Up}) {
        const QRect before = w.strip->selectedItem()->geometry();
        QTest::keyClick(w.strip, key);
        QVERIFY(w.strip->isNavigating());
        QVERIFY(w.strip->selectedItem()->geometry().top() != before.top());
    }
    // Down goes to the item below, nearest in x: from the first item to the start of row two,
    // from the end of row one to the end of row two.
    QTest::keyClick(w.strip, Qt::Key_Home);
    QTest::keyClick(w.strip, Qt::Key_Down);
    QCOMPARE(w.strip->selectedItem()->geometry().left(), 0);
    QTest::keyClick(w.strip, Qt::Key_Left);
    QTest::keyClick(w.strip, Qt::Key_Down);
    QCOMPARE(indexOf(w.strip, w.strip->selectedItem()), int(kItems.size()) - 1);
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
    QSignalSpy triggered(w.strip, &MenuStrip::triggered);
    QSignalSpy clicked(w.strip->item("credits"), &QAbstractButton::clicked);
    QTest::keyClick(w.edit, Qt::Key_F10);
    for (int i = 0; i < 7; ++i)
        QTest::keyClick(w.strip, Qt::Key_Right);
    QTest::keyClick(w.strip, key);
    QCOMPARE(triggered.count(), 1);
    QCOMPARE(triggered.at(0).at(0).toString(), QStringLiteral("credits"));
    QCOMPARE(clicked.count(), 1);
    QVERIFY(!w.strip->isNavigating());
    QVERIFY(w.edit->hasFocus());
    QVERIFY(w.edit->text().isEmpty()); // the key did not leak into the client
}

void TestMenuStrip::escapeRestoresFocus()
{
    Window w;
    QVERIFY(w.ok);
    w.other->setFocus();
    QSignalSpy triggered(w.strip, &MenuStrip::triggered);
    // F10 again, Escape and a click on a widget that takes no focus all leave and restore.
    QTest::keyClick(w.other, Qt::Key_F10);
    QVERIFY(w.strip->hasFocus());
    QTest::keyClick(w.strip, Qt::Key_Escape);
    QVERIFY(!w.strip->isNavigating());
    QVERIFY(w.other->hasFocus());

    QTest::keyClick(w.other, Qt::Key_F10);
    QTest::keyClick(w.strip, Qt::Key_F10);
    QVERIFY(!w.strip->isNavigating());
    QVERIFY(w.other->hasFocus());

    QTest::keyClick(w.other, Qt::Key_F10);
    QTest::mouseClick(w.top.get(), Qt::LeftButton, {}, QPoint(5, w.top->height() - 5));
    QVERIFY(!w.strip->isNavigating());
    QVERIFY(w.other->hasFocus());

    // Clicking a focusable widget leaves the focus where the click put it.
    QTest::keyClick(w.other, Qt::Key_F10);
    QTest::mouseClick(w.edit, Qt::LeftButton);
    QVERIFY(!w.strip->isNavigating());
    QVERIFY(w.edit->hasFocus());
    QCOMPARE(triggered.count(), 0);
}

void TestMenuStrip::altEntersOnlyAlone_data()
{
    QTest::addColumn<QList<int>>("keys"); // positive: press, negative: release
    QTest::addColumn<bool>("enters");
    const int alt = Qt::Key_Alt;
    const int x = Qt::Key_X;
    const int tab = Qt::Key_Tab;
    const int ctrl = Qt::Key_Control;
    QTest::newRow("alt alone") << QList<int>{alt, -alt} << true;
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
    QCOMPARE(w.strip->isNavigating(), enters);
    QCOMPARE(w.strip->hasFocus(), enters);
    if (enters) {
        QCOMPARE(indexOf(w.strip, w.strip->selectedItem()), 0);
        QTest::keyPress(w.strip, Qt::Key_Alt);
        QTest::keyRelease(w.strip, Qt::Key_Alt);
        QVERIFY(!w.strip->isNavigating());
        QVERIFY(w.edit->hasFocus());
    }
}

void TestMenuStrip::goingAwayWhileNavigatingGivesTheFocusBack()
{
    Window w;
    QVERIFY(w.ok);
    QTest::keyClick(w.edit, Qt::Key_F10);
    QVERIFY(w.strip->isNavigating());
    delete w.strip;
    QVERIFY(w.edit->hasFocus());
}

void TestMenuStrip::selectionIsPainted()
{
    Window w;
    QVERIFY(w.ok);
    QTest::keyClick(w.edit, Qt::Key_F10);
    QTest::keyClick(w.strip, Qt::Key_Right);
    const QPalette pal = w.strip->palette();
    const auto pixel = [&](const char *name) {
        QAbstractButton *item = w.strip->item(QLatin1String(name));
        return item->grab().toImage().pixelColor(3, 3); // inside the focus ring
    };
    QCOMPARE(pixel("acute"), pal.color(QPalette::Highlight));
    QCOMPARE(pixel("help"), pal.color(QPalette::Window));
    QTest::keyClick(w.strip, Qt::Key_Escape);
    QCOMPARE(pixel("acute"), pal.color(QPalette::Window));
}

void TestMenuStrip::accessibility()
{
    Window w;
    QVERIFY(w.ok);
    QAccessibleInterface *bar = QAccessible::queryAccessibleInterface(w.strip);
    QVERIFY(bar);
    QCOMPARE(bar->role(), QAccessible::MenuBar);
    QCOMPARE(bar->childCount(), int(kItems.size()));
    for (int i = 0; i < bar->childCount(); ++i) {
        QAccessibleInterface *child = bar->child(i);
        QVERIFY(child);
        QCOMPARE(child->role(), QAccessible::MenuItem);
        QCOMPARE(child->text(QAccessible::Name), kItems.at(i).second);
        QCOMPARE(child->parent()->object(), w.strip);
    }

    QSignalSpy spy(w.strip, &MenuStrip::triggered);
    QAccessibleActionInterface *action = bar->child(4)->actionInterface();
    QVERIFY(action);
    QVERIFY(action->actionNames().contains(QAccessibleActionInterface::pressAction()));
    action->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), kItems.at(4).first);

    // The keyboard-selected item is the focused one.
    QTest::keyClick(w.edit, Qt::Key_F10);
    QTest::keyClick(w.strip, Qt::Key_Right);
    QVERIFY(bar->child(1)->state().focused);
    QVERIFY(!bar->child(0)->state().focused);
    QCOMPARE(bar->focusChild()->object(), w.strip->item(kItems.at(1).first));
}

QTEST_MAIN(TestMenuStrip)
#include "tst_menustrip.moc"
