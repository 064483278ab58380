// Moves typed on the board: the entry field that shows the text, the reading of it as SAN
// or coordinates, and the status line that says why a text made no move.
#include "TMDIChild.h"

#include "BoardMarks.h"

#include <QKeyEvent>
#include <QLabel>

#include "game/San.h"

namespace {

// The characters of SAN and coordinate moves; every other key keeps its usual meaning.
bool isMoveCharacter(QChar c) {
    static const QString kMoveCharacters = QStringLiteral("abcdefgh12345678NBRQKxX=+#Oo0-");
    return kMoveCharacters.contains(c);
}

QLabel* fieldLabel(QWidget* parent, const char* name, const QString& accessibleName) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAccessibleName(accessibleName);
    label->setFrameShape(QFrame::Box);
    label->setAutoFillBackground(true);
    label->setMargin(3);
    QPalette colours = label->palette();
    colours.setColor(QPalette::Window, QColor(255, 255, 225));
    colours.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(colours);
    label->hide();
    return label;
}

} // namespace

void TMDIChild::BuildBoardInput() {
    // Over the square images, beneath the typed move's fields; squares are found by their
    // images' current places, so the marks follow a turned board.
    m_marks = new BoardMarks(m_leftPanel,
                             [this](int square) { return m_squareImages[square]->geometry(); });
    m_marks->raise();
    // The fields lie over the board's bottom rank and show only while they have text, so
    // the board looks as before until the user types.
    m_moveEntry = fieldLabel(m_leftPanel, "MoveEntry", QStringLiteral("Typed move"));
    m_moveEntry->setGeometry(27, 448, 90, 28);
    m_statusLine = fieldLabel(m_leftPanel, "StatusLine", QStringLiteral("Status"));
    m_statusLine->setGeometry(121, 448, 378, 28);
    m_announcement = new QLabel(m_leftPanel);
    m_announcement->setObjectName(QStringLiteral("Announcement"));
    m_announcement->setAccessibleName(QStringLiteral("Last move"));
    m_announcement->setGeometry(0, 0, 1, 1);
    m_result = new QLabel(m_leftPanel);
    m_result->setObjectName(QStringLiteral("Result"));
    m_result->setAccessibleName(QStringLiteral("Result"));
    m_result->setGeometry(0, 0, 1, 1);
    ShowResult("*");
    // Tab reaches the board as a click does; its keys are read in BoardKeyPress.
    m_leftPanel->setFocusPolicy(Qt::StrongFocus);
    m_leftPanel->installEventFilter(this);
}

bool TMDIChild::BoardKeyPress(QKeyEvent* event) {
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    if (CursorKeyPress(event))
        return true;
    switch (event->key()) {
    case Qt::Key_Escape:
        ShowTyped(QString());
        ShowStatus(QString());
        CancelPick();
        CancelPremove();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!TypedMove().isEmpty())
            EnterTypedMove();
        return true;
    case Qt::Key_Backspace:
        TypeOnBoard(QString());
        return true;
    default:
        break;
    }
    const QString text = event->text();
    if (text.size() != 1 || !isMoveCharacter(text.front()))
        return false;
    TypeOnBoard(text);
    return true;
}

void TMDIChild::TypeOnBoard(const QString& text) {
    // An empty text takes the last character back, as Backspace does.
    QString typed = TypedMove();
    if (text.isEmpty())
        typed.chop(1);
    else if (typed.size() < 12)
        typed += text;
    ShowTyped(typed);
    m_moveEntry->raise();
    ShowStatus(QString());
}

QString TMDIChild::TypedMove() const {
    return m_moveEntry->text();
}

QString TMDIChild::StatusText() const {
    return m_statusLine->text();
}

void TMDIChild::ShowTyped(const QString& text) {
    // A screen reader reads the fields' texts as their descriptions.
    m_moveEntry->setText(text);
    m_moveEntry->setAccessibleDescription(text);
    m_moveEntry->setVisible(!text.isEmpty());
}

void TMDIChild::ShowStatus(const QString& text) {
    m_statusLine->setText(text);
    m_statusLine->setAccessibleDescription(text);
    m_statusLine->setVisible(!text.isEmpty());
    m_statusLine->raise();
}

bool TMDIChild::RefuseTyped(SanStatus status, const QString& typed, bool nextTurn) {
    switch (status) {
    case SanStatus::NotAMove:
        ShowStatus(
            QStringLiteral("\"%1\" is not a move: type Nf3, exd5, e8=Q, O-O or e2e4.").arg(typed));
        break;
    case SanStatus::Illegal:
        ShowStatus((nextTurn ? QStringLiteral("%1 is not a move your pieces could make on your "
                                              "next turn.")
                             : QStringLiteral("%1 is not a legal move here."))
                       .arg(typed));
        break;
    case SanStatus::Ambiguous:
        ShowStatus((nextTurn ? QStringLiteral("%1 fits more than one of your moves: add the file "
                                              "or rank it starts on.")
                             : QStringLiteral("%1 fits more than one move: add the file or rank "
                                              "it starts on."))
                       .arg(typed));
        break;
    case SanStatus::Found:
        break;
    }
    return false;
}

bool TMDIChild::EnterTypedMove() {
    const QString typed = TypedMove();
    BoardModel& model = m_game.Model();
    if (model.finished) {
        ShowStatus(QStringLiteral("The game is over: no move can be made."));
        return false;
    }
    if (m_askingPromotion)
        return false;
    // During the opponent's turn the text names the user's premove.
    if (const std::optional<std::uint8_t> own = UserColour(); own && model.sideMarker == *own)
        return EnterTypedPremove(typed, *own);
    SanMove move;
    if (const SanStatus status = ReadSan(m_game, typed.toStdString(), move);
        status != SanStatus::Found)
        return RefuseTyped(status, typed, false);
    if (m_shownPosition != m_game.LivePosition())
        ShowPosition(m_game.LivePosition());
    CancelPick();
    // A promotion typed without its piece is asked for, as for a drop.
    model.promotionChoice = move.promotion;
    if (!UserMove(move.from, move.to)) {
        ShowStatus(QStringLiteral("%1 was not made.").arg(typed));
        return false;
    }
    ShowTyped(QString());
    ShowStatus(QString());
    return true;
}
