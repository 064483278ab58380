#include "app/FileExtension.h"

#include "app/AtomicWrite.h"
#include "app/DatabaseRefresh.h"
#include "app/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {

const QString kEntrySection = QStringLiteral("Desktop Entry");
const QString kDefaultsSection = QStringLiteral("Default Applications");
const QString kVerbKey = QStringLiteral("X-Rookvale-Verb");
const QString kCaptionKey = QStringLiteral("X-Rookvale-Caption");
const QString kFreedesktopLineEnd = QStringLiteral("\n");

// "rvgfile" for ".rvg": the key every file of the type is named after.
QString typeKeyOf(const QString& extension) {
    const QString bare = extension.startsWith('.') ? extension.mid(1) : extension;
    return bare + QStringLiteral("file");
}

QString mimeTypeOf(const QString& typeKey) {
    return QStringLiteral("application/x-") + typeKey;
}

QString homeFolder(const char* variable, const QString& fallbackBelowHome) {
    const QString set = qEnvironmentVariable(variable);
    // A relative XDG folder is to be ignored, as if it were not set.
    if (!set.isEmpty() && QDir::isAbsolutePath(set))
        return set;
    return QDir::home().filePath(fallbackBelowHome);
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    return QDir().mkpath(QFileInfo(path).absolutePath()) && writeFileAtomically(path, bytes);
}

QByteArray mimePackageText(const TExtInfo& info, const QString& typeKey) {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeDefaultNamespace(
        QStringLiteral("http://www.freedesktop.org/standards/shared-mime-info"));
    xml.writeStartElement(QStringLiteral("mime-info"));
    xml.writeStartElement(QStringLiteral("mime-type"));
    xml.writeAttribute(QStringLiteral("type"), mimeTypeOf(typeKey));
    xml.writeTextElement(QStringLiteral("comment"), info.description);
    if (!info.icon.isEmpty()) {
        xml.writeEmptyElement(QStringLiteral("icon"));
        xml.writeAttribute(QStringLiteral("name"), info.icon);
    }
    xml.writeEmptyElement(QStringLiteral("glob"));
    xml.writeAttribute(QStringLiteral("pattern"), '*' + info.extension);
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

// The description and icon of the type written in a MIME package file.
bool readMimePackage(const QString& path, QString& description, QString& icon) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("comment"))
            description = xml.readElementText();
        else if (xml.name() == QLatin1String("icon"))
            icon = xml.attributes().value(QLatin1String("name")).toString();
    }
    return !xml.hasError();
}

// Desktop entry values escape a backslash as "\\"; so does every other escape below.
QString escapeDesktopValue(const QString& text) {
    QString escaped = text;
    return escaped.replace('\\', QStringLiteral("\\\\"));
}

} // namespace

TExtCommand::TExtCommand(QString name, QString caption, QString parameters)
    : name(std::move(name)), caption(std::move(caption)) {
    parameters.replace(QStringLiteral("\"%1\""), QStringLiteral("%f"));
    parameters.replace(QStringLiteral("%1"), QStringLiteral("%f"));
    parameters.replace(QStringLiteral("\"%f\""), QStringLiteral("%f"));
    if (!parameters.contains(QStringLiteral("%f")))
        parameters = (parameters + QStringLiteral(" %f")).trimmed();
    this->parameters = parameters;
}

void TExtCommands::Add(const QString& name, const QString& caption, const QString& parameters) {
    list.push_back(std::make_unique<TExtCommand>(name, caption, parameters));
    if (defaultVerb.isEmpty())
        defaultVerb = name;
}

void TExtInfo::SetExtension(const QString& newExtension) {
    extension = newExtension;
    if (description.isEmpty())
        description = newExtension.mid(1) + QStringLiteral(" File");
}

void TExtInfo::SetPath(const QString& newPath) {
    path = newPath;
    if (icon.isEmpty())
        icon = QFileInfo(newPath).fileName();
}

QString execLine(const QString& program, const QString& parameters) {
    // Inside a quoted argument of Exec these four characters need a backslash.
    QString quoted;
    for (const QChar c : program) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    // A literal "%" would otherwise read as a field code.
    quoted.replace('%', QStringLiteral("%%"));
    return escapeDesktopValue('"' + quoted + '"') + ' ' + parameters;
}

TRegExtension::TRegExtension()
    : TRegExtension(homeFolder("XDG_DATA_HOME", QStringLiteral(".local/share")),
                    homeFolder("XDG_CONFIG_HOME", QStringLiteral(".config"))) {}

TRegExtension::TRegExtension(QString dataHome, QString configHome)
    : m_dataHome(std::move(dataHome)), m_configHome(std::move(configHome)) {}

QString TRegExtension::mimePackageFile(const QString& typeKey) const {
    return QDir(m_dataHome).filePath(QStringLiteral("mime/packages/") + typeKey + ".xml");
}

QString TRegExtension::desktopEntryName(const QString& typeKey, const QString& program) const {
    return QFileInfo(program).fileName().toLower() + '-' + typeKey + QStringLiteral(".desktop");
}

