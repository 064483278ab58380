#include "app/IniFile.h"

#include "app/AtomicWrite.h"

#include <QFile>
#include <QFileInfo>

namespace {

bool isSectionLine(const QString& line) {
    const QString trimmed = line.trimmed();
    return trimmed.startsWith('[') && trimmed.endsWith(']');
}

QString sectionName(const QString& line) {
    const QString trimmed = line.trimmed();
    return trimmed.mid(1, trimmed.size() - 2).trimmed();
}

// The key of a "key=value" line, or an empty text for any other line.
QString keyName(const QString& line) {
    const int equals = line.indexOf('=');
    return equals < 0 ? QString() : line.left(equals).trimmed();
}

// The lines of `text` split at "\r\n", "\n" and "\r" alike, as the files' writers end them;
// a final line end leaves an empty last piece. Done by hand: a regular expression here
// would load and compile the expression engine at every start for this alone.
QStringList splitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != '\n' && c != '\r')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    lines.append(text.mid(start));
    return lines;
}

} // namespace

IniFile::IniFile(QString path, QString newLineEnd)
    : m_path(std::move(path)), m_lineEnd(std::move(newLineEnd)) {
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QString text = QString::fromUtf8(file.readAll());
    // Other programs read some of these files too (desktop entries, the default
    // applications): rewriting must not change the line ends under them.
    if (text.contains(QStringLiteral("\r\n")))
        m_lineEnd = QStringLiteral("\r\n");
    else if (text.contains('\n'))
        m_lineEnd = QStringLiteral("\n");
    else if (text.contains('\r'))
        m_lineEnd = QStringLiteral("\r");
    m_lines = splitLines(text);
    // A final line end leaves one empty piece behind that is not a line of the file.
    if (!m_lines.isEmpty() && m_lines.last().isEmpty())
        m_lines.removeLast();
}

int IniFile::findSection(const QString& section) const {
    for (int i = 0; i < m_lines.size(); ++i) {
        if (isSectionLine(m_lines[i]) &&
            sectionName(m_lines[i]).compare(section, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int IniFile::sectionEnd(int sectionLine) const {
    int end = sectionLine + 1;
    while (end < m_lines.size() && !isSectionLine(m_lines[end]))
        ++end;
    return end;
}

int IniFile::findKey(int sectionLine, const QString& key) const {
    const int end = sectionEnd(sectionLine);
    for (int i = sectionLine + 1; i < end; ++i) {
        if (keyName(m_lines[i]).compare(key, Qt::CaseInsensitive) == 0 && !key.isEmpty())
            return i;
    }
    return -1;
}

QString IniFile::value(const QString& section, const QString& key, const QString& fallback) const {
    const int sectionLine = findSection(section);
    if (sectionLine < 0)
        return fallback;
    const int keyLine = findKey(sectionLine, key);
    if (keyLine < 0)
        return fallback;
    const QString& line = m_lines[keyLine];
    return line.mid(line.indexOf('=') + 1).trimmed();
}

void IniFile::setValue(const QString& section, const QString& key, const QString& value) {
    const QString entry = key + '=' + value;
    int sectionLine = findSection(section);
    if (sectionLine < 0) {
        m_lines.append('[' + section + ']');
        m_lines.append(entry);
        return;
    }
    const int keyLine = findKey(sectionLine, key);
    if (keyLine >= 0) {
        m_lines[keyLine] = entry;
        return;
    }
    // Blank lines that close a section belong visually to the gap before the next one.
    int insertAt = sectionEnd(sectionLine);
    while (insertAt > sectionLine + 1 && m_lines[insertAt - 1].trimmed().isEmpty())
        --insertAt;
    m_lines.insert(insertAt, entry);
}

QString IniFile::text() const {
    QString result;
    for (const QString& line : m_lines)
        result += line + m_lineEnd;
    return result;
}

bool IniFile::save() const {
    // Replacing the file through a temporary one would also succeed over a file that the
    // user made read-only; honour that protection as the original format's writer does.
    const QFileInfo info(m_path);
    if (info.exists() && !info.isWritable())
        return false;
    return writeFileAtomically(m_path, text().toUtf8());
}
