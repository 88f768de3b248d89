// TARROW, the automatic sender: lives in the notification area and sends the day's sales every
// five minutes.
#include "platform/ProgramDir.h"
#include "platform/ProgramStart.h"
#include "ui/win32/FMainAutomatico.h"
#include "ui/win32/InstanciaUnica.h"
#include "ui/win32/Programa.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    tarrow::LimitLibrarySearchToSystemFolder();
    // One per session: a second start brings the first one's window forward and adds no icon.
    const tarrow::TInstanciaUnica instancia(tarrow::kInstanciaTarrow);
    if (!instancia.Primeira()) {
        instancia.TrazPrimeira();
        return 0;
    }
    if (!tarrow::IniciaPrograma()) return 1;
    tarrow::TFMainAutomatico FMain(tarrow::ProgramDirectory());
    return tarrow::ExecutaPrograma(FMain, [&] { FMain.FormCreate(); });
}
