#pragma once
// The program entry both senders share on Windows: create the main window (done by the caller),
// run its creation handler, show it centred, run the message loop until the window is gone.

#include <functional>

namespace tarrow {

class TJanelaPrincipal;

int ExecutaPrograma(TJanelaPrincipal& janela, const std::function<void()>& formCreate);

}  // namespace tarrow
