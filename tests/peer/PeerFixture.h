#pragma once

#include "MainFormFixture.h"
#include "RawPeer.h"
#include "board/Promotion.h"
#include "peer/PeerLink.h"
#include "peer/PeerProtocol.h"
#include "peer/Unit1.h"
#include "peer/Unit2.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTcpServer>

#include <string>
#include <vector>

// A main window of its own for one test, its link on the suite's port.
struct PeerFixture : MainFormFixture {
    quint16 port = peerPort();

    PeerLink& link() { return form->Link(); }
    void listen() {
        QString error;
        if (!link().Listen(error))
            qFatal("cannot listen on %d: %s", port, qPrintable(error));
    }
    // Listens on a port the system picks, free at that moment, so that nothing else on the
    // machine can hold it; `port` says which. The link then serves as on its own port.
    void listenOnFreePort() {
        QTcpServer& server = link().IdTCPServer1();
        if (!server.listen(QHostAddress::Any, 0))
            qFatal("cannot listen: %s", qPrintable(server.errorString()));
        port = server.serverPort();
    }
    int gameWindows() const { return static_cast<int>(form->GameWindows().size()); }
};

// Connects `side`'s program to 127.0.0.1 as its user does, through its Connection window:
// the address typed into Edit1 and Connect (Button2) clicked.
inline void pressConnect(PeerFixture& side) {
    auto* connection = side.form->findChild<TForm1*>();
    QVERIFY(connection);
    connection->findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText("127.0.0.1");
    connection->findChild<QPushButton*>(QStringLiteral("Button2"))->click();
}

inline QStringList chatLog(TMDIChild* window) {
    return window->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))
        ->toPlainText()
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The text of the main window's first Main Console.
inline QString consoleText(TMainForm& form) {
    TForm2* console = form.findChild<TForm2*>();
    return console ? console->Memo1()->toPlainText() : QString();
}

inline std::vector<std::string> record(TMDIChild* window) {
    return window->game().Model().moveRecord;
}

// A move made with the mouse: the drag from `from` dropped on `to`.
inline bool dropMove(TMDIChild* window, const char* from, const char* to) {
    window->game().Model().dragSource = from;
    return window->xyDragDrop(window->findChild<QLabel*>(QString::fromLatin1(to)),
                              window->findChild<QLabel*>(QString::fromLatin1(from)));
}

// Answers the next promotion question with the button of `piece` ("Button1" queen ..
// "Button4" knight) and counts the questions.
struct PromotionAnswer {
    int asked = 0;
    NextModal modal;
    explicit PromotionAnswer(const char* button)
        : modal([this, button](QWidget* dialog) {
              ++asked;
              if (auto* form = qobject_cast<TPromotionForm*>(dialog))
                  form->findChild<QPushButton*>(QString::fromLatin1(button))->click();
              else
                  dialog->close();
          }) {}
};
