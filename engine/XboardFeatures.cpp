#include "XboardFeatures.h"

#include <QList>

namespace {

// "NAME -spin DEFAULT MIN MAX": a numeric option; a strength option has one of these
// words in its name.
std::optional<XboardFeatures::Spin> strengthSpin(const QByteArray& option) {
    const qsizetype at = option.indexOf(" -spin ");
    if (at <= 0)
        return std::nullopt;
    const QByteArray name = option.left(at).trimmed();
    const QByteArray lower = name.toLower();
    if (!lower.contains("skill") && !lower.contains("strength") && !lower.contains("elo"))
        return std::nullopt;
    const QList<QByteArray> values = option.mid(at + 7).simplified().split(' ');
    bool okMin = false, okMax = false;
    const qint64 min = values.value(1).toLongLong(&okMin);
    const qint64 max = values.value(2).toLongLong(&okMax);
    if (!okMin || !okMax || min >= max)
        return std::nullopt;
    return XboardFeatures::Spin{name, min, max};
}

} // namespace

QByteArray XboardFeatures::Read(const QByteArray& line) {
    const QByteArray text = line.trimmed();
    if (!text.startsWith("feature "))
        return {};
    QByteArray answer;
    qsizetype at = 8;
    while (at < text.size()) {
        while (at < text.size() && text[at] == ' ')
            ++at;
        const qsizetype equals = text.indexOf('=', at);
        if (equals < 0)
            break;
        const QByteArray key = text.mid(at, equals - at).trimmed();
        QByteArray value;
        if (equals + 1 < text.size() && text[equals + 1] == '"') {
            const qsizetype close = text.indexOf('"', equals + 2);
            const qsizetype end = close < 0 ? text.size() : close;
            value = text.mid(equals + 2, end - equals - 2);
            at = end + 1;
        } else {
            const qsizetype blank = text.indexOf(' ', equals);
            const qsizetype end = blank < 0 ? text.size() : blank;
            value = text.mid(equals + 1, end - equals - 1);
            at = end;
        }
        if (key.isEmpty() || key.contains(' '))
            continue;
        const bool on = value == "1";
        bool accepted = true;
        if (key == "ping")
            ping = on;
        else if (key == "setboard")
            setboard = on;
        else if (key == "draw")
            draw = on;
        else if (key == "myname")
            name = value;
        else if (key == "done")
            done = on;
        else if (key == "option" && !level)
            level = strengthSpin(value);
        else if ((key == "usermove" || key == "san") && on)
            accepted = false;
        answer += (accepted ? "accepted " : "rejected ") + key + '\n';
    }
    return answer;
}
