#pragma once

#include <QByteArray>

#include <optional>

// What an xboard engine said it can do in its "feature" lines (protocol version 2).
struct XboardFeatures {
    struct Spin {
        QByteArray name;
        qint64 min = 0;
        qint64 max = 0;
    };

    bool ping = false;
    bool setboard = false;
    bool draw = true;          // takes draw offers ("draw=0": do not send "draw")
    QByteArray name;           // the engine's own name ("myname"), empty when not given
    std::optional<Spin> level; // an option that sets its playing strength, weakest at min
    bool done = false;         // "done=1": all features are in

    // Reads one "feature" line (key=value pairs, values plain or in double quotes) into
    // these features and returns what the engine must be told back: "accepted KEY" or
    // "rejected KEY" for each, each with a line feed. "usermove" and "san" are refused,
    // the dialogue sends plain coordinates. Returns nothing for a line that is not one.
    QByteArray Read(const QByteArray& line);
};
