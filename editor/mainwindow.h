#pragma once

#include <array>

#include <QFont>
#include <QMainWindow>
#include <QPointer>

#include "rom/slotaddress.h"
#include "rom/supportedgames.h"

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

/// The editor's only working window. The controller drives its controls; the window itself only handles
/// its About box, its close button and the slot buttons' keys. A control's object name is its member's name;
/// the slot buttons are slotButton1 to slotButton7, the game notices supportedGameLabel and the game code.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    /// Slot button k (1 to 7).
    QPushButton* slotButton(int slot) const;
    /// The About box while it is open, else nullptr.
    AboutBox* aboutBox() const;

    QMenu* fileMenu;
    QAction* openAction;
    QAction* saveAction;
    QAction* exitAction;
    QAction* aboutAction;

    QButtonGroup* slotButtons;  // ids 1 to 7, exclusive, none on at start

    QLabel* yourRomLabel;
    QLabel* romNameLabel;    // the open game's caption
    QLabel* constantMarker;  // never shows text: shown, it says the parameter is the constant 0

    QGroupBox* speciesFrame;
    QGroupBox* methodFrame;
    QGroupBox* levelFrame;
    QGroupBox* itemFrame;
    QGroupBox* speciesParameterFrame;
    QGroupBox* moveFrame;
    QGroupBox* targetFrame;
    QGroupBox* supportedRomsFrame;

    QListWidget* speciesList;        // the species whose slots are shown
    QComboBox* methodBox;
    QComboBox* levelBox;
    QComboBox* itemBox;
    QComboBox* speciesParameterBox;  // a species as the method's parameter
    QComboBox* moveBox;
    QComboBox* targetBox;            // the species evolved into

    std::array<QLabel*, rom::kSupportedGames.size()> supportedGameLabels{};  // in rom::kSupportedGames order

    QtDialogs* dialogs;  // the open dialog and message boxes

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

    std::array<QPushButton*, rom::EvolutionRecord::kSlots> m_buttonOfSlot{};
    QPointer<AboutBox> m_about;
};

}  // namespace editor
