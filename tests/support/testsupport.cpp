// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport.h"

#include <QApplication>
#include <QInputDialog>
#include <QPushButton>
#include <QTest>

float rFor(int amplitude, int lowest)
{
    return float((amplitude - lowest + 0.5) / 360.0);
}

QString nameOf(const QWidget *w)
{
    if (!w)
        return QStringLiteral("nothing");
    const QVariant i = w->property("index");
    return i.isValid() ? QStringLiteral("%1(%2)").arg(w->objectName()).arg(i.toInt())
                       : w->objectName();
}

QWidget *control(const QWidget *area, const QString &name, int index)
{
    const auto found = area->findChildren<QWidget *>(name);
    for (QWidget *w : found) {
        const QVariant i = w->property("index");
        if (index < 0 ? !i.isValid() : i.isValid() && i.toInt() == index)
            return w;
    }
    return nullptr;
}

QStringList boxTexts(const RecordingWindow &window)
{
    QStringList texts;
    for (const auto &b : window.boxes)
        texts << b.text;
    return texts;
}

BoxCloser::BoxCloser(QString playerName) : name(std::move(playerName))
{
    m_timer.setInterval(5);
    connect(&m_timer, &QTimer::timeout, this, &BoxCloser::answer);
    m_timer.start();
}

QStringList BoxCloser::texts() const
{
    QStringList t;
    for (const Seen &s : seen)
        t << s.text;
    return t;
}

void BoxCloser::answer()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible())
        return;
    if (auto *input = qobject_cast<QInputDialog *>(modal)) {
        for (QPushButton *b : input->findChildren<QPushButton *>())
            nameBoxButtons << b->text();
        QWidget *field = input->focusWidget();
        for (const QChar c : name)
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::keyClick(field, cancelName ? Qt::Key_Escape : Qt::Key_Return);
    } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        seen << Seen{box->text(), box->windowTitle(), box->icon()};
        if (whileOpen)
            whileOpen();
        QTest::keyClick(box, Qt::Key_Return);
    }
}
