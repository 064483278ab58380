// The game window's engine: starting it, the colour question, the Engine items of the
// Menu button and the poll of its replies. The dialogue itself is the engine's own
// (engine/), whichever protocol it speaks.
#include "TMDIChild.h"

#include "EngineOutput.h"
#include "engine/ChessEngine.h"
#include "engine/EngineReply.h"

#include <QActionGroup>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTimer>

#include <cctype>

namespace {

constexpr int kPollMs = 1000;
// A reply that waits for a drag or the promotion question to end, while the engine's
// clock runs: looked at again this soon rather than at the next poll.
constexpr int kBusyRetryMs = 20;
// The Engine Output panel is redrawn at most this often, whatever the engine's rate.
constexpr int kOutputRefreshMs = 100;
constexpr int kOutputLines = 200;

struct SpeedItem {
    const char* name;
    int seconds;
};
constexpr SpeedItem kSpeeds[] = {{"Fast", 1}, {"Medium", 8}, {"Slow", 15}};

// A move record line in the coordinates engines read: the two squares, and the promotion
// letter in lower case when the record carries one ("b7a8rQ" -> "b7a8q").
QByteArray coordinatesOf(const std::string& line) {
    QByteArray move = QByteArray::fromStdString(line.substr(0, 4));
    if (line.size() > 4) {
        const char last = line.back();
        if (last == 'Q' || last == 'R' || last == 'B' || last == 'N')
            move += static_cast<char>(std::tolower(static_cast<unsigned char>(last)));
    }
    return move;
}

} // namespace

void TMDIChild::BuildEngineParts(QMenu* popupAction) {
    QMenu* engine = popupAction->addMenu(QStringLiteral("Engine"));
    engine->setObjectName(QStringLiteral("EngineMenu"));
    m_engineItem = engine->menuAction();
    m_engineItem->setObjectName(QStringLiteral("Engine1"));
    QAction* compute = engine->addAction(QStringLiteral("Compute"));
    compute->setObjectName(QStringLiteral("Compute1"));
    connect(compute, &QAction::triggered, this, &TMDIChild::Compute1Click);

    QMenu* speed = engine->addMenu(QStringLiteral("Speed"));
    speed->menuAction()->setObjectName(QStringLiteral("Speed1"));
    auto* speeds = new QActionGroup(this);
    void (TMDIChild::*handlers[])() = {&TMDIChild::Fast1Click, &TMDIChild::Medium1Click,
                                       &TMDIChild::Slow1Click};
    for (size_t i = 0; i < std::size(kSpeeds); ++i) {
        const QString name = QString::fromLatin1(kSpeeds[i].name);
        QAction* item = speed->addAction(name);
        item->setObjectName(name + QLatin1Char('1'));
        item->setCheckable(true);
        speeds->addAction(item);
        connect(item, &QAction::triggered, this, handlers[i]);
    }
    m_speedItem = speeds->actions().front();
    m_speedItem->setChecked(true);

    // Added below the seed's items, so that their places in the menu stay as they were.
    QAction* output = engine->addAction(QStringLiteral("Engine Output"));
    output->setObjectName(QStringLiteral("EngineOutput1"));
    output->setCheckable(true);
    connect(output, &QAction::triggered, this, [this](bool shown) {
        SetEngineOutputShown(shown);
        if (engineOutputHook)
            engineOutputHook(shown);
    });
    QMenu* protocol = engine->addMenu(QStringLiteral("Protocol"));
    protocol->menuAction()->setObjectName(QStringLiteral("Protocol1"));
    auto* protocols = new QActionGroup(this);
    for (const EngineProtocol kind : {EngineProtocol::Xboard, EngineProtocol::Uci}) {
        QAction* item = protocol->addAction(kind == EngineProtocol::Uci ? QStringLiteral("UCI")
                                                                        : QStringLiteral("xboard"));
        item->setObjectName(kind == EngineProtocol::Uci ? QStringLiteral("ProtocolUci")
                                                        : QStringLiteral("ProtocolXboard"));
        item->setCheckable(true);
        protocols->addAction(item);
        connect(item, &QAction::triggered, this, [this, kind] { CorrectEngineProtocol(kind); });
    }

    m_strengthMenu = engine->addMenu(QStringLiteral("Strength"));
    m_strengthMenu->menuAction()->setObjectName(QStringLiteral("Strength1"));
    m_strengthMenu->menuAction()->setVisible(false);

    // Over the advertisement while it is shown, so that the board keeps its place.
    m_engineOutput = new QPlainTextEdit(m_bottomPanel);
    m_engineOutput->setObjectName(QStringLiteral("EngineOutput"));
    m_engineOutput->setAccessibleName(QStringLiteral("Engine Output"));
    m_engineOutput->setReadOnly(true);
    m_engineOutput->setMaximumBlockCount(kOutputLines);
    m_engineOutput->setGeometry(m_bottomPanel->rect());
    m_engineOutput->hide();
    m_outputTimer = new QTimer(this);
    m_outputTimer->setInterval(kOutputRefreshMs);
    connect(m_outputTimer, &QTimer::timeout, this, &TMDIChild::ShowEngineThought);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(kPollMs);
    connect(m_timer1, &QTimer::timeout, this, &TMDIChild::Timer1Timer);
}

