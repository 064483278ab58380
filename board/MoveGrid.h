#pragma once

#include <QPoint>
#include <QTableWidget>

// The move list as a string grid of three columns: row 0 is the fixed header
// ("#", "White", "Black"), full move m sits in row m. Rows and columns are counted as the
// grid counts them, header included; every cell's text is centred.
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
};