QString TRegExtension::defaultsFile() const {
    return QDir(m_configHome).filePath(QStringLiteral("mimeapps.list"));
}

bool TRegExtension::Add(std::unique_ptr<TExtInfo> info) {
    if (!info)
        return false;
    m_infos.push_back(std::move(info));
    return true;
}

bool TRegExtension::Register() {
    bool result = true;
    for (const std::unique_ptr<TExtInfo>& info : m_infos) {
        result = CreateExtension(*info);
        if (!result)
            break;
    }
    m_infos.clear();
    refreshDatabases();
    return result;
}

bool TRegExtension::CreateExtension(TExtInfo& info) {
    if (info.extension.size() < 2 || info.path.isEmpty())
        return false;
    const QString typeKey = typeKeyOf(info.extension);
    if (!writeFile(mimePackageFile(typeKey), mimePackageText(info, typeKey)))
        return false;

    if (info.commands.list.empty() && info.commands.addDefaultOpen)
        info.commands.Add(QStringLiteral("open"), QStringLiteral("&Open"), QStringLiteral("%f"));

    const QString entryName = desktopEntryName(typeKey, info.path);
    IniFile entry(QDir(m_dataHome).filePath(QStringLiteral("applications/") + entryName),
                  kFreedesktopLineEnd);
    entry.setValue(kEntrySection, QStringLiteral("Type"), QStringLiteral("Application"));
    const QString programName = QFileInfo(info.path).completeBaseName();
    entry.setValue(kEntrySection, QStringLiteral("Name"),
                   programName.left(1).toUpper() + programName.mid(1));
    QStringList actions;
    for (const std::unique_ptr<TExtCommand>& command : info.commands.list) {
        const QString exec = execLine(info.path, command->parameters);
        if (command->name == info.commands.defaultVerb) {
            entry.setValue(kEntrySection, QStringLiteral("Exec"), exec);
            entry.setValue(kEntrySection, kVerbKey, command->name);
            entry.setValue(kEntrySection, kCaptionKey, command->caption);
            continue;
        }
        const QString section = QStringLiteral("Desktop Action ") + command->name;
        entry.setValue(section, QStringLiteral("Name"), command->caption);
        entry.setValue(section, QStringLiteral("Exec"), exec);
        actions << command->name;
    }
    if (!actions.isEmpty())
        entry.setValue(kEntrySection, QStringLiteral("Actions"), actions.join(';') + ';');
    entry.setValue(kEntrySection, QStringLiteral("Icon"), info.icon);
    entry.setValue(kEntrySection, QStringLiteral("MimeType"), mimeTypeOf(typeKey) + ';');
    entry.setValue(kEntrySection, QStringLiteral("Terminal"), QStringLiteral("false"));
    if (!QDir().mkpath(QFileInfo(entry.path()).absolutePath()) || !entry.save())
        return false;

    if (!QDir().mkpath(m_configHome))
        return false;
    IniFile defaults(defaultsFile(), kFreedesktopLineEnd);
    defaults.setValue(kDefaultsSection, mimeTypeOf(typeKey), entryName);
    return defaults.save();
}

std::unique_ptr<TExtInfo> TRegExtension::GetExtInfo(const QString& extension) const {
    const QString dotted = extension.startsWith('.') ? extension : '.' + extension;
    const QString typeKey = typeKeyOf(dotted);
    QString description;
    QString icon;
    if (!readMimePackage(mimePackageFile(typeKey), description, icon))
        return nullptr;
    const QString entryName = IniFile(defaultsFile()).value(kDefaultsSection, mimeTypeOf(typeKey));
    if (entryName.isEmpty())
        return nullptr;
    const IniFile entry(QDir(m_dataHome).filePath(QStringLiteral("applications/") + entryName));

    auto info = std::make_unique<TExtInfo>();
    info->extension = dotted;
    info->description = description;
    info->path = entry.value(kEntrySection, QStringLiteral("Exec"));
    info->icon = entry.value(kEntrySection, QStringLiteral("Icon"), icon);
    const QString verb = entry.value(kEntrySection, kVerbKey, QStringLiteral("open"));
    info->commands.Add(verb, entry.value(kEntrySection, kCaptionKey), info->path);
    const QStringList actions =
        entry.value(kEntrySection, QStringLiteral("Actions")).split(';', Qt::SkipEmptyParts);
    for (const QString& action : actions) {
        const QString section = QStringLiteral("Desktop Action ") + action;
        info->commands.Add(action, entry.value(section, QStringLiteral("Name")),
                           entry.value(section, QStringLiteral("Exec")));
    }
    return info;
}

bool TRegExtension::IsRegistered(const QString& extension) const {
    const QString dotted = extension.startsWith('.') ? extension : '.' + extension;
    return QFileInfo::exists(mimePackageFile(typeKeyOf(dotted)));
}

void TRegExtension::refreshDatabases() const {
    DatabaseRefresh::Request(m_dataHome);
}