void TMDIChild::ShowEngineError(const QString& text) {
    QMessageBox::critical(this, QApplication::applicationName(), text);
}

void TMDIChild::StartEngine(const QString& path, EngineProtocol protocol) {
    if (EngineAttached())
        return;
    if (!AttachEngine(path, protocol))
        return;
    m_askingColour = true;
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this, QStringLiteral("Color Selection"),
        QStringLiteral("Do you want to play white pieces?"), QMessageBox::Yes | QMessageBox::No);
    m_askingColour = false;
    if (answer == QMessageBox::No) {
        InvertBoard1Click();
        Compute1Click();
    }
}

bool TMDIChild::AttachEngine(const QString& path, EngineProtocol protocol) {
    std::unique_ptr<ChessEngine> engine = ChessEngine::Make(protocol);
    if (engineStartsSilently)
        engine->SeeThroughSilentStart();
    QString error;
    if (!engine->Start(path, &error)) {
        CloseEngineLink();
        ShowEngineError(error);
        return false;
    }
    m_engine = std::move(engine);
    m_enginePath = path;
    connect(m_engine.get(), &ChessEngine::WriteFailed, this, &TMDIChild::ShowEngineError);
    connect(m_engine.get(), &ChessEngine::StrengthKnown, this, &TMDIChild::OfferStrengths);
    connect(m_engine.get(), &ChessEngine::Resigned, this, &TMDIChild::EngineResigned);
    connect(m_engine.get(), &ChessEngine::DrawOffered, this, &TMDIChild::EngineOffersDraw);
    connect(m_engine.get(), &ChessEngine::Failed, this, [this](const QString& text) {
        CloseEngineLink();
        if (engineFailureHook)
            engineFailureHook(text);
    });
    // The seed's xboard replies wait for the poll; a UCI engine's reply, and any reply
    // while a clock runs, is made as soon as it arrives, still through the same tick: the
    // poll would cost the engine up to a second of its time a move.
    connect(
        m_engine.get(), &ChessEngine::ReplyArrived, this,
        [this] {
            if (EngineAttached() && (m_engine->Protocol() == EngineProtocol::Uci || GameClock()))
                Timer1Timer();
        },
        Qt::QueuedConnection);
    for (QAction* item : findChildren<QAction*>()) {
        if (item->objectName() == QLatin1String("ProtocolUci"))
            item->setChecked(protocol == EngineProtocol::Uci);
        else if (item->objectName() == QLatin1String("ProtocolXboard"))
            item->setChecked(protocol == EngineProtocol::Xboard);
    }
    m_timer1->start(kPollMs);
    // What the engine can do matters only to the features that use it; the seed's
    // dialogue stays as it was without them.
    if (EngineOutputShown() || GameClock() || !m_strength.isEmpty())
        m_engine->LearnFeatures();
    m_engine->Begin();
    m_engine->SetClock(GameClock());
    if (EngineOutputShown())
        m_engine->ShowThinking(true);
    return true;
}

void TMDIChild::CorrectEngineProtocol(EngineProtocol protocol) {
    if (!EngineAttached() || m_engine->Protocol() == protocol)
        return;
    if (engineProtocolHook)
        engineProtocolHook(m_enginePath, protocol);
    // Before the first move nothing of the game is lost by starting the engine anew in the
    // corrected protocol; later, the correction holds from the engine's next game.
    if (m_game.LivePosition() != 0)
        return;
    const QString path = m_enginePath;
    CloseEngineLink();
    if (!AttachEngine(path, protocol))
        return;
    for (const SpeedItem& speed : kSpeeds) {
        if (m_speedItem->objectName() == QString::fromLatin1(speed.name) + QLatin1Char('1') &&
            speed.seconds != kSpeeds[0].seconds)
            m_engine->SetSecondsPerMove(speed.seconds);
    }
    if (m_game.Model().engineColour == m_game.Model().SideToMove()) {
        m_engineThinking = true;
        m_engine->Compute(EngineMoves());
    }
}

