#pragma once

#include <QAbstractTableModel>
#include <QCache>
#include <QDialog>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <string_view>
#include <thread>
#include <vector>

class QLabel;
class QLineEdit;
class QProgressBar;
class QSortFilterProxyModel;
class QTableView;

// Where each game of a PGN text starts and how many half-moves its main line has: the
// index behind the "Games in File" table, 12 bytes a game. A game's tags are read from the
// text when its row is shown, its moves only when it is opened.
struct PgnIndexEntry {
    std::uint64_t offset;
    std::uint32_t plies;
};

class PgnIndexModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // `text` must outlive the model.
    explicit PgnIndexModel(std::string_view text, QObject* parent = nullptr);

    void Append(const std::vector<PgnIndexEntry>& entries);
    std::uint64_t OffsetOf(int row) const { return m_entries[static_cast<size_t>(row)].offset; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const QStringList& TagsOf(int row) const;

    std::string_view m_text;
    std::vector<PgnIndexEntry> m_entries;
    mutable QCache<int, QStringList> m_tags{4096};
};

// The dialog "Games in File": a table of the games of a PGN text (number, White, Black,
// Result, Date, Event, moves) with a filter field, filled while a worker thread indexes
// the text. Up, Down, Page Up and Page Down move in the table from the filter field too;
// Enter or a double click opens the chosen game.
class GamesInFile : public QDialog {
    Q_OBJECT
public:
    // `text` must outlive the dialog.
    GamesInFile(std::string_view text, const QString& fileName, QWidget* parent = nullptr);
    ~GamesInFile() override;

    // After exec() returned Accepted: the chosen game's offset in the text and its number
    // (from 1).
    std::uint64_t ChosenOffset() const { return m_chosenOffset; }
    int ChosenNumber() const { return m_chosenNumber; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Indexed(const std::vector<PgnIndexEntry>& entries, std::uint64_t reached, bool done);
    void Choose();
    void SelectFirstRow();

    std::string_view m_text;
    PgnIndexModel* m_model = nullptr;
    QSortFilterProxyModel* m_filtered = nullptr;
    QTableView* m_table = nullptr;
    QLineEdit* m_filter = nullptr;
    QProgressBar* m_progress = nullptr;
    std::atomic<bool> m_stop{false};
    std::thread m_indexer;
    std::uint64_t m_chosenOffset = 0;
    int m_chosenNumber = 0;
};
