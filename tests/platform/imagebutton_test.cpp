// The picture button from the keyboard and for assistive technology: focus
// with Tab, Space and Enter, the focus mark over an unchanged face, and the
// button a screen reader sees.
#include "platform/imagebutton.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

QPixmap face(QColor colour)
{
    QPixmap pixmap(60, 21);
    pixmap.fill(colour);
    QPainter p(&pixmap);
    p.fillRect(20, 5, 20, 11, Qt::blue);
    return pixmap;
}

// A window with a text box and two picture buttons, active, so that focus
// and keys behave as on the desktop.
class ImageButtonTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window.resize(200, 120);
        text = new QLineEdit(&window);
        text->setGeometry(0, 0, 100, 20);
        first = new ImageButton(&window);
        first->setGeometry(10, 30, 60, 21);
        first->setFace(face(QColor(200, 200, 200)));
        first->setToolTip(QStringLiteral("first page"));
        second = new ImageButton(&window);
        second->setGeometry(10, 60, 60, 21);
        second->setFace(face(QColor(40, 40, 40)));
        second->setAccessibleName(QStringLiteral("CONNECT"));
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        text->setFocus();
        ASSERT_TRUE(text->hasFocus());
    }

    struct Spies
    {
        explicit Spies(ImageButton *b)
            : pressed(b, &ImageButton::pressed), released(b, &ImageButton::released),
              clicked(b, &ImageButton::clicked)
        {
        }
        QList<int> counts() const
        {
            return {int(pressed.count()), int(released.count()), int(clicked.count())};
        }
        QSignalSpy pressed;
        QSignalSpy released;
        QSignalSpy clicked;
    };

    QWidget window;
    QLineEdit *text = nullptr;
    ImageButton *first = nullptr;
    ImageButton *second = nullptr;
};

TEST_F(ImageButtonTest, TabReachesItButAClickLeavesTheFocusAlone)
{
    QTest::keyClick(text, Qt::Key_Tab);
    EXPECT_TRUE(first->hasFocus());
    QTest::keyClick(first, Qt::Key_Tab);
    EXPECT_TRUE(second->hasFocus());
    QTest::keyClick(second, Qt::Key_Backtab);
    EXPECT_TRUE(first->hasFocus());

    text->setFocus();
    Spies spies(second);
    QTest::mouseClick(second, Qt::LeftButton);
    EXPECT_EQ(spies.counts(), (QList<int>{1, 1, 1}));
    EXPECT_TRUE(text->hasFocus());
}

TEST_F(ImageButtonTest, SpaceClicksOnReleaseAndEnterAtOnce)
{
    first->setFocus();
    Spies spies(first);

    QTest::keyPress(first, Qt::Key_Space);
    EXPECT_EQ(spies.counts(), (QList<int>{1, 0, 0})) << "pressed face while Space is down";
    // Held down, the key repeats: still one press.
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
    QApplication::sendEvent(first, &repeat);
    EXPECT_EQ(spies.counts(), (QList<int>{1, 0, 0}));
    QTest::keyRelease(first, Qt::Key_Space);
    EXPECT_EQ(spies.counts(), (QList<int>{1, 1, 1}));

    QTest::keyClick(first, Qt::Key_Return);
    QTest::keyClick(first, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(spies.counts(), (QList<int>{3, 3, 3}));

    // Other keys and Ctrl+Space are no click.
    QTest::keyClick(first, Qt::Key_A);
    QTest::keyClick(first, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(spies.counts(), (QList<int>{3, 3, 3}));
}

TEST_F(ImageButtonTest, LeavingWithSpaceDownOrDisabledIsNoClick)
{
    first->setFocus();
    Spies spies(first);
    QTest::keyPress(first, Qt::Key_Space);
    QTest::keyClick(first, Qt::Key_Tab); // focus moves on while Space is still down
    EXPECT_TRUE(second->hasFocus());
    QTest::keyRelease(second, Qt::Key_Space);
    EXPECT_EQ(spies.counts(), (QList<int>{1, 1, 0}));

    Spies secondSpies(second);
    second->setEnabled(false);
    second->click();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(second, &enter);
    EXPECT_EQ(secondSpies.counts(), (QList<int>{0, 0, 0}));
}

TEST_F(ImageButtonTest, FocusMarkIsDrawnOverTheFaceWithoutChangingIt)
{
    const QImage faceImage = first->pixmap().toImage();
    const QImage unfocused = first->grab().toImage().convertToFormat(faceImage.format());
    EXPECT_EQ(unfocused, faceImage);

    first->setFocus();
    const QImage focused = first->grab().toImage().convertToFormat(faceImage.format());
    EXPECT_EQ(first->pixmap().toImage(), faceImage) << "the face stays";
    ASSERT_EQ(focused.size(), faceImage.size());
    // The mark runs along the edge, in black and in white, and leaves the middle alone.
    int black = 0, white = 0;
    for (int x = 0; x < focused.width(); ++x) {
        for (int y : {0, 1, focused.height() - 2, focused.height() - 1}) {
            black += focused.pixelColor(x, y) == QColor(Qt::black);
            white += focused.pixelColor(x, y) == QColor(Qt::white);
        }
    }
    EXPECT_GT(black, focused.width());
    EXPECT_GT(white, focused.width());
    EXPECT_EQ(focused.copy(2, 2, 56, 17), faceImage.copy(2, 2, 56, 17));

    text->setFocus();
    EXPECT_EQ(first->grab().toImage().convertToFormat(faceImage.format()), faceImage)
        << "gone with the focus";
}

TEST_F(ImageButtonTest, ScreenReadersSeeANamedButtonThatCanBePressed)
{
    QAccessibleInterface *tip = QAccessible::queryAccessibleInterface(first);
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(tip->role(), QAccessible::Button);
    EXPECT_EQ(tip->text(QAccessible::Name), QStringLiteral("first page"));
    EXPECT_TRUE(tip->state().focusable);

    QAccessibleInterface *named = QAccessible::queryAccessibleInterface(second);
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named->text(QAccessible::Name), QStringLiteral("CONNECT"));
    QAccessibleActionInterface *actions = named->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    Spies spies(second);
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(spies.counts(), (QList<int>{1, 1, 1}));

    second->setEnabled(false);
    EXPECT_FALSE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
}

} // namespace
