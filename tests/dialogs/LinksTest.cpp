#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "DialogsRecorder.h"
#include "dialogs/FrmAcerca.h"
#include "dialogs/MainWindowLinks.h"
#include "dialogs/WebAddresses.h"

namespace {

const QString kMaker = QStringLiteral(PELICANO_MAKER_URL);
const QString kSecond = QStringLiteral(PELICANO_SECOND_URL);

QPoint centre(const QWidget* w) { return w->rect().center(); }

// Counts how often a widget's font was written.
class FontWrites : public QObject {
public:
    explicit FontWrites(QWidget* w) { w->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::FontChange) ++count;
        return false;
    }
};

// The main window's client area as the main window lays it out: the four labels of the group,
// a frame and a button, and the link picture.
class MainWindowLinksTest : public ::testing::Test {
protected:
    DialogsRecorder recorder;
    QWidget window;
    QList<QLabel*> labels;
    QLabel* image = new QLabel(&window);
    QGroupBox* frame = new QGroupBox(QStringLiteral("Mi Pc"), &window);
    QPushButton* button = new QPushButton(QStringLiteral("Desconectar"), &window);
    QLabel* tracked = new QLabel(QStringLiteral("Dir Actual:"), &window);  // follows the pointer for its own use
    MainWindowLinks* links = nullptr;

