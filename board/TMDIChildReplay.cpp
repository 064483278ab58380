// The move list and the replay of earlier positions on the square images.
#include "TMDIChild.h"

#include "ClockPanel.h"
#include "MoveGrid.h"

#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>

#include "game/Fen.h"
#include "game/Square.h"

namespace {

// The piece-image base of a marker letter (either case), or -1 for any other letter.
int kindBaseOfLetter(char letter) {
    switch (letter) {
    case 'p':
    case 'P':
        return kWhitePawn;
    case 'n':
    case 'N':
        return kWhiteKnight;
    case 'b':
    case 'B':
        return kWhiteBishop;
    case 'r':
    case 'R':
        return kWhiteRook;
    case 'q':
    case 'Q':
        return kWhiteQueen;
    default:
        return -1;
    }
}

bool isPromotionLetter(char c) {
    return c == 'Q' || c == 'R' || c == 'B' || c == 'N';
}
bool isCaptureLetter(char c) {
    return c == 'p' || c == 'n' || c == 'b' || c == 'r' || c == 'q';
}

struct RecordLine {
    std::string from, to;
    char m1 = 0, m2 = 0;
};

RecordLine parse(const std::string& line) {
    RecordLine parsed;
    if (line.size() >= 4) {
        parsed.from = line.substr(0, 2);
        parsed.to = line.substr(2, 2);
    }
    if (line.size() >= 5)
        parsed.m1 = line[4];
    if (line.size() >= 6)
        parsed.m2 = line[5];
    return parsed;
}

// The square on the destination's file where an en-passant capture took the pawn.
std::string enPassantVictim(const std::string& to, bool white) {
    return to.empty() ? std::string() : std::string{to[0], white ? '5' : '4'};
}

} // namespace

void TMDIChild::ShowPiece(const std::string& square, int kindBase, bool white) {
    if (kindBase >= 0)
        SetSquarePicture(square, kindBase + (white ? 0 : 1));
}

void TMDIChild::UndoShownMove(const std::string& line, bool white) {
    const RecordLine move = parse(line);
    MoveSquarePicture(move.to, move.from);
    if (!move.m1)
        return;
    if (isPromotionLetter(move.m1)) {
        ShowPiece(move.from, kWhitePawn, white);
        return;
    }
    if (move.m2)
        ShowPiece(move.from, kWhitePawn, white);
    if (isCaptureLetter(move.m1))
        ShowPiece(move.to, kindBaseOfLetter(move.m1), !white);
    if (move.m1 == 'E')
        ShowPiece(enPassantVictim(move.to, white), kWhitePawn, !white);
    if (move.m1 == 'c')
        MoveSquarePicture(white ? "f1" : "f8", white ? "h1" : "h8");
    if (move.m1 == 'C')
        MoveSquarePicture(white ? "d1" : "d8", white ? "a1" : "a8");
}

void TMDIChild::RedoShownMove(const std::string& line, bool white) {
    const RecordLine move = parse(line);
    MoveSquarePicture(move.from, move.to);
    if (!move.m1)
        return;
    if (isPromotionLetter(move.m1)) {
        ShowPiece(move.to, kindBaseOfLetter(move.m1), white);
        return;
    }
    if (move.m2)
        ShowPiece(move.to, kindBaseOfLetter(move.m2), white);
    if (move.m1 == 'E')
        SetSquarePicture(enPassantVictim(move.to, white), kNoImage);
    if (move.m1 == 'c')
        MoveSquarePicture(white ? "h1" : "h8", white ? "f1" : "f8");
    if (move.m1 == 'C')
        MoveSquarePicture(white ? "a1" : "a8", white ? "d1" : "d8");
}

int TMDIChild::CellOfHalfMove(int halfMove) const {
    // A game from a position where Black moves first leaves White's first cell empty.
    return halfMove + m_game.Model().startSideMarker;
}

void TMDIChild::SelectHalfMoveCell(int halfMove) {
    // Half-move k (from 0) sits in row k / 2 + 1, column k mod 2 + 1; "half-move -1",
    // the start position, selects column 0 of row 1. A refusal is ignored on purpose:
    // the board is what matters.
    const int cell = CellOfHalfMove(halfMove);
    const int row = (halfMove < 0 ? 0 : cell / 2) + 1;
    const int column = halfMove < 0 ? 0 : cell % 2 + 1;
    m_grid->SelectCell(column, row);
}

