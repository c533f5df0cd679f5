#include "editor/mainwindow.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QWindow>

#include "editor/aboutbox.h"
#include "editor/contrast.h"
#include "editor/dialogs.h"
#include "editor/listcontrols.h"
#include "rom/methods.h"
#include "rom/namelists.h"
#include "rom/supportedgames.h"

namespace editor {
namespace {

constexpr int kSlots = rom::EvolutionRecord::kSlots;
constexpr int kClientWidth = 10575;
constexpr int kClientHeight = 8625;

template <typename W>
W* place(QWidget* container, const char* name, int left, int top, int width, int height)
{
    auto* widget = new W(container);
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(px(left), px(top), px(width), px(height));
    return widget;
}

// Frames with the caption set into the top border, so that positions inside a frame count from its
// outer corner; the stock styles put the caption above the border and the drop-downs would straddle it.
// A proxy style on the frames alone: a style sheet would restyle every control inside them too.
class FrameCaptionStyle : public QProxyStyle {
public:
    FrameCaptionStyle() : QProxyStyle(QApplication::style()->name()) {}

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                         const QWidget* widget) const override
    {
        const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
        if (control != CC_GroupBox || !box)
            return QProxyStyle::subControlRect(control, option, part, widget);
        const int captionHeight = box->fontMetrics.height();
        const QRect r = option->rect;
        switch (part) {
        case SC_GroupBoxFrame:
            return r.adjusted(0, captionHeight / 2, 0, 0);
        case SC_GroupBoxLabel:
            return QRect(r.left() + kCaptionIndent, r.top(),
                         box->fontMetrics.horizontalAdvance(box->text) + 2 * kCaptionPadding, captionHeight);
        case SC_GroupBoxContents:
            return r.adjusted(1, captionHeight, -1, -1);
        default:
            return QProxyStyle::subControlRect(control, option, part, widget);
        }
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override
    {
        const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
        if (control != CC_GroupBox || !box) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        // An etched border, as classic frames have: a dark line with a light one inside and below it. On
        // a dark scheme both can sit too close to the face to see; each then moves away from it until it
        // stands out as much as on the classic light face, which keeps its own colours.
        const QRect border = subControlRect(control, option, SC_GroupBoxFrame, widget).adjusted(0, 0, -1, -1);
        const QColor face = box->palette.color(QPalette::Window);
        painter->save();
        painter->setPen(awayFrom(box->palette.color(QPalette::Mid), face, kEtchContrast));
        painter->drawRect(border.adjusted(0, 0, -1, -1));
        painter->setPen(awayFrom(box->palette.color(QPalette::Light), face, kEtchContrast));
        painter->drawRect(border.adjusted(1, 1, 0, 0));
        painter->restore();

        // The caption interrupts the border line.
        const QRect caption = subControlRect(control, option, SC_GroupBoxLabel, widget);
        painter->fillRect(caption, box->palette.window());
        drawItemText(painter, caption, Qt::AlignCenter | Qt::TextShowMnemonic, box->palette,
                     box->state & State_Enabled, box->text, QPalette::WindowText);
    }

private:
    static constexpr double kEtchContrast = 1.7;  // the dark line's on Fusion's light face
    static constexpr int kCaptionIndent = 8;
    static constexpr int kCaptionPadding = 3;
};

QStyle* frameCaptionStyle()
{
    static FrameCaptionStyle* style = [] {
        auto* s = new FrameCaptionStyle;
        s->setParent(qApp);  // lives as long as the application
        return s;
    }();
    return style;
}

QGroupBox* frame(QWidget* container, const char* name, const QString& caption, int left, int top, int width,
                 int height)
{
    auto* box = place<QGroupBox>(container, name, left, top, width, height);
    box->setStyle(frameCaptionStyle());
    box->setTitle(caption);
    box->setAccessibleName(caption);
    return box;
}

// A drop-down keeps its layout width closed, but opens a list wide enough for its longest row.
class DropDown : public QComboBox {
public:
    using QComboBox::QComboBox;

