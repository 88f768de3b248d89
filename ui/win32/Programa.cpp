#include "ui/win32/Programa.h"

#include "platform/ProgramDir.h"
#include "platform/ProgramStart.h"
#include "ui/FrameworkErrors.h"
#include "ui/win32/JanelaPrincipal.h"
#include "ui/win32/Mensagens.h"

namespace tarrow {

bool IniciaPrograma()
{
    // A window busy in a send would otherwise be replaced by the system's "not responding" ghost,
    // whose close ends the program at once: a close must reach the window's own rule (a send runs
    // to its end first).
    DisableProcessWindowsGhosting();
    TWin32Mensagens caixas;
    return ExecutaManipulador(caixas, [] { InitialiseProgramThread(); });
}

int ExecutaPrograma(TJanelaPrincipal& janela, const std::function<void()>& formCreate)
{
    janela.EncerraProgramaAoFechar();
    formCreate();
    janela.Mostra();
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        // Tab, the arrows inside the radio group and the buttons' keys, as in a dialog.
        HWND raiz = GetAncestor(m.hwnd, GA_ROOT);
        if (raiz != nullptr && IsDialogMessageW(raiz, &m)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return static_cast<int>(m.wParam);
}

}  // namespace tarrow
