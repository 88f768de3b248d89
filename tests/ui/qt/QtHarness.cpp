#include "tests/ui/qt/QtHarness.h"

#include "ui/qt/JanelaPrincipal.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QGroupBox>

#include <cstdlib>

namespace tarrow::test {

void EsperaFonteDoDesenho(const QWidget& janela)
{
    EXPECT_EQ(QFontInfo(janela.font()).family(), kFonteDesenho);
    EXPECT_EQ(janela.font().pointSize(), 8);
}

void EsperaQueCaibam(const std::vector<const QWidget*>& controles)
{
    for (const QWidget* controle : controles) {
        // A group box's own hint is its title's room; its size hint would add its children's.
        const QSize preciso =
            qobject_cast<const QGroupBox*>(controle) != nullptr ? controle->minimumSizeHint() : controle->sizeHint();
        EXPECT_LE(preciso.width(), controle->width()) << controle->objectName().toStdString();
    }
}

}  // namespace tarrow::test

int main(int argc, char** argv)
{
    // The tests never need a display, also when CTest lists them at build time.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
