// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/windowsystem.h"

#include <QTest>

using windowsystem::Session;

class WindowSystemTest : public QObject
{
    Q_OBJECT
private slots:
    void theGameRunsWhereTheDesktopFramesIt_data()
    {
        QTest::addColumn<bool>("platformChosen");
        QTest::addColumn<bool>("wayland");
        QTest::addColumn<bool>("drawsFrames");
        QTest::addColumn<bool>("xDisplay");
        QTest::addColumn<QStringList>("expected");
        const QStringList none;
        const QStringList noQtFrame{"QT_WAYLAND_DISABLE_WINDOWDECORATION=1"};
        QTest::newRow("X11 session") << false << false << false << true << none;
        QTest::newRow("KDE on Wayland") << false << true << true << true << noQtFrame;
        QTest::newRow("GNOME on Wayland, XWayland there")
            << false << true << false << true << QStringList{"QT_QPA_PLATFORM=xcb"};
        QTest::newRow("no XWayland to run through") << false << true << false << false << none;
        QTest::newRow("the player chose the platform") << true << true << false << true << none;
        QTest::newRow("the player chose, the desktop frames")
            << true << true << true << true << noQtFrame;
    }

    void theGameRunsWhereTheDesktopFramesIt()
    {
        QFETCH(bool, platformChosen);
        QFETCH(bool, wayland);
        QFETCH(bool, drawsFrames);
        QFETCH(bool, xDisplay);
        QFETCH(QStringList, expected);
        QStringList settings;
        for (const auto &s :
             windowsystem::settingsFor({platformChosen, wayland, drawsFrames, xDisplay}))
            settings << QStringLiteral("%1=%2").arg(QLatin1String(s.name), QLatin1String(s.value));
        QCOMPARE(settings, expected);
    }
};

QTEST_APPLESS_MAIN(WindowSystemTest)
#include "tst_windowsystem.moc"
