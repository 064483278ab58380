#pragma once

#include "board/TMDIChild.h"

#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

// Answers the message boxes that open while it lives, in order, from inside their event
// loops, and keeps "title|text" of each. Boxes beyond the answers given are left open.
class BoxAnswerer : public QObject {
public:
    explicit BoxAnswerer(QList<QMessageBox::StandardButton> answers);
    QStringList seen;

private:
    QList<QMessageBox::StandardButton> m_answers;
    QTimer m_poll;
};

// Runs `answer` the first time the promotion dialog is up while it lives, from inside
// the dialog's event loop.
class PromotionAnswerer : public QObject {
public:
    explicit PromotionAnswerer(std::function<void(QDialog&)> answer);

private:
    QTimer m_poll;
};

// Presses the left button on `from` and drops on `to`, as a drag inside the window does.
bool DragAndDrop(TMDIChild& window, const char* from, const char* to);

// Makes moves ("e2e4", "a7b8N") in the window's game, not through the mouse.
void Play(TMDIChild& window, const std::vector<std::string>& moves);

// Starts the scripted engine in `window` and answers the colour question.
void StartScripted(TMDIChild& window, bool playWhite);
