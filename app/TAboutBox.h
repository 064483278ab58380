#pragma once

#include <QDialog>

// The about box: the program's icon, name and version, the rights holder, the author's
// credit as a link that opens in the user's web browser, and the thanks. Modal, fixed size.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
};
