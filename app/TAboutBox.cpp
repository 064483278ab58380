#include "app/TAboutBox.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    const QIcon programIcon = QApplication::windowIcon().isNull()
                                  ? style()->standardIcon(QStyle::SP_DesktopIcon)
                                  : QApplication::windowIcon();
    icon->setPixmap(programIcon.pixmap(48, 48));

    const auto label = [this](const char* name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    QLabel* product = label("ProductName", QStringLiteral("Rookvale"));
    QFont big = product->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    product->setFont(big);
    QLabel* version = label("Version", QStringLiteral("Version 1.0"));
    QLabel* copyright =
        label("Copyright", QStringLiteral("Copyright \u00a9 The Rookvale developers"));
    QLabel* author =
        label("Author",
              QStringLiteral("Programmed by <a style=\"color:#0000ff; text-decoration:underline\" "
                             "href=\"https://rookvale.example/\">the Rookvale team</a>"));
    // The browser opens the page; the label shows the hand pointer over the link itself.
    author->setOpenExternalLinks(true);
    author->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    QLabel* thanksHeading = label("SpecialThanks", QStringLiteral("<b>Special Thanks</b>"));
    QLabel* thanks1 = label("Thanks1", QStringLiteral("The Qt Project, for the toolkit"));
    QLabel* thanks2 =
        label("Thanks2", QStringLiteral("Everyone who tested early builds over the network"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText(QStringLiteral("OK"));
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    for (QLabel* l : {product, version, copyright, author})
        text->addWidget(l);
    text->addSpacing(8);
    for (QLabel* l : {thanksHeading, thanks1, thanks2})
        text->addWidget(l);
    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, Qt::AlignTop);
    grid->addLayout(text, 0, 1);
    grid->addWidget(buttons, 1, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}
