#pragma once

#include <array>

#include <QFont>
#include <QMainWindow>
#include <QPointer>

class QAction;
class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;

namespace editor {

class QtDialogs;
class AboutBox;

/// Layout units are twips; 15 to a logical pixel, rounded to the nearest.
constexpr int px(int twips) { return (twips + 7) / 15; }

/// The layout's faces, with the nearest serif faces standing in where they are not installed.
QFont palatinoFont(qreal points, bool bold, bool italic);
QFont georgiaFont(qreal points, bool bold);

/// The editor's only working window. Controls keep their layout names as member and object names;
/// the controller drives them, the window itself only handles its About box, its close button and
/// the slot buttons' keys.
class Form1 : public QMainWindow {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    /// Slot button k (1 to 7).
    QPushButton* option(int slot) const;
    /// The About box while it is open, else nullptr.
    AboutBox* aboutBox() const;

    QMenu* File1;
    QAction* Open1;
    QAction* save;
    QAction* Exit1;
    QAction* About1;

    QPushButton* Option1;
    QPushButton* Option2;
    QPushButton* Option3;
    QPushButton* Option4;
    QPushButton* Option5;
    QPushButton* Option6;
    QPushButton* Option7;
    QButtonGroup* slotButtons;  // ids 1 to 7, exclusive, none on at start

    QLabel* Label2;
    QLabel* romname;
    QLabel* Label13;

    QGroupBox* Frame1;
    QGroupBox* Frame2;
    QGroupBox* Frame3;
    QGroupBox* Frame4;
    QGroupBox* Frame5;
    QGroupBox* Frame6;
    QGroupBox* Frame7;
    QGroupBox* Frame8;

    QListWidget* atklist;
    QComboBox* Combo1;
    QComboBox* Combo2;
    QComboBox* Combo3;
    QComboBox* Combo4;
    QComboBox* Combo5;
    QComboBox* Combo6;

    QLabel* Label9;
    QLabel* Label11;

    QtDialogs* CommonDialog1;

public slots:
    void showAbout();

signals:
    /// The window frame's close button was used while the window takes input; the program should end as
    /// File > Exit ends it.
    void closeRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void buildControls();
    void setTabOrderOfLayout();
    void makeCheckedSlotTheTabStop();
    bool moveSlotByArrow(QPushButton* from, int key);
    void aboutClosed();

    std::array<QPushButton*, 7> m_options{};
    QPointer<AboutBox> m_about;
};

}  // namespace editor
