// TARROW_Manual, the manual sender: an operator picks what to send, counts it and sends it.
#include "platform/ProgramDir.h"
#include "platform/ProgramStart.h"
#include "ui/win32/FMainManual.h"
#include "ui/win32/Programa.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    tarrow::LimitLibrarySearchToSystemFolder();
    if (!tarrow::IniciaPrograma()) return 1;
    tarrow::TFMainManual FMain(tarrow::ProgramDirectory());
    return tarrow::ExecutaPrograma(FMain, [&] { FMain.FormCreate(); });
}
