#pragma once

#include <QObject>
#include <QStringList>

class QMimeData;
class QWidget;
class TMainForm;

// The local files a drag carries, in order; empty for anything else (a piece dragged on
// the board, text, remote addresses).
QStringList droppedFiles(const QMimeData* data);

// Makes a drop of files on a game window (its squares, chat line, move list, advertisement)
// open them as a drop on the main window does, instead of the widget under the pointer
// taking them as text or as a move. Other drags reach the widgets as before.
class FileDropFilter : public QObject {
    Q_OBJECT
public:
    explicit FileDropFilter(TMainForm& form);

    // Watches every widget of `window` that takes drops, as the window is now.
    void watch(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TMainForm& m_form;
};
