#include "app/FileDrop.h"

#include "app/TMainForm.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

QStringList droppedFiles(const QMimeData* data) {
    QStringList names;
    if (!data || !data->hasUrls())
        return names;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            names << url.toLocalFile();
    }
    return names;
}

FileDropFilter::FileDropFilter(TMainForm& form) : QObject(&form), m_form(form) {}

void FileDropFilter::watch(QWidget* window) {
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* widget : widgets) {
        // Installed after the window's own filters, this one sees the events first.
        if (widget->acceptDrops())
            widget->installEventFilter(this);
    }
}

bool FileDropFilter::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        break;
    default:
        return QObject::eventFilter(watched, event);
    }
    auto* drop = static_cast<QDropEvent*>(event);
    const QStringList names = droppedFiles(drop->mimeData());
    if (names.isEmpty())
        return false;
    drop->acceptProposedAction();
    if (event->type() == QEvent::Drop)
        m_form.OpenDroppedFilesLater(names);
    return true;
}
