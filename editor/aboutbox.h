#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace editor {

/// The credits window. Every way of closing it (OK, Enter, Esc, the window frame) ends in finished().
class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);

    QPushButton* okButton;
    QLabel* creditLabel;
    QLabel* versionLabel;
    QLabel* noteLabel;
};

}  // namespace editor
