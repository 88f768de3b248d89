// TARROW_Manual, the manual sender: an operator picks what to send, counts it and sends it.
#include "platform/ProgramDir.h"
#include "ui/FMainManual.h"
#include "ui/Programa.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    tarrow::TFMainManual FMain(tarrow::ProgramDirectory());
    return tarrow::ExecutaPrograma(app, FMain, [&] { FMain.FormCreate(); });
}