void TMDIChild::EngineResigned() {
    BoardModel& model = m_game.Model();
    if (model.finished || !EngineAttached())
        return;
    model.finished = 1;
    AppendToTitle(model.engineColour ? " - (Black Wins)" : " - (White Wins)");
}

void TMDIChild::EngineOffersDraw() {
    if (m_game.Model().finished || !EngineAttached() || m_askingDraw)
        return;
    // The engine's offer after the user's own is its acceptance.
    if (std::exchange(m_drawOffered, false)) {
        m_game.Model().finished = 1;
        AppendToTitle(" - (Draw)");
        return;
    }
    m_askingDraw = true;
    const QMessageBox::StandardButton answer =
        QMessageBox::question(this, QStringLiteral("Draw Offer"),
                              QStringLiteral("The engine offers a draw. Do you accept it?"),
                              QMessageBox::Yes | QMessageBox::No);
    m_askingDraw = false;
    // The game may have ended while the question was open.
    if (answer != QMessageBox::Yes || m_game.Model().finished)
        return;
    m_game.Model().finished = 1;
    AppendToTitle(" - (Draw)");
}

void TMDIChild::TellEngineResult(const std::string& title) {
    if (!EngineAttached())
        return;
    struct Result {
        const char* title;
        const char* result;
        const char* why;
    };
    static constexpr Result kResults[] = {{" - (White Wins)", "1-0", "White wins"},
                                          {" - (Black Wins)", "0-1", "Black wins"},
                                          {" - (Draw)", "1/2-1/2", "Draw"},
                                          {" - (Stalemate)", "1/2-1/2", "Stalemate"}};
    for (const Result& result : kResults) {
        if (title == result.title)
            m_engine->GameEnded(result.result, result.why);
    }
}

void TMDIChild::OfferStrengths() {
    m_strengthMenu->clear();
    const QStringList levels = m_engine->StrengthLevels();
    m_strengthMenu->menuAction()->setVisible(!levels.isEmpty());
    auto* group = new QActionGroup(m_strengthMenu);
    for (const QString& level : levels) {
        QAction* item = m_strengthMenu->addAction(level);
        item->setObjectName(QStringLiteral("Strength") + level);
        item->setCheckable(true);
        item->setChecked(level == (m_strength.isEmpty() ? levels.front() : m_strength));
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, level] {
            ChooseStrength(level);
            if (engineStrengthHook)
                engineStrengthHook(m_enginePath, level);
        });
    }
    // A level remembered from an earlier game; the engine's own full strength needs no word.
    if (levels.contains(m_strength) && m_strength != levels.front())
        ChooseStrength(m_strength);
}

void TMDIChild::ChooseStrength(const QString& level) {
    m_strength = level;
    if (EngineAttached())
        m_engine->SetStrength(level);
    ShowEngineStrength();
}

void TMDIChild::ShowEngineStrength() {
    const bool limited = EngineAttached() && !m_strength.isEmpty() &&
                         m_engine->StrengthLevels().value(0) != m_strength &&
                         !m_engine->StrengthLevels().isEmpty();
    const std::uint8_t engineColour = m_game.Model().engineColour;
    m_whiteName->setText(limited && engineColour ? QStringLiteral("White (%1)").arg(m_strength)
                                                 : QStringLiteral("White"));
    m_blackName->setText(limited && !engineColour ? QStringLiteral("Black (%1)").arg(m_strength)
                                                  : QStringLiteral("Black"));
}

void TMDIChild::SetEngineOutputShown(bool shown) {
    findChild<QAction*>(QStringLiteral("EngineOutput1"))->setChecked(shown);
    m_engineOutput->setVisible(shown);
    if (shown) {
        // A report from while the panel was hidden may be of an earlier position.
        if (EngineAttached())
            m_engine->TakeThought();
        m_engineOutput->raise();
        m_outputTimer->start();
    } else {
        m_outputTimer->stop();
    }
    if (EngineAttached())
        m_engine->ShowThinking(shown);
}

bool TMDIChild::EngineOutputShown() const {
    return !m_engineOutput->isHidden();
}

void TMDIChild::ShowEngineThought() {
    if (const std::optional<QString> text = TakeEngineThoughtText())
        m_engineOutput->appendPlainText(*text);
}

