#include "TMDIChild.h"

#include "AdvertisementPanel.h"
#include "BoardMarks.h"
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

QFont arial(int pixels, bool bold = false) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// The window's fixed parts around the board: the right panel's width and the height of its
// contents, and the bottom panel's height. The board panel takes the rest.
constexpr int kRightWidth = 230;
constexpr int kRightHeight = 511;
constexpr int kBottomHeight = 96;
constexpr QSize kDefaultSize(734, 607);

// A length of the board's drawing at 60-pixel squares, for squares of `square` pixels.
int scaled(int atDefault, int square) {
    return (atDefault * square + kSquare / 2) / kSquare;
}

// The board panel's room for squares of `square` pixels: the rank digits left of the board,
// the file letters below it, and one pixel to spare on the right as at the default size.
QSize boardRoom(int square) {
    return {scaled(23, square) + 8 * square + 1, 8 * square + scaled(31, square)};
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
    resize(sizeHint()); // inside a frame this makes the 742 x 641 window
    LayOutPanels();
    ShowStartPosition();
}

TMDIChild::~TMDIChild() = default;

void TMDIChild::BuildLeftPanel() {
    // Creation order is the stacking order: backgrounds, the hidden square pictures, the
    // frames, the square images, the labels. A frame thus shows through a piece's
    // transparent parts. LayOutBoard places them all.
    for (int i = 0; i < 64; ++i)
        m_squareBackgrounds[i] = new QLabel(m_leftPanel);
    m_sqDark = placed(new QLabel(m_leftPanel), "SqDark", QRect(0, 0, kSquare, kSquare));
    m_sqLight = placed(new QLabel(m_leftPanel), "SqLight", QRect(0, 0, kSquare, kSquare));
    m_sqDark->hide();
    m_sqLight->hide();
    m_border2 = new QLabel(m_leftPanel);
    m_border2->setObjectName(QStringLiteral("TheBorderImage2"));
    m_border1 = new QLabel(m_leftPanel);
    m_border1->setObjectName(QStringLiteral("TheBorderImage1"));
    for (int i = 0; i < 64; ++i) {
        auto* image = new QLabel(m_leftPanel);
        image->setObjectName(QString::fromStdString(SquareName(i)));
        image->setAcceptDrops(true);
        image->installEventFilter(this);
        m_squareImages[i] = image;
    }
    for (int i = 0; i < 16; ++i) {
        // Label1..Label8 are the files "a".."h", Label9..Label16 the ranks "1".."8".
        auto* label =
            new QLabel(i < 8 ? QString(QChar('a' + i)) : QString::number(i - 7), m_leftPanel);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        m_coordinateLabels[i] = label;
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
    // The premove waits until the caller has finished with the opponent's move.
    if (made && m_premoveFrom >= 0)
        QMetaObject::invokeMethod(this, &TMDIChild::PlayPremove, Qt::QueuedConnection);
    return made;
}

void TMDIChild::SetPeerColours(std::uint8_t own, const QString& ownName,
                               const QString& opponentName) {
    m_peerColour = own;
    m_opponentName = opponentName;
    m_whiteName->setText(QStringLiteral("White: ") + (own ? ownName : opponentName));
    m_blackName->setText(QStringLiteral("Black: ") + (own ? opponentName : ownName));
    // The board is upside down when a8 stands below a1.
    if (m_turned == static_cast<bool>(own))
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
    if (m_dragging || m_askingPromotion || m_askingColour || m_askingTimeControl || m_askingDraw) {
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

QSize TMDIChild::sizeHint() const {
    return kDefaultSize;
}

void TMDIChild::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOutPanels();
}

void TMDIChild::LayOutPanels() {
    const QSize smallestRoom = boardRoom(kSmallestSquare);
    setMinimumSize(smallestRoom.width() + kRightWidth,
                   std::max(smallestRoom.height(), kRightHeight) + kBottomHeight);
    const int boardWidth = width() - kRightWidth;
    m_leftPanel->setGeometry(0, 0, boardWidth, height() - kBottomHeight);
    m_rightPanel->setGeometry(boardWidth, 0, kRightWidth, kRightHeight);
    m_bottomPanel->setGeometry(0, height() - kBottomHeight, width(), kBottomHeight);
    m_advertisement->setGeometry(m_bottomPanel->rect());
    if (m_engineOutput)
        m_engineOutput->setGeometry(m_bottomPanel->rect());
    LayOutBoard();
}

QRect TMDIChild::SquarePlace(int index) const {
    const int s = m_squareSize;
    return {scaled(23, s) + s * FileOf(index), s * (8 - RankOf(index)), s, s};
}

void TMDIChild::LayOutBoard() {
    int square = kLargestSquare;
    const QSize room = m_leftPanel->size();
    while (square > kSmallestSquare &&
           (boardRoom(square).width() > room.width() || boardRoom(square).height() > room.height()))
        --square;
    const qreal ratio = devicePixelRatioF();
    const bool redraw = square != m_squareSize || ratio != m_pixelRatio;
    m_squareSize = square;
    m_pixelRatio = ratio;
    for (int i = 0; i < 64; ++i) {
        // The backgrounds never move; turning the board over moves the square images, and
        // a point reflection keeps every square's colour.
        m_squareBackgrounds[i]->setGeometry(SquarePlace(i));
        m_squareImages[i]->setGeometry(SquarePlace(m_turned ? 63 - i : i));
    }
    const QFont coordinates = arial(scaled(24, square));
    for (int i = 0; i < 8; ++i) {
        const int place = m_turned ? 7 - i : i; // the file's or rank's place from a / 8
        QLabel* file = m_coordinateLabels[i];
        file->setFont(coordinates);
        file->adjustSize();
        file->move(scaled(46, square) + square * place, 8 * square);
        QLabel* rank = m_coordinateLabels[8 + i];
        rank->setFont(coordinates);
        rank->adjustSize();
        rank->move(scaled(3, square), scaled(15, square) + square * (7 - place));
    }
    m_marks->setGeometry(m_leftPanel->rect());
    // The typed move's fields lie over the bottom rank, whatever its size.
    const QRect bottomRank(SquarePlace(56).topLeft(), QSize(8 * square, square));
    m_moveEntry->setGeometry(bottomRank.left() + 4, bottomRank.bottom() - 31, 90, 28);
    m_statusLine->setGeometry(bottomRank.left() + 98, bottomRank.bottom() - 31,
                              bottomRank.width() - 102, 28);
    if (redraw)
        DrawBoardPictures();
    PlaceFrames();
}
