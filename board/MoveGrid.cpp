#include "MoveGrid.h"

#include <QHeaderView>

#include <utility>

namespace {

constexpr int kColumnWidths[3] = {33, 50, 50};

QString cellInWords(int column, int row) {
    static const QString kColumns[] = {QStringLiteral("Number"), QStringLiteral("White"),
                                       QStringLiteral("Black")};
    return QStringLiteral("%1, move %2").arg(kColumns[column]).arg(row);
}

} // namespace

MoveGrid::MoveGrid(QWidget* parent) : QTableWidget(kRowsAtCreation - 1, 3, parent) {
    // The header row is the table's own header, so it stays in place while the moves scroll.
    setHorizontalHeaderLabels(
        {QStringLiteral("#"), QStringLiteral("White"), QStringLiteral("Black")});
    QHeaderView* header = horizontalHeader();
    header->setFixedHeight(kRowHeight);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setHighlightSections(false);
    header->setSectionsClickable(false);
    for (int column = 0; column < 3; ++column)
        setColumnWidth(column, kColumnWidths[column]);
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setAccessibleName(QStringLiteral("Move list"));
    connect(this, &QTableWidget::cellPressed, this,
            [this](int row, int column) { emit CellPressed(column, row + 1); });
}

void MoveGrid::AddRow() {
    insertRow(rowCount());
}

void MoveGrid::DescribeLater() {
    if (std::exchange(m_describing, true))
        return;
    QMetaObject::invokeMethod(this, &MoveGrid::Describe, Qt::QueuedConnection);
}

void MoveGrid::Describe() {
    m_describing = false;
    QStringList words;
    for (int row = 1; row < RowCount(); ++row) {
        // A game from a position that Black begins has no number in its first row.
        const QString number = Cell(0, row).isEmpty() ? QString::number(row) : Cell(0, row);
        const QString white = Cell(1, row);
        const QString black = Cell(2, row);
        if (!white.isEmpty())
            words << number + QLatin1Char('.') << white;
        else if (!black.isEmpty())
            words << number + QStringLiteral("...");
        if (!black.isEmpty())
            words << black;
    }
    setAccessibleDescription(words.join(QLatin1Char(' ')));
}

QString MoveGrid::Cell(int column, int row) const {
    const QTableWidgetItem* cell = item(row - 1, column);
    return cell ? cell->text() : QString();
}

void MoveGrid::SetCell(int column, int row, const QString& text) {
    if (row < 1 || row >= RowCount() || column < 0 || column >= columnCount())
        return;
    QTableWidgetItem* cell = item(row - 1, column);
    if (!cell) {
        cell = new QTableWidgetItem;
        cell->setTextAlignment(Qt::AlignCenter);
        cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        cell->setData(Qt::AccessibleDescriptionRole, cellInWords(column, row));
        setItem(row - 1, column, cell);
    }
    cell->setText(text);
    DescribeLater();
}

bool MoveGrid::SelectCell(int column, int row) {
    if (row < 1 || row >= RowCount() || column < 0 || column >= columnCount())
        return false;
    setCurrentCell(row - 1, column, QItemSelectionModel::ClearAndSelect);
    scrollTo(model()->index(row - 1, column));
    return true;
}

QPoint MoveGrid::CurrentCell() const {
    const QModelIndex index = currentIndex();
    if (!index.isValid() || selectedIndexes().isEmpty())
        return {0, 0};
    return {index.column(), index.row() + 1};
}
