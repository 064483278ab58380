#include "peer/Unit1.h"

#include "peer/PeerLink.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

TForm1::TForm1(PeerLink& link, QWidget* parent) : QWidget(parent), m_link(link) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Connection"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* label = new QLabel(QStringLiteral("IP Address:"), this);
    label->setObjectName(QStringLiteral("Label1"));
    m_edit1 = new QLineEdit(this);
    m_edit1->setObjectName(QStringLiteral("Edit1"));
    m_edit1->setAccessibleName(QStringLiteral("IP Address:"));
    label->setBuddy(m_edit1);
    const auto button = [this](const char* name, const QString& caption, void (TForm1::*click)()) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        connect(b, &QPushButton::clicked, this, click);
        return b;
    };
    auto* strip = new QHBoxLayout;
    strip->addWidget(label);
    strip->addWidget(m_edit1, 1);
    strip->addWidget(button("Button2", QStringLiteral("Connect"), &TForm1::Button2Click));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(
        button("Button1", QStringLiteral("Wait for Connection"), &TForm1::Button1Click));
    buttons->addWidget(
        button("Button3", QStringLiteral("Reset Connection"), &TForm1::Button3Click));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(strip);
    layout->addLayout(buttons);
    layout->addStretch();
}

void TForm1::Button2Click() {
    m_link.Connect(m_edit1->text().trimmed());
}

void TForm1::Button1Click() {
    QString error;
    if (!m_link.Listen(error))
        QMessageBox::critical(this, QStringLiteral("Error"), error);
}

void TForm1::Button3Click() {
    m_link.StopServer();
    m_link.Disconnect();
}
