#pragma once

#include <QWidget>

#include <functional>
#include <vector>

// The marks drawn over the board's squares: the picked piece, the legal targets of the
// piece picked or dragged (a dot on an empty square, a ring on a capture) and the king in
// check. It lies over the square images, lets every mouse event and drop through, and
// draws nothing while nothing is marked, so an unmarked board looks as it did without it.
class BoardMarks : public QWidget {
    Q_OBJECT
public:
    // `squareRect` tells where a square (index, a8 = 0) lies in this widget's parent at the
    // moment of painting, so that the marks follow the board when it is turned over.
    BoardMarks(QWidget* parent, std::function<QRect(int square)> squareRect);

    // The picked square and its targets; -1 and empty mark none. `captures` lists the
    // targets that hold a piece.
    void SetPick(int square, std::vector<int> quiet, std::vector<int> captures);
    void ClearPick() { SetPick(-1, {}, {}); }
    // The king in check, or -1.
    void SetCheck(int square);
    // The keyboard's square, framed; -1 for none.
    void SetCursor(int square);
    // A move entered during the opponent's turn, tinted on both squares; -1 for none.
    void SetPremove(int from, int to);
    // A premove that could not be made, crossed out on both squares; -1 for none.
    void SetDroppedPremove(int from, int to);

    int Picked() const { return m_picked; }
    const std::vector<int>& QuietTargets() const { return m_quiet; }
    const std::vector<int>& CaptureTargets() const { return m_captures; }
    int Check() const { return m_check; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect Place(int square) const;

    std::function<QRect(int)> m_squareRect;
    int m_picked = -1;
    std::vector<int> m_quiet;
    std::vector<int> m_captures;
    int m_check = -1;
    int m_cursor = -1;
    int m_premoveFrom = -1;
    int m_premoveTo = -1;
    int m_droppedFrom = -1;
    int m_droppedTo = -1;
};
