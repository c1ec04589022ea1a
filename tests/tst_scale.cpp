// SPDX-License-Identifier: GPL-3.0-or-later
// The window at the screen's scale (run with QT_SCALE_FACTOR 1, 1.25, 1.5 and 2): the drawing is
// painted at the screen's resolution, the layout scales as a whole, the sector stays centred.

#include "game/texts.h"
#include "ui/boxtext.h"
#include "ui/clientarea.h"
#include "ui/controls.h"
#include "ui/form1.h"

#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <qdrawutil.h>

#include <cmath>
#include <set>

namespace {

constexpr QRgb teal = 0xFF00C0C0;
constexpr QRgb navy = 0xFF000080;
constexpr QRgb black = 0xFF000000;

QRgb opaque(QRgb c)
{
    return c | 0xFF000000;
}

} // namespace

class TestScale : public QObject
{
    Q_OBJECT

private slots:
    void theLayoutScalesAsAWhole()
    {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        qInfo("device pixel ratio %g", form.devicePixelRatioF());
        // Logical sizes stay as designed.
        QCOMPARE(form.clientArea()->size(), QSize(723, 587));
        QCOMPARE(form.option(1)->geometry(), QRect(8, 496, 105, 73));
    }

    // However large the window is for the screen, its top-left corner (its title bar, its menu)
    // is on the screen; along a side where it fits, it is centred.
    void theWindowOpensWithItsTopLeftCornerOnTheScreen()
    {
        Form1 form;
        form.showCentred();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QRect available = form.screen()->availableGeometry();
        const QRect frame = form.frameGeometry();
        qInfo() << "window" << frame << "on" << available;
        QVERIFY(available.contains(frame.topLeft()));
        // Centred as its client area, within the frame's edges.
        if (frame.width() <= available.width())
            QVERIFY(std::abs(frame.center().x() - available.center().x()) <=
                    frame.width() - form.width());
        else
            QCOMPARE(frame.left(), available.left());
        if (frame.height() <= available.height())
            QVERIFY(std::abs(frame.center().y() - available.center().y()) <=
                    frame.height() - form.height());
        else
            QCOMPARE(frame.top(), available.top());
    }

