#pragma once

#include <QString>

class TRegExtension;

inline const QString kGameFileExtension = QStringLiteral(".rvg");
inline const QString kGameFileDescription = QStringLiteral("Rookvale File");

enum class AssociationResult { AlreadyRegistered, Registered, RegisterFailed };

// Makes game files open with the program at `program`: when the type is missing, cannot
// be read, or its open command is not exactly execLine(program, "%f"), the association is
// written anew. Silent either way; the result is for the caller's curiosity only.
AssociationResult checkAssociation(TRegExtension& registry, const QString& program);
