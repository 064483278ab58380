#pragma once

#include <QString>

#include <memory>
#include <vector>

// File-type association over the freedesktop files: a shared-mime-info type for the
// extension, a desktop entry that opens such files with the program, and the entry made
// the type's default application. The names and the shape of the component follow the
// association component the program has always had; the "registry" it writes is:
//
//   $XDG_DATA_HOME/mime/packages/<P>.xml       the type, its description and glob
//   $XDG_DATA_HOME/applications/<app>-<P>.desktop the commands; the default verb is Exec
//   $XDG_CONFIG_HOME/mimeapps.list              [Default Applications] type=that entry
//
// with P the extension without its "." followed by "file" ("rvgfile"), the type named
// "application/x-" followed by P, and <app> the program's file name.

// One verb of a file type: a name ("open"), a caption ("&Open") and the parameters that
// follow the program in the command. The parameters always carry the file argument as a
// bare "%f": a quoted or Windows-style "%1" becomes "%f", and parameters without it get
// " %f" appended (desktop entries forbid quotation marks around a field code).
struct TExtCommand {
    TExtCommand(QString name, QString caption, QString parameters);
    QString name;
    QString caption;
    QString parameters;
};

// The verbs of one file type in order; the default verb is the first one added unless
// set otherwise.
struct TExtCommands {
    void Add(const QString& name, const QString& caption, const QString& parameters);
    QString defaultVerb;
    std::vector<std::unique_ptr<TExtCommand>> list;
    // An empty list gets an "open" verb when the type is written.
    bool addDefaultOpen = true;
};

// One file type. When registering, `path` is the program's full file name; when read
// back it is the open command (the desktop entry's Exec line).
struct TExtInfo {
    // An empty description becomes the extension without its "." followed by " File".
    void SetExtension(const QString& extension);
    // An empty icon becomes the program's file name, the icon-theme name it is known by.
    void SetPath(const QString& path);
    QString extension;
    QString path;
    QString description;
    QString icon;
    TExtCommands commands;
};

// The exact Exec line for the program at `program` with these parameters: the program's
// path in quotation marks (escaped as the desktop entry format asks), a blank, then the
// parameters.
QString execLine(const QString& program, const QString& parameters);

class TRegExtension {
public:
    // Uses $XDG_DATA_HOME (default ~/.local/share) and $XDG_CONFIG_HOME (default ~/.config).
    TRegExtension();
    TRegExtension(QString dataHome, QString configHome);

    // Appends a record to register; a null record is refused (returns false).
    bool Add(std::unique_ptr<TExtInfo> info);

    // Writes every listed record in order, stopping at the first failure, then asks the
    // desktop databases to refresh in any case (in the background: see DatabaseRefresh).
    // Returns the result of the last record written (true for an empty list). The list is
    // emptied.
    bool Register();

    // Writes the files of one record. False when the extension or path is empty or a
    // file cannot be written; never throws, never shows anything.
    bool CreateExtension(TExtInfo& info);

    // Reads a file type back, or null when it is not registered or cannot be read.
    std::unique_ptr<TExtInfo> GetExtInfo(const QString& extension) const;

    // Whether a type for the extension is written.
    bool IsRegistered(const QString& extension) const;

    const QString& dataHome() const { return m_dataHome; }
    const QString& configHome() const { return m_configHome; }

private:
    QString mimePackageFile(const QString& typeKey) const;
    QString desktopEntryName(const QString& typeKey, const QString& program) const;
    QString defaultsFile() const;
    void refreshDatabases() const;

    QString m_dataHome;
    QString m_configHome;
    std::vector<std::unique_ptr<TExtInfo>> m_infos;
};
