#pragma once

#include <QObject>

#include <string>
#include <utility>
#include <vector>

// What a game window read from PGN keeps of it, so that saving it as PGN writes the
// file's tags, result and comments back. A child object of the game window.
class PgnOrigin : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    std::vector<std::pair<std::string, std::string>> tags;
    std::vector<std::string> comments; // per move
    std::string result;                // the file's result
};
