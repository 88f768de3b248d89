// TARROW_Manual, the manual sender: an operator picks what to send, counts it and sends it.
#include "platform/ProgramDir.h"
#include "ui/qt/FMainManual.h"
#include "ui/qt/Programa.h"

#include <QApplication>

int main(int, char** argv)
{
    // The program reads no arguments: Qt gets none of them either.
    int argumentos = 1;
    QApplication app(argumentos, argv);
    tarrow::TFMainManual FMain(tarrow::ProgramDirectory());
    return tarrow::ExecutaPrograma(app, FMain, [&] { FMain.FormCreate(); });
}
