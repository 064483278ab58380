#pragma once

#include <QFile>
#include <QString>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

// Makes a folder read-only for as long as it lives. Root is not bound by permissions, so
// under root the process's file-size limit is also set to zero while it lives: every write
// then fails as it would for an ordinary user, which is what the tests need to see.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(QString folder) : m_folder(std::move(folder)) {
        QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::ExeOwner);
        if (geteuid() == 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            getrlimit(RLIMIT_FSIZE, &m_oldLimit);
            rlimit zero = m_oldLimit;
            zero.rlim_cur = 0;
            setrlimit(RLIMIT_FSIZE, &zero);
        }
    }
    ~ReadOnlyFolder() {
        if (geteuid() == 0)
            setrlimit(RLIMIT_FSIZE, &m_oldLimit);
        QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

private:
    QString m_folder;
    rlimit m_oldLimit{};
};