std::optional<QString> TMDIChild::TakeEngineThoughtText() {
    if (!EngineAttached())
        return std::nullopt;
    const std::optional<EngineThought> thought = m_engine->TakeThought();
    if (!thought)
        return std::nullopt;
    return DescribeThought(*thought, m_game);
}

ChessEngine::MoveList TMDIChild::EngineMoves() const {
    ChessEngine::MoveList moves;
    for (const std::string& line : m_game.Model().moveRecord)
        moves.append(coordinatesOf(line));
    return moves;
}

bool TMDIChild::EngineAttached() const {
    return m_engine && m_engine->Attached();
}

qint64 TMDIChild::EngineProcessId() const {
    return m_engine ? m_engine->ProcessId() : 0;
}

void TMDIChild::SendToEngine(const QByteArray& text) {
    if (!m_engine)
        return;
    QString error;
    if (!m_engine->Send(text, &error))
        ShowEngineError(error);
}

void TMDIChild::SendMoveToEngine(const std::string& from, const std::string& to) {
    if (!EngineAttached())
        return;
    QByteArray text = QByteArray::fromStdString(from + to);
    for (const char letter : m_game.Model().promotionLetter)
        text += static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    const BoardModel& model = m_game.Model();
    const bool engineToMove = !model.finished && model.SideToMove() == model.engineColour;
    m_engineThinking = engineToMove;
    m_engine->UserMoved(text, EngineMoves(), engineToMove);
}

void TMDIChild::CloseEngineLink() {
    if (m_engine) {
        // The game's record names it after it has gone.
        m_engineName = m_engine->Name();
        // The engine may be the sender of the signal that closes it.
        m_engine->Close();
        ChessEngine* engine = m_engine.release();
        engine->setParent(this);
        engine->deleteLater();
    }
    m_engineThinking = false;
    m_drawOffered = false;
    m_timer1->stop();
}

void TMDIChild::Compute1Click() {
    if (!EngineAttached())
        return;
    BoardModel& model = m_game.Model();
    model.engineColour = model.engineColour ? 0 : 1;
    m_engineThinking = true;
    m_engine->Compute(EngineMoves());
    ShowEngineStrength();
}

void TMDIChild::SetSpeed(QAction* item, int seconds) {
    if (EngineAttached()) {
        m_engine->SetSecondsPerMove(seconds);
        m_speedItem = item;
    }
    // Without an engine the ticks stay as they were, though the menu moved one.
    m_speedItem->setChecked(true);
}

void TMDIChild::Fast1Click() {
    SetSpeed(findChild<QAction*>(QStringLiteral("Fast1")), kSpeeds[0].seconds);
}

void TMDIChild::Medium1Click() {
    SetSpeed(findChild<QAction*>(QStringLiteral("Medium1")), kSpeeds[1].seconds);
}

void TMDIChild::Slow1Click() {
    SetSpeed(findChild<QAction*>(QStringLiteral("Slow1")), kSpeeds[2].seconds);
}

void TMDIChild::Timer1Timer() {
    if (!EngineAttached())
        return;
    m_timer1->stop();
    // A drag or the promotion question holds a move half-way; the reply waits for them.
    if (m_dragging || m_askingPromotion) {
        m_timer1->start(GameClock() ? kBusyRetryMs : kPollMs);
        return;
    }
    if (const std::optional<QByteArray> line = m_engine->TakeReplyLine()) {
        m_engineThinking = false;
        // The engine's last thoughts are of the position before its move, so they are read
        // now, but shown after it: its clock stops first.
        const std::optional<QString> thought =
            EngineOutputShown() ? TakeEngineThoughtText() : std::nullopt;
        MakeEngineMove(*line);
        if (thought)
            m_engineOutput->appendPlainText(*thought);
    } else if (m_engine->Ended()) {
        CloseEngineLink();
        return;
    }
    if (EngineAttached())
        m_timer1->start(kPollMs);
}

void TMDIChild::MakeEngineMove(const QByteArray& line) {
    BoardModel& model = m_game.Model();
    // The user can no longer move in a finished game, and neither can the engine.
    if (model.finished)
        return;
    const std::optional<EngineMove> move = ReadEngineMoveIn(line.toStdString(), m_game);
    if (!move)
        return;
    // A refused move is dropped silently; the engine is not told.
    if (MakeMoveFromOutside(move->from, move->to, move->promotion))
        m_drawOffered = false; // an offer lasts until the engine's next move
}
