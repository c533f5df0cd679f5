#include "editor/aboutbox.h"

#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <QPushButton>

#include "editor/contrast.h"
#include "editor/mainwindow.h"

namespace editor {
namespace {

QLabel* aboutLabel(QWidget* parent, const char* name, const QString& text, const QColor& colour, int left, int top,
                   int width, int height)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(px(left), px(top), px(width), px(height));
    label->setFont(palatinoFont(12, true, true));
    label->setAutoFillBackground(false);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

}  // namespace

AboutBox::AboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("aboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(px(5730), px(3555));

    // Stands in for the active title bar's text colour, which Qt has no role for.
    QPalette background = palette();
    QColor titleText = QApplication::palette().color(QPalette::Active, QPalette::HighlightedText);
    if (!titleText.isValid())
        titleText = Qt::white;
    background.setColor(QPalette::Window, titleText);
    setPalette(background);
    setAutoFillBackground(true);

    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setGeometry(px(1980), px(2790), px(1260), px(345));
    okButton->setFont(QApplication::font(okButton));
    okButton->setDefault(true);
    okButton->setAccessibleName(QStringLiteral("OK"));
    // A dialog already maps Esc to reject(); both end the same way as OK.
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

    // The background follows the desktop's colours, so fixed black text (or the button text colour) can
    // vanish on a dark scheme: every label takes black or white, whichever reads on the background.
    const QColor text = blackOrWhiteOn(titleText);
    creditLabel = aboutLabel(this, "creditLabel", QStringLiteral("Hack by Draskel"), text, 1740, 1935, 2235, 495);
    versionLabel = aboutLabel(this, "versionLabel", QStringLiteral("Final Version"), text, 3750, 2760, 1545, 375);
    noteLabel = aboutLabel(this, "noteLabel",
                           QStringLiteral("I tested this App Many Times If you find any bug Please Report  me  "), text,
                           780, 840, 4095, 915);
    noteLabel->setWordWrap(true);

    okButton->setFocus();
}

}  // namespace editor
