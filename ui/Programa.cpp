#include "ui/Programa.h"

#include "platform/ProgramDir.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>

namespace tarrow {

void Centraliza(QWidget& janela)
{
    const QScreen* tela = janela.screen() != nullptr ? janela.screen() : QGuiApplication::primaryScreen();
    if (tela == nullptr) return;
    const QRect area = tela->availableGeometry();
    janela.move(area.center() - QPoint(janela.width() / 2, janela.height() / 2));
}

int ExecutaPrograma(QApplication& app, QWidget& janela, const std::function<void()>& formCreate)
{
    app.setApplicationName(QString::fromStdString(ProgramTitle()));
    formCreate();
    Centraliza(janela);
    janela.show();
    return app.exec();
}

}  // namespace tarrow
