#pragma once

#include <QWidget>

class PeerLink;
class QLineEdit;

// The Connection window: "IP Address:" with the address field Edit1 and "Connect"
// (Button2) along the top, "Wait for Connection" (Button1) and "Reset Connection"
// (Button3) below. It only acts on the link, which belongs to the main window; closing
// the window leaves the link as it is.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(PeerLink& link, QWidget* parent = nullptr);

    // Connects the client to the address in Edit1; the outcome arrives from the link.
    void Button2Click();
    // Makes the server active; a port that cannot be bound is told in a message box.
    void Button1Click();
    // Makes the server inactive, then disconnects the client.
    void Button3Click();

private:
    PeerLink& m_link;
    QLineEdit* m_edit1 = nullptr;
};