void TMDIChild::ShowPosition(int position) {
    CancelPick();
    const std::vector<std::string>& record = m_game.Model().moveRecord;
    position = std::clamp(position, 0, static_cast<int>(record.size()));
    for (int k = m_shownPosition - 1; k >= position; --k) {
        UndoShownMove(record[k], CellOfHalfMove(k) % 2 == 0);
        SelectHalfMoveCell(k - 1);
    }
    for (int i = m_shownPosition; i < position; ++i) {
        RedoShownMove(record[i], CellOfHalfMove(i) % 2 == 0);
        SelectHalfMoveCell(i);
    }
    m_shownPosition = position;
    const QSignalBlocker quiet(m_scrollBar);
    m_scrollBar->setValue(position);
}

void TMDIChild::SetLivePosition(int live) {
    // A move was made, from whatever source: the mover's clock stops, the other's starts.
    m_clocks->MoveMade(live);
    const QSignalBlocker quiet(m_scrollBar);
    m_scrollBar->setMaximum(live);
    m_scrollBar->setValue(live);
    m_shownPosition = live;
}

void TMDIChild::ScrollBar1Scroll(int position) {
    ShowPosition(position);
}

void TMDIChild::StringGrid1MouseDown(int column, int row) {
    if (row < 1)
        return;
    const int halfMoves = (column == 2 ? 2 * row : 2 * row - 1) - CellOfHalfMove(0);
    if (halfMoves >= 0 && halfMoves <= m_game.LivePosition())
        ShowPosition(halfMoves);
}

void TMDIChild::EnterHalfMove(std::uint8_t white, const std::string& notation) {
    AnnounceLastMove();
    const int row = m_grid->RowCount() - 8;
    const QString text = QString::fromStdString(notation);
    if (white) {
        m_grid->SetCell(0, row, QString::number(row));
        m_grid->SetCell(1, row, text);
        m_grid->SelectCell(1, row);
    } else {
        m_grid->SetCell(2, row, text);
        m_grid->AddRow();
        m_grid->SelectCell(2, row);
    }
}

void TMDIChild::AppendToCurrentCell(const std::string& suffix) {
    const QPoint cell = m_grid->CurrentCell();
    if (cell.y() < 1)
        return;
    m_grid->SetCell(cell.x(), cell.y(),
                    m_grid->Cell(cell.x(), cell.y()) + QString::fromStdString(suffix));
}

void TMDIChild::LoadMoveRecord(const std::vector<std::string>& lines,
                               const std::vector<std::string>& notations,
                               const std::vector<std::string>& tips) {
    BoardModel& model = m_game.Model();
    if (!model.moveRecord.empty())
        return;
    model.moveRecord = lines;
    model.finished = 1;
    for (size_t i = 0; i < lines.size(); ++i) {
        const int cell = CellOfHalfMove(static_cast<int>(i));
        const int row = cell / 2 + 1;
        const int column = cell % 2 + 1;
        const QString text = QString::fromStdString(i < notations.size() ? notations[i] : lines[i]);
        if (column == 1 || i == 0)
            m_grid->SetCell(0, row, QString::number(row));
        m_grid->SetCell(column, row, text);
        if (i < tips.size() && !tips[i].empty())
            if (QTableWidgetItem* item = m_grid->item(row - 1, column))
                item->setToolTip(QString::fromStdString(tips[i]));
        if (column == 2)
            m_grid->AddRow();
    }
    const QSignalBlocker quiet(m_scrollBar);
    m_scrollBar->setMaximum(static_cast<int>(lines.size()));
    m_scrollBar->setValue(0);
    m_shownPosition = 0;
}

bool TMDIChild::StartFromPosition(const std::string& fen) {
    if (!m_game.Model().moveRecord.empty() || !FenRefusal(fen).empty())
        return false;
    m_game.Model().SetUpFromFen(fen);
    ShowStartPosition();
    return true;
}
