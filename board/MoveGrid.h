#pragma once

#include <QPoint>
#include <QTableWidget>

// The move list as a string grid of three columns: row 0 is the fixed header
// ("#", "White", "Black"), full move m sits in row m. Rows and columns are counted as the
// grid counts them, header included; every cell's text is centred.
//
// To a screen reader the grid is the table "Move list", whose description is the whole
// list in reading order ("1. e4 e5 2. Nf3"), and each cell says whose move of which row it
// holds ("White, move 2").
class MoveGrid : public QTableWidget {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 17;
    static constexpr int kRowsAtCreation = 9; // the header and eight empty rows

    explicit MoveGrid(QWidget* parent = nullptr);

    // The number of rows, the header row included.
    int RowCount() const { return rowCount() + 1; }
    void AddRow();

    QString Cell(int column, int row) const;
    // Writes a cell below the header; does nothing for a cell outside the grid.
    void SetCell(int column, int row, const QString& text);

    // Makes (column, row) the single selected cell and its row current, scrolled into
    // view. Returns false, changing nothing, for the header row or a cell outside the grid.
    bool SelectCell(int column, int row);
    // The selected cell as (column, row); row 0 when nothing is selected.
    QPoint CurrentCell() const;

signals:
    // A mouse press made (column, row) the current cell.
    void CellPressed(int column, int row);

private:
    // The description follows the cells once the changes of one event are done, so that a
    // game read whole costs one pass over the list.
    void DescribeLater();
    void Describe();

    bool m_describing = false; // a Describe is queued
};
