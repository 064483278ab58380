// The board display of the game window: pictures, frames, counters, turning the board.
#include "TMDIChild.h"

#include "BoardMarks.h"
#include "BoardPictures.h"
#include "BoardSettings.h"
#include "ClockPanel.h"

#include <QFrame>
#include <QLabel>

#include "game/Square.h"

#include <algorithm>
#include <utility>

namespace {

bool isLightSquare(int index) {
    return (FileOf(index) + RankOf(index)) % 2 == 0;
}

bool isPieceImage(PieceImage image) {
    return image >= 0 && image < BoardPictures::kPieceImages;
}

void swapTop(QWidget* a, QWidget* b) {
    const int top = a->y();
    a->move(a->x(), b->y());
    b->move(b->x(), top);
}

} // namespace

void TMDIChild::LoadPieceSet() {
    // A sheet that does not load leaves blank cells: no piece is seen, the game goes on.
    m_pieceSet = BoardSettings::Current().PieceSet();
    m_imageList1 = BoardPictures::PieceSheetCells(BoardPictures::PieceSheetFile(m_pieceSet));
}

void TMDIChild::BuildPieceImages() {
    // The pictures at 60 pixels are the sheet's keyed cells, shared by every window.
    m_imageList2 = BoardPictures::PiecePictures(m_pieceSet, BoardPictures::kSquareSize, 1.0);
    for (CaptureCounter& counter : m_counters)
        counter.image->setPixmap(m_imageList2.value(counter.pieceImage));
    m_boardPieces = BoardPictures::PiecePictures(m_pieceSet, m_squareSize, m_pixelRatio);
}

void TMDIChild::DrawBoardPictures() {
    m_boardPieces = BoardPictures::PiecePictures(m_pieceSet, m_squareSize, m_pixelRatio);
    RedrawSquares();
    PaintBoardSquares();
    const QPixmap frame = BoardPictures::SquarePicture(m_frame, m_squareSize, m_pixelRatio, false);
    m_border1->setPixmap(frame);
    m_border2->setPixmap(frame);
}

void TMDIChild::RefreshPieceImages() {
    ShowPosition(m_game.LivePosition());
    BuildPieceImages();
    RedrawSquares();
}

void TMDIChild::RedrawSquares() {
    // Each square image is drawn again from the piece image it shows. In live play that is
    // the piece of the board model; a loaded game, whose model stays in the initial
    // position, keeps showing the position reached by replay.
    for (int i = 0; i < 64; ++i)
        SetSquarePicture(SquareName(i), m_shown[i]);
}

void TMDIChild::ShowStartPosition() {
    for (const TSquare& square : m_game.Model().board) {
        SetSquarePicture(square.name, square.piece.IsEmpty()
                                          ? kNoImage
                                          : PieceEntryOf(square.piece.kind, square.piece.white));
    }
}

void TMDIChild::LoadBoardColours() {
    const QString colours = BoardSettings::Current().BoardColours();
    const QPixmap light(BoardPictures::LightSquareFile(colours));
    const QPixmap dark(BoardPictures::DarkSquareFile(colours));
    if (!light.isNull())
        m_sqLight->setPixmap(light);
    if (!dark.isNull())
        m_sqDark->setPixmap(dark);
}

void TMDIChild::PaintBoardSquares() {
    const QPixmap light =
        BoardPictures::SquarePicture(m_sqLight->pixmap(), m_squareSize, m_pixelRatio, true);
    const QPixmap dark =
        BoardPictures::SquarePicture(m_sqDark->pixmap(), m_squareSize, m_pixelRatio, true);
    for (int i = 0; i < 64; ++i)
        m_squareBackgrounds[i]->setPixmap(isLightSquare(i) ? light : dark);
}

void TMDIChild::LoadBorder() {
    const QImage border(BoardPictures::BorderFile());
    m_frame = BoardPictures::KeyedBy(border, qRgb(255, 255, 255));
    const QPixmap frame = BoardPictures::SquarePicture(m_frame, m_squareSize, m_pixelRatio, false);
    m_border1->setPixmap(frame);
    m_border2->setPixmap(frame);
    ParkFrames();
}

