#include "TMDIChild.h"

#include "AdvertisementPanel.h"
#include "BoardPictures.h"
#include "ClockPanel.h"
#include "MoveGrid.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

#include "game/Square.h"

namespace {

constexpr int kSquare = BoardPictures::kSquareSize;
constexpr int kBoardLeft = 23;
constexpr QPoint kParked(-60, -60);

// Where a square's top-left corner lies on LeftPanel in the normal orientation.
QPoint squareCorner(int index) {
    return {kBoardLeft + kSquare * FileOf(index), kSquare * (8 - RankOf(index))};
}

QFont arial(int pixels, bool bold = false) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QWidget* panel(QWidget* parent, const char* name, const QRect& geometry) {
    auto* widget = new QWidget(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

template <typename T> T* placed(T* widget, const char* name, const QRect& geometry) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

} // namespace

TMDIChild::TMDIChild(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Game Board"));
    setFixedSize(734, 607); // inside a frame this makes the 742 x 641 window
    m_shown.fill(kNoImage);

    m_leftPanel = panel(this, "LeftPanel", QRect(0, 0, 504, 511));
    m_leftPanel->setAutoFillBackground(true);
    QPalette white = m_leftPanel->palette();
    white.setColor(QPalette::Window, Qt::white);
    m_leftPanel->setPalette(white);
    m_rightPanel = panel(this, "RightPanel", QRect(504, 0, 230, 511));
    m_bottomPanel = panel(this, "BottomPanel", QRect(0, 511, 734, 96));
    m_advertisement = new AdvertisementPanel(m_bottomPanel);
    m_advertisement->setGeometry(m_bottomPanel->rect());

    LoadPieceSet();
    BuildLeftPanel();
    BuildRightPanel();
    BuildMenus();
    LoadBoardColours();
    PaintBoardSquares();
    LoadBorder();
    BuildPieceImages();
    BuildBoardInput();
    ShowStartPosition();
}

TMDIChild::~TMDIChild() = default;

void TMDIChild::BuildLeftPanel() {
    // Creation order is the stacking order: backgrounds, the hidden square pictures, the
    // frames, the square images, the labels. A frame thus shows through a piece's
    // transparent parts.
    for (int i = 0; i < 64; ++i) {
        m_squareBackgrounds[i] = new QLabel(m_leftPanel);
        m_squareBackgrounds[i]->setGeometry(QRect(squareCorner(i), QSize(kSquare, kSquare)));
    }
    m_sqDark = placed(new QLabel(m_leftPanel), "SqDark", QRect(0, 0, kSquare, kSquare));
    m_sqLight = placed(new QLabel(m_leftPanel), "SqLight", QRect(0, 0, kSquare, kSquare));
    m_sqDark->hide();
    m_sqLight->hide();
    m_border2 =
        placed(new QLabel(m_leftPanel), "TheBorderImage2", QRect(kParked, QSize(kSquare, kSquare)));
    m_border1 =
        placed(new QLabel(m_leftPanel), "TheBorderImage1", QRect(kParked, QSize(kSquare, kSquare)));
    for (int i = 0; i < 64; ++i) {
        auto* image = new QLabel(m_leftPanel);
        image->setObjectName(QString::fromStdString(SquareName(i)));
        image->setGeometry(QRect(squareCorner(i), QSize(kSquare, kSquare)));
        image->setAcceptDrops(true);
        image->installEventFilter(this);
        m_squareImages[i] = image;
    }
    for (int f = 0; f < 8; ++f) {
        auto* label = new QLabel(QString(QChar('a' + f)), m_leftPanel);
        label->setObjectName(QStringLiteral("Label%1").arg(f + 1));
        label->setFont(arial(24));
        label->adjustSize();
        label->move(46 + kSquare * f, 480);
        m_coordinateLabels[f] = label;
    }
    for (int r = 1; r <= 8; ++r) {
        auto* label = new QLabel(QString::number(r), m_leftPanel);
        label->setObjectName(QStringLiteral("Label%1").arg(8 + r));
        label->setFont(arial(24));
        label->adjustSize();
        label->move(3, 15 + kSquare * (8 - r));
        m_coordinateLabels[7 + r] = label;
    }
}

void TMDIChild::BuildRightPanel() {
    BuildCounters(m_rightPanel);
    m_blackName =
        placed(new QLabel(QStringLiteral("Black"), m_rightPanel), "Black", QRect(66, 8, 153, 17));
    m_whiteName =
        placed(new QLabel(QStringLiteral("White"), m_rightPanel), "White", QRect(66, 488, 153, 17));
    m_blackName->setFont(arial(13, true));
    m_whiteName->setFont(arial(13, true));

    m_grid = placed(new MoveGrid(m_rightPanel), "StringGrid1", QRect(66, 33, 153, 162));
    connect(m_grid, &MoveGrid::CellPressed, this, &TMDIChild::StringGrid1MouseDown);
    m_scrollBar =
        placed(new QScrollBar(Qt::Vertical, m_rightPanel), "ScrollBar1", QRect(202, 33, 17, 162));
    m_scrollBar->setRange(0, 0);
    m_scrollBar->setSingleStep(1);
    m_scrollBar->setPageStep(6);
    connect(m_scrollBar, &QScrollBar::valueChanged, this, [this](int position) {
        if (position != m_shownPosition)
            ScrollBar1Scroll(position);
    });

    m_memo = placed(new QPlainTextEdit(m_rightPanel), "Memo1", QRect(66, 200, 153, 257));
    m_memo->setReadOnly(true);
    m_memo->setFont(arial(12));
    m_memo->setMaximumBlockCount(kChatLinesKept);
    m_edit = placed(new QLineEdit(m_rightPanel), "Edit1", QRect(66, 456, 153, 23));
    m_edit->setFont(arial(12));
    connect(m_edit, &QLineEdit::returnPressed, this, &TMDIChild::Edit1KeyPress);

    m_menuButton = placed(new QPushButton(QStringLiteral("Menu"), m_rightPanel), "Button3",
                          QRect(12, 242, 41, 25));
    connect(m_menuButton, &QPushButton::clicked, this, &TMDIChild::Button3Click);

    // The clocks share the rows of the name labels, right of the names.
    m_clocks = new ClockPanel(m_rightPanel, QRect(150, 6, 69, 21), QRect(150, 486, 69, 21));
    connect(m_clocks, &ClockPanel::FlagFell, this, &TMDIChild::FlagFell, Qt::QueuedConnection);
}

void TMDIChild::BuildCounters(QWidget* parent) {
    struct CounterSpec {
        const char* image;
        const char* count;
        int top;
        PieceEntry piece;
    };
    static constexpr CounterSpec kCounters[10] = {
        {"BlackP", "bp", 8, kBlackPawn},     {"BlackN", "bn", 50, kBlackKnight},
        {"BlackB", "bb", 92, kBlackBishop},  {"BlackR", "br", 134, kBlackRook},
        {"BlackQ", "bq", 176, kBlackQueen},  {"WhiteQ", "wq", 293, kWhiteQueen},
        {"WhiteR", "wr", 335, kWhiteRook},   {"WhiteB", "wb", 377, kWhiteBishop},
        {"WhiteN", "wn", 419, kWhiteKnight}, {"WhiteP", "wp", 461, kWhitePawn},
    };
    for (int i = 0; i < 10; ++i) {
        CaptureCounter& counter = m_counters[i];
        counter.panel = new QFrame(parent);
        counter.panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        counter.panel->setGeometry(12, kCounters[i].top, 41, 41);
        counter.image = placed(new QLabel(counter.panel), kCounters[i].image, QRect(0, 0, 41, 41));
        counter.image->setScaledContents(true);
        counter.image->hide();
        counter.count = placed(new QLabel(QStringLiteral("0"), counter.panel), kCounters[i].count,
                               QRect(0, 17, 12, 24));
        counter.count->setFont(arial(21));
        counter.count->setAutoFillBackground(true);
        QPalette colours = counter.count->palette();
        colours.setColor(QPalette::Window, palette().color(QPalette::Highlight));
        colours.setColor(QPalette::WindowText, palette().color(QPalette::HighlightedText));
        counter.count->setPalette(colours);
        counter.count->hide();
        counter.pieceImage = kCounters[i].piece;
    }
}

void TMDIChild::BuildMenus() {
    m_popupAction = new QMenu(this);
    m_popupAction->setObjectName(QStringLiteral("PopupAction"));
    QAction* flip = m_popupAction->addAction(QStringLiteral("Flip Board"));
    flip->setObjectName(QStringLiteral("FlipBoard1"));
    connect(flip, &QAction::triggered, this, &TMDIChild::FlipBoard1Click);
    m_popupAction->addSeparator();
    BuildEngineParts(m_popupAction);
    m_popupAction->addSeparator();
    BuildGameItems(m_popupAction);

    m_popupBoard = new QMenu(this);
    m_popupBoard->setObjectName(QStringLiteral("PopupBoard"));
    QAction* invert = m_popupBoard->addAction(QStringLiteral("Invert Board"));
    invert->setObjectName(QStringLiteral("InvertBoard1"));
    connect(invert, &QAction::triggered, this, &TMDIChild::InvertBoard1Click);
}

void TMDIChild::Button3Click() {
    m_engineItem->setEnabled(EngineAttached());
    UpdateGameItems();
    m_popupAction->popup(m_menuButton->mapToGlobal(QPoint(0, m_menuButton->height())));
}

bool TMDIChild::MakeMoveFromOutside(const std::string& from, const std::string& to,
                                    const std::string& promotionKind) {
    BoardModel& model = m_game.Model();
    // A refused move empties the choice itself, so that it cannot decide a later move.
    model.promotionChoice = promotionKind;
    const bool made = m_game.MakeMove(from, to);
    model.promotionLetter.clear();
    return made;
}

void TMDIChild::SetPeerColours(std::uint8_t own, const QString& ownName,
                               const QString& opponentName) {
    m_peerColour = own;
    m_opponentName = opponentName;
    m_whiteName->setText(QStringLiteral("White: ") + (own ? ownName : opponentName));
    m_blackName->setText(QStringLiteral("Black: ") + (own ? opponentName : ownName));
    // The board is upside down when a8 stands below a1.
    const bool blackBelow = m_squareImages[0]->y() > m_squareImages[56]->y();
    if (blackBelow == static_cast<bool>(own))
        InvertBoard1Click();
}

QLabel* TMDIChild::SquareImage(std::string_view name) const {
    const int index = SquareIndex(name);
    return index < 0 ? nullptr : m_squareImages[index];
}

bool TMDIChild::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_leftPanel) {
        return event->type() == QEvent::KeyPress && BoardKeyPress(static_cast<QKeyEvent*>(event));
    }
    auto* square = qobject_cast<QLabel*>(watched);
    switch (event->type()) {
    // A quick second press arrives as a double click; to the board it is just a press.
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        xyMouseDown(square, static_cast<QMouseEvent*>(event)->buttons());
        return true;
    case QEvent::MouseMove:
        xyMouseMove(square);
        return true;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            xyMouseUp(square);
        return true;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (xyDragOver(drag->source()))
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        drop->acceptProposedAction();
        xyDragDrop(square, drop->source());
        return true;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void TMDIChild::closeEvent(QCloseEvent* event) {
    // A drag, the promotion question or the colour question runs a nested event loop with
    // a move or the engine's start half-way; freeing the window then would pull the game
    // out from under it.
    if (m_dragging || m_askingPromotion || m_askingColour || m_askingTimeControl ||
        m_askingDraw) {
        event->ignore();
        return;
    }
    event->accept();
}

void TMDIChild::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        frame->move(std::max(frame->x(), 1), std::max(frame->y(), 1));
    }
}
