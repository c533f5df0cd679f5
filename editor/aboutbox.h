#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace editor {

/// The credits window. Every way of closing it (OK, Enter, Esc, the window frame) ends in finished().
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    QPushButton* cmdOK;
    QLabel* lblDescription;
    QLabel* lblVersion;
    QLabel* Label1;
};

}  // namespace editor