void TMDIChild::ParkFrames() {
    m_frameFrom = -1;
    m_frameTo = -1;
    PlaceFrames();
}

void TMDIChild::PlaceFrames() {
    // A frame not in use waits outside the panel, a square's width up and left.
    const QRect parked(-m_squareSize, -m_squareSize, m_squareSize, m_squareSize);
    m_border1->setGeometry(m_frameFrom < 0 ? parked : m_squareImages[m_frameFrom]->geometry());
    m_border2->setGeometry(m_frameTo < 0 ? parked : m_squareImages[m_frameTo]->geometry());
}

PieceImage TMDIChild::ShownImage(const std::string& square) const {
    const int index = SquareIndex(square);
    return index < 0 ? kNoImage : m_shown[index];
}

void TMDIChild::SetSquarePicture(const std::string& square, PieceImage image) {
    const int index = SquareIndex(square);
    if (index < 0)
        return;
    if (!isPieceImage(image))
        image = kNoImage;
    m_shown[index] = image;
    UpdateCheckMark();
    NameSquare(index);
    if (image == kNoImage)
        m_squareImages[index]->clear();
    else
        m_squareImages[index]->setPixmap(m_boardPieces.value(image));
}

void TMDIChild::MoveSquarePicture(const std::string& from, const std::string& to) {
    const int source = SquareIndex(from);
    if (source < 0 || SquareIndex(to) < 0)
        return;
    const PieceImage moving = m_shown[source];
    SetSquarePicture(from, kNoImage);
    SetSquarePicture(to, moving);
}

void TMDIChild::MarkLastMove(const std::string& from, const std::string& to) {
    const int source = SquareIndex(from);
    const int target = SquareIndex(to);
    if (source < 0 || target < 0)
        return;
    // The frames go where the square images are, so that they land right on a turned
    // board and follow the board as it grows and shrinks.
    m_frameFrom = source;
    m_frameTo = target;
    PlaceFrames();
    CancelPick(); // a pick belongs to the position before the move
}

void TMDIChild::CountCapture(const std::string& kind, std::uint8_t white) {
    AdjustCaptureCount(kind, white, 1);
}

void TMDIChild::AdjustCaptureCount(const std::string& kind, std::uint8_t white, int delta) {
    // Panel1..Panel5 count black pawn .. queen, Panel6..Panel10 white queen .. pawn.
    static constexpr std::string_view kOrder[5] = {kind::Pawn, kind::Knight, kind::Bishop,
                                                   kind::Rook, kind::Queen};
    int slot = -1;
    for (int i = 0; i < 5; ++i) {
        if (kOrder[i] == kind)
            slot = white ? 9 - i : i;
    }
    if (slot < 0)
        return; // a king is never counted
    const CaptureCounter& counter = m_counters[slot];
    const int count = std::max(counter.count->text().toInt() + delta, 0);
    counter.count->setText(QString::number(count));
    counter.count->adjustSize();
    counter.image->setVisible(count > 0);
    // The picture alone stands for one piece; the number shows from the second on.
    counter.count->setVisible(count > 1);
}

void TMDIChild::InvertBoard1Click() {
    m_turned = !m_turned;
    ParkFrames();
    LayOutBoard();
    m_marks->update();
    swapTop(m_whiteName, m_blackName);
    m_clocks->SwapPlaces();
    for (int i = 0; i < 5; ++i)
        swapTop(m_counters[i].panel, m_counters[9 - i].panel);
}

void TMDIChild::FlipBoard1Click() {
    InvertBoard1Click();
}

void TMDIChild::AppendToTitle(const std::string& text) {
    // Every end of a game comes here with its result: the clocks stop with it.
    m_clocks->Stop();
    setWindowTitle(windowTitle() + QString::fromStdString(text));
    TellEngineResult(text);
}

void TMDIChild::PlaySound(const std::string& file) {
    BoardSettings::Current().PlaySound(QString::fromStdString(file));
}
