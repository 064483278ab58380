// The board for people who cannot see it or use a mouse: every square image is named after
// its square and piece, each move is announced in words on the accessibility bus, and a
// cursor moved with the arrow keys picks and drops with Space.
#include "TMDIChild.h"

#include "BoardMarks.h"
#include "MoveGrid.h"
#include "MoveWords.h"

#include <QAccessible>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>

#include <utility>

#include "game/Square.h"

namespace {

constexpr int kStartCursor = 52; // e2, where a game's first move often starts

const QString kInProgress = QStringLiteral("Game in progress");

struct ResultWords {
    const char* title; // as the window's title shows it
    const char* pgn;
    const char* words;
};
constexpr ResultWords kResultWords[] = {{" - (White Wins)", "1-0", "White wins"},
                                        {" - (Black Wins)", "0-1", "Black wins"},
                                        {" - (Draw)", "1/2-1/2", "Draw"},
                                        {" - (Stalemate)", "", "Draw by stalemate"}};

} // namespace

void TMDIChild::NameSquare(int index) {
    // What the square shows, live or replayed.
    static constexpr const char* kKinds[] = {"Pawn", "Knight", "Bishop", "Rook", "Queen", "King"};
    const PieceImage image = m_shown[index];
    const std::string piece =
        image == kNoImage ? std::string("empty") : PieceInWords(kKinds[image / 2], image % 2 == 0);
    m_squareImages[index]->setAccessibleName(
        QString::fromStdString(SquareName(index) + ", " + piece));
    if (index == m_cursor)
        m_leftPanel->setAccessibleDescription(m_squareImages[index]->accessibleName());
}

void TMDIChild::AnnounceLastMove() {
    // Read once the move is over: its check sign and promotion are written last.
    QMetaObject::invokeMethod(
        this,
        [this] {
            const BoardModel& model = m_game.Model();
            if (model.moveRecord.empty())
                return;
            const std::string& line = model.moveRecord.back();
            const TPiece& moved = model.At(line.substr(2, 2)).piece;
            const bool promoted = line.find_first_of("NBRQ", 4) != std::string::npos;
            const QPoint cell = m_grid->CurrentCell();
            std::string notation = m_grid->Cell(cell.x(), cell.y()).toStdString();
            // The move list marks mate with "+" too: a check that leaves no move is mate.
            if (!notation.empty() && notation.back() == '+' && m_game.LegalMoves().empty())
                notation.back() = '#';
            const std::string words = MoveInWords(
                line, moved.white, promoted ? std::string("Pawn") : moved.kind, notation);
            Announce(QString::fromStdString(words));
        },
        Qt::QueuedConnection);
}

void TMDIChild::Announce(const QString& words) {
    // Qt has no announcement event: the label's description changes, which the bus passes on
    // as a property change, and an alert is raised for readers that speak alerts.
    m_announcement->setAccessibleDescription(words);
    QAccessibleEvent alert(m_announcement, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

QString TMDIChild::LastAnnouncement() const {
    return m_announcement->accessibleDescription();
}

bool TMDIChild::CursorKeyPress(QKeyEvent* event) {
    QPoint step;
    switch (event->key()) {
    case Qt::Key_Left:
        step = {-1, 0};
        break;
    case Qt::Key_Right:
        step = {1, 0};
        break;
    case Qt::Key_Up:
        step = {0, -1};
        break;
    case Qt::Key_Down:
        step = {0, 1};
        break;
    case Qt::Key_Space:
        if (m_cursor < 0)
            MoveCursor(kStartCursor);
        xyMouseDown(m_squareImages[m_cursor], Qt::LeftButton);
        xyMouseUp(m_squareImages[m_cursor]);
        return true;
    default:
        return false;
    }
    if (m_cursor < 0) {
        MoveCursor(kStartCursor);
        return true;
    }
    // The step is on the screen, so the arrows follow a turned board too.
    const QRect here = m_squareImages[m_cursor]->geometry();
    const QPoint there = here.topLeft() + QPoint(step.x() * here.width(), step.y() * here.height());
    for (int i = 0; i < 64; ++i) {
        if (m_squareImages[i]->pos() == there) {
            MoveCursor(i);
            break;
        }
    }
    return true;
}

void TMDIChild::MoveCursor(int index) {
    m_cursor = index;
    m_marks->SetCursor(index);
    // The board's description is the square under the cursor, read out as it moves.
    m_leftPanel->setAccessibleDescription(m_squareImages[index]->accessibleName());
}

std::string TMDIChild::CursorSquare() const {
    return m_cursor < 0 ? std::string() : SquareName(m_cursor);
}

QString TMDIChild::ResultInWords() const {
    return m_result->accessibleDescription();
}

void TMDIChild::ShowResult(const std::string& pgnResult) {
    for (const ResultWords& result : kResultWords) {
        if (*result.pgn && pgnResult == result.pgn) {
            SetResultWords(QString::fromLatin1(result.words), false);
            return;
        }
    }
    SetResultWords(kInProgress, false);
}

void TMDIChild::SetResultWords(const QString& words, bool alert) {
    m_result->setAccessibleDescription(words);
    if (!alert)
        return;
    // After the announcement of the move that ended the game, which waits for the move's end.
    QMetaObject::invokeMethod(
        this,
        [this] {
            QAccessibleEvent event(m_result, QAccessible::Alert);
            QAccessible::updateAccessibility(&event);
        },
        Qt::QueuedConnection);
}

void TMDIChild::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowTitleChange || !m_result)
        return;
    // Every end of a game is written into the title, and a take-back takes it out again.
    // The first result written is the game's.
    const QString title = windowTitle();
    qsizetype first = -1;
    QString words = kInProgress;
    for (const ResultWords& result : kResultWords) {
        const qsizetype at = title.indexOf(QLatin1String(result.title));
        if (at >= 0 && (first < 0 || at < first)) {
            first = at;
            words = QString::fromLatin1(result.words);
        }
    }
    // A new name (Save As) leaves a game file's own result alone.
    if (words == std::exchange(m_titleResult, words))
        return;
    SetResultWords(words, words != kInProgress);
}
