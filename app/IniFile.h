#pragma once

#include <QString>
#include <QStringList>

// An initialisation file in the Windows format ("[Section]" lines and "key=value"
// lines), read and written by hand because its text must keep the order in which keys
// were first written, which QSettings does not.
//
// Section and key names match without regard to case, as in the original format.
// Lines that are neither are kept as they are, so that rewriting a file changes
// nothing but the value set.
class IniFile {
public:
    // Reads the file at `path`. A missing or unreadable file reads as empty. Lines are
    // written with the line end the file already uses, or `newLineEnd` for a new file.
    explicit IniFile(QString path, QString newLineEnd = QStringLiteral("\r\n"));

    const QString& path() const { return m_path; }

    // The value of `key` in `section`, trimmed of blanks; `fallback` when either is missing.
    QString value(const QString& section, const QString& key,
                  const QString& fallback = QString()) const;

    // Sets the value in memory: an existing key keeps its place, a new key goes to the end
    // of its section, and a new section goes to the end of the file.
    void setValue(const QString& section, const QString& key, const QString& value);

    // The whole file text, every line followed by the line end.
    QString text() const;

    // Writes text() to the file, replacing it in one step. Returns false and leaves the
    // old file as it was when the folder or the file cannot be written.
    bool save() const;

private:
    int findSection(const QString& section) const;
    int findKey(int sectionLine, const QString& key) const;
    int sectionEnd(int sectionLine) const;

    QString m_path;
    QString m_lineEnd;
    QStringList m_lines;
};