    void showPopup() override
    {
        // Measured on the first opening only: the rows never change, and measuring them all at start
        // would slow every start for a list that may never be opened. Styles that open the list as a
        // menu widen it themselves by the same measure; the others keep it as narrow as the control.
        if (!m_listFitted) {
            QAbstractItemView* list = view();
            const QFontMetrics metrics(list->font());
            int widest = 0;
            for (int row = 0; row < count(); ++row)
                widest = std::max(widest, metrics.horizontalAdvance(itemText(row)));
            QStyleOptionComboBox option;
            initStyleOption(&option);
            int width = style()->sizeFromContents(QStyle::CT_ComboBox, &option, QSize(widest, metrics.height()), this)
                            .width();
            if (list->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff)
                width += list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
            list->setMinimumWidth(width);
            m_listFitted = true;
        }
        QComboBox::showPopup();
    }

protected:
    void changeEvent(QEvent* event) override
    {
        // A font change makes the combo box build its popup list at once, to pass the font on; ours
        // have their font before anything is shown, and a popup built later takes it from the combo
        // box. Building six popups no one has opened yet was a fifth of what start-up costs beyond a
        // bare window with the same fonts.
        if (event->type() == QEvent::FontChange && !findChild<QAbstractItemView*>()) {
            QWidget::changeEvent(event);
            return;
        }
        QComboBox::changeEvent(event);
    }

private:
    bool m_listFitted = false;
};

QComboBox* dropDown(QGroupBox* container, const char* name, const QString& what, int left, int top, int width)
{
    QComboBox* combo = place<DropDown>(container, name, left, top, width, 390);
    combo->setEditable(false);
    combo->setFont(palatinoFont(9.75, true, true));
    combo->setAccessibleName(what);
    combo->setEnabled(false);
    return combo;
}

// White text the labels outline themselves in black, one pixel wide: on any background one of the two
// reads, where white alone all but vanishes on a light button face.
class OutlinedLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setFont(font());
        const QRect area = contentsRect();
        const int flags = int(QStyle::visualAlignment(layoutDirection(), alignment())) | Qt::TextSingleLine;
        painter.setPen(QColor(0, 0, 0));
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (dx || dy)
                    painter.drawText(area.translated(dx, dy), flags, text());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(area, flags, text());
    }
};

template <typename L = QLabel>
QLabel* label(QWidget* container, const char* name, const QString& text, const QString& what, int left, int top,
              int width, int height)
{
    QLabel* caption = place<L>(container, name, left, top, width, height);
    caption->setText(text);
    caption->setAccessibleName(what);
    caption->setAutoFillBackground(false);  // paints only its text over the container
    return caption;
}

}  // namespace

QFont palatinoFont(qreal points, bool bold, bool italic)
{
    QFont font;
    font.setFamilies({QStringLiteral("Palatino Linotype"), QStringLiteral("P052"), QStringLiteral("URW Palladio L"),
                      QStringLiteral("Palatino"), QStringLiteral("DejaVu Serif")});
    font.setStyleHint(QFont::Serif);
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

QFont georgiaFont(qreal points, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("Georgia"), QStringLiteral("DejaVu Serif"), QStringLiteral("P052")});
    font.setStyleHint(QFont::Serif);
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setItalic(false);  // set, or it would follow the italic window font around it
    return font;
}

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Quorvane"));
    setWindowIcon(QIcon(QStringLiteral(":/quorvane/quorvane.png")));

    dialogs = new QtDialogs(this);
    dialogs->setObjectName(QStringLiteral("dialogs"));

    buildMenus();
    buildControls();
    setTabOrderOfLayout();

    // The menu bar keeps the toolkit's menu font; the fixed client area sets the window's size.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

MainWindow::~MainWindow()
{
    delete m_about;
}

QPushButton* MainWindow::slotButton(int slot) const
{
    return m_buttonOfSlot.at(static_cast<std::size_t>(slot - 1));
}

AboutBox* MainWindow::aboutBox() const
{
    return m_about;
}

void MainWindow::buildMenus()
{
    fileMenu = menuBar()->addMenu(QStringLiteral("File"));
    fileMenu->setObjectName(QStringLiteral("fileMenu"));

    openAction = fileMenu->addAction(QStringLiteral("Open"));
    openAction->setObjectName(QStringLiteral("openAction"));
    openAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));

    saveAction = fileMenu->addAction(QStringLiteral("Save"));
    saveAction->setObjectName(QStringLiteral("saveAction"));
    saveAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    saveAction->setEnabled(false);

    exitAction = fileMenu->addAction(QStringLiteral("Exit"));
    exitAction->setObjectName(QStringLiteral("exitAction"));

    aboutAction = menuBar()->addAction(QStringLiteral("About"));
    aboutAction->setObjectName(QStringLiteral("aboutAction"));
    connect(aboutAction, &QAction::triggered, this, &MainWindow::showAbout);
}

