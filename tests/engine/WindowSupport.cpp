#include "WindowSupport.h"

#include "ScriptedEngine.h"

#include "board/Promotion.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

BoxAnswerer::BoxAnswerer(QList<QMessageBox::StandardButton> answers)
    : m_answers(std::move(answers)) {
    connect(&m_poll, &QTimer::timeout, this, [this] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || m_answers.isEmpty() || box->property("answered").toBool())
            return;
        // A box this answerer has no answer for (an error raised on top of a question) is
        // left to whoever expects it.
        QAbstractButton* button = box->button(m_answers.first());
        if (!button)
            return;
        box->setProperty("answered", true);
        seen << box->windowTitle() + QLatin1Char('|') + box->text();
        m_answers.removeFirst();
        button->click();
    });
    m_poll.start(10);
}

PromotionAnswerer::PromotionAnswerer(std::function<void(QDialog&)> answer) {
    connect(&m_poll, &QTimer::timeout, this, [this, answer] {
        TPromotionForm& form = TPromotionForm::Instance();
        if (!form.isVisible())
            return;
        m_poll.stop();
        answer(form);
    });
    m_poll.start(10);
}

bool DragAndDrop(TMDIChild& window, const char* from, const char* to) {
    auto* source = window.findChild<QLabel*>(from);
    window.xyMouseDown(source, Qt::LeftButton);
    return window.xyDragDrop(window.findChild<QLabel*>(to), source);
}

void Play(TMDIChild& window, const std::vector<std::string>& moves) {
    for (const std::string& move : moves) {
        window.game().Model().promotionChoice = move.size() == 5 ? KindOfLetter(move[4]) : "";
        if (!window.game().MakeMove(move.substr(0, 2), move.substr(2, 2)))
            QFAIL(("set-up move refused: " + move).c_str());
    }
}

void StartScripted(TMDIChild& window, bool playWhite) {
    BoxAnswerer colour({playWhite ? QMessageBox::Yes : QMessageBox::No});
    window.StartEngine(ScriptedEngine::Program());
    QCOMPARE(colour.seen, QStringList{"Color Selection|Do you want to play white pieces?"});
}
