#include "ui/qt/Programa.h"

#include "platform/ProgramDir.h"
#include "ui/qt/IconeTarrow.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QTranslator>
#include <QWidget>

namespace tarrow {

void Centraliza(QWidget& janela)
{
    const QScreen* tela = janela.screen() != nullptr ? janela.screen() : QGuiApplication::primaryScreen();
    if (tela == nullptr) return;
    const QRect area = tela->availableGeometry();
    janela.move(area.center() - QPoint(janela.width() / 2, janela.height() / 2));
}

bool CarregaTraducoesQt(QCoreApplication& app, const QLocale& idioma)
{
    delete app.findChild<QTranslator*>("traducoesQt", Qt::FindDirectChildrenOnly);
    auto* traducoes = new QTranslator(&app);
    traducoes->setObjectName("traducoesQt");
    if (!traducoes->load(idioma, "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete traducoes;
        return false;
    }
    app.installTranslator(traducoes);
    return true;
}

int ExecutaPrograma(QApplication& app, QWidget& janela, const std::function<void()>& formCreate)
{
    app.setApplicationName(QString::fromStdString(ProgramTitle()));
    app.setWindowIcon(IconeTarrow());
    CarregaTraducoesQt(app, QLocale::system());
    formCreate();
    Centraliza(janela);
    janela.show();
    return app.exec();
}

}  // namespace tarrow
