#include "PeerGameTable.h"

#include "app/OptionsMenu.h"
#include "game/Fen.h"
#include "peer/PeerExtendedProtocol.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

PeerGameTable agreedGame(PeerFixture& fixture, const QString& timeControl) {
    fixture.form->Options()->WriteSetting("Peer", "TermsColour", "White");
    fixture.form->Options()->WriteSetting("Peer", "TermsTimeControl", timeControl);
    PeerGameTable table;
    table.peer = std::make_unique<RawPeer>(fixture.port);
    if (!table.peer->connected())
        qFatal("cannot connect to the program");
    if (!QTest::qWaitFor([&] { return fixture.form->PeerGameWindow() != nullptr; }))
        qFatal("no game window");
    table.game = fixture.form->PeerGameWindow();
    table.peer->send("/rv hello 1 Bo\r\n");
    if (!QTest::qWaitFor([&] { return table.peer->extendedLines().size() >= 2; }))
        qFatal("no terms");
    const ExtendedReading terms = readExtendedLine(table.peer->extendedLines()[1]);
    if (!terms.message || terms.message->kind != ExtendedKind::Terms)
        qFatal("the second line is not the terms");
    table.peer->send("/rv accept " + terms.message->game + "\r\n");
    if (!QTest::qWaitFor([&] { return table.game->PeerColour().has_value(); }))
        qFatal("terms not agreed");
    if (!timeControl.isEmpty())
        table.mirror->SetTimeControl(ParseTimeControl(timeControl.toStdString()).control);
    return table;
}

QList<QByteArray> gameLines(RawPeer& peer) {
    QList<QByteArray> lines = peer.extendedLines().mid(2);
    lines.removeIf([](const QByteArray& line) { return line.startsWith("/rv ping "); });
    return lines;
}

bool peerMoves(PeerGameTable& table, const char* from, const char* to, const QByteArray& time) {
    if (!table.mirror->MakeMoveFromOutside(from, to, "Queen"))
        return false;
    const int ply = table.mirror->game().LivePosition();
    return table.peer->send("/rv move " + QByteArray::number(ply) + ' ' + from + to + ' ' + time +
                            ' ' + QByteArray::fromStdString(FenText(table.mirror->game().Model())) +
                            "\r\n");
}

bool programMoves(PeerGameTable& table, const char* from, const char* to) {
    return dropMove(table.game, from, to) && table.mirror->MakeMoveFromOutside(from, to, "Queen");
}

bool play(PeerGameTable& table, const QList<QByteArray>& moves) {
    for (const QByteArray& move : moves) {
        const QByteArray from = move.left(2), to = move.mid(2, 2);
        const int before = table.game->game().LivePosition();
        const bool own = before % 2 == 0;
        if (!(own ? programMoves(table, from, to) : peerMoves(table, from, to)))
            return false;
        if (!QTest::qWaitFor([&] { return table.game->game().LivePosition() == before + 1; }))
            return false;
    }
    return true;
}

QAction* menuItem(TMDIChild* game, const char* name) {
    game->findChild<QPushButton*>(QStringLiteral("Button3"))->click();
    auto* item = game->findChild<QAction*>(QString::fromLatin1(name));
    for (QMenu* menu : game->findChildren<QMenu*>())
        menu->hide();
    return item;
}

QMessageBox* prompt(const QString& title) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box && box->isVisible() && box->windowTitle() == title)
            return box;
    }
    return nullptr;
}

void answer(const QString& title, const QString& button) {
    QMessageBox* box = nullptr;
    QVERIFY(QTest::qWaitFor([&] { return (box = prompt(title)) != nullptr; }));
    QVERIFY(!box->isModal());
    for (QAbstractButton* each : box->buttons()) {
        if (each->text() == button) {
            QTest::mouseClick(each, Qt::LeftButton);
            return;
        }
    }
    QFAIL("no such button");
}

QString result(TMDIChild* game) {
    const QString title = game->windowTitle();
    const qsizetype open = title.lastIndexOf(QStringLiteral(" - ("));
    return open < 0 ? QString() : title.mid(open);
}
