#pragma once

#include "PeerFixture.h"

#include <QByteArrayList>
#include <QString>

#include <memory>

class QAction;
class QMessageBox;

// A game between the program (White, by its terms) and a new copy played by a plain socket.
struct PeerGameTable {
    std::unique_ptr<RawPeer> peer;
    TMDIChild* game = nullptr;
    // The peer's own board, on which its moves are made to tell their positions.
    std::unique_ptr<TMDIChild> mirror = std::make_unique<TMDIChild>();
};

// A new copy connected to `fixture`'s program with colours agreed: the program White, the
// peer Black, under `timeControl` ("" for no clock). Stops the test run when that fails.
PeerGameTable agreedGame(PeerFixture& fixture, const QString& timeControl = {});

// The extended lines the peer received after the hello and the terms, pings left out.
QList<QByteArray> gameLines(RawPeer& peer);

// The peer's move: made on its own board first, sent with its number, `time` ("-" for
// none) and position.
bool peerMoves(PeerGameTable& table, const char* from, const char* to,
               const QByteArray& time = "-");
// The program's user moves with the mouse; the peer's board follows.
bool programMoves(PeerGameTable& table, const char* from, const char* to);
// Plays half-moves in turn, the program's first: "e2e4 e7e5 g1f3".
bool play(PeerGameTable& table, const QList<QByteArray>& moves);

// Opens the window's Menu as the user does, so that its items show their state.
QAction* menuItem(TMDIChild* game, const char* name);
// The visible message box titled `title`, or null.
QMessageBox* prompt(const QString& title);
// Clicks `button` of the non-modal prompt titled `title` once it shows.
void answer(const QString& title, const QString& button);
// The result at the end of the window's title (" - (Draw)"), or empty.
QString result(TMDIChild* game);
