// Readability measured from the pixels the widgets paint, under Fusion's light scheme and two dark ones.
#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QGroupBox>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QTest>

#include "editor/aboutbox.h"
#include "editorfixture.h"
#include "palettes.h"

using namespace editortest;

namespace {

double luminance(QRgb c)
{
    const auto linear = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(qRed(c)) + 0.7152 * linear(qGreen(c)) + 0.0722 * linear(qBlue(c));
}

double contrast(QRgb a, QRgb b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Text as seen: the background is the commonest colour of the area; ink is every pixel that differs
// from it, and the readable ink reaches 4.5:1 against it.
struct Text {
    QRgb background = 0;
    int ink = 0;
    int readable = 0;
};

Text textIn(const QImage& image)
{
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y) | 0xff000000];
    Text text;
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most) {
            most = it.value();
            text.background = it.key();
        }
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        const double c = contrast(it.key(), text.background);
        if (c > 1.05)
            text.ink += it.value();
        if (c >= 4.5)
            text.readable += it.value();
    }
    return text;
}

QImage shot(QWidget* container, const QWidget* part)
{
    return container->grab(part->geometry()).toImage();
}

}  // namespace

class TestLooks : public QObject {
    Q_OBJECT
public:
    static void initMain() { useTemporaryHome(); }

private slots:
    void initTestCase();
    void cleanup();
    void noticeReadable_data();
    void noticeReadable();
    void aboutReadable_data();
    void aboutReadable();
    void frameBordersVisible_data();
    void frameBordersVisible();

private:
    void schemes();
    QPalette m_standard;
};

void TestLooks::initTestCase()
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    m_standard = QApplication::palette();
}

void TestLooks::cleanup()
{
    QApplication::setPalette(m_standard);
}

void TestLooks::schemes()
{
    QTest::addColumn<QPalette>("palette");
    QTest::newRow("Fusion light") << QApplication::style()->standardPalette();
    QTest::newRow("dark") << darkPalette();
    QTest::newRow("dark, black selected text") << darkPaletteBlackSelection();
}

void TestLooks::noticeReadable_data()
{
    schemes();
}

void TestLooks::noticeReadable()
{
    QFETCH(QPalette, palette);
    QApplication::setPalette(palette);
    editor::MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    for (const QLabel* notice : window.supportedGameLabels) {
        const Text text = textIn(shot(window.supportedRomsFrame, notice));
        QCOMPARE(text.background, window.supportedRomsFrame->palette().color(QPalette::Window).rgb());
        // Whichever of the white fill and the dark outline reads, it is a solid part of the strokes, not a
        // few stray pixels.
        QVERIFY2(text.readable > 200 && text.readable * 4 > text.ink,
                 qPrintable(QStringLiteral("%1: %2 of %3 pixels reach 4.5:1")
                                .arg(notice->objectName())
                                .arg(text.readable)
                                .arg(text.ink)));
    }
}

void TestLooks::aboutReadable_data()
{
    schemes();
}

void TestLooks::aboutReadable()
{
    QFETCH(QPalette, palette);
    QApplication::setPalette(palette);
    Editor e;
    e.window.show();
    e.window.aboutAction->trigger();
    QPointer<editor::AboutBox> box = e.window.aboutBox();
    QVERIFY(box);
    QVERIFY(QTest::qWaitForWindowExposed(box));

    for (const QLabel* label : {box->creditLabel, box->versionLabel, box->noteLabel}) {
        const Text text = textIn(shot(box, label));
        QVERIFY2(text.ink > 100 && text.readable * 2 > text.ink,
                 qPrintable(QStringLiteral("%1: %2 of %3 pixels reach 4.5:1")
                                .arg(label->objectName())
                                .arg(text.readable)
                                .arg(text.ink)));
    }
    // On the classic light scheme the box keeps its black text.
    if (QTest::currentDataTag() == QLatin1String("Fusion light"))
        for (const QLabel* label : {box->creditLabel, box->versionLabel, box->noteLabel})
            QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::black));
}

void TestLooks::frameBordersVisible_data()
{
    schemes();
}

void TestLooks::frameBordersVisible()
{
    QFETCH(QPalette, palette);
    QApplication::setPalette(palette);
    editor::MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    for (QGroupBox* frame : window.findChildren<QGroupBox*>()) {
        // The left edge, half way down: the etch's two lines and the face inside them.
        const QImage image = frame->grab().toImage();
        const int y = image.height() / 2;
        const QRgb face = frame->palette().color(QPalette::Window).rgb();
        QCOMPARE(image.pixel(4, y) | 0xff000000, face);
        const double seen = std::max(contrast(image.pixel(0, y), face), contrast(image.pixel(1, y), face));
        // As far as the classic light face's border stands out from it.
        QVERIFY2(seen >= 1.7, qPrintable(QStringLiteral("%1: %2").arg(frame->objectName()).arg(seen)));
    }
}

QTEST_MAIN(TestLooks)
#include "test_looks.moc"