    void SetUp() override {
        window.resize(588, 477);
        const QList<QPair<QString, QRect>> design = {
            {QStringLiteral("Host:"), QRect(8, 8, 39, 23)},
            {QStringLiteral("Usuario:"), QRect(8, 40, 61, 23)},
            {QStringLiteral("Login:"), QRect(8, 72, 43, 23)},
            {QString(), QRect(176, 440, 290, 33)}};
        for (const auto& [text, rect] : design) {
            auto* l = new QLabel(text, &window);
            l->setGeometry(rect);
            labels.append(l);
        }
        image->setGeometry(536, 440, 32, 32);
        frame->setGeometry(16, 152, 273, 281);
        button->setGeometry(464, 40, 89, 33);
        tracked->setGeometry(304, 200, 100, 40);
        tracked->setMouseTracking(true);
        links = new MainWindowLinks(&window, labels, image, recorder, &window);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void TearDown() override { window.close(); }

    QLabel* link() { return labels.at(3); }
    void moveOver(QWidget* w, QPoint p = QPoint(-1, -1)) { QTest::mouseMove(w, p.x() < 0 ? centre(w) : p); }
};

TEST_F(MainWindowLinksTest, TheLinkAndThePictureTakeTheirLook) {
    EXPECT_EQ(link()->text(), web::displayText(kMaker));
    EXPECT_EQ(link()->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_DOUBLE_EQ(link()->font().pointSizeF(), 18.0);
    EXPECT_FALSE(link()->font().underline());
    EXPECT_EQ(link()->toolTip(), QStringLiteral("Programas en español..."));
    EXPECT_EQ(link()->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(link()->cursor().hotSpot(), QPoint(12, 1));
    EXPECT_EQ(link()->cursor().pixmap().size(), QSize(32, 32));
    EXPECT_EQ(image->cursor().shape(), Qt::BitmapCursor);
    EXPECT_TRUE(image->toolTip().contains(web::displayText(kSecond))) << image->toolTip().toStdString();
    EXPECT_FALSE(image->pixmap().isNull());
    // The captions keep their own text and look.
    EXPECT_EQ(labels.at(0)->text(), QStringLiteral("Host:"));
    EXPECT_TRUE(link()->fontMetrics().horizontalAdvance(link()->text()) <= link()->width());
}

TEST_F(MainWindowLinksTest, HoverOverAnyMemberUnderlinesTheLinkUntilTheBareBackground) {
    moveOver(labels.at(2));  // "Login:"
    EXPECT_TRUE(link()->font().underline());
    EXPECT_FALSE(labels.at(2)->font().underline());
    // Straight onto other controls: the underline stays.
    moveOver(button);
    moveOver(frame);
    moveOver(image);
    moveOver(tracked);
    EXPECT_TRUE(link()->font().underline());
    moveOver(&window, QPoint(420, 300));
    EXPECT_FALSE(link()->font().underline());
    moveOver(link());
    EXPECT_TRUE(link()->font().underline());
}

TEST_F(MainWindowLinksTest, TheFontIsWrittenOnlyWhenTheUnderlineChanges) {
    FontWrites writes(link());
    moveOver(labels.at(0));
    moveOver(link(), QPoint(3, 3));
    moveOver(link(), QPoint(30, 10));
    moveOver(labels.at(1));
    EXPECT_EQ(writes.count, 1);
    moveOver(&window, QPoint(420, 300));
    moveOver(&window, QPoint(430, 310));
    EXPECT_EQ(writes.count, 2);
}

TEST_F(MainWindowLinksTest, EveryMemberOpensTheMakersSiteAndThePictureTheSecond) {
    for (QLabel* l : labels) QTest::mouseClick(l, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseClick(image, Qt::LeftButton);
    EXPECT_EQ(recorder.openedUrls(), (QStringList{kMaker, kMaker, kMaker, kMaker, kSecond}));
    // Other buttons, and a release outside the control after a press on it, open nothing.
    recorder.clear();
    QTest::mouseClick(link(), Qt::RightButton);
    QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(420, 300));
    QTest::mousePress(link(), Qt::LeftButton);
    QTest::mouseRelease(link(), Qt::LeftButton, {}, QPoint(-20, -20));
    EXPECT_TRUE(recorder.openedUrls().isEmpty());
}

class FrmAcercaTest : public ::testing::Test {
protected:
    DialogsRecorder recorder;
    FrmAcerca about{recorder};

    template <typename W>
    W* child(const char* name) {
        W* w = about.findChild<W*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // Runs steps inside the modal loop; the window must be closed by them.
    int execWith(std::function<void()> steps) {
        QTimer::singleShot(0, &about, [&] {
            steps();
            if (about.isVisible()) {
                ADD_FAILURE() << "the About window is still open";
                about.reject();
            }
        });
        return about.exec();
    }
};

TEST_F(FrmAcercaTest, LayoutMatchesTheDesign) {
    EXPECT_EQ(about.windowTitle(), QStringLiteral("Acerca de Pelicano 2.0"));
    EXPECT_EQ(about.size(), QSize(312, 213));
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
    EXPECT_FALSE(about.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(child<QLabel>("Picture1")->geometry(), QRect(56, 8, 209, 74));
    EXPECT_EQ(child<QLabel>("Picture1")->pixmap().deviceIndependentSize(), QSizeF(209, 74));
    auto* notice = child<QLabel>("Label2");
    EXPECT_EQ(notice->geometry(), QRect(8, 88, 232, 22));
    EXPECT_FALSE(notice->text().isEmpty());
    EXPECT_LE(notice->fontMetrics().horizontalAdvance(notice->text()), notice->width());
    auto* link = child<QLabel>("Label1");
    EXPECT_EQ(link->geometry(), QRect(8, 120, 290, 33));
    EXPECT_EQ(link->text(), web::displayText(kMaker));
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(link->cursor().shape(), Qt::UpArrowCursor);
    EXPECT_LE(link->fontMetrics().horizontalAdvance(link->text()), link->width());
    auto* ok = child<QPushButton>("cmdaceptar");
    EXPECT_EQ(ok->geometry(), QRect(88, 160, 129, 41));
    EXPECT_EQ(ok->text(), QStringLiteral("Aceptar"));
    EXPECT_TRUE(ok->isDefault());
}

TEST_F(FrmAcercaTest, OpensModalAndEnterClosesIt) {
    bool modal = false;
    QWidget* focus = nullptr;
    execWith([&] {
        modal = QApplication::activeModalWidget() == &about && about.windowModality() == Qt::ApplicationModal;
        focus = about.focusWidget();
        QTest::keyClick(&about, Qt::Key_Return);
    });
    EXPECT_TRUE(modal);
    EXPECT_EQ(focus, child<QPushButton>("cmdaceptar"));
    EXPECT_FALSE(about.isVisible());
}

TEST_F(FrmAcercaTest, TheLinkUnderlinesOnHoverOpensTheSiteAndStartsPlainEachTime) {
    auto* link = child<QLabel>("Label1");
    auto* ok = child<QPushButton>("cmdaceptar");
    bool onLink = false, onButton = false, onBackground = true;
    execWith([&] {
        QTest::mouseMove(link, centre(link));
        onLink = link->font().underline();
        QTest::mouseMove(ok, centre(ok));
        onButton = link->font().underline();
        QTest::mouseMove(&about, QPoint(290, 190));
        onBackground = link->font().underline();
        QTest::mouseMove(link, centre(link));
        QTest::mouseClick(link, Qt::LeftButton);
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    EXPECT_TRUE(onLink);
    EXPECT_TRUE(onButton);
    EXPECT_FALSE(onBackground);
    EXPECT_EQ(recorder.openedUrls(), QStringList{kMaker});

    bool plainAtStart = false;
    execWith([&] {
        plainAtStart = !link->font().underline();
        about.close();  // the close box
    });
    EXPECT_TRUE(plainAtStart);
}

}  // namespace
