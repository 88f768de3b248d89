// TARROW, the automatic sender: lives in the notification area and sends the day's sales every
// five minutes.
#include "platform/ProgramDir.h"
#include "ui/qt/FMainAutomatico.h"
#include "ui/qt/Programa.h"

#include <QApplication>

int main(int, char** argv)
{
    // The program reads no arguments: Qt gets none of them either.
    int argumentos = 1;
    QApplication app(argumentos, argv);
    tarrow::TFMainAutomatico FMain(tarrow::ProgramDirectory());
    return tarrow::ExecutaPrograma(app, FMain, [&] { FMain.FormCreate(); });
}