void MainWindow::buildControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(px(kClientWidth), px(kClientHeight));
    client->setFont(palatinoFont(12, true, true));
    setCentralWidget(client);

    static constexpr std::array kSlotButtonLefts{165, 1350, 2520, 3705, 4890, 6060, 7245};
    static_assert(kSlotButtonLefts.size() == kSlots);
    slotButtons = new QButtonGroup(this);
    slotButtons->setExclusive(true);
    for (int k = 1; k <= kSlots; ++k) {
        const QByteArray name = "slotButton" + QByteArray::number(k);
        auto* button = place<QPushButton>(client, name.constData(), kSlotButtonLefts[k - 1], 90, 1095, 495);
        button->setText(QString::number(k));
        button->setAccessibleName(QStringLiteral("Slot %1").arg(k));
        button->setFont(palatinoFont(9.75, true, false));
        button->setCheckable(true);
        // One choice among seven: screen readers then announce radio buttons, not check boxes. The
        // group still decides which button is on.
        button->setAutoExclusive(true);
        button->setAutoDefault(false);
        button->setEnabled(false);
        slotButtons->addButton(button, k);
        button->installEventFilter(this);
        m_buttonOfSlot[static_cast<std::size_t>(k - 1)] = button;
    }
    connect(slotButtons, &QButtonGroup::idToggled, this, &MainWindow::makeCheckedSlotTheTabStop);

    yourRomLabel = label(client, "yourRomLabel", QStringLiteral("Your Rom :"), QStringLiteral("Your Rom label"), 465,
                         660, 1500, 390);
    romNameLabel = label(client, "romNameLabel", QString(), QStringLiteral("Your Rom"), 2025, 660, 4935, 495);

    speciesFrame = frame(client, "speciesFrame", QStringLiteral("Pokemon List"), 5535, 1230, 4560, 6630);
    methodFrame = frame(client, "methodFrame", QStringLiteral("Evol Type"), 1470, 1275, 3660, 870);
    levelFrame = frame(client, "levelFrame", QStringLiteral("Level"), 1470, 2220, 2655, 855);
    itemFrame = frame(client, "itemFrame", QStringLiteral("Items"), 1470, 3120, 2655, 855);
    speciesParameterFrame = frame(client, "speciesParameterFrame", QStringLiteral("Pokemon"), 1470, 4020, 2655, 855);
    moveFrame = frame(client, "moveFrame", QStringLiteral("Attack"), 1470, 4920, 2655, 855);
    targetFrame = frame(client, "targetFrame", QStringLiteral("Evolution"), 1470, 5820, 2655, 855);
    supportedRomsFrame = frame(client, "supportedRomsFrame", QStringLiteral("Supported Roms"), 555, 6810, 4830, 1740);

    speciesList = place<QListWidget>(speciesFrame, "speciesList", 225, 375, 4200, 6000);
    speciesList->setFont(palatinoFont(9.75, true, true));
    speciesList->setSelectionMode(QAbstractItemView::SingleSelection);
    speciesList->setUniformItemSizes(true);  // every row is one line of one font: measuring one is enough
    speciesList->setAccessibleName(QStringLiteral("Pokemon List"));
    loadRows(speciesList, speciesListRows());
    speciesList->setEnabled(false);

    methodBox = dropDown(methodFrame, "methodBox", QStringLiteral("Evol Type"), 120, 345, 3450);
    levelBox = dropDown(levelFrame, "levelBox", QStringLiteral("Level"), 135, 285, 2415);
    itemBox = dropDown(itemFrame, "itemBox", QStringLiteral("Items"), 105, 285, 2415);
    speciesParameterBox =
        dropDown(speciesParameterFrame, "speciesParameterBox", QStringLiteral("Pokemon"), 135, 270, 2415);
    moveBox = dropDown(moveFrame, "moveBox", QStringLiteral("Attack"), 120, 300, 2415);
    targetBox = dropDown(targetFrame, "targetBox", QStringLiteral("Evolution"), 120, 330, 2415);
    loadRows(methodBox, rom::MethodNames);
    loadRows(levelBox, rom::LevelNames);
    loadRows(itemBox, rom::ItemNames);
    loadRows(speciesParameterBox, rom::SpeciesNames);
    loadRows(moveBox, rom::MoveNames);
    loadRows(targetBox, rom::SpeciesNames);

    // Each width fits its game's name. The last game's notice is made first, as the layout made them, so
    // screen readers still meet them in that order.
    static constexpr std::array<QRect, rom::kSupportedGames.size()> kNoticeTwips{
        {{525, 495, 3045, 360}, {525, 915, 3315, 315}}};
    const QColor white(255, 255, 255);
    for (std::size_t i = rom::kSupportedGames.size(); i-- > 0;) {
        const rom::SupportedGame& game = rom::kSupportedGames[i];
        const QString name = QString::fromLatin1(game.name.data(), qsizetype(game.name.size()));
        const QByteArray objectName = "supportedGameLabel" + QByteArray(game.code.data(), qsizetype(game.code.size()));
        const QRect& at = kNoticeTwips[i];
        QLabel* notice = label<OutlinedLabel>(supportedRomsFrame, objectName.constData(), name, name, at.x(), at.y(),
                                              at.width(), at.height());
        supportedGameLabels[i] = notice;
        notice->setFont(georgiaFont(9.75, true));
        QPalette palette = notice->palette();
        palette.setColor(QPalette::WindowText, white);
        notice->setPalette(palette);
    }

    // Never shows text: its visibility says that the method's parameter is the constant 0.
    constantMarker =
        label(client, "constantMarker", QString(), QStringLiteral("Constant parameter"), 3630, 6750, 1770, 390);
    constantMarker->setFont(palatinoFont(18, true, true));
    constantMarker->setAttribute(Qt::WA_TransparentForMouseEvents);
    constantMarker->hide();
}

