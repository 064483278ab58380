#include "EngineThought.h"

#include <cctype>

namespace {

std::optional<qint64> number(const QByteArray& word) {
    bool ok = false;
    const qint64 value = word.toLongLong(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

} // namespace

std::optional<EngineThought> ReadUciInfo(const QByteArray& line) {
    const QList<QByteArray> words = line.simplified().split(' ');
    if (words.front() != "info")
        return std::nullopt;
    EngineThought thought;
    qsizetype i = 1;
    while (i < words.size()) {
        const QByteArray& field = words[i];
        const QByteArray value = words.value(i + 1);
        if (field == "pv") {
            thought.pv = words.mid(i + 1);
            break;
        }
        if (field == "string")
            return std::nullopt; // free text to the end of the line
        if (field == "score") {
            const std::optional<qint64> points = number(words.value(i + 2));
            if ((value == "cp" || value == "mate") && points) {
                thought.mate = value == "mate";
                thought.score = static_cast<int>(*points);
            }
            i += 3;
            if (words.value(i) == "lowerbound" || words.value(i) == "upperbound")
                ++i;
            continue;
        }
        if (field == "wdl") {
            i += 4; // win, draw and loss per mille
            continue;
        }
        if (field == "depth")
            thought.depth = static_cast<int>(number(value).value_or(0));
        else if (field == "time")
            thought.timeMs = number(value).value_or(0);
        else if (field == "nodes")
            thought.nodes = number(value).value_or(0);
        // Every other field, known or not, is taken to carry one value.
        i += 2;
    }
    if (thought.pv.isEmpty())
        return std::nullopt;
    return thought;
}

std::optional<EngineThought> ReadXboardThinking(const QByteArray& line) {
    const QList<QByteArray> words = line.simplified().split(' ');
    if (words.size() < 5)
        return std::nullopt;
    QByteArray ply = words[0];
    while (!ply.isEmpty() && !std::isdigit(static_cast<unsigned char>(ply.back())))
        ply.chop(1);
    const std::optional<qint64> depth = number(ply);
    const std::optional<qint64> score = number(words[1]);
    const std::optional<qint64> centiseconds = number(words[2]);
    const std::optional<qint64> nodes = number(words[3]);
    if (!depth || !score || !centiseconds || !nodes)
        return std::nullopt;
    EngineThought thought;
    thought.depth = static_cast<int>(*depth);
    thought.score = static_cast<int>(*score);
    thought.timeMs = *centiseconds * 10;
    thought.nodes = *nodes;
    thought.pv = words.mid(4);
    return thought;
}