    void theSectorStaysCentredOnItsDisc()
    {
        Form1 form;
        form.setFillColor(0x00800000);
        form.pigrecoesettore(350, 250, 190, 0, 0, 360);
        const qreal dpr = form.devicePixelRatioF();
        const QImage image = form.canvas().image(dpr);

        // The extent of the disc along the row and the column through its centre.
        const int cy = int(250 * dpr);
        const int cx = int(350 * dpr);
        int left = image.width(), right = -1, top = image.height(), bottom = -1;
        for (int x = 0; x < image.width(); ++x) {
            if (opaque(image.pixel(x, cy)) != teal) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
        for (int y = 0; y < image.height(); ++y) {
            if (opaque(image.pixel(cx + int(20 * dpr), y)) != teal) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
        const double tolerance = 2 * dpr + 1;
        QVERIFY2(std::abs(left - 160 * dpr) <= tolerance, qPrintable(QString::number(left)));
        QVERIFY2(std::abs(right - 540 * dpr) <= tolerance, qPrintable(QString::number(right)));
        // The column 20 px right of the centre meets the circle a little inside its top.
        const double reach = std::sqrt(190.0 * 190.0 - 20.0 * 20.0);
        QVERIFY2(std::abs(top - (250 - reach) * dpr) <= tolerance,
                 qPrintable(QString::number(top)));
        QVERIFY2(std::abs(bottom - (250 + reach) * dpr) <= tolerance,
                 qPrintable(QString::number(bottom)));
        QCOMPARE(opaque(image.pixel(int(450 * dpr), cy + int(50 * dpr))), navy);
        QCOMPARE(opaque(image.pixel(int(250 * dpr), cy - int(50 * dpr))), navy);
    }

    void whatTheWindowShowsIsNotResampled()
    {
        Form1 form;
        form.setFillColor(0x00800000);
        form.pigrecoesettore(350, 250, 190, 0, 0, 135);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QImage shown = form.clientArea()->grab(QRect(160, 100, 350, 340)).toImage();
        QCOMPARE(shown.devicePixelRatio(), form.devicePixelRatioF());
        // A resampled or antialiased picture would have blends along every edge. (The region
        // keeps clear of the badge picture at the top right.)
        std::set<QRgb> colours;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                colours.insert(opaque(shown.pixel(x, y)));
        QCOMPARE(colours, (std::set<QRgb>{black, navy, teal}));
    }

    // A bordered label is QLabel's plain text in a plain frame, with the frame one black line at
    // every scale (never a line of the text's colour beside a black one).
    void aBorderedLabelIsItsTextInOneBlackFrame_data()
    {
        QTest::addColumn<int>("alignment");
        QTest::addColumn<bool>("wrap");
        QTest::addColumn<QString>("text");
        QTest::newRow("centred") << int(Qt::AlignHCenter | Qt::AlignTop) << false << "00:14:59";
        QTest::newRow("left, wrapped")
            << int(Qt::AlignLeft | Qt::AlignTop) << true << "Tempo restante";
        QTest::newRow("right, bottom") << int(Qt::AlignRight | Qt::AlignBottom) << false << "360";
    }
    void aBorderedLabelIsItsTextInOneBlackFrame()
    {
        QFETCH(int, alignment);
        QFETCH(bool, wrap);
        QFETCH(QString, text);
        QWidget window;
        TextLabel ours(QRect(0, 0, 120, 50), false, true, &window);
        QLabel reference(&window);
        reference.setGeometry(0, 60, 120, 50);
        reference.setFrameStyle(QFrame::Box | QFrame::Plain);
        for (QLabel *label : {static_cast<QLabel *>(&ours), &reference}) {
            QFont font(QStringLiteral("Liberation Sans"));
            font.setPixelSize(18);
            font.setBold(true);
            label->setFont(font);
            label->setAlignment(Qt::Alignment(alignment));
            label->setWordWrap(wrap);
            label->setText(text);
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, Qt::magenta);
            palette.setColor(QPalette::Window, Qt::white);
            label->setPalette(palette);
            label->setAutoFillBackground(true);
        }
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QImage image = ours.grab().toImage();
        QImage expected = reference.grab().toImage();
        {
            QPainter p(&expected);
            qDrawPlainRect(&p, reference.frameRect(), Qt::black, reference.lineWidth());
        }
        QCOMPARE(image, expected);

        // From each side to the middle: black, then the background, before any text. When the
        // label's size in pixels is not whole (62.5 rows at 1.25), its last row is shared with
        // what lies beyond it, and Qt draws the frame's line in it (6.4) or in the whole row
        // before, leaving it the background (6.8 draws frames in whole pixels): a player sees
        // the line either way, then the background.
        const int w = image.width(), h = image.height();
        const qreal dpr = image.devicePixelRatio();
        const auto frameThenBackground = [&](int x, int y, int dx, int dy) {
            const bool shared =
                (dx < 0 && w != ours.width() * dpr) || (dy < 0 && h != ours.height() * dpr);
            if (shared && opaque(image.pixel(x, y)) != black)
                x += dx, y += dy;
            int steps = 0;
            while (opaque(image.pixel(x, y)) == black && steps < 4) {
                x += dx, y += dy, ++steps;
            }
            return steps >= 1 && opaque(image.pixel(x, y)) == opaque(QColor(Qt::white).rgb());
        };
        QVERIFY(frameThenBackground(0, 2, 1, 0));
        QVERIFY(frameThenBackground(w - 1, 2, -1, 0));
        QVERIFY(frameThenBackground(2, 0, 0, 1));
        QVERIFY(frameThenBackground(2, h - 1, 0, -1));
    }

    // A box sized with its text as plain text, then made selectable, is the box Qt makes with a
    // selectable text throughout: the same size and pixels, wrapped or not, and selectable.
    void aBoxSizedAsPlainTextLooksTheSame_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("help, wrapped") << texts::helpText;
        QTest::newRow("short") << texts::correct;
        QTest::newRow("long name") << texts::startTitle.repeated(4) + texts::greetingEnd;
    }
    void aBoxSizedAsPlainTextLooksTheSame()
    {
        QFETCH(QString, text);
        QImage images[2];
        for (bool plainWhileSizing : {false, true}) {
            QMessageBox box(QMessageBox::Information, texts::helpTitle, text, QMessageBox::Ok);
            box.setTextFormat(Qt::PlainText);
            if (plainWhileSizing)
                selectableOncePainted(&box);
            box.show();
            QVERIFY(QTest::qWaitForWindowExposed(&box));
            images[plainWhileSizing] = box.grab().toImage();
            const auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
            QVERIFY(label && label->textInteractionFlags() & Qt::TextSelectableByMouse);
        }
        QCOMPARE(images[1].size(), images[0].size());
        QCOMPARE(images[1], images[0]);
    }
};

QTEST_MAIN(TestScale)
#include "tst_scale.moc"