void MainWindow::setTabOrderOfLayout()
{
    // The last slot comes first, as in the layout's tab indexes; the group then behaves as one stop.
    QWidget* previous = slotButton(kSlots);
    for (int slot = kSlots - 1; slot >= 1; --slot) {
        setTabOrder(previous, slotButton(slot));
        previous = slotButton(slot);
    }
    for (QWidget* next : std::initializer_list<QWidget*>{speciesList, methodBox, levelBox, itemBox, speciesParameterBox,
                                                         moveBox, targetBox}) {
        setTabOrder(previous, next);
        previous = next;
    }
}

void MainWindow::makeCheckedSlotTheTabStop()
{
    // The group is one Tab stop, as option buttons are: Tab reaches only the button that is on.
    const QAbstractButton* on = slotButtons->checkedButton();
    for (QPushButton* button : m_buttonOfSlot)
        button->setFocusPolicy(!on || button == on ? Qt::StrongFocus : Qt::ClickFocus);
}

bool MainWindow::moveSlotByArrow(QPushButton* from, int key)
{
    int step = 0;
    if (key == Qt::Key_Left || key == Qt::Key_Up)
        step = -1;
    else if (key == Qt::Key_Right || key == Qt::Key_Down)
        step = 1;
    else
        return false;
    // The buttons run left to right in slot order; the ends do not wrap.
    const int to = slotButtons->id(from) + step;
    if (to >= 1 && to <= kSlots && slotButton(to)->isEnabled()) {
        QPushButton* next = slotButton(to);
        next->setFocus(step < 0 ? Qt::BacktabFocusReason : Qt::TabFocusReason);
        next->click();
    }
    return true;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* button = qobject_cast<QPushButton*>(watched);
        const auto* key = static_cast<QKeyEvent*>(event);
        if (button && slotButtons->id(button) > 0 && (key->modifiers() | Qt::KeypadModifier) == Qt::KeypadModifier)
            return moveSlotByArrow(button, key->key());
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::showAbout()
{
    setEnabled(false);
    if (!m_about) {
        // No parent: a child window would be disabled along with this one. The window system still
        // learns that it belongs to this window, so it stays above it.
        m_about = new AboutBox;
        connect(m_about, &QDialog::finished, this, &MainWindow::aboutClosed);
        if (QWindow* own = windowHandle()) {
            m_about->winId();
            m_about->windowHandle()->setTransientParent(own);
        }
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void MainWindow::aboutClosed()
{
    setEnabled(true);
    show();
    raise();
    activateWindow();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // While the About box is open this window takes no input, its frame's close button included.
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    delete m_about;
    QMainWindow::closeEvent(event);
    emit closeRequested();
}

}  // namespace editor
