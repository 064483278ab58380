#include "app/GamesInFile.h"

#include "game/PgnReader.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const char* const kColumns[] = {"#", "White", "Black", "Result", "Date", "Event", "Moves"};
const char* const kTagColumns[] = {"White", "Black", "Result", "Date", "Event"};
constexpr int kBatch = 2000;

// Counts games and main-line half-moves without playing them.
class Indexer : public PgnVisitor {
public:
    Indexer(std::atomic<bool>& stop,
            std::function<void(std::vector<PgnIndexEntry>&, std::uint64_t, bool)> deliver)
        : m_stop(stop), m_deliver(std::move(deliver)) {}

    void BeginGame(std::size_t offset, int) override { m_batch.push_back({offset, 0}); }
    void Tag(std::string_view, std::string_view) override {}
    bool Move(std::string_view, int) override {
        ++m_batch.back().plies;
        return true;
    }
    void Comment(std::string_view) override {}
    void Nag(int) override {}
    bool EndGame(std::string_view, std::size_t end) override {
        if (m_batch.size() >= kBatch) {
            m_deliver(m_batch, end, false);
            m_batch.clear();
        }
        return !m_stop;
    }
    void Finish(std::uint64_t end) { m_deliver(m_batch, end, true); }

private:
    std::atomic<bool>& m_stop;
    std::function<void(std::vector<PgnIndexEntry>&, std::uint64_t, bool)> m_deliver;
    std::vector<PgnIndexEntry> m_batch;
};

// The tags of the one game at an offset; its movetext is passed over.
class TagReader : public PgnVisitor {
public:
    QStringList values{QString(), QString(), QString(), QString(), QString()};
    void BeginGame(std::size_t, int) override {}
    void Tag(std::string_view name, std::string_view value) override {
        for (int i = 0; i < 5; ++i) {
            if (name == kTagColumns[i])
                values[i] = QString::fromStdString(PgnTagValue(value));
        }
    }
    bool Move(std::string_view, int) override { return false; }
    void Comment(std::string_view) override {}
    void Nag(int) override {}
    bool EndGame(std::string_view result, std::size_t) override {
        if (values[2].isEmpty())
            values[2] = result.empty() ? QStringLiteral("*") : QString::fromLatin1(result);
        return false;
    }
};

} // namespace

PgnIndexModel::PgnIndexModel(std::string_view text, QObject* parent)
    : QAbstractTableModel(parent), m_text(text) {}

void PgnIndexModel::Append(const std::vector<PgnIndexEntry>& entries) {
    if (entries.empty())
        return;
    const int first = static_cast<int>(m_entries.size());
    beginInsertRows({}, first, first + static_cast<int>(entries.size()) - 1);
    m_entries.insert(m_entries.end(), entries.begin(), entries.end());
    endInsertRows();
}

int PgnIndexModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

int PgnIndexModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 7;
}

const QStringList& PgnIndexModel::TagsOf(int row) const {
    if (QStringList* cached = m_tags.object(row))
        return *cached;
    TagReader reader;
    ReadPgn(m_text, reader, m_entries[static_cast<size_t>(row)].offset);
    auto* values = new QStringList(reader.values);
    m_tags.insert(row, values);
    return *values;
}

QVariant PgnIndexModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    const int row = index.row();
    switch (index.column()) {
    case 0:
        return row + 1;
    case 6:
        return (m_entries[static_cast<size_t>(row)].plies + 1) / 2;
    default:
        return TagsOf(row).value(index.column() - 1);
    }
}

QVariant PgnIndexModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 7)
        return QString::fromLatin1(kColumns[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

GamesInFile::GamesInFile(std::string_view text, const QString& fileName, QWidget* parent)
    : QDialog(parent), m_text(text) {
    setWindowTitle(QStringLiteral("Games in File"));
    setObjectName(QStringLiteral("GamesInFile"));
    resize(720, 480);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(fileName, this));
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("Filter"));
    m_filter->setPlaceholderText(QStringLiteral("Filter"));
    m_filter->setAccessibleName(QStringLiteral("Filter"));
    m_filter->installEventFilter(this);
    layout->addWidget(m_filter);

    m_model = new PgnIndexModel(text, this);
    m_filtered = new QSortFilterProxyModel(this);
    m_filtered->setSourceModel(m_model);
    m_filtered->setFilterKeyColumn(-1);
    m_filtered->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("Games"));
    m_table->setAccessibleName(QStringLiteral("Games"));
    m_table->setModel(m_filtered);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table);

    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 1000);
    layout->addWidget(m_progress);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &GamesInFile::Choose);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_table, &QTableView::doubleClicked, this, &GamesInFile::Choose);
    connect(m_filter, &QLineEdit::textChanged, this, [this](const QString& filter) {
        m_filtered->setFilterFixedString(filter);
        SelectFirstRow();
    });
    m_filter->setFocus();

    // The worker only walks the text; rows reach the model on this thread, in batches.
    m_indexer = std::thread([this, text] {
        Indexer indexer(m_stop, [this, text](std::vector<PgnIndexEntry>& batch,
                                             std::uint64_t reached, bool done) {
            QMetaObject::invokeMethod(
                this,
                [this, entries = std::move(batch), reached, done] {
                    Indexed(entries, reached, done);
                },
                Qt::QueuedConnection);
        });
        ReadPgn(text, indexer);
        indexer.Finish(text.size());
    });
}

GamesInFile::~GamesInFile() {
    m_stop = true;
    m_indexer.join();
}

void GamesInFile::Indexed(const std::vector<PgnIndexEntry>& entries, std::uint64_t reached,
                          bool done) {
    const bool first = m_model->rowCount() == 0;
    m_model->Append(entries);
    if (first && m_model->rowCount() > 0)
        SelectFirstRow();
    m_progress->setValue(m_text.empty() ? 1000 : static_cast<int>(reached * 1000 / m_text.size()));
    if (done)
        m_progress->hide();
}

void GamesInFile::SelectFirstRow() {
    m_table->setCurrentIndex(m_filtered->index(0, 0));
    m_table->selectRow(0);
}

void GamesInFile::Choose() {
    const QModelIndex current = m_table->currentIndex();
    if (!current.isValid())
        return;
    const int row = m_filtered->mapToSource(current).row();
    m_chosenOffset = m_model->OffsetOf(row);
    m_chosenNumber = row + 1;
    accept();
}

bool GamesInFile::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_filter && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
            key == Qt::Key_PageDown) {
            QCoreApplication::sendEvent(m_table, event);
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Choose();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
