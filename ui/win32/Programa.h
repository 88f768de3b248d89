#pragma once
// The program entry both senders share on Windows: create the main window (done by the caller),
// run its creation handler, show it centred, run the message loop until the window is gone.

#include <functional>

namespace tarrow {

class TJanelaPrincipal;

// Before the window exists: the component library the service's documents are reached through.
// False, after the framework's error box, when the system refuses it.
bool IniciaPrograma();

int ExecutaPrograma(TJanelaPrincipal& janela, const std::function<void()>& formCreate);

}  // namespace tarrow
