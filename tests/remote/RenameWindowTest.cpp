// The rename window's own layout and how it builds the new name.

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <gtest/gtest.h>

#include "remote/FcN.h"

namespace {

TEST(RenameWindow, LayoutFontsAndColours) {
    QWidget owner;
    FcN d(&owner, {});
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Cambiar nombre"));
    EXPECT_EQ(d.size(), QSize(391, 103));
    EXPECT_EQ(d.minimumSize(), d.maximumSize());
    EXPECT_TRUE(d.isModal());
    EXPECT_EQ(d.parentWidget(), &owner);
    EXPECT_FALSE(d.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(d.windowFlags() & Qt::WindowCloseButtonHint);

    EXPECT_EQ(d.Txtnombre()->geometry(), QRect(8, 32, 257, 25));
    EXPECT_EQ(d.Txtext()->geometry(), QRect(288, 32, 73, 25));
    EXPECT_EQ(d.Label1()->geometry(), QRect(105, 0, 79, 29));
    EXPECT_EQ(d.Label2()->geometry(), QRect(304, 0, 37, 29));
    EXPECT_EQ(d.cmdaceptar()->geometry(), QRect(128, 64, 121, 33));
    EXPECT_EQ(d.Txtnombre()->text(), QStringLiteral("Nombre"));
    EXPECT_EQ(d.Txtext()->text(), QStringLiteral(".txt"));
    EXPECT_EQ(d.cmdaceptar()->text(), QStringLiteral("Aceptar"));
    EXPECT_TRUE(d.Txtnombre()->font().bold());
    EXPECT_DOUBLE_EQ(d.Txtnombre()->font().pointSizeF(), 11.25);
    EXPECT_DOUBLE_EQ(d.Label1()->font().pointSizeF(), 15.75);
    EXPECT_DOUBLE_EQ(d.font().pointSizeF(), 9.75);
    EXPECT_EQ(d.Label1()->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_EQ(d.Label2()->alignment(), Qt::AlignCenter);
    const auto nextByTab = [](QWidget* w) {
        do w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
        return w;
    };
    EXPECT_EQ(nextByTab(d.Txtnombre()), d.Txtext());
    EXPECT_EQ(nextByTab(d.Txtext()), d.cmdaceptar());
    EXPECT_EQ(d.Label1()->buddy(), d.Txtnombre());

    // Centred on the screen, not over its owner.
    owner.setGeometry(0, 0, 200, 150);
    owner.show();
    d.show();
    const QRect screen = d.screen()->availableGeometry();
    EXPECT_LE((d.frameGeometry().center() - screen.center()).manhattanLength(), 1);
    d.close();
}

TEST(RenameWindow, EachPressSendsTheCurrentBoxesForTheSameName) {
    std::vector<std::pair<std::string, std::string>> sent;
    FcN d(nullptr, [&](const std::string& from, const std::string& to) { sent.emplace_back(from, to); });
    d.setFile("LEEME");
    d.cmdaceptar()->click();
    d.Txtext()->clear();
    d.Txtnombre()->setText(QStringLiteral("léeme ya"));
    d.cmdaceptar()->click();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0], std::make_pair(std::string("LEEME"), std::string("LEEME.txt")));
    EXPECT_EQ(sent[1], std::make_pair(std::string("LEEME"), std::string("l\xc3\xa9" "eme ya")));
    EXPECT_EQ(d.NombreActual(), "LEEME");
}

}  // namespace
