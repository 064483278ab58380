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

constexpr QPoint kParked(-60, -60);

bool isLightSquare(int index) {
    return (FileOf(index) + RankOf(index)) % 2 == 0;
}

bool isPieceImage(PieceImage image) {
    return image >= 0 && image < BoardPictures::kPieceImages;
}

void swapLeft(QWidget* a, QWidget* b) {
    const int left = a->x();
    a->move(b->x(), a->y());
    b->move(left, b->y());
}

void swapTop(QWidget* a, QWidget* b) {
    const int top = a->y();
    a->move(a->x(), b->y());
    b->move(b->x(), top);
}

} // namespace

void TMDIChild::LoadPieceSet() {
    // A sheet that does not load leaves blank cells: no piece is seen, the game goes on.
    m_imageList1 = BoardPictures::CutPieceSheet(
        QImage(BoardPictures::PieceSheetFile(BoardSettings::Current().PieceSet())));
}

void TMDIChild::BuildPieceImages() {
    m_imageList2.clear();
    for (const QImage& cell : std::as_const(m_imageList1))
        m_imageList2.append(BoardPictures::KeyedByBottomLeft(cell));
    for (CaptureCounter& counter : m_counters)
        counter.image->setPixmap(m_imageList2.value(counter.pieceImage));
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
    for (int i = 0; i < 64; ++i)
        m_squareBackgrounds[i]->setPixmap((isLightSquare(i) ? m_sqLight : m_sqDark)->pixmap());
}

void TMDIChild::LoadBorder() {
    const QImage border(BoardPictures::BorderFile());
    const QPixmap frame = BoardPictures::KeyedBy(border, qRgb(255, 255, 255));
    m_border1->setPixmap(frame);
    m_border2->setPixmap(frame);
    m_border1->move(kParked);
    m_border2->move(kParked);
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
        m_squareImages[index]->setPixmap(m_imageList2.value(image));
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
    const QLabel* source = SquareImage(from);
    const QLabel* target = SquareImage(to);
    if (!source || !target)
        return;
    // The images' current places, so that the frames land right on a turned board.
    m_border1->move(source->pos());
    m_border2->move(target->pos());
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
    for (int i = 0; i < 32; ++i) {
        QLabel* a = m_squareImages[i];
        QLabel* b = m_squareImages[63 - i];
        const QPoint place = a->pos();
        a->move(b->pos());
        b->move(place);
    }
    m_border1->move(kParked);
    m_border2->move(kParked);
    m_marks->update();
    for (int i = 0; i < 4; ++i) {
        swapLeft(m_coordinateLabels[i], m_coordinateLabels[7 - i]);
        swapTop(m_coordinateLabels[8 + i], m_coordinateLabels[15 - i]);
    }
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
